// The main window's bulk-load commands: the window as the host of the four
// commands, and the dialogs they keep between uses.

#include "app/ui/AppendMainDlg.h"

#include "bulk/ui/BulkGroupDlg.h"
#include "bulk/ui/BulkListDlg.h"
#include "bulk/ui/BulkLoadCommands.h"
#include "bulk/ui/BulkOneOutputDlg.h"
#include "bulk/ui/BulkPartNameDlg.h"
#include "bulk/ui/ScanningDlg.h"
#include "ui_AppendMainDlg.h"

#include <QTableView>

#include <algorithm>
#include <optional>

namespace quorvel {

struct CAppendMainDlg::BulkDialogs {
    BulkDialogs(IPromptHost& prompt, QWidget* owner)
        : group(prompt, owner), oneOutput(prompt, owner), partName(prompt, prompt, owner),
          list(prompt, owner) {}
    CBulkGroupDlg group;
    CBulkOneOutputDlg oneOutput;
    CBulkPartNameDlg partName;
    CBulkListDlg list;
};

namespace {

class CMainBulkHost : public IBulkLoadHost {
public:
    explicit CMainBulkHost(CAppendMainDlg& dlg) : m_dlg(dlg) {}
    IJobList& Jobs() override { return m_dlg.JobList(); }
    int AddJobEntry(const JobEntryFields& fields) override { return m_dlg.AddJobEntry(fields); }
    // The window's own boxes, which stay shut once it is closing.
    IMessageHost& Messages() override { return static_cast<IAppendHost&>(m_dlg); }
    IFileChooser& Chooser() override { return m_dlg.Prompt(); }
    void SetTotalItems(int total) override {
        m_dlg.m_nTotalItems = total;
        m_dlg.RefreshTotalItems();
    }
    QWidget* MainWindow() override { return &m_dlg; }
    void SetScanningDlg(CScanningDlg* dlg) override { m_dlg.SetScanningDlg(dlg); }
    void RepaintNow() override { m_dlg.RepaintNow(); }
    void AutosizeFilenameColumn(int fromRow) override { m_dlg.FitFilenameColumn(fromRow); }
    void PumpOneMessage() override { m_dlg.PumpOneMessage(); }
    void SetLoading(bool loading) override {
        if (loading)
            m_loading.emplace(m_dlg, true);
        else
            m_loading.reset();
    }
    bool Closing() override { return m_dlg.IsClosing(); }

private:
    CAppendMainDlg& m_dlg;
    std::optional<CAppendMainDlg::CWorkScope> m_loading;
};

} // namespace

void CAppendMainDlg::SetScanningDlg(CScanningDlg* dlg) {
    m_pScanningDlg = dlg;
    // The job list must not change under the walk, and a run started from
    // inside it would work on a list that is still growing.
    UpdateCommandsEnabled();
}

void CAppendMainDlg::FitFilenameColumn(int fromRow) {
    QTableView* view = JobListView();
    m_pJobs->FlushInserts();
    if (fromRow <= 0 || m_nFitWidth < 0 || fromRow > m_pJobs->RowCount()) {
        view->resizeColumnToContents(Filename);
        m_nFitWidth = view->columnWidth(Filename);
        return;
    }
    // The rows before `fromRow` fitted in m_nFitWidth; a new row can only
    // make the column wider. Measured as the view measures for its fit: the
    // delegate's width, plus the grid line.
    int width = m_nFitWidth;
    const int grid = view->showGrid() ? 1 : 0;
    for (int row = fromRow; row < m_pJobs->RowCount(); ++row)
        width =
            std::max(width, view->sizeHintForIndex(m_pJobs->index(row, Filename)).width() + grid);
    m_nFitWidth = width;
    if (view->columnWidth(Filename) != width)
        view->setColumnWidth(Filename, width);
}

void CAppendMainDlg::OnBulkLoad(int commandId) {
    if (!m_pBulkDialogs)
        m_pBulkDialogs = std::make_shared<BulkDialogs>(*m_pPrompt, this);
    CMainBulkHost host(*this);
    CPasswordBatch passwordBatch(m_passwords);
    switch (commandId) {
    case Cmd::kBulkLoadGrouping:
        OnBulkLoadGrouping(host, m_pBulkDialogs->group);
        break;
    case Cmd::kBulkLoadToOne:
        OnBulkLoadOneOutput(host, m_pBulkDialogs->oneOutput);
        break;
    case Cmd::kBulkLoadPartFilename:
        OnBulkLoadPartName(host, m_pBulkDialogs->partName);
        break;
    case Cmd::kBulkLoadListFile:
        OnBulkLoadList(host, m_pBulkDialogs->list);
        break;
    default:
        break;
    }
}

} // namespace quorvel
