// The main window's batch file and sort commands.
#include "app/BatchFile.h"
#include "app/BatchMessages.h"
#include "app/ui/AppendMainDlg.h"
#include "support/SortRows.h"

namespace quorvel {

namespace {

FileDialogRequest BatchDialog(const char* title) {
    FileDialogRequest request;
    request.title = title;
    // "All Files" lists every file, names without a dot included.
    request.filters = {{kBatchFilterApp, kBatchFilterAppPattern}, {kBatchFilterAll, "*"}};
    request.defaultExtension = kBatchDefaultExtension;
    return request;
}

} // namespace

void CAppendMainDlg::SortOnColumn(int column, bool ascending) {
    SortRowsByColumn(*m_pJobs, column, ascending);
}

void CAppendMainDlg::LoadBatchFile() {
    m_pJobs->DeleteAll();
    const std::string path = m_pPrompt->ChooseOpenFile(BatchDialog(kLoadBatchTitle));
    m_nTotalItems = m_pJobs->RowCount();
    RefreshTotalItems();
    if (path.empty())
        return;
    m_strBatchFile = path;
    ReadBatchFile(m_strBatchFile);
}

void CAppendMainDlg::AppendBatchFile() {
    const std::string path = m_pPrompt->ChooseOpenFile(BatchDialog(kAppendBatchTitle));
    if (path.empty())
        return;
    m_strBatchFile = path;
    ReadBatchFile(m_strBatchFile);
}

void CAppendMainDlg::SaveBatchFile() {
    if (m_pJobs->RowCount() == 0) {
        m_pPrompt->MessageBox(kNoFilesToSave, kSaveErrorCaption);
        return;
    }
    if (m_strBatchFile.empty())
        m_strBatchFile = kDefaultBatchFile;
    WriteBatchFile(m_strBatchFile);
}

void CAppendMainDlg::SaveBatchFileAs() {
    if (m_pJobs->RowCount() == 0) {
        m_pPrompt->MessageBox(kNoFilesToSave, kSaveErrorCaption);
        return;
    }
    const std::string path = m_pPrompt->ChooseSaveFile(BatchDialog(kSaveBatchAsTitle));
    if (path.empty())
        return;
    m_strBatchFile = path;
    UpdateTitle();
    WriteBatchFile(m_strBatchFile);
}

void CAppendMainDlg::ReadBatchFile(const std::string& path) {
    // Copied: the entries' dialogs may let another command change the member.
    const std::string file = path;
    m_strBatchFile = file;
    UpdateTitle();
    const bool read =
        quorvel::ReadBatchFile(file, [this](const JobEntryFields& fields) { AddJobEntry(fields); });
    if (!read)
        m_pPrompt->MessageBox(file, kCantReadBatchCaption);
    m_nTotalItems = m_pJobs->RowCount();
    RefreshTotalItems();
}

void CAppendMainDlg::WriteBatchFile(const std::string& path) {
    std::vector<std::string> unsaved;
    if (!quorvel::WriteBatchFile(*m_pJobs, path, &unsaved)) {
        m_pPrompt->MessageBox(path, kCantWriteBatchCaption);
        return;
    }
    UpdateTitle();
    if (!unsaved.empty())
        m_pPrompt->MessageBox(UnsavedRowsText(unsaved), kUnsavedRowsCaption);
    m_pPrompt->MessageBox(path, kBatchSavedCaption);
}

void CAppendMainDlg::UpdateTitle() {
    setWindowTitle(QString::fromLatin1(kBatchTitlePrefix) + QString::fromStdString(m_strBatchFile) +
                   QString::fromLatin1(kBatchTitleSuffix));
}

} // namespace quorvel
