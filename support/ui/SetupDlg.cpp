#include "support/ui/SetupDlg.h"

#include "engine/MessageHost.h"
#include "support/SupportPrompt.h"
#include "support/ui/QtSupportPrompt.h"
#include "ui_SetupDlg.h"

namespace quorvel {

namespace {

QString FromUtf8(const std::string& s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

// The open dialog of the three Browse buttons.
SupportFileDialog PdfFileRequest() {
    return {"PDF file", {{"*.pdf", "*.pdf"}, {"All Files *.*", "*.*"}}, "PDF"};
}

} // namespace

CSetupDlg::CSetupDlg(QWidget* parent, ISupportPrompt* prompt, SetupSettings* settings)
    : QDialog(parent), m_settings(settings ? *settings : m_ownSettings),
      m_ui(std::make_unique<Ui::SetupDlg>()), m_pPrompt(prompt) {
    m_ui->setupUi(this);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    connect(m_ui->saveButton, &QPushButton::clicked, this, &CSetupDlg::OnSaveAndExit);
    connect(m_ui->cancelButton, &QPushButton::clicked, this, &CSetupDlg::OnCancel);
    connect(m_ui->noSplashCheck, &QCheckBox::clicked, this, &CSetupDlg::OnNoSplashClicked);
    connect(m_ui->oddEveryBrowse, &QPushButton::clicked, this, &CSetupDlg::OnBrowseOddEvery);
    connect(m_ui->oddFinalBrowse, &QPushButton::clicked, this, &CSetupDlg::OnBrowseOddFinal);
    connect(m_ui->onEachBrowse, &QPushButton::clicked, this, &CSetupDlg::OnBrowseOnEach);
}

CSetupDlg::~CSetupDlg() = default;

ISupportPrompt& CSetupDlg::Prompt() {
    return m_pPrompt ? *m_pPrompt : DefaultSupportPrompt();
}

void CSetupDlg::LoadSettings() {
    quorvel::LoadSettings(m_settings, m_strIniPath);
}

bool CSetupDlg::SaveSettings() {
    if (quorvel::SaveSettings(m_settings, m_strIniPath))
        return true;
    Prompt().MessageBox(kCantSaveSetupIni, kAppName);
    return false;
}

void CSetupDlg::UpdateData(bool bSaveAndValidate) {
    if (bSaveAndValidate) {
        m_settings.m_bNoSplash = m_ui->noSplashCheck->isChecked() ? 1 : 0;
        m_settings.m_strOddEvery = m_ui->oddEveryEdit->text().toStdString();
        m_settings.m_strOddFinal = m_ui->oddFinalEdit->text().toStdString();
        m_settings.m_strOnEach = m_ui->onEachEdit->text().toStdString();
    } else {
        m_ui->noSplashCheck->setChecked(m_settings.m_bNoSplash != 0);
        m_ui->oddEveryEdit->setText(FromUtf8(m_settings.m_strOddEvery));
        m_ui->oddFinalEdit->setText(FromUtf8(m_settings.m_strOddFinal));
        m_ui->onEachEdit->setText(FromUtf8(m_settings.m_strOnEach));
    }
}

int CSetupDlg::DoModal() {
    return exec();
}

void CSetupDlg::showEvent(QShowEvent* event) {
    // Every opening shows what the settings hold now.
    UpdateData(false);
    QDialog::showEvent(event);
}

void CSetupDlg::OnSaveAndExit() {
    UpdateData(true);
    UpdateData(false);
    SaveSettings();
    // Closes also when saving failed: the settings stay as edited in memory.
    done(1);
}

void CSetupDlg::OnCancel() {
    done(0);
}

void CSetupDlg::OnNoSplashClicked() {
    UpdateData(true);
    UpdateData(false);
}

void CSetupDlg::OnBrowseOddEvery() {
    Browse(m_settings.m_strOddEvery);
}

void CSetupDlg::OnBrowseOddFinal() {
    Browse(m_settings.m_strOddFinal);
}

void CSetupDlg::OnBrowseOnEach() {
    Browse(m_settings.m_strOnEach);
}

void CSetupDlg::Browse(std::string& member) {
    UpdateData(true);
    std::string path = Prompt().ChooseOpenFile(PdfFileRequest());
    if (path.empty())
        return;
    member = path;
    UpdateData(false);
}

} // namespace quorvel
