#include "bulk/ui/BulkPartNameDlg.h"

#include "bulk/BulkMessages.h"
#include "bulk/IntegerField.h"

#include "ui_BulkPartNameDlg.h"

#include <QDir>

namespace quorvel {

CBulkPartNameDlg::CBulkPartNameDlg(IMessageHost& messages, IFileChooser& chooser, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::BulkPartNameDlg>()), m_messages(messages),
      m_chooser(chooser) {
    m_strOutputDir = QDir::homePath().toStdString();
    m_ui->setupUi(this);
    connect(m_ui->okButton, &QPushButton::clicked, this, &CBulkPartNameDlg::OnOK);
    connect(m_ui->cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_ui->browseButton, &QPushButton::clicked, this, &CBulkPartNameDlg::OnBrowseOutputDir);
}

CBulkPartNameDlg::~CBulkPartNameDlg() = default;

int CBulkPartNameDlg::DoModal() {
    UpdateData(false);
    return exec() == QDialog::Accepted ? 1 : 0;
}

bool CBulkPartNameDlg::UpdateData(bool bSaveAndValidate) {
    if (!bSaveAndValidate) {
        m_ui->firstCharsEdit->setText(QString::number(m_nFirstChars));
        m_ui->outputDirEdit->setText(QString::fromStdString(m_strOutputDir));
        return true;
    }
    if (!ParseIntegerField(m_ui->firstCharsEdit->text().toStdString(), m_nFirstChars)) {
        m_messages.MessageBox(BulkText::kEnterInteger, kAppName, MsgButtons::Ok, MsgIcon::Warning);
        m_ui->firstCharsEdit->setFocus();
        m_ui->firstCharsEdit->selectAll();
        return false;
    }
    m_strOutputDir = m_ui->outputDirEdit->text().toStdString();
    return true;
}

void CBulkPartNameDlg::OnOK() {
    if (UpdateData(true))
        accept();
}

void CBulkPartNameDlg::OnBrowseOutputDir() {
    UpdateData(true);
    const std::string folder =
        m_chooser.ChooseFolder(BulkText::kOutputDirCaption, BulkText::kOutputDirTitle,
                               m_ui->outputDirEdit->text().toStdString());
    if (!folder.empty())
        m_ui->outputDirEdit->setText(QString::fromStdString(folder));
    UpdateData(true);
}

} // namespace quorvel
