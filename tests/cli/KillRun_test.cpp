// quorvel-cli run killed with SIGKILL at random moments of a 50-row run into
// one output, each row moving its source away afterwards. Whenever the kill
// lands, the output must be a complete file holding the earlier output and
// the pages of the rows done so far, every source must still exist (in its
// folder or the move folder), and nothing left behind may look like output.

#include "cli/CliRun.h"
#include "cli/OutputCheck.h"
#include "common/MakePdf.h"
#include "common/TempDir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <random>
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

constexpr int kRows = 50;
constexpr int kPagesPerRow = 2;
constexpr int kPreviousPages = 1;
constexpr int kKills = 5;
constexpr double kTimeLimitSeconds = 120;

std::string SourceName(int row) {
    return "s" + std::to_string(row) + ".pdf";
}

// The batch and its files, laid out afresh in `folder` for every run: the
// previous output, one source per row and the move folder.
void LayOut(const std::string& folder) {
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder + "/moved");
    ASSERT_TRUE(WriteFileBytes(folder + "/o.pdf", test::MakePdf(kPreviousPages, "previous")));
    std::string batch;
    for (int row = 1; row <= kRows; ++row) {
        ASSERT_TRUE(WriteFileBytes(folder + "/" + SourceName(row),
                                   test::MakePdf(kPagesPerRow, SourceName(row))));
        batch += test::BatchLine(SourceName(row), "all", "moved", "o.pdf", "N", "N");
    }
    ASSERT_TRUE(WriteFileBytes(folder + "/job.app", batch));
}

class KillRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!test::CliHasCommand("run") || !test::CliHasCommand("pages"))
            GTEST_SKIP() << "this quorvel-cli has no run and pages commands";
    }

    // Checks what a run that ended (by itself or killed) left in `folder`.
    // `done` is the number of rows that printed "Done" before the end.
    void CheckLeftovers(const std::string& folder, int done, bool killed) {
        // The output: the previous file or a complete later one. A row saves
        // before it prints "Done", so a kill between the two leaves one row
        // more in the output than the printed statuses say.
        const long long pages = test::QpdfPages(folder + "/o.pdf");
        EXPECT_EQ(test::QpdfCheck(folder + "/o.pdf"), 0) << "the output is damaged";
        const long long rowsInOutput = (pages - kPreviousPages) / kPagesPerRow;
        EXPECT_EQ((pages - kPreviousPages) % kPagesPerRow, 0) << pages << " pages";
        EXPECT_GE(rowsInOutput, done);
        EXPECT_LE(rowsInOutput, killed ? done + 1 : done);

        // Every source exists, unchanged, in its folder or the move folder
        // (in both when the kill came between the copy and the delete).
        for (int row = 1; row <= kRows; ++row) {
            const std::string bytes = test::MakePdf(kPagesPerRow, SourceName(row));
            const std::string here = folder + "/" + SourceName(row);
            const std::string moved = folder + "/moved/" + SourceName(row);
            const bool atHome = test::PathExists(here), wasMoved = test::PathExists(moved);
            EXPECT_TRUE(atHome || wasMoved) << SourceName(row) << " is lost";
            if (atHome) {
                EXPECT_EQ(ReadFileBytes(here), bytes) << here;
            }
            if (wasMoved) {
                EXPECT_EQ(ReadFileBytes(moved), bytes) << moved;
            }
            // Rows after the one in progress are never touched.
            if (row > done + 1) {
                EXPECT_TRUE(atHome && !wasMoved) << SourceName(row);
            }
        }

        // Temporary files of an interrupted save or move may stay behind;
        // they are hidden and never end in ".pdf", so no one takes them for
        // an output or a source.
        const std::regex hiddenTemp(R"(\..+[.~-][A-Za-z0-9]{6})");
        for (const std::string& sub : {std::string(), std::string("/moved")}) {
            for (const auto& entry : std::filesystem::directory_iterator(folder + sub)) {
                const std::string name = entry.path().filename().string();
                const bool expected = name == "o.pdf" || name == "job.app" ||
                                      name == "append.log" || name == "moved" ||
                                      std::regex_match(name, std::regex(R"(s\d+\.pdf)"));
                if (expected)
                    continue;
                EXPECT_TRUE(killed && std::regex_match(name, hiddenTemp))
                    << "left behind: " << sub << "/" << name;
                ++m_nTempFilesLeft;
            }
        }

        // The log holds whole records only, one per saved row at most.
        const std::string log = ReadFileBytes(folder + "/append.log");
        EXPECT_TRUE(log.empty() || log.back() == '\n') << "a log record was cut";
        const long long records = std::count(log.begin(), log.end(), '\n');
        EXPECT_GE(records, done);
        EXPECT_LE(records, rowsInOutput);
    }

    CTempDir dir;
    int m_nTempFilesLeft = 0;
};

TEST_F(KillRunTest, OutputAndSourcesSurviveSigkillAnywhere) {
    unsigned seed = 20261207;
    if (const char* text = std::getenv("QUORVEL_KILL_SEED"))
        seed = static_cast<unsigned>(std::strtoul(text, nullptr, 10));
    SCOPED_TRACE("seed " + std::to_string(seed) + " (set QUORVEL_KILL_SEED to repeat another)");
    std::mt19937 random(seed);
    const std::string folder = dir / "run";

    // One whole run first: it shows the run works and how long it takes.
    LayOut(folder);
    const auto start = std::chrono::steady_clock::now();
    CliResult whole = test::RunCli({"run", "job.app"}, folder, kTimeLimitSeconds);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    ASSERT_EQ(whole.exitCode, 0) << whole.err;
    ASSERT_EQ(CountLines(whole.out, "row 50: Done"), 1);
    CheckLeftovers(folder, kRows, false);
    ASSERT_EQ(test::QpdfPages(folder + "/o.pdf"), kPreviousPages + kRows * kPagesPerRow);

    std::uniform_real_distribution<double> when(0.0, seconds);
    for (int kill = 0; kill < kKills; ++kill) {
        const double delay = when(random);
        SCOPED_TRACE("kill after " + std::to_string(delay) + " s of " + std::to_string(seconds));
        LayOut(folder);
        CCliProcess process({"run", "job.app"}, folder);
        ASSERT_TRUE(process.Started());
        std::this_thread::sleep_for(std::chrono::duration<double>(delay));
        process.Signal(SIGKILL);
        CliResult r = process.Wait(kTimeLimitSeconds);
        int done = 0;
        for (int row = 1; row <= kRows; ++row)
            done += CountLines(r.out, "row " + std::to_string(row) + ": Done");
        CheckLeftovers(folder, done, r.termSignal == SIGKILL);
    }
    RecordProperty("temp_files_left", m_nTempFilesLeft);
}

} // namespace
} // namespace quorvel
