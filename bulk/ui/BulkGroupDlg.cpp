#include "bulk/ui/BulkGroupDlg.h"

#include "bulk/BulkMessages.h"

#include "ui_BulkGroupDlg.h"

namespace quorvel {

CBulkGroupDlg::CBulkGroupDlg(IFileChooser& chooser, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::BulkGroupDlg>()), m_chooser(chooser) {
    m_ui->setupUi(this);
    connect(m_ui->okButton, &QPushButton::clicked, this, &CBulkGroupDlg::OnOK);
    connect(m_ui->cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_ui->browseButton, &QPushButton::clicked, this, &CBulkGroupDlg::OnBrowseOutputDir);
}

CBulkGroupDlg::~CBulkGroupDlg() = default;

int CBulkGroupDlg::DoModal() {
    UpdateData(false);
    return exec() == QDialog::Accepted ? 1 : 0;
}

void CBulkGroupDlg::UpdateData(bool bSaveAndValidate) {
    if (bSaveAndValidate) {
        m_strOutputDir = m_ui->outputDirEdit->text().toStdString();
        m_strSuffix = m_ui->suffixEdit->text().toStdString();
    } else {
        m_ui->outputDirEdit->setText(QString::fromStdString(m_strOutputDir));
        m_ui->suffixEdit->setText(QString::fromStdString(m_strSuffix));
    }
}

void CBulkGroupDlg::OnOK() {
    UpdateData(true);
    accept();
}

void CBulkGroupDlg::OnBrowseOutputDir() {
    UpdateData(true);
    const std::string folder =
        m_chooser.ChooseFolder(BulkText::kOutputDirCaption, BulkText::kOutputDirTitle,
                               m_ui->outputDirEdit->text().toStdString());
    if (!folder.empty())
        m_ui->outputDirEdit->setText(QString::fromStdString(folder));
    UpdateData(true);
}

} // namespace quorvel
