// quorvel-cli run and pages on generated PDFs, through the real document
// server: output pages and their order, log records, padding, bookmarks and
// moving sources.

#include "cli/CliRun.h"
#include "common/MakePdf.h"
#include "common/TempDir.h"
#include "support/PageCountProbe.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <poppler-document.h>
#include <poppler-page.h>
#include <poppler-toc.h>

#include <memory>
#include <sstream>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace quorvel {
namespace {

using test::CTempDir;
using test::RunCli;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

struct Entry {
    std::string file;
    std::string params = "all";
    std::string create = "N";
    std::string moveDir = "";
    std::string keep = "N";
    std::string bookmarkName = "N";
    bool selected = true;
};

// One batch line: ten fields joined by "; ", CR CR LF at the end. An empty
// field is written as a blank so that it keeps its place.
std::string BatchLine(const Entry& e) {
    auto f = [](const std::string& s) { return s.empty() ? std::string(" ") : s; };
    return (e.selected ? "" : "~") + e.file + "; " + f(e.params) + "; 0; Ready.; " + f(e.moveDir) +
           "; out.pdf; " + e.keep + "; " + e.create + "; Y; " + e.bookmarkName + "\r\r\n";
}

class CliRunTest : public ::testing::Test {
protected:
    void MakeSource(const std::string& name, int pages) {
        // qpdf rewrites the generated file, as a real producer would.
        ASSERT_TRUE(test::WriteFileBytes(dir / "raw.pdf", test::MakePdf(pages, name)));
        ASSERT_TRUE(test::RunCommand("qpdf '" + (dir / "raw.pdf") + "' '" + (dir / name) + "'"))
            << "qpdf command failed";
    }
    void WriteBatch(const std::vector<Entry>& entries) {
        std::string text;
        for (const Entry& e : entries)
            text += BatchLine(e);
        ASSERT_TRUE(test::WriteFileBytes(dir / "job.app", text));
    }
    // The first word pair of every page's text ("a.pdf 2"), in page order.
    std::vector<std::string> PageTexts(const std::string& name) const {
        std::unique_ptr<poppler::document> doc(
            poppler::document::load_from_file(dir / name, "", ""));
        std::vector<std::string> texts;
        if (!doc)
            return texts;
        for (int i = 0; i < doc->pages(); ++i) {
            std::unique_ptr<poppler::page> page(doc->create_page(i));
            auto bytes = page->text().to_utf8();
            std::istringstream words(std::string(bytes.begin(), bytes.end()));
            std::string label, number;
            words >> label >> number;
            texts.push_back(label + " " + number);
        }
        return texts;
    }
    std::vector<std::string> Bookmarks(const std::string& name) const {
        std::unique_ptr<poppler::document> doc(
            poppler::document::load_from_file(dir / name, "", ""));
        std::vector<std::string> titles;
        if (!doc)
            return titles;
        std::unique_ptr<poppler::toc> toc(doc->create_toc());
        if (!toc)
            return titles;
        for (poppler::toc_item* item : toc->root()->children()) {
            auto bytes = item->title().to_utf8();
            titles.emplace_back(bytes.begin(), bytes.end());
        }
        return titles;
    }

    CTempDir dir;
};

TEST_F(CliRunTest, RowsAppendInOrderAndAreLogged) {
    MakeSource("a.pdf", 3);
    MakeSource("b.pdf", 2);
    MakeSource("c.pdf", 4);
    WriteBatch({{.file = "a.pdf", .create = "Y"},
                {.file = "b.pdf", .params = "2,1"},
                {.file = "c.pdf", .params = "3-4"},
                {.file = "c.pdf", .params = ""},
                {.file = "c.pdf", .selected = false}});
    auto r = RunCli({"run", "job.app"}, dir.Path());
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "row 1: Processing\nrow 1: Done\nrow 2: Processing\nrow 2: Done\n"
                     "row 3: Processing\nrow 3: Done\n");
    EXPECT_EQ(r.err, "Quorvel: Done.\n");
    EXPECT_THAT(PageTexts("out.pdf"), ElementsAre("a.pdf 1", "a.pdf 2", "a.pdf 3", "b.pdf 2",
                                                  "b.pdf 1", "c.pdf 3", "c.pdf 4"));

    const std::string log = test::ReadFileBytes(dir / "append.log");
    ASSERT_EQ(log.size(), 3u * 241u) << log;
    for (int i = 0; i < 3; ++i) {
        const std::string record = log.substr(static_cast<size_t>(i) * 241, 241);
        SCOPED_TRACE(record);
        EXPECT_EQ(record.substr(239), "\r\n");
        EXPECT_EQ(record.substr(32, 7), "out.pdf");
        EXPECT_EQ(record.substr(159, 5), std::string(1, "abc"[i]) + ".pdf");
        EXPECT_EQ(record[22], '\t');
        // The size of the output right after that row's save.
        EXPECT_NE(std::atoi(record.substr(23, 8).c_str()), 0);
    }
    // Running it again replaces the output (the first entry creates it).
    r = RunCli({"run", "job.app"}, dir.Path());
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(ProbePdfPageCount(dir / "out.pdf"), 7);
    EXPECT_EQ(test::ReadFileBytes(dir / "append.log").size(), 6u * 241u);
}

TEST_F(CliRunTest, SourcesAreMovedAfterTheirAppend) {
    MakeSource("a.pdf", 1);
    MakeSource("b.pdf", 1);
    WriteBatch({{.file = "a.pdf", .create = "Y", .moveDir = "done"},
                {.file = "b.pdf", .moveDir = dir / "done/"}});
    auto r = RunCli({"run", "job.app"}, dir.Path());
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(test::PathExists(dir / "done/a.pdf"));
    EXPECT_TRUE(test::PathExists(dir / "done/b.pdf"));
    EXPECT_FALSE(test::PathExists(dir / "a.pdf"));
    EXPECT_FALSE(test::PathExists(dir / "b.pdf"));
    EXPECT_EQ(ProbePdfPageCount(dir / "done/a.pdf"), 1);
    EXPECT_THAT(PageTexts("out.pdf"), ElementsAre("a.pdf 1", "b.pdf 1"));
}

TEST_F(CliRunTest, PaddingFromSetupIniAndFilenameBookmarks) {
    MakeSource("a.pdf", 3);
    MakeSource("b.pdf", 2);
    MakeSource("blank.pdf", 1);
    ASSERT_TRUE(test::WriteFileBytes(dir / "setup.ini", "ODDEVERY;" + (dir / "blank.pdf") +
                                                            "\r\nODDFINAL;\r\nONEACH;\r\n"));
    WriteBatch({{.file = "a.pdf", .params = "1,3", .create = "Y", .bookmarkName = "Y"},
                {.file = "b.pdf", .params = "1", .bookmarkName = "Y"}});
    auto r = RunCli({"run", "job.app"}, dir.Path());
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_THAT(PageTexts("out.pdf"), ElementsAre("a.pdf 1", "a.pdf 3", "b.pdf 1", "blank.pdf 1"));
    EXPECT_THAT(Bookmarks("out.pdf"), ElementsAre("a.pdf", "a.pdf", "b.pdf"));
}

TEST_F(CliRunTest, FailureEndsTheRunWithExitCodeOne) {
    MakeSource("a.pdf", 2);
    WriteBatch({{.file = "a.pdf", .params = "1-5", .create = "Y"}, {.file = "a.pdf"}});
    auto r = RunCli({"run", "job.app"}, dir.Path());
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "row 1: Processing\n");
    EXPECT_EQ(r.err, "quorvel: Error! can't insert pages\nPlease make sure Acrobat is running NOT "
                     "Adobe Reader\n");
    EXPECT_FALSE(test::PathExists(dir / "out.pdf"));
    EXPECT_EQ(test::ReadFileBytes(dir / "append.log"), "");
}

TEST_F(CliRunTest, CreatingOverTheRowsOwnSourceKeepsItsPages) {
    MakeSource("out.pdf", 3);
    WriteBatch({{.file = "out.pdf", .params = "3,1", .create = "Y"}});
    auto r = RunCli({"run", "job.app"}, dir.Path());
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_THAT(PageTexts("out.pdf"), ElementsAre("out.pdf 3", "out.pdf 1"));
}

// Ctrl-C in the middle of a run stops it as the "Stop" button does: no
// "Done.", exit code 1, the rows after the stop untouched.
TEST_F(CliRunTest, InterruptStopsTheRun) {
    MakeSource("a.pdf", 5);
    std::vector<Entry> entries;
    for (int i = 0; i < 60; ++i)
        entries.push_back({.file = "a.pdf", .create = i == 0 ? "Y" : "N"});
    WriteBatch(entries);

    int out[2];
    ASSERT_EQ(::pipe(out), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const std::string cli = QUORVEL_CLI_PATH;
    const std::string script = "cd '" + dir.Path() + "' && exec '" + cli + "' run job.app";
    char* argv[] = {const_cast<char*>("sh"), const_cast<char*>("-c"),
                    const_cast<char*>(script.c_str()), nullptr};
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, "/bin/sh", &actions, nullptr, argv, environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);

    std::string text;
    bool interrupted = false;
    char buffer[256];
    for (ssize_t n; (n = ::read(out[0], buffer, sizeof buffer)) > 0;) {
        text.append(buffer, static_cast<size_t>(n));
        if (!interrupted && text.find("row 1: Done\n") != std::string::npos) {
            ::kill(pid, SIGINT);
            interrupted = true;
        }
    }
    ::close(out[0]);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by a signal: " << text;
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_THAT(text, HasSubstr("row 1: Done\n"));
    EXPECT_EQ(text.find("row 60:"), std::string::npos) << text;
    const bool stopped = text.find(": Stopped\n") != std::string::npos;
    const bool endsDone = text.size() >= 5 && text.substr(text.size() - 5) == "Done\n";
    EXPECT_TRUE(stopped || endsDone) << text;
}

TEST_F(CliRunTest, MissingBatchFileAndUsage) {
    auto r = RunCli({"run", "none.app"}, dir.Path());
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "Can't read append parameters file.: none.app\n");
    r = RunCli({"run"}, dir.Path());
    EXPECT_EQ(r.exitCode, 2);
}

TEST_F(CliRunTest, PagesCountsWithTheLibraryAndFallsBackToTheServer) {
    MakeSource("a.pdf", 3);
    ASSERT_TRUE(test::WriteFileBytes(dir / "junk.pdf", "junk\n" + test::MakePdf(2)));
    ASSERT_TRUE(test::WriteFileBytes(dir / "text.pdf", "not a pdf"));
    auto r = RunCli({"pages", "a.pdf", "junk.pdf", "text.pdf"}, dir.Path());
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "3\ta.pdf\n2\tjunk.pdf\n0\ttext.pdf\n");
    EXPECT_EQ(r.err, "quorvel: Error Opening File : text.pdf\n");
    EXPECT_EQ(RunCli({"pages", "a.pdf"}, dir.Path()).exitCode, 0);
}

// FIFOs and devices never stall a command, in process or in the helper:
// each is refused as a file that cannot be opened, wherever it is named.
TEST_F(CliRunTest, SpecialFilesNeverHang) {
    MakeSource("a.pdf", 1);
    ASSERT_EQ(::mkfifo((dir / "fifo.pdf").c_str(), 0600), 0);
    ASSERT_EQ(::mkfifo((dir / "fifo.app").c_str(), 0600), 0);
    ASSERT_EQ(::mkfifo((dir / "fifo.lst").c_str(), 0600), 0);
    ASSERT_EQ(::symlink("/dev/zero", (dir / "zero.pdf").c_str()), 0);
    ASSERT_TRUE(test::WriteFileBytes(dir / "fifo-source.app", BatchLine({.file = "fifo.pdf"})));
    ASSERT_TRUE(test::WriteFileBytes(dir / "zero-source.app", BatchLine({.file = "zero.pdf"})));
    ASSERT_TRUE(test::WriteFileBytes(dir / "a-then-zero-out.app",
                                     BatchLine({.file = "a.pdf"}) + "a.pdf; all; 1; Ready.;  ; "
                                                                    "zero.pdf; N; N; Y; N\r\r\n"));
    struct Case {
        std::vector<std::string> args;
        std::string err; // what standard error holds
    };
    const Case cases[] = {
        {{"pages", "fifo.pdf"}, "quorvel: Error Opening File : fifo.pdf\n"},
        {{"pages", "zero.pdf"}, "quorvel: Error Opening File : zero.pdf\n"},
        {{"run", "fifo.app"}, "Can't read append parameters file.: fifo.app\n"},
        {{"scan", "list", "--output", "o.pdf", "fifo.lst"}, "fifo.lst"},
        {{"run", "fifo-source.app"}, "quorvel: Error Opening File : fifo.pdf\n"},
        {{"run", "--isolated", "zero-source.app"}, "quorvel: Error Opening File : zero.pdf\n"},
        {{"run", "a-then-zero-out.app"}, "quorvel: Error Opening File : zero.pdf\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.back());
        auto r = RunCli(c.args, dir.Path(), 60);
        EXPECT_FALSE(r.timedOut);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_THAT(r.err, HasSubstr(c.err));
    }
}

} // namespace
} // namespace quorvel
