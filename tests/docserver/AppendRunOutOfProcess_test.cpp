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

} // namespace
} // namespace quorvel
