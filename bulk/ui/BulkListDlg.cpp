#include "bulk/ui/BulkListDlg.h"

#include "bulk/BulkMessages.h"
#include "bulk/ui/BulkOneOutputDlg.h"

#include "ui_BulkListDlg.h"

namespace quorvel {

FileDialogRequest ListFileRequest() {
    FileDialogRequest request;
    request.title = BulkText::kListFileTitle;
    request.filters = {
        {"*.job", "*.job"}, {"*.lst", "*.lst"}, {"*.txt", "*.txt"}, {"All Files *.*", "*"}};
    // No default extension: the file must exist, and a list file may have
    // none; adding one would make such a file impossible to pick.
    return request;
}

CBulkListDlg::CBulkListDlg(IFileChooser& chooser, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::BulkListDlg>()), m_chooser(chooser) {
    m_ui->setupUi(this);
    connect(m_ui->okButton, &QPushButton::clicked, this, &CBulkListDlg::OnOK);
    connect(m_ui->cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_ui->browseOutputButton, &QPushButton::clicked, this,
            &CBulkListDlg::OnBrowseOutputFile);
    connect(m_ui->browseListButton, &QPushButton::clicked, this, &CBulkListDlg::OnBrowseListFile);
}

CBulkListDlg::~CBulkListDlg() = default;

int CBulkListDlg::DoModal() {
    UpdateData(false);
    return exec() == QDialog::Accepted ? 1 : 0;
}

void CBulkListDlg::UpdateData(bool bSaveAndValidate) {
    if (bSaveAndValidate) {
        m_strListFile = m_ui->listFileEdit->text().toStdString();
        m_strOutputFile = m_ui->outputFileEdit->text().toStdString();
        m_bRemoveExisting = m_ui->removeExistingCheck->isChecked() ? 1 : 0;
    } else {
        m_ui->listFileEdit->setText(QString::fromStdString(m_strListFile));
        m_ui->outputFileEdit->setText(QString::fromStdString(m_strOutputFile));
        m_ui->removeExistingCheck->setChecked(m_bRemoveExisting != 0);
    }
}

void CBulkListDlg::OnOK() {
    UpdateData(true);
    accept();
}

void CBulkListDlg::OnBrowseOutputFile() {
    UpdateData(true);
    UpdateData(false);
    const std::string chosen = m_chooser.ChooseSaveFile(AppendToFileRequest());
    if (chosen.empty())
        return;
    m_strOutputFile = chosen;
    UpdateData(false);
}

void CBulkListDlg::OnBrowseListFile() {
    UpdateData(true);
    UpdateData(false);
    const std::string chosen = m_chooser.ChooseOpenFile(ListFileRequest());
    if (chosen.empty())
        return;
    m_strListFile = chosen;
    UpdateData(false);
}

} // namespace quorvel
