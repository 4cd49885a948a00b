#pragma once

#include "app/FileChooser.h"
#include "app/JobEntry.h"
#include "engine/JobList.h"
#include "engine/MessageHost.h"

#include <string>
#include <vector>

class QWidget;

namespace quorvel {

class CBulkGroupDlg;
class CBulkListDlg;
class CBulkOneOutputDlg;
class CBulkPartNameDlg;
class CScanningDlg;

// The main window as the bulk loads see it.
class IBulkLoadHost {
public:
    virtual ~IBulkLoadHost() = default;
    virtual IJobList& Jobs() = 0;
    // The window's AddJobEntry: 1 when added, -1 when the name was refused.
    virtual int AddJobEntry(const JobEntryFields& fields) = 0;
    // Message boxes, and the file and folder dialogs of the commands.
    virtual IMessageHost& Messages() = 0;
    virtual IFileChooser& Chooser() = 0;
    // Sets m_nTotalItems and refreshes the count box.
    virtual void SetTotalItems(int total) = 0;
    // Owner of the Scanning window.
    virtual QWidget* MainWindow() = 0;
    // The Scanning window of the walk under way, null when none is: while it
    // is set, the window keeps the commands that change the job list
    // disabled, and may set its m_bStop (for example when closing).
    virtual void SetScanningDlg(CScanningDlg* /*dlg*/) {}
    virtual void RepaintNow() {}
    // Fits the Filename column to its names; rows before `fromRow` are
    // already fitted (0: measure them all).
    virtual void AutosizeFilenameColumn(int /*fromRow*/) {}
    // Lets the window handle pending events (the Stop button among them).
    virtual void PumpOneMessage();
    // The list-file load lets events in between its entries: while it runs
    // the window keeps the commands that change the job list and "Append
    // Files" off, as during a walk.
    virtual void SetLoading(bool /*loading*/) {}
    // True once the window is closing: a load adds no further entry.
    virtual bool Closing() { return false; }
    // The files a walk will offer next (IScanHost::FilesAhead).
    virtual void FilesAhead(const std::vector<std::string>& /*paths*/) {}
};

// The four bulk load commands of the File menu. Each empties the job list
// first (so cancelling any step leaves it empty), runs its dialog, and fills
// the list again; the dialog objects keep their values between uses.
void OnBulkLoadGrouping(IBulkLoadHost& host, CBulkGroupDlg& dlg);
void OnBulkLoadOneOutput(IBulkLoadHost& host, CBulkOneOutputDlg& dlg);
void OnBulkLoadPartName(IBulkLoadHost& host, CBulkPartNameDlg& dlg);
void OnBulkLoadList(IBulkLoadHost& host, CBulkListDlg& dlg);

} // namespace quorvel
