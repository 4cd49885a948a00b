#include "bulk/ui/ScanningDlg.h"

#include "ui_ScanningDlg.h"

namespace quorvel {

CScanningDlg::CScanningDlg(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      m_ui(std::make_unique<Ui::ScanningDlg>()) {
    m_ui->setupUi(this);
    setModal(false);
    connect(m_ui->stopButton, &QPushButton::clicked, this, &CScanningDlg::OnStop);
}

CScanningDlg::~CScanningDlg() = default;

void CScanningDlg::Create() {
    m_bStop = false;
    UpdateData(false);
    show();
}

void CScanningDlg::SetFolder(const std::string& folder) {
    // The walk shows its folder before every entry; the box is repainted
    // only when the folder changes.
    if (folder == m_strFolder && isVisible())
        return;
    m_strFolder = folder;
    UpdateData(false);
}

void CScanningDlg::UpdateData(bool bSaveAndValidate) {
    if (bSaveAndValidate)
        m_strFolder = m_ui->folderEdit->text().toStdString();
    else
        m_ui->folderEdit->setText(QString::fromStdString(m_strFolder));
}

void CScanningDlg::OnStop() {
    m_bStop = true;
    hide();
}

} // namespace quorvel
