// Before any Qt header: the engine names a member "slots", which Qt's
// keyword macros would swallow.
#include "engine/AppendParams.h"

#include "app/ui/AppendParamsDlg.h"
#include "support/ui/HelpWindow.h"
#include "ui_AppendParamsDlg.h"

#include <QKeyEvent>
#include <QPixmap>
#include <QShortcut>
#include <QTimer>

namespace quorvel {

namespace {

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

std::string S(const QString& s) {
    return s.toStdString();
}

} // namespace

CAppendParamsDlg::CAppendParamsDlg(IPromptHost& prompt, const bool* showParamsBox, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::AppendParamsDlg>()), m_prompt(prompt),
      m_pShowParamsBox(showParamsBox) {
    m_ui->setupUi(this);
    setObjectName(QStringLiteral("appendParamsDlg"));
    // A modal frame without a system menu: no close box.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    m_ui->iconLabel->setPixmap(QPixmap(QStringLiteral(":/quorvel.png"))
                                   .scaled(32, 32, Qt::KeepAspectRatio, Qt::SmoothTransformation));

    connect(m_ui->saveExitButton, &QPushButton::clicked, this, [this] { OnSaveAndExit(); });
    connect(m_ui->cancelButton, &QPushButton::clicked, this, [this] { done(0); });
    connect(m_ui->appendRadio, &QRadioButton::clicked, this, [this] { OnAppendMode(); });
    connect(m_ui->createRadio, &QRadioButton::clicked, this, [this] { OnCreateMode(); });
    connect(m_ui->keepBookmarksCheck, &QCheckBox::clicked, this, [this] { OnKeepBookmarks(); });
    connect(m_ui->filenameBookmarkCheck, &QCheckBox::clicked, this,
            [this] { OnFilenameBookmark(); });
    connect(m_ui->useSameParamsCheck, &QCheckBox::clicked, this, [this] { OnUseSameParams(); });
    connect(m_ui->browseMoveDirButton, &QPushButton::clicked, this, [this] { OnBrowseMoveDir(); });
    connect(m_ui->browseOutputButton, &QPushButton::clicked, this,
            [this] { OnBrowseOutputFile(); });
    connect(m_ui->helpButton, &QPushButton::clicked, this, [this] { OnHelp(); });
    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(help, &QShortcut::activated, this, [this] { OnHelp(); });
}

CAppendParamsDlg::~CAppendParamsDlg() = default;

void CAppendParamsDlg::UpdateData(bool bSaveAndValidate) {
    if (bSaveAndValidate) {
        m_strFilename = S(m_ui->filenameEdit->text());
        m_nPages = m_ui->pagesEdit->text().toInt();
        m_strParams = S(m_ui->paramsEdit->text());
        m_strMoveDir = S(m_ui->moveDirEdit->text());
        m_strOutputFile = S(m_ui->outputFileEdit->text());
        m_bKeepBookmarks = m_ui->keepBookmarksCheck->isChecked() ? 1 : 0;
        m_bAddFilenameBookmark = m_ui->filenameBookmarkCheck->isChecked() ? 1 : 0;
        m_bUseSameParams = m_ui->useSameParamsCheck->isChecked() ? 1 : 0;
        m_bCreate = m_ui->createRadio->isChecked();
        m_bAppend = m_ui->appendRadio->isChecked();
        return;
    }
    m_ui->filenameEdit->setText(Q(m_strFilename));
    m_ui->pagesEdit->setText(QString::number(m_nPages));
    m_ui->paramsEdit->setText(Q(m_strParams));
    m_ui->moveDirEdit->setText(Q(m_strMoveDir));
    m_ui->outputFileEdit->setText(Q(m_strOutputFile));
    m_ui->keepBookmarksCheck->setChecked(m_bKeepBookmarks != 0);
    m_ui->filenameBookmarkCheck->setChecked(m_bAddFilenameBookmark != 0);
    m_ui->useSameParamsCheck->setChecked(m_bUseSameParams != 0);
    // Two radio buttons of one group: clearing both needs the group's
    // exclusivity lifted for a moment.
    m_ui->appendRadio->setAutoExclusive(false);
    m_ui->createRadio->setAutoExclusive(false);
    m_ui->appendRadio->setChecked(m_bAppend);
    m_ui->createRadio->setChecked(m_bCreate);
    m_ui->appendRadio->setAutoExclusive(true);
    m_ui->createRadio->setAutoExclusive(true);
}

void CAppendParamsDlg::OnInitDialog() {
    UpdateData(false);
    m_bCreate = false;
    m_bAppend = false;
    if (m_strCreate == "Y")
        m_bCreate = true;
    else
        m_bAppend = true;
    m_bKeepBookmarks = m_strKeepBookmarks == "N" ? 0 : 1;
    m_bAddFilenameBookmark = m_strBookmarkFilename == "Y" ? 1 : 0;
    UpdateData(false);
    m_ui->paramsEdit->setFocus();
}

int CAppendParamsDlg::DoModal() {
    OnInitDialog();
    if (m_pShowParamsBox && !*m_pShowParamsBox) {
        // Confirms itself with the values of its previous use; only values
        // that do not validate bring the dialog up.
        if (OnSaveAndExit())
            return 1;
    }
    // In front even when the files were dropped from another program.
    QTimer::singleShot(0, this, [this] {
        raise();
        activateWindow();
    });
    return exec();
}

bool CAppendParamsDlg::OnSaveAndExit() {
    UpdateData(true);
    UpdateData(false);
    m_strCreate = m_bCreate ? "Y" : "N";
    m_strKeepBookmarks = m_bKeepBookmarks == 1 ? "Y" : "N";
    m_strBookmarkFilename = m_bAddFilenameBookmark == 1 ? "Y" : "N";
    if (!ValidateAppendParameters(m_strOutputFile, m_strParams, m_nPages, m_prompt))
        return false;
    if (isVisible())
        done(1);
    else
        setResult(1);
    return true;
}

void CAppendParamsDlg::OnAppendMode() {
    UpdateData(true);
    m_bAppend = true;
    m_bCreate = false;
    m_strAppend = "Y";
    UpdateData(false);
}

void CAppendParamsDlg::OnCreateMode() {
    UpdateData(true);
    m_bCreate = true;
    m_bAppend = false;
    m_strCreate = "Y";
    UpdateData(false);
}

void CAppendParamsDlg::OnKeepBookmarks() {
    UpdateData(true);
    m_bAddFilenameBookmark = 0;
    UpdateData(false);
}

void CAppendParamsDlg::OnFilenameBookmark() {
    UpdateData(true);
    m_bKeepBookmarks = 0;
    UpdateData(false);
}

void CAppendParamsDlg::OnUseSameParams() {
    UpdateData(true);
}

void CAppendParamsDlg::OnBrowseMoveDir() {
    const std::string folder = m_prompt.ChooseFolder(
        "Move To Directory...", "Please choose your directory to move to after append...",
        S(m_ui->moveDirEdit->text()));
    if (!folder.empty())
        m_ui->moveDirEdit->setText(Q(folder));
}

void CAppendParamsDlg::OnBrowseOutputFile() {
    UpdateData(true);
    UpdateData(false);
    FileDialogRequest request;
    request.title = "Append To PDF File or New PDF File";
    request.filters = {{"*.pdf", "*.pdf"}, {"All Files *.*", "*"}};
    request.defaultExtension = "PDF";
    const std::string chosen = m_prompt.ChooseSaveFile(request);
    if (chosen.empty())
        return;
    m_strOutputFile = chosen;
    UpdateData(false);
}

void CAppendParamsDlg::OnHelp() {
    ShowHelp(this, kHelpContext);
}

void CAppendParamsDlg::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        done(2);
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace quorvel
