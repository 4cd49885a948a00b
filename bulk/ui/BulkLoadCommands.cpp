#include "bulk/ui/BulkLoadCommands.h"

#include "bulk/BulkListLoad.h"
#include "bulk/BulkMessages.h"
#include "bulk/FolderWalk.h"
#include "bulk/ListFile.h"
#include "bulk/ui/BulkGroupDlg.h"
#include "bulk/ui/BulkListDlg.h"
#include "bulk/ui/BulkOneOutputDlg.h"
#include "bulk/ui/BulkPartNameDlg.h"
#include "bulk/ui/ScanningDlg.h"

#include <QCoreApplication>
#include <QDir>

#include <functional>

namespace quorvel {

void IBulkLoadHost::PumpOneMessage() {
    QCoreApplication::processEvents();
}

namespace {

// Connects a folder walk to the window: the Scanning window's stop request
// and folder display, the window's pump, repaint and column resize.
class CWindowScanHost : public IScanHost {
public:
    CWindowScanHost(IBulkLoadHost& host, CScanningDlg& dlg) : m_host(host), m_dlg(dlg) {}
    bool StopRequested() override { return m_dlg.m_bStop; }
    void ShowFolder(const std::string& folder) override { m_dlg.SetFolder(folder); }
    void PumpOneMessage() override { m_host.PumpOneMessage(); }
    void RepaintMainWindow() override { m_host.RepaintNow(); }
    // While a walk runs only the walk changes the job list, and only by
    // adding rows: the rows fitted before keep their widths, so only the new
    // ones are measured, and a folder that added nothing measures nothing.
    void AutosizeFilenameColumn() override {
        const int rows = m_host.Jobs().RowCount();
        if (rows == m_nRowsAtAutosize)
            return;
        m_host.AutosizeFilenameColumn(m_nRowsAtAutosize < 0 ? 0 : m_nRowsAtAutosize);
        m_nRowsAtAutosize = rows;
    }
    int AddJobEntry(const JobEntryFields& fields) override { return m_host.AddJobEntry(fields); }
    void FilesAhead(const std::vector<std::string>& paths) override { m_host.FilesAhead(paths); }

private:
    IBulkLoadHost& m_host;
    CScanningDlg& m_dlg;
    int m_nRowsAtAutosize = -1; // -1: not sized during this walk yet
};

void ClearJobList(IBulkLoadHost& host) {
    host.Jobs().DeleteAll();
    host.SetTotalItems(0);
}

// Asks for the folder to scan; empty when the user cancelled.
std::string ChooseFolderToScan(IBulkLoadHost& host) {
    const std::string folder = host.Chooser().ChooseFolder(
        BulkText::kLoadCaption, BulkText::kLoadTitle, QDir::homePath().toStdString());
    return folder.empty() ? folder : RemoveTrailingSeparators(folder);
}

// Runs one walk under the Scanning window, then shows the new total and
// "Bulk Files Loaded" (also after Stop and when nothing was found).
void RunWalk(IBulkLoadHost& host, const std::string& folder,
             const std::function<void(IScanHost&)>& walk) {
    {
        CScanningDlg scanning(host.MainWindow());
        scanning.Create();
        scanning.SetFolder(folder);
        host.SetScanningDlg(&scanning);
        CWindowScanHost scanHost(host, scanning);
        walk(scanHost);
        host.FilesAhead({});
        host.SetScanningDlg(nullptr);
    }
    host.SetTotalItems(host.Jobs().RowCount());
    host.Messages().MessageBox(BulkText::kBulkFilesLoaded, kAppName, MsgButtons::Ok,
                               MsgIcon::Warning);
}

// The three folder loads: the list is cleared, the dialog asks for its
// settings, then a folder is chosen and walked with them.
template <class Dialog>
void LoadFolder(IBulkLoadHost& host, Dialog& dlg,
                const std::function<void(IScanHost&, const std::string&)>& walk) {
    ClearJobList(host);
    if (dlg.DoModal() == 0)
        return;
    const std::string folder = ChooseFolderToScan(host);
    if (folder.empty())
        return;
    RunWalk(host, folder, [&](IScanHost& scan) { walk(scan, folder); });
}

} // namespace

void OnBulkLoadGrouping(IBulkLoadHost& host, CBulkGroupDlg& dlg) {
    LoadFolder(host, dlg, [&](IScanHost& scan, const std::string& folder) {
        ScanFolderGrouped(scan, folder, kPdfExtension, 1, dlg.m_strOutputDir, dlg.m_strSuffix);
    });
}

void OnBulkLoadOneOutput(IBulkLoadHost& host, CBulkOneOutputDlg& dlg) {
    LoadFolder(host, dlg, [&](IScanHost& scan, const std::string& folder) {
        ScanFolderOneOutput(scan, folder, kPdfExtension, 1, dlg.m_strContainsText,
                            dlg.m_strOutputFile, dlg.m_bRemoveExisting != 0);
    });
}

void OnBulkLoadPartName(IBulkLoadHost& host, CBulkPartNameDlg& dlg) {
    LoadFolder(host, dlg, [&](IScanHost& scan, const std::string& folder) {
        ScanFolderPartName(scan, folder, kPdfExtension, 1, dlg.m_nFirstChars, dlg.m_strOutputDir);
    });
}

void OnBulkLoadList(IBulkLoadHost& host, CBulkListDlg& dlg) {
    ClearJobList(host);
    if (dlg.DoModal() == 0)
        return;
    host.SetLoading(true);
    // Repaints what the dialog covered before the first file is counted.
    host.PumpOneMessage();
    const bool read = LoadBulkList(
        dlg.m_strListFile, dlg.m_strOutputFile, dlg.m_bRemoveExisting != 0, host.Jobs(),
        [&](const JobEntryFields& fields) {
            // Each entry shows as it is added; a Close ends the load there.
            if (host.Closing())
                return -1;
            const int added = host.AddJobEntry(fields);
            host.PumpOneMessage();
            return added;
        },
        host.Messages());
    host.SetLoading(false);
    if (!read)
        return;
    host.SetTotalItems(host.Jobs().RowCount());
    host.Messages().MessageBox(kBulkListLoaded, kAppName, MsgButtons::Ok, MsgIcon::Warning);
}

} // namespace quorvel
