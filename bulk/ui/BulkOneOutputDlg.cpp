#include "bulk/ui/BulkOneOutputDlg.h"

#include "bulk/BulkMessages.h"

#include "ui_BulkOneOutputDlg.h"

namespace quorvel {

FileDialogRequest AppendToFileRequest() {
    FileDialogRequest request;
    request.title = BulkText::kAppendToFileTitle;
    request.filters = {{"*.pdf", "*.pdf"}, {"All Files *.*", "*"}};
    request.defaultExtension = "PDF";
    return request;
}

CBulkOneOutputDlg::CBulkOneOutputDlg(IFileChooser& chooser, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::BulkOneOutputDlg>()), m_chooser(chooser) {
    m_ui->setupUi(this);
    connect(m_ui->okButton, &QPushButton::clicked, this, &CBulkOneOutputDlg::OnOK);
    connect(m_ui->cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_ui->browseButton, &QPushButton::clicked, this,
            &CBulkOneOutputDlg::OnBrowseOutputFile);
    connect(m_ui->removeExistingCheck, &QCheckBox::clicked, this, [this] { UpdateData(true); });
}

CBulkOneOutputDlg::~CBulkOneOutputDlg() = default;

int CBulkOneOutputDlg::DoModal() {
    UpdateData(false);
    return exec() == QDialog::Accepted ? 1 : 0;
}

void CBulkOneOutputDlg::UpdateData(bool bSaveAndValidate) {
    if (bSaveAndValidate) {
        m_strOutputFile = m_ui->outputFileEdit->text().toStdString();
        m_strContainsText = m_ui->containsEdit->text().toStdString();
        m_bRemoveExisting = m_ui->removeExistingCheck->isChecked() ? 1 : 0;
    } else {
        m_ui->outputFileEdit->setText(QString::fromStdString(m_strOutputFile));
        m_ui->containsEdit->setText(QString::fromStdString(m_strContainsText));
        m_ui->removeExistingCheck->setChecked(m_bRemoveExisting != 0);
    }
}

void CBulkOneOutputDlg::OnOK() {
    UpdateData(true);
    accept();
}

void CBulkOneOutputDlg::OnBrowseOutputFile() {
    UpdateData(true);
    UpdateData(false);
    const std::string chosen = m_chooser.ChooseSaveFile(AppendToFileRequest());
    if (chosen.empty())
        return;
    m_strOutputFile = chosen;
    UpdateData(false);
}

} // namespace quorvel
