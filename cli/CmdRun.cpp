// quorvel-cli run [--isolated] [--call-timeout SECONDS] [--password-file FILE]
// BATCH.app: loads a batch file as the main window does (entries without
// append parameters stay without them), then runs the append run on it with
// the document server, printing "row N: STATUS" for every status change (rows
// from 1). Message boxes go to standard error as "caption: text". Exits 0
// when the run reached "Done.", 1 otherwise. Ctrl-C asks the run to stop, as
// the "Stop" button does; a second one ends the program.
//
// The document server runs inside this process unless --isolated is given:
// then it runs in a quorvel-docserver helper as in the window, page counts
// included, so that a document that crashes or hangs the PDF library ends
// the run with the failing step's message instead of ending the program.
// Each call to the helper waits as long as the helper lives; Ctrl-C during a
// call gives the helper a short grace, then ends it and the run with that
// step's message. --call-timeout SECONDS (which implies --isolated) ends a
// helper whose call takes longer, the same way, for unattended scripts.
//
// Sources that need a password take it from the password file (see
// CPasswordFile); one without a password ends the run as a file that cannot
// be opened.

#include "app/BatchFile.h"
#include "app/BatchMessages.h"
#include "app/JobEntry.h"
#include "cli/CliCommand.h"
#include "cli/ConsoleMessageHost.h"
#include "cli/PasswordFile.h"
#include "docserver/OutOfProcessFactory.h"
#include "docserver/PageCountOutOfProcess.h"
#include "engine/AppendRun.h"
#include "engine/RunMessages.h"
#include "engine/Settings.h"
#include "engine/SourcePasswords.h"
#include "pdfserver/DocumentServer.h"
#include "support/AppendLog.h"
#include "support/LogMessages.h"
#include "support/PageCountProbe.h"

#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <functional>

namespace quorvel::cli {
namespace {

volatile std::sig_atomic_t g_stopPressed = 0;

extern "C" void OnInterrupt(int) {
    g_stopPressed = 1;
}

// The main window without a window: the button label is a string, the pump
// delivers a pending Ctrl-C as a click on the button, and statuses print.
class CConsoleAppendHost : public IAppendHost, public IAddJobHost {
public:
    // `helper`: the link of an out-of-process factory, whose helper then
    // counts pages too; null when the document server runs in this process.
    CConsoleAppendHost(IAutomationFactory& factory, CDocServerConnection* helper,
                       IPasswordProvider& passwords, std::function<void()> clickButton)
        : m_factory(factory), m_pHelper(helper), m_clickButton(std::move(clickButton)) {
        m_passwords.SetProvider(&passwords);
    }

    MsgResult MessageBox(const std::string& text, const std::string& caption, MsgButtons buttons,
                         MsgIcon icon) override {
        return m_console.MessageBox(text, caption, buttons, icon);
    }
    void PumpOneMessage() override {
        if (g_stopPressed) {
            g_stopPressed = 0;
            m_bInterrupted = true;
            m_clickButton();
        }
    }
    // Ctrl-C reaches a waiting call through the interrupted wait: it stops the
    // run and gives up on the call.
    bool PumpWhileServerBusy(int /*elapsedMs*/) override {
        if (g_stopPressed) {
            g_stopPressed = 0;
            m_bInterrupted = true;
            if (m_strLabel == kLabelStop)
                m_clickButton();
        }
        return !m_bInterrupted;
    }
    // A Ctrl-C that stopped the run does not give up on later waits.
    void ForgetInterrupt() { m_bInterrupted = false; }
    void ShowConnectDialog() override {}
    void CloseConnectDialog() override {}
    std::string GetButtonLabel() override { return m_strLabel; }
    void SetButtonLabel(const std::string& label) override { m_strLabel = label; }
    void RepaintNow() override {}
    void OwnedMessageBox(const std::string& text, const std::string& caption) override {
        if (text == RunMessages::kDone)
            m_bDone = true;
        m_console.MessageBox(text, caption);
    }
    void StatusChanged(int row, const std::string& status) override {
        std::printf("row %d: %s\n", row + 1, status.c_str());
        std::fflush(stdout);
    }

    UnlockResult UnlockFile(const std::string& path, CSecret& password) override {
        return m_passwords.Unlock(path, Prober(), password);
    }

    // IAddJobHost
    int GetPageCount(const std::string& path) override {
        return GetPageCountUnlocking(m_passwords, path, Prober(), &m_factory,
                                     static_cast<IConnectionHost&>(*this));
    }

    bool m_bDone = false;

private:
    // The library runs where the document server runs.
    PdfProber Prober() {
        if (!m_pHelper)
            return ProbePdf;
        return [helper = m_pHelper](const std::string& path, std::string_view password) {
            return ProbePdfOutOfProcess(*helper, path, password);
        };
    }

    CSourcePasswords m_passwords;
    IAutomationFactory& m_factory;
    CDocServerConnection* m_pHelper;
    std::function<void()> m_clickButton;
    CConsoleMessageHost m_console{stderr};
    std::string m_strLabel = kLabelAppendFiles;
    bool m_bInterrupted = false;
};

// Reads the options before the batch file; false when they do not fit.
bool ReadRunOptions(const std::vector<std::string>& args, bool& isolated, int& callTimeoutMs) {
    isolated = false;
    callTimeoutMs = -1;
    if (args.empty())
        return false;
    for (size_t i = 0; i + 1 < args.size(); ++i) {
        if (args[i] == "--isolated") {
            isolated = true;
        } else if (args[i] == "--call-timeout" && i + 2 < args.size()) {
            const std::string& value = args[++i];
            char* end = nullptr;
            const double seconds = std::strtod(value.c_str(), &end);
            if (value.empty() || *end != '\0' || !std::isfinite(seconds) || seconds <= 0 ||
                seconds > 86400.0 * 24)
                return false;
            callTimeoutMs = static_cast<int>(std::ceil(seconds * 1000));
            isolated = true;
        } else {
            return false;
        }
    }
    return true;
}

int RunRun(const std::vector<std::string>& commandArgs) {
    std::vector<std::string> args = commandArgs;
    std::string passwordFile;
    if (!TakePasswordFileOption(args, passwordFile))
        return kUsageError;
    bool isolated = false;
    int callTimeoutMs = -1;
    if (!ReadRunOptions(args, isolated, callTimeoutMs))
        return kUsageError;
    const std::string& batchPath = args.back();
    if (batchPath.rfind("--", 0) == 0)
        return kUsageError; // an option it does not know, not a file
    CPasswordFile passwords;
    if (!LoadPasswordFile(passwordFile, passwords))
        return 1;

    std::shared_ptr<IAutomationFactory> factory;
    CDocServerConnection* helper = nullptr;
    if (isolated) {
        auto outOfProcess = std::make_shared<COutOfProcessFactory>(
            std::make_shared<CDocServerConnection>(std::string(), callTimeoutMs));
        helper = outOfProcess->Connection().get();
        factory = std::move(outOfProcess);
    } else {
        factory = CreateDocumentServerFactory();
    }
    CMemoryJobList jobs;
    SetupSettings settings;
    CAppendLog log;
    AppendRunState state;
    CConsoleAppendHost host(*factory, helper, passwords,
                            [&] { OnAppendFiles(jobs, host, *factory, settings, &log, state); });
    if (helper)
        helper->SetWaitHost(&host);

    // A run that writes outputs but cannot record them is refused, as the
    // desktop program refuses to go on without its log.
    if (!log.Open(kLogFileName)) {
        host.MessageBox(kCantOpenLog, kLogFileErrorCaption, MsgButtons::Ok, MsgIcon::None);
        return 1;
    }
    LoadSettings(settings, kSetupIniName);

    const bool read = ReadBatchFile(batchPath, [&](const JobEntryFields& fields) {
        AddJobEntry(jobs, static_cast<IAddJobHost&>(host), fields);
    });
    if (!read) {
        host.MessageBox(batchPath, kCantReadBatchCaption, MsgButtons::Ok, MsgIcon::None);
        return 1;
    }

    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    // A second Ctrl-C ends the program at once, as it would without a run.
    action.sa_flags = SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    struct sigaction previous {};
    sigaction(SIGINT, &action, &previous);
    OnAppendFiles(jobs, host, *factory, settings, &log, state);
    // Letting go of the run's objects started the compaction of its outputs
    // in the helper; it is finished before the helper is ended with us.
    if (helper) {
        host.ForgetInterrupt();
        helper->WaitUntilIdle();
    }
    sigaction(SIGINT, &previous, nullptr);
    return host.m_bDone ? 0 : 1;
}

const CliRegistrar registrar(
    {"run", "run [--isolated] [--call-timeout SECONDS] [--password-file FILE] BATCH.app", RunRun});

} // namespace
} // namespace quorvel::cli
