#include "app/ui/AppendMainDlg.h"

#include "app/ui/AcrobatConnectDlg.h"
#include "app/ui/FilenameDelegate.h"
#include "app/ui/PasswordDlg.h"
#include "app/ui/ServerBusyWait.h"
#include "app/ui/SplashDlg.h"
#include "app/ui/WindowServerBusyFinder.h"
#include "bulk/ui/ScanningDlg.h"
#include "docserver/OutOfProcessFactory.h"
#include "docserver/PageCountOutOfProcess.h"
#include "engine/AppendRun.h"
#include "support/BugReport.h"
#include "support/PageCountProbe.h"
#include "support/SupportCommands.h"
#include "support/ui/AboutDlg.h"
#include "support/ui/HelpWindow.h"
#include "support/ui/LinkLabel.h"
#include "support/ui/QtSupportPrompt.h"
#include "support/ui/ViewLogDlg.h"
#include "ui_AppendMainDlg.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QShortcut>
#include <QTableView>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace quorvel {

namespace {

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

// One line of the menu bar: a popup title, or an item of the last popup
// (command 0 is a separator).
struct MenuEntry {
    const char* popup; // non-null starts a new popup
    const char* text;
    int command;
};

constexpr MenuEntry kMenuTable[] = {
    {"&File", nullptr, 0},
    {nullptr, "Bulk Load (Grouping)", Cmd::kBulkLoadGrouping},
    {nullptr, "Bulk Load (To One Output)", Cmd::kBulkLoadToOne},
    {nullptr, "Bulk Load (Part Filename Grouping)", Cmd::kBulkLoadPartFilename},
    {nullptr, "Bulk Load (Use .job,.lst,.txt file to One Output)", Cmd::kBulkLoadListFile},
    {nullptr, nullptr, 0},
    {nullptr, "Load Batch File", Cmd::kLoadBatchFile},
    {nullptr, "Append Batch File", Cmd::kAppendBatchFile},
    {nullptr, nullptr, 0},
    {nullptr, "Save Batch File", Cmd::kSaveBatchFile},
    {nullptr, "SaveAs Batch File", Cmd::kSaveBatchFileAs},
    {nullptr, nullptr, 0},
    {nullptr, "&Exit", Cmd::kExit},
    {"&Options", nullptr, 0},
    {nullptr, "&Setup", Cmd::kSetup},
    {nullptr, "Always show parameters box for each file", Cmd::kAlwaysShowParams},
    {"&Actions", nullptr, 0},
    {nullptr, "Update Selection", Cmd::kUpdateSelection},
    {nullptr, "&Delete Current Selection\tDELETE", Cmd::kDeleteSelection},
    {nullptr, nullptr, 0},
    {nullptr, "&Clear ALL", Cmd::kClearAll},
    {nullptr, nullptr, 0},
    {nullptr, "Move Up\ta", Cmd::kMoveUp},
    {nullptr, "Move Down\tz", Cmd::kMoveDown},
    {"&Sort", nullptr, 0},
    {nullptr, "&Sort on filename", Cmd::kSortFilename},
    {nullptr, "Reverse Sort on Filename", Cmd::kReverseSortFilename},
    {"&Window", nullptr, 0},
    {nullptr, "&Refresh Page Counts", Cmd::kRefreshPageCounts},
    {nullptr, "Refresh ALL", Cmd::kRefreshAll},
    {"&Log", nullptr, 0},
    {nullptr, "&View Log", Cmd::kViewLog},
    {nullptr, "&Clear Log", Cmd::kClearLog},
    {nullptr, nullptr, 0},
    {nullptr, "&Export Log to CSV", Cmd::kExportLog},
    {"&Help", nullptr, 0},
    {nullptr, "Go to Website Homepage", Cmd::kWebsite},
    {nullptr, "HTML Help", Cmd::kHtmlHelp},
    {nullptr, nullptr, 0},
    {nullptr, "Email Bug/Suggestion/Comments", Cmd::kBugReport},
    {nullptr, nullptr, 0},
    {nullptr, "&About Quorvel...", Cmd::kAbout},
};

// Commands that change the job list; they are off while a run is under way.
constexpr int kJobListCommands[] = {
    Cmd::kBulkLoadGrouping,
    Cmd::kBulkLoadToOne,
    Cmd::kBulkLoadPartFilename,
    Cmd::kBulkLoadListFile,
    Cmd::kLoadBatchFile,
    Cmd::kAppendBatchFile,
    Cmd::kUpdateSelection,
    Cmd::kDeleteSelection,
    Cmd::kClearAll,
    Cmd::kMoveUp,
    Cmd::kMoveDown,
    Cmd::kSortFilename,
    Cmd::kReverseSortFilename,
    Cmd::kRefreshPageCounts,
    Cmd::kRefreshAll,
};

} // namespace

CAppendMainDlg::CAppendMainDlg(IPromptHost* prompt, QWidget* parent)
    : QDialog(parent), m_pOwnPrompt(prompt ? nullptr : std::make_unique<CQtPromptHost>(this)),
      m_pPrompt(prompt ? prompt : m_pOwnPrompt.get()),
      m_paramsDlg(*m_pPrompt, &m_bShowParamsBox, this), m_setupDlg(this),
      m_ui(std::make_unique<Ui::AppendMainDlg>()) {
    setObjectName(QStringLiteral("appendMainDlg"));
    setProperty("controlId", 102);
    setWindowTitle(QString::fromLatin1(kMainCaption));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    setWindowIcon(QIcon(QStringLiteral(":/quorvel.png")));

    m_pClient = new QWidget(this);
    m_ui->setupUi(m_pClient);
    KeepTotalItemsReadable();
    m_pClient->setObjectName(QStringLiteral("clientArea"));
    m_pMenuBar = new QMenuBar(this);
    m_pMenuBar->setObjectName(QStringLiteral("mainMenuBar"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setMenuBar(m_pMenuBar);
    layout->addWidget(m_pClient);

    m_pJobs = new CJobListModel(m_iconList, this);
    m_pPacer = new CPaintPacer(this);
    m_passwords.SetProvider(this);
    m_pBusyWait = std::make_unique<CServerBusyWait>(m_ui->appendFilesButton, m_ui->closeButton,
                                                    m_ui->websiteLink);
    // The document server runs in a helper process, so a document that
    // breaks it costs one call, not this window and its job list.
    SetAutomationFactory(CreateOutOfProcessFactory());
    m_ui->totalItemsEdit->setText(QString::number(m_nTotalItems));
    BuildMenus();
    BuildShortcuts();
    SetUpJobListView();
    setAcceptDrops(true);

    m_ui->websiteLink->setText(QStringLiteral("Go to Brellwick Software Website"));
    m_ui->websiteLink->AssignUrl(QString::fromLatin1(kMakerWebsiteUrl));
    m_ui->websiteLink->EnableUnderline(true);
    m_ui->websiteLink->Attach();
    // The hints keep their places; only their width follows the font.
    m_ui->dropHintLabel->adjustSize();
    m_ui->rightClickHintLabel->adjustSize();

    connect(m_ui->appendFilesButton, &QPushButton::clicked, this,
            [this] { OnAppendFilesClicked(); });
    connect(m_ui->closeButton, &QPushButton::clicked, this, [this] { CloseMainWindow(); });

    m_splashTimer.setSingleShot(true);
    m_splashTimer.setInterval(10);
    connect(&m_splashTimer, &QTimer::timeout, this, [this] { ShowSplash(); });

    resize(m_pClient->size() + QSize(0, m_pMenuBar->sizeHint().height()));
}

CAppendMainDlg::~CAppendMainDlg() {
    SetAutomationFactory(nullptr);
}

QTableView* CAppendMainDlg::JobListView() const {
    return m_ui->jobListView;
}

QAction* CAppendMainDlg::CommandAction(int commandId) const {
    return m_commands.value(commandId, nullptr);
}

QAction* CAppendMainDlg::AddCommand(QMenu* menu, const char* text, int commandId) {
    QAction* action = menu->addAction(QString::fromLatin1(text));
    action->setProperty("controlId", commandId);
    action->setObjectName(QStringLiteral("command%1").arg(commandId));
    connect(action, &QAction::triggered, this, [this, commandId] { OnCommand(commandId); });
    m_commands.insert(commandId, action);
    return action;
}

void CAppendMainDlg::BuildMenus() {
    QMenu* menu = nullptr;
    for (const MenuEntry& entry : kMenuTable) {
        if (entry.popup) {
            menu = m_pMenuBar->addMenu(QString::fromLatin1(entry.popup));
            menu->setObjectName(QString::fromLatin1(entry.popup).remove(QLatin1Char('&')) +
                                QStringLiteral("Menu"));
        } else if (!entry.text) {
            menu->addSeparator();
        } else {
            AddCommand(menu, entry.text, entry.command);
        }
    }
    QAction* always = m_commands.value(Cmd::kAlwaysShowParams);
    always->setCheckable(true);
    always->setChecked(m_bShowParamsBox);
    for (int command : kJobListCommands)
        m_jobCommands.push_back(m_commands.value(command));
}

void CAppendMainDlg::BuildShortcuts() {
    // Plain keys without modifiers act window-wide, whichever control has the
    // focus.
    const std::pair<int, int> keys[] = {
        {Qt::Key_A, Cmd::kKeyMoveUp},
        {Qt::Key_Delete, Cmd::kKeyDelete},
        {Qt::Key_Z, Cmd::kKeyMoveDown},
    };
    for (const auto& [key, command] : keys) {
        auto* shortcut = new QShortcut(QKeySequence(key), this);
        shortcut->setContext(Qt::WindowShortcut);
        shortcut->setProperty("controlId", command);
        connect(shortcut, &QShortcut::activated, this,
                [this, command = command] { OnCommand(command); });
        m_jobShortcuts.push_back(shortcut);
    }
    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(help, &QShortcut::activated, this, [this] { OnHelp(); });
}

void CAppendMainDlg::SetUpJobListView() {
    QTableView* view = m_ui->jobListView;
    view->setModel(m_pJobs);
    view->setSelectionModel(m_pJobs->SelectionModel());
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setShowGrid(true);
    view->setWordWrap(false);
    view->setSortingEnabled(false);
    view->setContextMenuPolicy(Qt::CustomContextMenu);
    view->setIconSize(QSize(16, 16));
    view->setItemDelegateForColumn(Filename, new CFilenameDelegate(view));
    view->verticalHeader()->hide();
    view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 6);
    QHeaderView* header = view->horizontalHeader();
    header->setSectionsMovable(true);
    header->setSectionsClickable(true);
    header->setHighlightSections(false);
    header->setMinimumSectionSize(0);
    header->setStretchLastSection(false);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    for (int column = 0; column < kJobColumnCount; ++column)
        header->resizeSection(column, kJobColumns[column].width);

    connect(view, &QTableView::doubleClicked, this, [this] {
        if (!IsRunning())
            ToggleSelected();
    });
    connect(view, &QTableView::customContextMenuRequested, this, [this, view](const QPoint& pos) {
        if (!IsRunning())
            ShowContextMenu(view->viewport()->mapToGlobal(pos));
    });
    connect(header, &QHeaderView::sectionClicked, this, [this](int column) {
        if (!IsRunning())
            SortOnColumn(column, true);
    });
}

CAppendMainDlg::CWorkScope::CWorkScope(CAppendMainDlg& dlg, bool load) : m_dlg(dlg), m_bLoad(load) {
    ++m_dlg.m_nWork;
    m_dlg.m_pPacer->SetActive(true);
    m_dlg.m_pJobs->SetDeferInserts(true);
    if (m_bLoad) {
        ++m_dlg.m_nLoads;
        m_dlg.UpdateCommandsEnabled();
    }
}

CAppendMainDlg::CWorkScope::~CWorkScope() {
    if (m_bLoad) {
        --m_dlg.m_nLoads;
        m_dlg.UpdateCommandsEnabled();
    }
    if (--m_dlg.m_nWork > 0)
        return;
    m_dlg.m_pJobs->SetDeferInserts(false);
    m_dlg.m_pPacer->SetActive(false);
    if (m_dlg.m_bClosing)
        m_dlg.FinishClose();
}

void CAppendMainDlg::OnCommand(int commandId) {
    CWorkScope work(*this);
    // Keys and the context menu stay quiet while the list is being changed
    // by a run or a bulk load; the menu items are disabled then.
    if (IsRunning()) {
        switch (commandId) {
        case Cmd::kKeyDelete:
        case Cmd::kKeyMoveUp:
        case Cmd::kKeyMoveDown:
        case Cmd::kCtxUpdateItem:
        case Cmd::kCtxMoveUp:
        case Cmd::kCtxMoveDown:
        case Cmd::kCtxDeleteItem:
            return;
        default:
            break;
        }
    }
    switch (commandId) {
    case Cmd::kBulkLoadGrouping:
    case Cmd::kBulkLoadToOne:
    case Cmd::kBulkLoadPartFilename:
    case Cmd::kBulkLoadListFile:
        if (!IsRunning())
            OnBulkLoad(commandId);
        break;
    case Cmd::kLoadBatchFile:
        LoadBatchFile();
        break;
    case Cmd::kAppendBatchFile:
        AppendBatchFile();
        break;
    case Cmd::kSaveBatchFile:
        SaveBatchFile();
        break;
    case Cmd::kSaveBatchFileAs:
        SaveBatchFileAs();
        break;
    case Cmd::kExit:
        CloseMainWindow();
        break;
    case Cmd::kAlwaysShowParams:
        ToggleShowParamsBox();
        break;
    case Cmd::kUpdateSelection:
    case Cmd::kCtxUpdateItem:
        UpdateSelection();
        break;
    case Cmd::kDeleteSelection:
    case Cmd::kKeyDelete:
    case Cmd::kCtxDeleteItem:
        DeleteSelection();
        break;
    case Cmd::kClearAll:
        ClearAll();
        break;
    case Cmd::kMoveUp:
    case Cmd::kKeyMoveUp:
    case Cmd::kCtxMoveUp:
        MoveUp();
        break;
    case Cmd::kMoveDown:
    case Cmd::kKeyMoveDown:
    case Cmd::kCtxMoveDown:
        MoveDown();
        break;
    case Cmd::kSortFilename:
        SortOnColumn(Filename, true);
        break;
    case Cmd::kReverseSortFilename:
        SortOnColumn(Filename, false);
        break;
    case Cmd::kRefreshPageCounts:
        RefreshPageCounts(true);
        break;
    case Cmd::kRefreshAll:
        RefreshPageCounts(false);
        break;
    case Cmd::kSetup:
        m_setupDlg.DoModal();
        break;
    case Cmd::kViewLog:
        OnViewLog(this, m_pSupportPrompt);
        break;
    case Cmd::kClearLog:
        OnClearLog(m_logFile, *m_pPrompt);
        break;
    case Cmd::kExportLog:
        OnExportLogToCsv(SupportPrompt());
        break;
    case Cmd::kWebsite:
        OnGoToWebsite(SupportPrompt());
        break;
    case Cmd::kBugReport:
        OnEmailBugReport(SupportPrompt());
        break;
    case Cmd::kHtmlHelp:
        OnHelp();
        break;
    case Cmd::kAbout:
        OnAbout();
        break;
    default:
        break;
    }
}

void CAppendMainDlg::UpdateCommandsEnabled() {
    SetCommandsEnabled(!IsRunning());
    // A run must not start on a list that is still growing; during a run
    // the button is "Stop".
    m_ui->appendFilesButton->setEnabled(!m_pScanningDlg && m_nLoads == 0);
}

void CAppendMainDlg::SetCommandsEnabled(bool enabled) {
    for (QAction* action : m_jobCommands)
        action->setEnabled(enabled);
    for (QShortcut* shortcut : m_jobShortcuts)
        shortcut->setEnabled(enabled);
    setAcceptDrops(enabled);
}

void CAppendMainDlg::OnInitDialog() {
    if (!m_logFile.Open(kLogFileName)) {
        // Without a log the window stays open with no settings, no splash
        // and no watchdog; appends then write no records.
        m_pPrompt->MessageBox(kCantOpenLog, kLogFileErrorCaption);
        return;
    }
    m_setupDlg.LoadSettings();
    if (!m_setupDlg.m_settings.m_bNoSplash)
        m_splashTimer.start();
    m_watchdog = std::make_unique<CMyThread>(std::make_unique<CWindowServerBusyFinder>());
    m_watchdog->m_pOwner = this;
    m_watchdog->Start();
}

void CAppendMainDlg::SetSupportPrompt(ISupportPrompt* prompt) {
    m_pSupportPrompt = prompt;
    m_setupDlg.SetPrompt(prompt);
    m_ui->websiteLink->SetPrompt(prompt);
}

ISupportPrompt& CAppendMainDlg::SupportPrompt() {
    return m_pSupportPrompt ? *m_pSupportPrompt : DefaultSupportPrompt();
}

void CAppendMainDlg::SetAutomationFactory(std::shared_ptr<IAutomationFactory> factory) {
    // Calls to a helper process wait through this window's pump.
    if (auto* helper = dynamic_cast<COutOfProcessFactory*>(m_pFactory.get()))
        helper->Connection()->SetWaitHost(nullptr);
    m_pFactory = std::move(factory);
    if (auto* helper = dynamic_cast<COutOfProcessFactory*>(m_pFactory.get()))
        helper->Connection()->SetWaitHost(this);
}

int CAppendMainDlg::DoModal() {
    OnInitDialog();
    return exec();
}

void CAppendMainDlg::ShowSplash() {
    m_splashTimer.stop();
    CSplashDlg splash(this);
    splash.exec();
}

void CAppendMainDlg::RefreshTotalItems() {
    m_ui->totalItemsEdit->setText(QString::number(m_nTotalItems));
}

int CAppendMainDlg::AddJobEntry(const JobEntryFields& fields) {
    return quorvel::AddJobEntry(*m_pJobs, *this, fields);
}

void CAppendMainDlg::AddDroppedFiles(const QStringList& paths) {
    CWorkScope work(*this, true);
    for (const QString& path : paths) {
        if (m_bClosing)
            break;
        const QFileInfo info(path);
        if (!info.exists() || info.isDir())
            continue;
        JobEntryFields fields;
        fields.filename = path.toStdString();
        fields.selected = 1;
        AddJobEntry(fields);
        PumpOneMessage();
    }
    m_nTotalItems = m_pJobs->RowCount();
    RefreshTotalItems();
}

namespace {

// The library runs in the page-count helper process, so a file that breaks it
// costs its count, not the job list.
PdfProbeResult ProbeInHelper(const std::string& path, std::string_view password) {
    return ProbePdfOutOfProcess(path, password);
}

} // namespace

int CAppendMainDlg::GetPageCount(const std::string& path) {
    // A walk's files are counted ahead while the walk adds rows. A file
    // without a count there (one that needs a password) takes the full way
    // below.
    if (m_pCountAhead) {
        int32_t pages = 0;
        bool waited = false;
        const auto taken = m_pCountAhead->TakeCount(path, pages, [this, &waited](int elapsedMs) {
            waited = true;
            return PumpWhileServerBusy(elapsedMs);
        });
        if (waited)
            ServerCallEnded();
        if (taken == CPageCountAhead::Take::GaveUp)
            return 0;
        if (taken == CPageCountAhead::Take::Counted && pages >= 1)
            return pages;
    }
    return GetPageCountUnlocking(m_passwords, path, ProbeInHelper, m_pFactory.get(),
                                 static_cast<IConnectionHost&>(*this));
}

UnlockResult CAppendMainDlg::UnlockFile(const std::string& path, CSecret& password) {
    return m_passwords.Unlock(path, ProbeInHelper, password);
}

PasswordAnswer CAppendMainDlg::AskPassword(const std::string& path, bool wrongBefore,
                                           bool offerSkipAll, CSecret& password) {
    CPasswordDlg dlg(this);
    return dlg.Ask(path, wrongBefore, offerSkipAll, password);
}

void CAppendMainDlg::SetFilesAhead(const std::vector<std::string>& paths) {
    if (!m_pCountAhead && !paths.empty())
        m_pCountAhead = std::make_unique<CPageCountAhead>();
    if (m_pCountAhead)
        m_pCountAhead->SetFiles(paths);
}

size_t CAppendMainDlg::NextCountBatch(qint64 elapsedMs, size_t files) {
    const qint64 perFileMs = std::max<qint64>(1, elapsedMs / std::max<qint64>(1, qint64(files)));
    return std::clamp<size_t>(size_t(kCountBatchMs / perFileMs), 1, kPageCountBatch);
}

void CAppendMainDlg::RunParamsStep(int row) {
    RunParamsForRow(row, false);
}

void CAppendMainDlg::RunParamsForRow(int row, bool fillFromRow) {
    // No dialog opens once Close was pressed; the entry keeps its values.
    if (m_bClosing)
        return;
    CJobListModel& jobs = *m_pJobs;
    // The entry is in the view before its dialog opens.
    jobs.FlushInserts();
    m_paramsDlg.m_strFilename = jobs.Text(row, Filename);
    m_paramsDlg.m_nPages = ReadDecimal(jobs.Text(row, Pages));
    if (fillFromRow) {
        m_paramsDlg.m_strParams = jobs.Text(row, AppendParameters);
        m_paramsDlg.m_strMoveDir = jobs.Text(row, MoveToDirectory);
        m_paramsDlg.m_strOutputFile = jobs.Text(row, OutputFile);
        m_paramsDlg.m_strKeepBookmarks = jobs.Text(row, KeepBookmarks);
        m_paramsDlg.m_strCreate = jobs.Text(row, Create);
        m_paramsDlg.m_strAppend = jobs.Text(row, Append);
        m_paramsDlg.m_strBookmarkFilename = jobs.Text(row, BookmarkFilename);
    }
    if (m_paramsDlg.DoModal() != 1)
        return;
    if (m_paramsDlg.m_bUseSameParams) {
        m_bShowParamsBox = false;
        m_commands.value(Cmd::kAlwaysShowParams)->setChecked(false);
    }
    // The dialog may have let other commands run; the row may be gone.
    if (row >= jobs.RowCount())
        return;
    jobs.SetText(row, AppendParameters, m_paramsDlg.m_strParams);
    jobs.SetText(row, MoveToDirectory, m_paramsDlg.m_strMoveDir);
    jobs.SetText(row, OutputFile, m_paramsDlg.m_strOutputFile);
    jobs.SetText(row, KeepBookmarks, m_paramsDlg.m_strKeepBookmarks);
    jobs.SetText(row, Create, m_paramsDlg.m_strCreate);
    jobs.SetText(row, Append, m_paramsDlg.m_strAppend);
    jobs.SetText(row, BookmarkFilename, m_paramsDlg.m_strBookmarkFilename);
}

void CAppendMainDlg::ToggleShowParamsBox() {
    m_bShowParamsBox = !m_bShowParamsBox;
    m_commands.value(Cmd::kAlwaysShowParams)->setChecked(m_bShowParamsBox);
}

void CAppendMainDlg::OnAppendFilesClicked() {
    CWorkScope work(*this);
    OnAppendFiles(*m_pJobs, *this, *m_pFactory, m_setupDlg.m_settings,
                  m_logFile.IsOpen() ? &m_logFile : nullptr, m_runState);
}

void CAppendMainDlg::CloseMainWindow() {
    if (m_bClosing)
        return;
    m_bClosing = true;
    m_runState.m_bStopRequested = true;
    if (m_pScanningDlg)
        m_pScanningDlg->m_bStop = true;
    QCoreApplication::processEvents();
    for (int row = 0; row < m_pJobs->RowCount(); ++row) {
        if (m_pJobs->Text(row, Status) == StatusText::kProcessing)
            m_bCloseWithError = true;
    }
    done(QDialog::Accepted);
    // Work under way sees the stop request (or the closing window) at its
    // next pump point and ends as a Stop would: a run finishes or abandons
    // its current row whole, a walk or load adds no further entry. The last
    // work scope to end finishes the close.
    if (m_nWork == 0)
        FinishClose();
}

void CAppendMainDlg::FinishClose() {
    if (m_bCloseWithError) {
        // The watchdog waits on this thread; stop it before the runtime
        // tears down, then leave with the open streams flushed.
        if (m_watchdog)
            m_watchdog->Stop();
        m_logFile.Close();
        std::fflush(nullptr);
        std::exit(1);
    }
}

void CAppendMainDlg::reject() {
    // Esc does not close the main window.
}

void CAppendMainDlg::LayoutControls() {
    if (isMinimized())
        return;
    const QRect outer = frameGeometry();
    const int w = outer.width();
    const int h = outer.height();
    m_ui->jobListView->setGeometry(0, 15, w - 7, h - 130);
    m_ui->totalItemsLabel->setGeometry(10, h - 93, 70, 25);
    m_ui->totalItemsEdit->setGeometry(70, h - 93, 70, 25);
    KeepTotalItemsReadable();
    m_ui->appendFilesButton->setGeometry(w / 2 - 80, h - 93, 160, 25);
    m_ui->closeButton->setGeometry(w - 80, h - 93, 70, 25);
    m_ui->websiteLink->setGeometry(7, h - 62, 170, m_ui->websiteLink->sizeHint().height());
}

void CAppendMainDlg::KeepTotalItemsReadable() {
    // The label's text may be wider than the room before the box in this
    // font: the label then grows to its text and the box starts after it.
    QLabel* label = m_ui->totalItemsLabel;
    QLineEdit* box = m_ui->totalItemsEdit;
    const int needed = label->sizeHint().width();
    if (label->width() < needed)
        label->resize(needed, label->height());
    const int labelRight = label->x() + needed + 4;
    if (box->x() < labelRight)
        box->move(labelRight, box->y());
}

void CAppendMainDlg::OnHelp() {
    ShowHelp(this, kMainHelpContext);
}

void CAppendMainDlg::OnAbout() {
    CAboutDlg about(this, m_pSupportPrompt);
    about.exec();
}

MsgResult CAppendMainDlg::MessageBox(const std::string& text, const std::string& caption,
                                     MsgButtons buttons, MsgIcon icon) {
    // Once Close was pressed the work under way ends without a word: a box
    // would stay on screen after the window has gone.
    if (m_bClosing)
        return MsgResult::Ok;
    return m_pPrompt->MessageBox(text, caption, buttons, icon);
}

void CAppendMainDlg::PumpOneMessage() {
    QCoreApplication::processEvents();
}

void CAppendMainDlg::ShowConnectDialog() {
    m_pConnectDlg = std::make_unique<CAcrobatConnectDlg>(this);
    m_pConnectDlg->ShowNow();
}

void CAppendMainDlg::CloseConnectDialog() {
    if (m_pConnectDlg)
        m_pConnectDlg->close();
    m_pConnectDlg.reset();
}

std::string CAppendMainDlg::GetButtonLabel() {
    return m_ui->appendFilesButton->text().toStdString();
}

void CAppendMainDlg::SetButtonLabel(const std::string& label) {
    m_ui->appendFilesButton->setText(Q(label));
    m_bRunning = label == kLabelStop;
    UpdateCommandsEnabled();
}

void CAppendMainDlg::RepaintNow() {
    // Paints at once what has changed since the last paint (a new row, a new
    // status) and nothing else: a walk or a run calls this for every entry,
    // and painting the whole window each time cost milliseconds per file.
    QCoreApplication::sendPostedEvents(this, QEvent::UpdateRequest);
}

void CAppendMainDlg::OwnedMessageBox(const std::string& text, const std::string& caption) {
    if (m_bClosing)
        return;
    m_pPrompt->MessageBox(text, caption);
}

void CAppendMainDlg::StatusChanged(int /*row*/, const std::string& /*status*/) {
    // The model has already asked for the changed cell alone to be painted;
    // the rest of the row and the view are unchanged.
}

bool CAppendMainDlg::PumpWhileServerBusy(int elapsedMs) {
    m_pBusyWait->Pump(elapsedMs);
    // Stop gives up on a call of the run; Close on any call. Outside a run
    // a call is otherwise waited for to its end.
    return !(m_bClosing || (m_bRunning && m_runState.m_bStopRequested));
}

void CAppendMainDlg::ServerCallEnded() {
    m_pBusyWait->End();
}

QAction* CAppendMainDlg::TrackPopupMenu(QMenu& menu, const QPoint& globalPos) {
    return menu.exec(globalPos);
}

void CAppendMainDlg::keyPressEvent(QKeyEvent* event) {
    // Enter does not press "Append Files" and Esc does not close the window.
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
        event->accept();
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}

bool CAppendMainDlg::event(QEvent* event) {
    if (event->type() == QEvent::UpdateRequest)
        return m_pPacer->OnUpdateRequest([&] { return QDialog::event(event); });
    return QDialog::event(event);
}

void CAppendMainDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    m_bShown = true;
}

void CAppendMainDlg::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    // Qt also resizes the window when it first shows it; the controls keep
    // their template places until the window is resized after that.
    if (m_bShown)
        LayoutControls();
}

void CAppendMainDlg::closeEvent(QCloseEvent* event) {
    CloseMainWindow();
    event->accept();
}

void CAppendMainDlg::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void CAppendMainDlg::dragMoveEvent(QDragMoveEvent* event) {
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void CAppendMainDlg::dropEvent(QDropEvent* event) {
    QStringList paths;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile())
            paths << url.toLocalFile();
    }
    event->acceptProposedAction();
    // The paths are handled once the drop has returned, so the program the
    // files came from is not kept waiting on page counts and dialogs.
    // Until then the drop counts as a load already.
    ++m_nLoads;
    UpdateCommandsEnabled();
    QTimer::singleShot(0, this, [this, paths] {
        --m_nLoads;
        if (!m_bClosing)
            AddDroppedFiles(paths);
        else
            UpdateCommandsEnabled();
    });
}

} // namespace quorvel
