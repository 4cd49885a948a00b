// The main window's batch file and sort commands.
#include "app/ui/AppendMainDlg.h"

namespace quorvel {

void CAppendMainDlg::SortOnColumn(int /*column*/, bool /*ascending*/) {}

void CAppendMainDlg::LoadBatchFile() {}

void CAppendMainDlg::AppendBatchFile() {}

void CAppendMainDlg::SaveBatchFile() {}

void CAppendMainDlg::SaveBatchFileAs() {}

void CAppendMainDlg::ReadBatchFile(const std::string& /*path*/) {}

void CAppendMainDlg::WriteBatchFile(const std::string& /*path*/) {}

void CAppendMainDlg::UpdateTitle() {
    setWindowTitle(QStringLiteral("Quorvel  [") + QString::fromStdString(m_strBatchFile) +
                   QStringLiteral("]"));
}

} // namespace quorvel
