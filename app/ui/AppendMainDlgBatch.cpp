// The main window's batch file and sort commands.
#include "app/BatchFile.h"
#include "app/BatchMessages.h"
#include "app/ui/AppendMainDlg.h"
#include "support/SortRows.h"

#include <QTableView>

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
    // Rows are exchanged whole, the current row with them; the view must not
    // chase it through every exchange (it would end wherever the current row
    // lands, often the bottom). The view stays where it is when the current
    // row is still in it after the sort, and shows the first row otherwise.
    QTableView* view = JobListView();
    const bool autoScroll = view->hasAutoScroll();
    view->setAutoScroll(false);
    SortRowsByColumn(*m_pJobs, column, ascending);
    view->setAutoScroll(autoScroll);
    const QModelIndex current = view->currentIndex();
    const QRect shown = view->viewport()->rect();
    if (!current.isValid() || !shown.intersects(view->visualRect(current)))
        view->scrollToTop();
}

void CAppendMainDlg::LoadBatchFile() {
    m_pJobs->DeleteAll();
    const std::string path = m_pPrompt->ChooseOpenFile(BatchDialog(kLoadBatchTitle));
    m_nTotalItems = m_pJobs->RowCount();
    RefreshTotalItems();
    if (path.empty())
        return;
    // Repaints what the file dialog covered before the first file is read.
    PumpOneMessage();
    m_strBatchFile = path;
    ReadBatchFile(m_strBatchFile);
}

void CAppendMainDlg::AppendBatchFile() {
    const std::string path = m_pPrompt->ChooseOpenFile(BatchDialog(kAppendBatchTitle));
    if (path.empty())
        return;
    PumpOneMessage();
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
    CWorkScope loading(*this, true);
    m_strBatchFile = file;
    UpdateTitle();
    CPasswordBatch passwordBatch(m_passwords);
    // Each entry shows as it is added, and events are let in after it, so
    // the window stays alive and Close ends the load (the lines after it are
    // read but not added).
    const bool read = quorvel::ReadBatchFile(file, [this](const JobEntryFields& fields) {
        if (m_bClosing)
            return;
        AddJobEntry(fields);
        PumpOneMessage();
    });
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
