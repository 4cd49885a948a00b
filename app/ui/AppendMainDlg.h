#pragma once

#include "app/JobEntry.h"
#include "app/ui/AppendParamsDlg.h"
#include "app/ui/FileIconList.h"
#include "app/ui/JobListModel.h"
#include "app/ui/PaintPacer.h"
#include "app/ui/PromptHost.h"
#include "docserver/PageCountAhead.h"
#include "engine/AppendHost.h"
#include "engine/AppendRunState.h"
#include "engine/Automation.h"
#include "engine/Settings.h"
#include "engine/SourcePasswords.h"
#include "engine/Watchdog.h"
#include "support/AppendLog.h"
#include "support/SupportPrompt.h"
#include "support/ui/SetupDlg.h"

#include <QDialog>
#include <QHash>
#include <QTimer>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QMenu;
class QMenuBar;
class QShortcut;
class QTableView;

namespace Ui {
class AppendMainDlg;
}

namespace quorvel {

class CAcrobatConnectDlg;
class CScanningDlg;
class CServerBusyWait;

// Command ids of the main window's menus, buttons, keys and context menu.
namespace Cmd {
inline constexpr int kBulkLoadGrouping = 32806;
inline constexpr int kBulkLoadToOne = 32808;
inline constexpr int kBulkLoadPartFilename = 32809;
inline constexpr int kBulkLoadListFile = 32810;
inline constexpr int kLoadBatchFile = 32775;
inline constexpr int kAppendBatchFile = 32776;
inline constexpr int kSaveBatchFile = 32777;
inline constexpr int kSaveBatchFileAs = 32778;
inline constexpr int kExit = 32779;
inline constexpr int kSetup = 32798;
inline constexpr int kAlwaysShowParams = 32802;
inline constexpr int kUpdateSelection = 32803;
inline constexpr int kDeleteSelection = 32785;
inline constexpr int kClearAll = 32786;
inline constexpr int kMoveUp = 32787;
inline constexpr int kMoveDown = 32788;
inline constexpr int kSortFilename = 32789;
inline constexpr int kReverseSortFilename = 32807;
inline constexpr int kRefreshPageCounts = 32790;
inline constexpr int kRefreshAll = 32791;
inline constexpr int kViewLog = 32792;
inline constexpr int kClearLog = 32793;
inline constexpr int kExportLog = 32805;
inline constexpr int kWebsite = 32795;
inline constexpr int kHtmlHelp = 32796;
inline constexpr int kBugReport = 32797;
inline constexpr int kAbout = 16;
inline constexpr int kKeyMoveUp = 32799;
inline constexpr int kKeyDelete = 32800;
inline constexpr int kKeyMoveDown = 32801;
inline constexpr int kCtxUpdateItem = 32771;
inline constexpr int kCtxMoveUp = 32772;
inline constexpr int kCtxMoveDown = 32773;
inline constexpr int kCtxDeleteItem = 32774;
} // namespace Cmd

inline constexpr const char* kMainCaption =
    "Quorvel Desktop Edition v1.15   -= By Brellwick Software =-";
inline constexpr const char* kSelectItemFirst = "Please select item first";
inline constexpr int kMainHelpContext = 131174;

// The main window: holds the job list for the life of the process and reaches
// every other part of the program through its commands.
class CAppendMainDlg : public QDialog,
                       public IAppendHost,
                       private IAddJobHost,
                       private IPasswordProvider {
    Q_OBJECT
    // Declared first: the parameters dialog below is built on the prompt.
    std::unique_ptr<CQtPromptHost> m_pOwnPrompt;
    IPromptHost* m_pPrompt;

public:
    // `prompt` answers message boxes and file dialogs; null: real dialogs.
    explicit CAppendMainDlg(IPromptHost* prompt = nullptr, QWidget* parent = nullptr);
    ~CAppendMainDlg() override;

    // The part of the start-up that touches files and threads: opens the
    // append log, reads the settings, schedules the splash and starts the
    // watchdog. Stops after the log message when the log cannot be opened.
    void OnInitDialog();
    // The document server the append run and the page-count fallback use;
    // tests plug in their own before adding entries.
    void SetAutomationFactory(std::shared_ptr<IAutomationFactory> factory);
    const std::shared_ptr<IAutomationFactory>& AutomationFactory() const { return m_pFactory; }
    // Who answers the log, link and bug report commands; null: real dialogs.
    void SetSupportPrompt(ISupportPrompt* prompt);
    // OnInitDialog, then runs the window until it is closed.
    int DoModal();

    CJobListModel& JobList() { return *m_pJobs; }
    QTableView* JobListView() const;
    QAction* CommandAction(int commandId) const;
    QMenuBar* MenuBar() const { return m_pMenuBar; }
    IPromptHost& Prompt() { return *m_pPrompt; }

    // Adds one entry (refusing names without ".pdf"/".PDF"); 1 or -1.
    int AddJobEntry(const JobEntryFields& fields);
    // Adds the dropped local files that exist and are not folders. A drop
    // hands its paths over here after its event has returned.
    void AddDroppedFiles(const QStringList& paths);
    void RefreshTotalItems();

    // Job list commands.
    void UpdateItem();
    void UpdateSelection();
    void ToggleSelected();
    void ShowContextMenu(const QPoint& globalPos);
    void DeleteSelection();
    void ClearAll();
    void MoveUp();
    void MoveDown();
    void SortOnColumn(int column, bool ascending);
    void RefreshPageCounts(bool pagesFirst = true);
    void ToggleShowParamsBox();

    // Batch file commands.
    void LoadBatchFile();
    void AppendBatchFile();
    void SaveBatchFile();
    void SaveBatchFileAs();
    void ReadBatchFile(const std::string& path);
    void WriteBatchFile(const std::string& path);
    void UpdateTitle();

    void OnAppendFilesClicked();
    // Sets the stop request, lets pending events run, ends the window; ends
    // the process with code 1 when a row shows "Processing". Work under way
    // (a run, a walk, a load) ends first, at its next pump point, showing no
    // further message box; the process ends after it.
    void CloseMainWindow();
    bool IsClosing() const { return m_bClosing; }
    void LayoutControls();
    // Widens the "Total Items:" label to its text and moves the count box
    // after it, wherever the two were placed.
    void KeepTotalItemsReadable();
    void OnHelp();
    void OnAbout();
    // A run, a folder walk or a load is under way: the commands that change
    // the job list are off.
    bool IsRunning() const { return m_bRunning || m_pScanningDlg || m_nLoads > 0; }
    // Fits the Filename column to its names; rows before `fromRow` were
    // fitted by the previous call and are not measured again.
    void FitFilenameColumn(int fromRow = 0);
    // The files a folder walk will offer next; their pages are counted ahead
    // by a helper of their own while the walk adds rows. Empty: the walk is
    // over.
    void SetFilesAhead(const std::vector<std::string>& paths);
    // How many files the next batch of page counts takes, after the last
    // batch of `files` files took `elapsedMs`: about kCountBatchMs' worth, so
    // that the window stays alive between batches.
    static size_t NextCountBatch(qint64 elapsedMs, size_t files);
    static constexpr qint64 kCountBatchMs = 50;
    CPaintPacer& PaintPacer() { return *m_pPacer; }

    // Long work on the window's thread: a command, a run, a drop. While any
    // is under way the window's paints are paced and Close waits for it to
    // end. A load (`load`) also keeps the job list commands and "Append
    // Files" off, as a folder walk does, since it lets events in between
    // rows.
    class CWorkScope {
    public:
        explicit CWorkScope(CAppendMainDlg& dlg, bool load = false);
        ~CWorkScope();
        CWorkScope(const CWorkScope&) = delete;
        CWorkScope& operator=(const CWorkScope&) = delete;

    private:
        CAppendMainDlg& m_dlg;
        bool m_bLoad;
    };

    // IAppendHost
    MsgResult MessageBox(const std::string& text, const std::string& caption,
                         MsgButtons buttons = MsgButtons::Ok,
                         MsgIcon icon = MsgIcon::None) override;
    void PumpOneMessage() override;
    void ShowConnectDialog() override;
    void CloseConnectDialog() override;
    std::string GetButtonLabel() override;
    void SetButtonLabel(const std::string& label) override;
    void RepaintNow() override;
    void OwnedMessageBox(const std::string& text, const std::string& caption) override;
    void StatusChanged(int row, const std::string& status) override;
    // While a call to the document helper takes long: only Stop and Close
    // are taken, and a Stop during a run gives up on the call.
    bool PumpWhileServerBusy(int elapsedMs) override;
    void ServerCallEnded() override;
    UnlockResult UnlockFile(const std::string& path, CSecret& password) override;

    // The passwords of protected sources, asked for in the password dialog
    // and kept until the program ends.
    CSourcePasswords m_passwords;

    int m_nTotalItems = 0;
    std::string m_strBatchFile;
    bool m_bShowParamsBox = true;
    AppendRunState m_runState;
    CAppendParamsDlg m_paramsDlg;
    CAppendLog m_logFile;
    // Holds the settings read from setup.ini.
    CSetupDlg m_setupDlg;

    // Bulk loads (AppendMainDlgBulk.cpp): runs command `commandId` of the
    // four; the Scanning window of the walk under way, null when none is.
    void OnBulkLoad(int commandId);
    void SetScanningDlg(CScanningDlg* dlg);
    CScanningDlg* m_pScanningDlg = nullptr;
    std::unique_ptr<CMyThread> m_watchdog;

protected:
    // Chooses from the context menu at `globalPos`; null when nothing was
    // chosen. Tests replace it to pick an entry.
    virtual QAction* TrackPopupMenu(QMenu& menu, const QPoint& globalPos);

    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

public slots:
    void reject() override;

private:
    // IAddJobHost
    int GetPageCount(const std::string& path) override;
    void RunParamsStep(int row) override;
    // IPasswordProvider: the password dialog.
    PasswordAnswer AskPassword(const std::string& path, bool wrongBefore, bool offerSkipAll,
                               CSecret& password) override;

    void BuildMenus();
    void BuildShortcuts();
    void SetUpJobListView();
    QAction* AddCommand(QMenu* menu, const char* text, int commandId);
    void SetCommandsEnabled(bool enabled);
    // Commands that change the job list are off while a run or a bulk load
    // is under way.
    void UpdateCommandsEnabled();
    void OnCommand(int commandId);
    void ShowSplash();
    ISupportPrompt& SupportPrompt();
    // Fills m_paramsDlg from row `row`, runs it and writes the row back on OK.
    void RunParamsForRow(int row, bool fillFromRow);
    std::string OpenBatchDialog(const char* title);
    // After Close during work: ends the process when a row was "Processing".
    void FinishClose();

    std::unique_ptr<Ui::AppendMainDlg> m_ui;
    QWidget* m_pClient = nullptr;
    QMenuBar* m_pMenuBar = nullptr;
    CFileIconList m_iconList;
    CJobListModel* m_pJobs = nullptr;
    QHash<int, QAction*> m_commands;
    std::vector<QShortcut*> m_jobShortcuts;
    std::vector<QAction*> m_jobCommands;
    QTimer m_splashTimer;
    std::unique_ptr<CAcrobatConnectDlg> m_pConnectDlg;
    std::shared_ptr<IAutomationFactory> m_pFactory;
    std::unique_ptr<CServerBusyWait> m_pBusyWait;
    ISupportPrompt* m_pSupportPrompt = nullptr;
    // The four bulk-load dialogs, made at their first use and kept with the
    // window so that their fields keep their values.
    struct BulkDialogs;
    std::shared_ptr<BulkDialogs> m_pBulkDialogs;
    bool m_bRunning = false;
    CPaintPacer* m_pPacer = nullptr;
    int m_nWork = 0;  // CWorkScope nesting
    int m_nLoads = 0; // loads among them
    bool m_bClosing = false;
    bool m_bCloseWithError = false;                 // a row showed "Processing" at Close
    bool m_bShown = false;                          // first shown; resizes lay out from then on
    int m_nFitWidth = -1;                           // the Filename width the last fit gave
    std::unique_ptr<CPageCountAhead> m_pCountAhead; // of the walk under way
};

} // namespace quorvel
