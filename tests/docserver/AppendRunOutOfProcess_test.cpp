// The append run driving documents in the helper process: the run cannot tell
// the difference when all goes well, and survives the helper dying under it.

#include "common/MakePdf.h"
#include "common/RecordingHost.h"
#include "common/TempDir.h"
#include "docserver/OutOfProcessFactory.h"
#include "engine/AppendRun.h"
#include "engine/Settings.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

namespace quorvel {
namespace {

using ::testing::Contains;
using ::testing::HasSubstr;

class AppendRunOutOfProcessTest : public ::testing::Test {
protected:
    void AddRow(const std::string& file, int pages, const std::string& output,
                const std::string& create) {
        int row = jobs.AddRow("Yes", file);
        jobs.SetText(row, JobColumn::Filename, file);
        jobs.SetText(row, JobColumn::AppendParameters, "all");
        jobs.SetText(row, JobColumn::Pages, std::to_string(pages));
        jobs.SetText(row, JobColumn::Status, "Ready.");
        jobs.SetText(row, JobColumn::OutputFile, output);
        jobs.SetText(row, JobColumn::KeepBookmarks, "N");
        jobs.SetText(row, JobColumn::Create, create);
        jobs.SetText(row, JobColumn::Append, "Y");
        jobs.SetText(row, JobColumn::BookmarkFilename, "Y");
    }
    void Run(IAutomationFactory& factory) {
        OnAppendFiles(jobs, host, factory, settings, nullptr, state);
    }
    std::string Status(int row) const { return jobs.Text(row, JobColumn::Status); }

    test::CTempDir dir;
    CMemoryJobList jobs;
    test::CRecordingHost host;
    SetupSettings settings;
    AppendRunState state;
};

TEST_F(AppendRunOutOfProcessTest, RealDocumentsAreAppended) {
    ASSERT_TRUE(test::WriteFileBytes(dir / "a.pdf", test::MakePdf(3, "a")));
    ASSERT_TRUE(test::WriteFileBytes(dir / "b.pdf", test::MakePdf(2, "b")));
    AddRow(dir / "a.pdf", 3, dir / "out.pdf", "Y");
    AddRow(dir / "b.pdf", 2, dir / "out.pdf", "N");
    COutOfProcessFactory factory(
        std::make_shared<CDocServerConnection>(QUORVEL_DOCSERVER_REAL, 60000));
    Run(factory);
    EXPECT_EQ(Status(0), "Done");
    EXPECT_EQ(Status(1), "Done");
    EXPECT_EQ(test::PdfInfoPages(dir / "out.pdf"), 5);
    EXPECT_THAT(host.m_messages, Contains(HasSubstr("Done.")));
}

TEST_F(AppendRunOutOfProcessTest, AHelperCrashEndsTheRunNotTheProgram) {
    AddRow("/fake/2", 2, dir / "out.pdf", "Y");
    AddRow("/crash/segv", 1, dir / "out.pdf", "N");
    auto connection = std::make_shared<CDocServerConnection>(QUORVEL_DOCSERVER_FAKE, 10000);
    COutOfProcessFactory factory(connection);
    Run(factory);
    EXPECT_EQ(Status(0), "Done");
    EXPECT_EQ(Status(1), "Processing");
    EXPECT_FALSE(connection->IsRunning());
    EXPECT_THAT(host.m_messages, Contains(HasSubstr("/crash/segv")));

    // The next run gets a fresh helper.
    jobs.SetText(1, JobColumn::Filename, "/fake/4");
    jobs.SetText(1, JobColumn::Status, "Ready.");
    host.m_messages.clear();
    Run(factory);
    EXPECT_EQ(Status(1), "Done");
    EXPECT_EQ(connection->StartCount(), 2);
}

// A window that presses Stop once a call has kept it waiting `stopAfterMs`
// (never when negative), and counts how often it was kept alive.
class CBusyHost : public test::CRecordingHost {
public:
    CBusyHost(AppendRunState& state, int stopAfterMs)
        : m_state(state), m_nStopAfterMs(stopAfterMs) {}
    bool PumpWhileServerBusy(int elapsedMs) override {
        ++m_nBusyPumps;
        m_nLongestMs = std::max(m_nLongestMs, elapsedMs);
        if (m_nStopAfterMs >= 0 && elapsedMs >= m_nStopAfterMs)
            m_state.m_bStopRequested = true;
        return !m_state.m_bStopRequested;
    }
    void ServerCallEnded() override { ++m_nCallsEnded; }

    AppendRunState& m_state;
    int m_nStopAfterMs;
    int m_nBusyPumps = 0;
    int m_nLongestMs = 0;
    int m_nCallsEnded = 0;
};

// A call waits as long as the helper lives, keeping the window alive
// meanwhile; Stop during a call ends the helper after a short grace and the
// run with that step's message, as a helper crash does.
TEST_F(AppendRunOutOfProcessTest, SlowCallsAreWaitedForAndStopGivesUpOnThem) {
    struct Case {
        const char* source;
        int stopAfterMs;
        const char* status;
        double mostSeconds;
    };
    const Case cases[] = {
        {"/slow/3000", -1, "Done", 20},
        {"/slow/30000", 500, "Processing", 0.5 + kDocStopGraceMs / 1000.0 + 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.source);
        CMemoryJobList list;
        const int row = list.AddRow("Yes", "");
        list.SetText(row, JobColumn::Filename, c.source);
        list.SetText(row, JobColumn::AppendParameters, "all");
        list.SetText(row, JobColumn::Pages, "1");
        list.SetText(row, JobColumn::OutputFile, dir / "out.pdf");
        list.SetText(row, JobColumn::Create, "Y");
        AppendRunState runState;
        CBusyHost busy(runState, c.stopAfterMs);
        auto connection = std::make_shared<CDocServerConnection>(QUORVEL_DOCSERVER_FAKE);
        connection->SetWaitHost(&busy);
        COutOfProcessFactory factory(connection);
        const auto start = std::chrono::steady_clock::now();
        OnAppendFiles(list, busy, factory, settings, nullptr, runState);
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

        EXPECT_EQ(list.Text(row, JobColumn::Status), c.status);
        EXPECT_LT(seconds, c.mostSeconds);
        EXPECT_GT(busy.m_nBusyPumps, 10) << "the window was not kept alive";
        EXPECT_GE(busy.m_nCallsEnded, 1);
        if (c.stopAfterMs < 0) {
            EXPECT_GE(busy.m_nLongestMs, 2900);
            EXPECT_THAT(busy.m_messages, ::testing::ElementsAre("owned Quorvel: Done."));
        } else {
            EXPECT_THAT(
                busy.m_messages,
                ::testing::ElementsAre(std::string("quorvel: Error Opening File : ") + c.source));
            EXPECT_FALSE(connection->IsRunning());
        }
    }
}

} // namespace
} // namespace quorvel
