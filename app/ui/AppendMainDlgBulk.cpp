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

#include <QFontMetrics>
#include <QHash>
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
    void FilesAhead(const std::vector<std::string>& paths) override { m_dlg.SetFilesAhead(paths); }

private:
    CAppendMainDlg& m_dlg;
    std::optional<CAppendMainDlg::CWorkScope> m_loading;
};

} // namespace

namespace {

// True when all ten digits of the font are equally wide.
bool HasTabularDigits(const QFontMetrics& metrics) {
    const int zero = metrics.horizontalAdvance(QLatin1Char('0'));
    for (char digit = '1'; digit <= '9'; ++digit) {
        if (metrics.horizontalAdvance(QLatin1Char(digit)) != zero)
            return false;
    }
    return true;
}

// `text` with every ASCII digit turned into 0; `digits` counts them.
QString DigitsAsZero(QString text, int& digits) {
    for (QChar& c : text) {
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) {
            c = QLatin1Char('0');
            ++digits;
        }
    }
    return text;
}

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
    //
    // Names that differ only in their digits (scan0001.pdf, scan0002.pdf)
    // are as wide as each other when the font's digits are: one of them is
    // measured, and the others only when that width comes within a pixel per
    // digit (kerning) of the widest name.
    int width = m_nFitWidth;
    const int grid = view->showGrid() ? 1 : 0;
    const bool tabular = HasTabularDigits(view->fontMetrics());
    QHash<QString, int> widthByShape;
    for (int row = fromRow; row < m_pJobs->RowCount(); ++row) {
        const QModelIndex index = m_pJobs->index(row, Filename);
        const auto measure = [&] { return view->sizeHintForIndex(index).width() + grid; };
        if (!tabular) {
            width = std::max(width, measure());
            continue;
        }
        int digits = 0;
        const QString shape = DigitsAsZero(index.data().toString(), digits);
        const auto known = widthByShape.constFind(shape);
        if (known == widthByShape.constEnd())
            width = std::max(width, widthByShape[shape] = measure());
        else if (*known + digits >= width)
            width = std::max(width, measure());
    }
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
