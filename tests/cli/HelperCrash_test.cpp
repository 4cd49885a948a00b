// quorvel-cli run --isolated: the document server runs in a quorvel-docserver
// child process. A run through it gives what the in-process run gives, and a
// helper that dies of SIGSEGV in the middle of a many-row run ends the run
// with the failing step's message while quorvel-cli itself carries on to a
// normal exit, leaving a complete earlier output and every source in place.

#include "cli/CliRun.h"
#include "cli/OutputCheck.h"
#include "common/MakePdf.h"
#include "common/TempDir.h"
#include "docserver/DocServerConnection.h"
#include "engine/RunMessages.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/types.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <thread>

namespace quorvel {
namespace {

using test::CCliProcess;
using test::CliResult;
using test::CountLines;
using test::CTempDir;
using test::ReadFileBytes;
using test::WriteFileBytes;

constexpr int kPagesPerRow = 2;
constexpr int kPreviousPages = 1;
constexpr double kTimeLimitSeconds = 300;

std::string SourceName(int row) {
    return "s" + std::to_string(row) + ".pdf";
}

int RowsDone(const std::string& out, int rows) {
    int done = 0;
    for (int row = 1; row <= rows; ++row)
        done += CountLines(out, "row " + std::to_string(row) + ": Done");
    return done;
}

// `rows` sources of kPagesPerRow pages appended to an existing o.pdf, each
// moved into "moved" once appended.
void LayOut(const std::string& folder, int rows) {
    std::filesystem::create_directories(folder + "/moved");
    ASSERT_TRUE(WriteFileBytes(folder + "/o.pdf", test::MakePdf(kPreviousPages, "previous")));
    std::string batch;
    for (int row = 1; row <= rows; ++row) {
        ASSERT_TRUE(WriteFileBytes(folder + "/" + SourceName(row),
                                   test::MakePdf(kPagesPerRow, SourceName(row))));
        batch += test::BatchLine(SourceName(row), "all", "moved", "o.pdf", "N", "N");
    }
    ASSERT_TRUE(WriteFileBytes(folder + "/job.app", batch));
}

// The live quorvel-docserver children of `parent` (by /proc/PID/stat's parent
// field and the executable name in /proc/PID/cmdline).
std::vector<pid_t> HelperChildren(pid_t parent) {
    std::vector<pid_t> helpers;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator("/proc", ec)) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        std::ifstream statFile(entry.path() / "stat");
        std::string stat;
        std::getline(statFile, stat);
        // pid (comm) state ppid ...: comm may hold spaces, so parse after ')'.
        const size_t close = stat.rfind(')');
        if (close == std::string::npos)
            continue;
        std::istringstream fields(stat.substr(close + 1));
        char state = 0;
        pid_t ppid = 0;
        fields >> state >> ppid;
        if (ppid != parent || state == 'Z')
            continue;
        std::ifstream cmdlineFile(entry.path() / "cmdline");
        std::string argv0;
        std::getline(cmdlineFile, argv0, '\0');
        if (std::filesystem::path(argv0).filename() == "quorvel-docserver")
            helpers.push_back(static_cast<pid_t>(std::stol(name)));
    }
    return helpers;
}

// The run's own messages on standard error. The helper writes to the same
// stream; a build with sanitizers has it report the signal there first.
std::string RunMessagesOf(const std::string& err) {
    const size_t first = err.rfind("quorvel: ", 0) == 0 ? 0 : err.find("\nquorvel: ");
    if (first == std::string::npos)
        return err;
    const std::string before = err.substr(0, first);
    EXPECT_TRUE(before.empty() || before.find("Sanitizer") != std::string::npos) << before;
    return err.substr(first == 0 ? 0 : first + 1);
}

class HelperCrashTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!test::CliHasCommand("run [--isolated]"))
            GTEST_SKIP() << "this quorvel-cli has no run --isolated";
    }
    CTempDir dir;
};

TEST_F(HelperCrashTest, IsolatedRunMatchesTheInProcessRun) {
    constexpr int kRows = 4;
    for (const std::string mode : {"in-process", "isolated"}) {
        SCOPED_TRACE(mode);
        const std::string folder = dir / mode;
        LayOut(folder, kRows);
        std::vector<std::string> args{"run", "job.app"};
        if (mode == "isolated")
            args.insert(args.begin() + 1, "--isolated");
        CliResult r = test::RunCli(args, folder, kTimeLimitSeconds);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.err, std::string(RunMessages::kDoneCaption) + ": " + RunMessages::kDone + "\n");
        EXPECT_EQ(RowsDone(r.out, kRows), kRows) << r.out;
        EXPECT_EQ(test::QpdfCheck(folder + "/o.pdf"), 0);
        EXPECT_EQ(test::QpdfPages(folder + "/o.pdf"), kPreviousPages + kRows * kPagesPerRow);
        for (int row = 1; row <= kRows; ++row)
            EXPECT_TRUE(test::PathExists(folder + "/moved/" + SourceName(row))) << row;
    }
}

TEST_F(HelperCrashTest, HelperKilledWithSigsegvMidRunEndsTheRunNotTheCli) {
    constexpr int kRows = 150;
    constexpr int kDoneBeforeKill = 3;
    const std::string folder = dir / "run";
    LayOut(folder, kRows);

    CCliProcess process({"run", "--isolated", "job.app"}, folder);
    ASSERT_TRUE(process.Started());
    // Wait for some rows to be done, then crash the helper that serves them.
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::duration<double>(kTimeLimitSeconds);
    bool killed = false;
    while (!killed && std::chrono::steady_clock::now() < deadline) {
        if (RowsDone(process.OutputSoFar(), kRows) >= kDoneBeforeKill) {
            for (pid_t helper : HelperChildren(process.Pid())) {
                ::kill(helper, SIGSEGV);
                killed = true;
            }
        }
        if (!killed)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    ASSERT_TRUE(killed) << "no helper found; output so far:\n" << process.OutputSoFar();
    CliResult r = process.Wait(kTimeLimitSeconds);
    r.err = RunMessagesOf(r.err);

    // quorvel-cli ends by itself, and not with "Done.".
    ASSERT_FALSE(r.timedOut);
    EXPECT_EQ(r.termSignal, 0);
    EXPECT_EQ(r.exitCode, 1) << r.err;
    const int done = RowsDone(r.out, kRows);
    ASSERT_LT(done, kRows) << "the run ended before the kill took effect";
    EXPECT_GE(done, kDoneBeforeKill);
    // Exactly one message: that of the step the helper died under. Either the
    // row after the last one done was in progress and stays so, or the run
    // was between rows and failed to create the next row's output document.
    const std::string current = SourceName(done + 1);
    const int processing = CountLines(r.out, "row " + std::to_string(done + 1) + ": Processing");
    EXPECT_EQ(r.out.find("row " + std::to_string(done + 2) + ":"), std::string::npos) << r.out;
    if (processing == 0) {
        EXPECT_EQ(r.err, test::AppMessage(RunMessages::kCreatePDDocFailed));
    } else {
        EXPECT_EQ(processing, 1) << r.out;
        const std::vector<std::string> stepMessages{
            test::AppMessage(std::string(RunMessages::kErrorOpeningFile) + "o.pdf"),
            test::AppMessage(std::string(RunMessages::kErrorOpeningFile) + current),
            test::AppMessage(RunMessages::kCantInsertPages),
            test::AppMessage(RunMessages::kFailedToCloseDoc),
            test::AppMessage(std::string(RunMessages::kFailedToSaveFile) + "o.pdf"),
        };
        EXPECT_THAT(stepMessages, ::testing::Contains(r.err));
    }
    RecordProperty("message", r.err);

    // The output is a complete file with the rows done. It holds the row in
    // progress too when the helper died after its save had replaced the file
    // but before the answer (or the close) reached the run.
    EXPECT_EQ(test::QpdfCheck(folder + "/o.pdf"), 0) << "the output is damaged";
    const long long pages = test::QpdfPages(folder + "/o.pdf");
    if (pages == kPreviousPages + (done + 1) * kPagesPerRow) {
        EXPECT_THAT(r.err,
                    ::testing::AnyOf(
                        test::AppMessage(RunMessages::kFailedToCloseDoc),
                        test::AppMessage(std::string(RunMessages::kFailedToSaveFile) + "o.pdf")));
    } else {
        EXPECT_EQ(pages, kPreviousPages + done * kPagesPerRow);
    }
    const std::string log = ReadFileBytes(folder + "/append.log");
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), done) << log;

    // Rows done were moved, the others were not touched; nothing is lost.
    for (int row = 1; row <= kRows; ++row) {
        const std::string here = folder + "/" + SourceName(row);
        const std::string moved = folder + "/moved/" + SourceName(row);
        const std::string& where = row <= done ? moved : here;
        EXPECT_EQ(ReadFileBytes(where), test::MakePdf(kPagesPerRow, SourceName(row))) << where;
        EXPECT_FALSE(test::PathExists(row <= done ? here : moved)) << SourceName(row);
    }
    // A save cut short leaves at most a hidden temporary file.
    const std::regex expected(R"(o\.pdf|job\.app|append\.log|moved|s\d+\.pdf|\..+[.~-]\w{6})");
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        EXPECT_TRUE(std::regex_match(entry.path().filename().string(), expected)) << entry.path();
}

// A call waits for the helper as long as it lives. A helper held still
// (SIGSTOP) for three seconds costs the run only that wait; Ctrl-C while it
// is held ends it after the grace and the run with the step's message; with
// --call-timeout a call that takes longer ends it the same way.
TEST_F(HelperCrashTest, CallsWaitForAStalledHelperUntilStopOrTheTimeLimit) {
    constexpr int kRows = 150;
    struct Case {
        const char* name;
        std::vector<std::string> options;
        double resumeAfter;    // SIGCONT after this many seconds (0: never)
        double interruptAfter; // Ctrl-C after this many seconds (0: never)
        double mostSeconds;    // from the stall to the end of quorvel-cli
    };
    const Case cases[] = {
        {"resumed", {}, 3, 0, kTimeLimitSeconds},
        {"interrupted", {}, 0, 0.5, 0.5 + kDocStopGraceMs / 1000.0 + 2.5},
        {"timed-out", {"--call-timeout", "1"}, 0, 0, 1 + 2.5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string folder = dir / c.name;
        LayOut(folder, kRows);
        std::vector<std::string> args{"run", "--isolated"};
        args.insert(args.end(), c.options.begin(), c.options.end());
        args.push_back("job.app");
        CCliProcess process(args, folder);
        ASSERT_TRUE(process.Started());
        std::vector<pid_t> helpers;
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::duration<double>(kTimeLimitSeconds);
        while (helpers.empty() && std::chrono::steady_clock::now() < deadline) {
            if (RowsDone(process.OutputSoFar(), kRows) >= 3)
                helpers = HelperChildren(process.Pid());
            else
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        ASSERT_EQ(helpers.size(), 1u) << process.OutputSoFar();
        ::kill(helpers[0], SIGSTOP);
        const auto stalled = std::chrono::steady_clock::now();
        auto after = [&](double seconds) {
            std::this_thread::sleep_until(stalled + std::chrono::duration<double>(seconds));
        };
        if (c.resumeAfter > 0) {
            after(c.resumeAfter);
            ::kill(helpers[0], SIGCONT);
        }
        if (c.interruptAfter > 0) {
            after(c.interruptAfter);
            process.Signal(SIGINT);
        }
        CliResult r = process.Wait(kTimeLimitSeconds);
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - stalled).count();
        ::kill(helpers[0], SIGCONT);
        r.err = RunMessagesOf(r.err);

        ASSERT_FALSE(r.timedOut);
        EXPECT_LT(seconds, c.mostSeconds);
        const int done = RowsDone(r.out, kRows);
        if (c.resumeAfter > 0) {
            EXPECT_EQ(r.exitCode, 0) << r.err;
            EXPECT_EQ(done, kRows);
            EXPECT_GE(seconds, c.resumeAfter);
        } else {
            EXPECT_EQ(r.exitCode, 1) << r.err;
            EXPECT_LT(done, kRows);
            // One message, that of the step the helper was given up under.
            EXPECT_EQ(r.err.rfind("quorvel: ", 0), 0u) << r.err;
            EXPECT_EQ(r.err.find("quorvel: ", 1), std::string::npos) << r.err;
            EXPECT_TRUE(HelperChildren(process.Pid()).empty());
        }
        // Every output row that was done is there, and nothing is left over.
        EXPECT_EQ(test::QpdfCheck(folder + "/o.pdf"), 0);
        EXPECT_GE(test::QpdfPages(folder + "/o.pdf"), kPreviousPages + done * kPagesPerRow);
        const std::regex expected(R"(o\.pdf|job\.app|append\.log|moved|s\d+\.pdf)");
        for (const auto& entry : std::filesystem::directory_iterator(folder))
            EXPECT_TRUE(std::regex_match(entry.path().filename().string(), expected))
                << entry.path();
    }
}

} // namespace
} // namespace quorvel
