#include "engine/AppendRun.h"

#include "engine/AppendParams.h"
#include "engine/JobColumn.h"
#include "engine/OutputAssembly.h"
#include "engine/RunMessages.h"
#include "engine/Settings.h"
#include "support/AppendLog.h"
#include "support/RegularFile.h"

#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace quorvel {

namespace {

constexpr size_t kMaxLabelChars = 254;
constexpr int16_t kSaveFlags = 0x21; // full save, unreferenced objects dropped

// True when both paths name one existing file.
bool IsSameFile(const std::string& a, const std::string& b) {
    struct stat sa {
    }, sb{};
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

// The output "exists" when it can be opened for reading. Only a regular
// file is opened to find out; a folder opens for reading as well, and a
// FIFO or device is never asked (the caller reports it first).
bool FileExists(const std::string& path) {
    if (KindOfPath(path) == PathKind::Folder)
        return ::access(path.c_str(), R_OK) == 0;
    const int fd = OpenRegularFileForReading(path);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

// One click on "Append Files" after the button label said that no run is
// under way. Holds the run's automation objects; every way out of Run()
// releases them.
class CAppendRun {
public:
    CAppendRun(IJobList& jobs, IAppendHost& host, IAutomationFactory& factory,
               const SetupSettings& settings, CAppendLog* log, AppendRunState& state)
        : m_jobs(jobs), m_host(host), m_factory(factory), m_settings(settings), m_log(log),
          m_state(state) {}

    void Run();

private:
    enum class RowResult { Next, Ended };

    RowResult ProcessRow(int row);
    bool UnlockRowFiles(const std::string& sourcePath, std::string& skippedPath);
    void SetStatus(int row, const char* status);
    void Message(const std::string& text) { m_host.MessageBox(text, kAppName); }
    void EndRun() {
        m_host.SetButtonLabel(kLabelAppendFiles);
        m_objects = RunObjects{};
    }
    // The ending of every failure after the connection: Acrobat is asked to
    // drop its documents but stays running.
    RowResult ErrorEnding(const std::string& message) {
        Message(message);
        m_host.SetButtonLabel(kLabelAppendFiles);
        m_objects.app->CloseAllDocs();
        m_objects = RunObjects{};
        return RowResult::Ended;
    }

    IJobList& m_jobs;
    IAppendHost& m_host;
    IAutomationFactory& m_factory;
    // Read again for every row: Setup stays usable during a run, and what it
    // saved applies from the next row on.
    const SetupSettings& m_settings;
    CAppendLog* m_log;
    AppendRunState& m_state;
    RunObjects m_objects;
};

void CAppendRun::SetStatus(int row, const char* status) {
    m_jobs.SetText(row, JobColumn::Status, status);
    m_host.StatusChanged(row, status);
}

void CAppendRun::Run() {
    m_host.TerminateReaderProcesses();
    m_host.SetButtonLabel(kLabelStop);

    m_host.ShowConnectDialog();
    m_objects.app = CreateAs<IAcroApp>(m_factory, kProgIdApp);
    m_host.CloseConnectDialog();
    if (!m_objects.app) {
        Message(RunMessages::kConnectFailed);
        EndRun();
        return;
    }

    m_objects.view = CreateAs<IAcroAVDoc>(m_factory, kProgIdAVDoc);
    const char* createFailure = nullptr;
    if (!m_objects.view) {
        createFailure = RunMessages::kCreateAVDocFailed;
    } else if (!(m_objects.source = CreateAs<IAcroPDDoc>(m_factory, kProgIdPDDoc))) {
        createFailure = RunMessages::kCreatePDDocFailed;
    } else if (!(m_objects.output = CreateAs<IAcroPDDoc>(m_factory, kProgIdPDDoc))) {
        createFailure = RunMessages::kCreateNewPDDocFailed;
    }
    if (createFailure) {
        Message(createFailure);
        EndRun();
        return;
    }

    // The list is counted again before every row: commands dispatched by the
    // pump may have added or removed rows.
    for (int row = 0; row < m_jobs.RowCount(); ++row) {
        m_host.PumpOneMessage();
        if (ProcessRow(row) == RowResult::Ended)
            return;
        m_objects.output = CreateAs<IAcroPDDoc>(m_factory, kProgIdPDDoc);
        if (!m_objects.output) {
            Message(RunMessages::kCreatePDDocFailed);
            EndRun();
            return;
        }
    }

    m_objects.app->CloseAllDocs();
    m_objects.app->Exit();
    m_objects = RunObjects{};
    m_host.OwnedMessageBox(RunMessages::kDone, RunMessages::kDoneCaption);
    m_host.SetButtonLabel(kLabelAppendFiles);
}

bool CAppendRun::UnlockRowFiles(const std::string& sourcePath, std::string& skippedPath) {
    // The padding files are asked for with the first row, whether or not the
    // row ends up padded, and then remembered.
    const std::string* const paths[] = {&sourcePath, &m_settings.m_strOddEvery,
                                        &m_settings.m_strOnEach, &m_settings.m_strOddFinal};
    for (const std::string* path : paths) {
        if (path != &sourcePath && (path->size() < 2 || !FileExists(*path)))
            continue;
        CSecret password;
        if (m_host.UnlockFile(*path, password) == UnlockResult::Skipped) {
            skippedPath = *path;
            return false;
        }
        if (!password.Empty())
            m_factory.SetPassword(*path, password);
    }
    return true;
}

CAppendRun::RowResult CAppendRun::ProcessRow(int row) {
    if (!IsSelectedText(m_jobs.Text(row, JobColumn::Selected)) ||
        m_jobs.Text(row, JobColumn::AppendParameters).empty())
        return RowResult::Next;

    SetStatus(row, StatusText::kProcessing);
    m_host.RepaintNow();

    const std::vector<PageRange> ranges =
        ExpandAppendParameters(m_jobs.Text(row, JobColumn::AppendParameters),
                               ReadDecimal(m_jobs.Text(row, JobColumn::Pages)));
    const std::string sourcePath = m_jobs.Text(row, JobColumn::Filename);
    const std::string outputPath =
        CollapseDoubledSeparators(m_jobs.Text(row, JobColumn::OutputFile));
    const bool createFlag = IsFlagSet(m_jobs.Text(row, JobColumn::Create));
    const int copyBookmarks = CopyBookmarksFlag(m_jobs.Text(row, JobColumn::KeepBookmarks));
    const bool bookmarkFilename = IsFlagSet(m_jobs.Text(row, JobColumn::BookmarkFilename));
    const std::string moveDir = m_jobs.Text(row, JobColumn::MoveToDirectory);

    m_host.PumpOneMessage();
    if (m_state.m_bStopRequested) {
        m_host.SetButtonLabel(kLabelAppendFiles);
        SetStatus(row, StatusText::kStopped);
        m_objects = RunObjects{};
        return RowResult::Ended;
    }

    // Files that need a password are asked for before the output is touched;
    // a file the user skips ends the run as a file that cannot be opened.
    std::string skippedPath;
    if (!UnlockRowFiles(sourcePath, skippedPath))
        return ErrorEnding(RunMessages::kErrorOpeningFile + skippedPath);

    // A FIFO or device under the output's name is neither read nor deleted
    // nor replaced: the row ends as with an output that cannot be opened.
    if (KindOfPath(outputPath) == PathKind::Special)
        return ErrorEnding(RunMessages::kErrorOpeningFile + outputPath);

    const bool createNew = createFlag || !FileExists(outputPath);

    if (createNew) {
        // An output that is the row's own source must survive until the source
        // has been read; the save replaces it whole in any case.
        if (FileExists(outputPath) && !IsSameFile(outputPath, sourcePath) &&
            std::remove(outputPath.c_str()) != 0) {
            m_host.OwnedMessageBox(RunMessages::kUnableToRemoveFile + outputPath +
                                       RunMessages::kUnableToRemoveFileTail,
                                   kAppName);
            EndRun();
            return RowResult::Ended;
        }
        try {
            m_objects.output->Create();
        } catch (const AutomationException&) {
            Message(RunMessages::kUnableToCreateNewFile);
            m_host.SetButtonLabel(kLabelAppendFiles);
            m_objects.app->CloseAllDocs();
            m_objects.app->Exit();
            m_objects = RunObjects{};
            m_host.TerminateReaderProcesses();
            return RowResult::Ended;
        }
    } else if (m_objects.output->Open(outputPath) == 0) {
        return ErrorEnding(RunMessages::kErrorOpeningFile + outputPath);
    }

    // The server is never asked to read anything but a regular file.
    if (KindOfPath(sourcePath) == PathKind::Special || m_objects.source->Open(sourcePath) == 0)
        return ErrorEnding(RunMessages::kErrorOpeningFile + sourcePath);

    for (const PageRange& range : ranges) {
        const int32_t pages = m_objects.output->GetNumPages();
        if (m_objects.output->InsertPages(pages - 1, m_objects.source, range.first - 1,
                                          range.last - range.first + 1, copyBookmarks) == 0)
            return ErrorEnding(RunMessages::kCantInsertPages);
        if (bookmarkFilename)
            AddFilenameBookmark(m_objects, m_factory, m_host, outputPath, sourcePath, pages);
    }

    if (m_objects.source->Close() == 0)
        return ErrorEnding(RunMessages::kFailedToCloseDoc);

    CreateOutputFolder(outputPath);
    const bool isLastRow = row + 1 == m_jobs.RowCount();
    const PaddingFiles padding{m_settings.m_strOddEvery, m_settings.m_strOnEach,
                               m_settings.m_strOddFinal};
    if (!AppendPaddingFiles(m_objects, m_host, padding, isLastRow)) {
        m_host.SetButtonLabel(kLabelAppendFiles);
        m_objects.app->CloseAllDocs();
        m_objects = RunObjects{};
        return RowResult::Ended;
    }

    if (m_objects.output->Save(kSaveFlags, outputPath) == 0)
        return ErrorEnding(RunMessages::kFailedToSaveFile + outputPath);
    if (m_objects.output->Close() == 0)
        return ErrorEnding(RunMessages::kFailedToCloseDoc);
    m_objects.output.reset();

    if (m_log)
        m_log->WriteLogRecord(outputPath, sourcePath);
    m_host.PumpOneMessage();
    SetStatus(row, StatusText::kDone);

    if (m_state.m_bStopRequested) {
        m_host.SetButtonLabel(kLabelAppendFiles);
        m_objects.app->CloseAllDocs();
        m_objects = RunObjects{};
        return RowResult::Ended;
    }
    m_host.PumpOneMessage();
    if (!moveDir.empty())
        MoveSourceAfterAppend(sourcePath, moveDir);
    m_host.PumpOneMessage();
    return RowResult::Next;
}

} // namespace

void OnAppendFiles(IJobList& jobs, IAppendHost& host, IAutomationFactory& factory,
                   const SetupSettings& settings, CAppendLog* log, AppendRunState& state) {
    state.m_bStopRequested = false;
    if (jobs.RowCount() == 0)
        return;
    // A click that arrives while the label reads "Stop" came in through one of
    // the run's own pumps: it only asks the run under way to stop.
    if (host.GetButtonLabel().substr(0, kMaxLabelChars) == kLabelStop) {
        state.m_bStopRequested = true;
        return;
    }
    CAppendRun(jobs, host, factory, settings, log, state).Run();
    // Each record's sync overlaps the next row; the last one ends with the run.
    if (log)
        log->Sync();
}

} // namespace quorvel
