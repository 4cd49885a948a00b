// The append run against a recording document server: call order, statuses,
// every failure message and the stop button.

#include "engine/AppendRun.h"

#include "common/RecordingAutomation.h"
#include "common/RecordingHost.h"
#include "common/TempDir.h"
#include "engine/RunMessages.h"
#include "engine/Settings.h"
#include "support/AppendLog.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include <sys/stat.h>
#include <unistd.h>

namespace quorvel {
namespace {

using test::CRecordingFactory;
using test::CRecordingHost;
using test::CTempDir;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

struct Row {
    std::string file;
    std::string params = "all";
    std::string pages = "5";
    std::string output = "out.pdf";
    std::string create = "Y";
    std::string selected = "Yes";
    std::string keep = "N";
    std::string bookmarkName = "N";
    std::string moveDir = "";
};

class AppendRunTest : public ::testing::Test {
protected:
    AppendRunTest() : factory(dir.Path() + "/"), host(factory.Log()) {}

    // Adds a row; relative file, output and move paths are taken in the
    // temporary folder.
    void AddRow(const Row& r) {
        int row = jobs.AddRow(r.selected, r.file);
        jobs.SetText(row, JobColumn::Filename, InDir(r.file));
        jobs.SetText(row, JobColumn::AppendParameters, r.params);
        jobs.SetText(row, JobColumn::Pages, r.pages);
        jobs.SetText(row, JobColumn::Status, "Ready.");
        jobs.SetText(row, JobColumn::MoveToDirectory, InDir(r.moveDir));
        jobs.SetText(row, JobColumn::OutputFile, InDir(r.output));
        jobs.SetText(row, JobColumn::KeepBookmarks, r.keep);
        jobs.SetText(row, JobColumn::Create, r.create);
        jobs.SetText(row, JobColumn::Append, "Y");
        jobs.SetText(row, JobColumn::BookmarkFilename, r.bookmarkName);
    }
    std::string InDir(const std::string& name) const {
        return name.empty() || name[0] == '/' ? name : dir / name;
    }
    void Run() { OnAppendFiles(jobs, host, factory, settings, nullptr, state); }
    // The run as a click on "Stop" reaches it through one of the run's pumps.
    void PressStopOnPump(int n) {
        host.OnPump(n, [this] { OnAppendFiles(jobs, host, factory, settings, nullptr, state); });
    }
    std::string Status(int row) const { return jobs.Text(row, JobColumn::Status); }
    std::vector<std::string> Pages(const std::string& name) const {
        return factory.Document(InDir(name)).pages;
    }
    std::vector<std::string> Trace() const { return factory.CallsWithout({"GetNumPages"}); }
    bool Called(const std::string& line) const {
        for (const auto& call : factory.Calls())
            if (call == line)
                return true;
        return false;
    }

    CTempDir dir;
    CRecordingFactory factory;
    CRecordingHost host;
    CMemoryJobList jobs;
    SetupSettings settings;
    AppendRunState state;
};

TEST_F(AppendRunTest, EmptyListDoesNothingButClearTheStopRequest) {
    state.m_bStopRequested = true;
    Run();
    EXPECT_FALSE(state.m_bStopRequested);
    EXPECT_THAT(*factory.Log(), IsEmpty());
    EXPECT_EQ(host.m_nTerminations, 0);
    EXPECT_EQ(host.m_strLabel, "Append Files");
}

TEST_F(AppendRunTest, ClickWhileLabelReadsStopOnlyRequestsTheStop) {
    factory.AddFile(dir / "src.pdf", 5);
    AddRow({.file = "src.pdf"});
    host.m_strLabel = "Stop";
    Run();
    EXPECT_TRUE(state.m_bStopRequested);
    EXPECT_THAT(*factory.Log(), IsEmpty());
    EXPECT_EQ(Status(0), "Ready.");
}

TEST_F(AppendRunTest, RowsWithoutWorkStillConnectAndEndWithDone) {
    factory.AddFile(dir / "src.pdf", 5);
    AddRow({.file = "src.pdf", .selected = "No"});
    AddRow({.file = "src.pdf", .params = ""});
    AddRow({.file = "src.pdf", .selected = "yes"});
    Run();
    EXPECT_THAT(*factory.Log(),
                ElementsAre("[terminate readers]", "[label] Stop", "[connect dialog shown]",
                            "CreateObject AcroExch.App", "[connect dialog closed]",
                            "CreateObject AcroExch.AVDoc", "CreateObject AcroExch.PDDoc",
                            "CreateObject AcroExch.PDDoc", "CreateObject AcroExch.PDDoc",
                            "CreateObject AcroExch.PDDoc", "CreateObject AcroExch.PDDoc",
                            "CloseAllDocs", "Exit", "[owned message] Quorvel: Done.",
                            "[label] Append Files"));
    EXPECT_EQ(host.m_nPumps, 3);
    EXPECT_EQ(Status(0), "Ready.");
}

TEST_F(AppendRunTest, OneRowCreatesSavesAndLogsInOrder) {
    factory.AddFile(dir / "src.pdf", 5);
    AddRow({.file = "src.pdf", .params = "1-2,4"});
    CAppendLog log;
    ASSERT_TRUE(log.Open(dir / "append.log"));
    OnAppendFiles(jobs, host, factory, settings, &log, state);

    EXPECT_THAT(Trace(),
                ElementsAre("[terminate readers]", "[label] Stop", "[connect dialog shown]",
                            "CreateObject AcroExch.App", "[connect dialog closed]",
                            "CreateObject AcroExch.AVDoc", "CreateObject AcroExch.PDDoc",
                            "CreateObject AcroExch.PDDoc", "[status] row 0: Processing",
                            "[repaint]", "Create", "Open src.pdf", "InsertPages -1 src 0 2 0",
                            "InsertPages 1 src 3 1 0", "Close src", "Save 0x21 out.pdf",
                            "Close new", "[status] row 0: Done", "CreateObject AcroExch.PDDoc",
                            "CloseAllDocs", "Exit", "[owned message] Quorvel: Done.",
                            "[label] Append Files"));
    EXPECT_THAT(Pages("out.pdf"), ElementsAre("src:1", "src:2", "src:4"));
    EXPECT_EQ(Status(0), "Done");
    EXPECT_EQ(host.m_nPumps, 5);
    std::string logText = test::ReadFileBytes(dir / "append.log");
    EXPECT_NE(logText.find(dir / "out.pdf"), std::string::npos);
    EXPECT_NE(logText.find(dir / "src.pdf"), std::string::npos);
}

TEST_F(AppendRunTest, RowsNamingOneOutputAppendInListOrder) {
    factory.AddFile(dir / "a.pdf", 3);
    factory.AddFile(dir / "b.pdf", 2);
    factory.AddFile(dir / "c.pdf", 4);
    AddRow({.file = "a.pdf", .params = "2-3", .pages = "3", .create = "Y"});
    AddRow({.file = "b.pdf", .params = "all", .pages = "2", .create = "N"});
    AddRow({.file = "c.pdf", .params = "4,1", .pages = "4", .create = "N"});
    Run();
    EXPECT_THAT(Pages("out.pdf"), ElementsAre("a:2", "a:3", "b:1", "b:2", "c:4", "c:1"));
    EXPECT_EQ(std::count(factory.Calls().begin(), factory.Calls().end(), "Create"), 1);
    EXPECT_TRUE(Called("Open out.pdf"));
    EXPECT_TRUE(Called("InsertPages 1 b 0 2 0"));
    EXPECT_THAT(host.m_statuses,
                ElementsAre("row 0: Processing", "row 0: Done", "row 1: Processing", "row 1: Done",
                            "row 2: Processing", "row 2: Done"));
}

TEST_F(AppendRunTest, CreateDecisionFollowsFlagAndOutputPresence) {
    struct Case {
        const char* create;
        bool outputExists;
        bool expectCreate;
        std::vector<std::string> pages;
    };
    const Case cases[] = {
        {"Y", true, true, {"src:1"}},
        {"Y", false, true, {"src:1"}},
        {"N", false, true, {"src:1"}},
        {"N", true, false, {"old:1", "old:2", "src:1"}},
        {"y", true, false, {"old:1", "old:2", "src:1"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("create ") + c.create + (c.outputExists ? ", exists" : ""));
        CTempDir d;
        CRecordingFactory f(d.Path() + "/");
        CRecordingHost h(f.Log());
        CMemoryJobList list;
        f.AddFile(d / "src.pdf", 3);
        if (c.outputExists) {
            f.AddFile(d / "old.pdf", 2);
            f.m_store[d / "out.pdf"] = f.Document(d / "old.pdf");
            test::WriteFileBytes(d / "out.pdf", "%PDF-old");
        }
        int row = list.AddRow("Yes", "");
        list.SetText(row, JobColumn::Filename, d / "src.pdf");
        list.SetText(row, JobColumn::AppendParameters, "1");
        list.SetText(row, JobColumn::Pages, "3");
        list.SetText(row, JobColumn::OutputFile, d / "out.pdf");
        list.SetText(row, JobColumn::Create, c.create);
        OnAppendFiles(list, h, f, settings, nullptr, state);
        bool created = false;
        for (const auto& call : f.Calls())
            created = created || call == "Create";
        EXPECT_EQ(created, c.expectCreate);
        EXPECT_EQ(f.Document(d / "out.pdf").pages, c.pages);
        EXPECT_EQ(list.Text(row, JobColumn::Status), "Done");
    }
}

TEST_F(AppendRunTest, PageCountComesFromThePagesColumn) {
    factory.AddFile(dir / "src.pdf", 5);
    AddRow({.file = "src.pdf", .params = "all", .pages = "3"});
    Run();
    EXPECT_TRUE(Called("InsertPages -1 src 0 3 0"));
    EXPECT_EQ(Status(0), "Done");
}

TEST_F(AppendRunTest, ExpansionWithoutRangesStillSavesTheOutput) {
    factory.AddFile(dir / "src.pdf", 5);
    AddRow({.file = "src.pdf", .params = "ALL"});
    Run();
    EXPECT_THAT(Trace(), ::testing::Contains("Save 0x21 out.pdf"));
    EXPECT_FALSE(Called("InsertPages -1 src 0 5 0"));
    EXPECT_TRUE(factory.HasDocument(dir / "out.pdf"));
    EXPECT_THAT(Pages("out.pdf"), IsEmpty());
    EXPECT_EQ(Status(0), "Done");
}

TEST_F(AppendRunTest, KeepBookmarksSetsTheCopyFlagOfEveryRange) {
    factory.AddFile(dir / "src.pdf", 5);
    AddRow({.file = "src.pdf", .params = "1,3", .keep = "Y"});
    AddRow({.file = "src.pdf", .params = "2", .create = "N", .keep = "yes"});
    Run();
    EXPECT_TRUE(Called("InsertPages -1 src 0 1 1"));
    EXPECT_TRUE(Called("InsertPages 0 src 2 1 1"));
    EXPECT_TRUE(Called("InsertPages 1 src 1 1 0"));
}

TEST_F(AppendRunTest, DoubledSeparatorsInTheOutputPathReadAsOne) {
    factory.AddFile(dir / "src.pdf", 1);
    ::mkdir((dir / "sub").c_str(), 0777);
    AddRow({.file = "src.pdf", .params = "1", .output = dir.Path() + "//sub//out.pdf"});
    CAppendLog log;
    ASSERT_TRUE(log.Open(dir / "append.log"));
    OnAppendFiles(jobs, host, factory, settings, &log, state);
    EXPECT_TRUE(Called("Save 0x21 sub/out.pdf"));
    EXPECT_NE(test::ReadFileBytes(dir / "append.log").find(dir / "sub/out.pdf"), std::string::npos);
}

TEST_F(AppendRunTest, FilenameBookmarkAtTheFirstPageOfEachRange) {
    factory.AddFile(dir / "src.pdf", 6);
    AddRow({.file = "src.pdf", .params = "1-2,5-6", .pages = "6", .bookmarkName = "Y"});
    Run();
    auto doc = factory.Document(dir / "out.pdf");
    using Mark = std::pair<std::string, int>;
    EXPECT_THAT(doc.bookmarks, ElementsAre(Mark{"src.pdf", 0}, Mark{"src.pdf", 2}));
    EXPECT_THAT(Trace(), ::testing::IsSupersetOf({"OpenAVDoc out.pdf", "GoTo 2"}));
    auto calls = Trace();
    auto first = std::find(calls.begin(), calls.end(), "InsertPages -1 src 0 2 0");
    ASSERT_NE(first, calls.end());
    EXPECT_THAT(std::vector<std::string>(first + 1, first + 8),
                ElementsAre("OpenAVDoc out.pdf", "GetAVPageView", "GoTo 0",
                            "MenuItemExecute NewBookmark", "CreateObject AcroExch.PDBookmark",
                            "GetByTitle Untitled", "SetTitle src.pdf"));
}

TEST_F(AppendRunTest, FilenameBookmarkFailuresLetTheRunGoOn) {
    struct Case {
        const char* fail;
        std::vector<std::string> messages;
        std::vector<std::pair<std::string, int>> bookmarks;
    };
    const Case cases[] = {
        {"CreateObject AcroExch.PDBookmark",
         {"quorvel: Failed to create PDBookmark object", "owned Quorvel: Done."},
         {{"Untitled", 0}}},
        {"MenuItemExecute", {"owned Quorvel: Done."}, {}},
        {"GetByTitle", {"owned Quorvel: Done."}, {{"Untitled", 0}}},
        {"OpenAVDoc", {"owned Quorvel: Done."}, {}},
        {"GetAVPageView", {"owned Quorvel: Done."}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fail);
        CTempDir d;
        CRecordingFactory f(d.Path() + "/");
        CRecordingHost h(f.Log());
        CMemoryJobList list;
        f.AddFile(d / "src.pdf", 2);
        f.FailOn(c.fail);
        int row = list.AddRow("Yes", "");
        list.SetText(row, JobColumn::Filename, d / "src.pdf");
        list.SetText(row, JobColumn::AppendParameters, "all");
        list.SetText(row, JobColumn::Pages, "2");
        list.SetText(row, JobColumn::OutputFile, d / "out.pdf");
        list.SetText(row, JobColumn::Create, "Y");
        list.SetText(row, JobColumn::BookmarkFilename, "Y");
        OnAppendFiles(list, h, f, settings, nullptr, state);
        EXPECT_EQ(h.m_messages, c.messages);
        EXPECT_EQ(f.Document(d / "out.pdf").bookmarks, c.bookmarks);
        EXPECT_EQ(list.Text(row, JobColumn::Status), "Done");
    }
}

// Every failure of the run: the message it shows, how the server is left and
// what becomes of the failing row and of the row after it.
TEST_F(AppendRunTest, EveryFailureShowsItsMessageAndEndsTheRun) {
    enum Ending { NoServer, Released, ErrorEnding, ExitEnding };
    struct Case {
        const char* fail;
        int occurrence;
        bool outputExists;
        std::string message; // "{out}" and "{src}" stand for the paths
        Ending ending;
        const char* status0; // status of the failing row
    };
    const Case cases[] = {
        {"CreateObject AcroExch.App", 1, false,
         std::string("quorvel: ") + RunMessages::kConnectFailed, NoServer, "Ready."},
        {"CreateObject AcroExch.AVDoc", 1, false,
         std::string("quorvel: ") + RunMessages::kCreateAVDocFailed, Released, "Ready."},
        {"CreateObject AcroExch.PDDoc", 1, false,
         std::string("quorvel: ") + RunMessages::kCreatePDDocFailed, Released, "Ready."},
        {"CreateObject AcroExch.PDDoc", 2, false,
         std::string("quorvel: ") + RunMessages::kCreateNewPDDocFailed, Released, "Ready."},
        {"CreateObject AcroExch.PDDoc", 3, false,
         std::string("quorvel: ") + RunMessages::kCreatePDDocFailed, Released, "Done"},
        {"Create", 1, false, std::string("quorvel: ") + RunMessages::kUnableToCreateNewFile,
         ExitEnding, "Processing"},
        {"Open out.pdf", 1, true, "quorvel: Error Opening File : {out}", ErrorEnding, "Processing"},
        {"Open src.pdf", 1, false, "quorvel: Error Opening File : {src}", ErrorEnding,
         "Processing"},
        {"InsertPages", 2, false, std::string("quorvel: ") + RunMessages::kCantInsertPages,
         ErrorEnding, "Processing"},
        {"Close src", 1, false, "quorvel: Failed to get Close doc", ErrorEnding, "Processing"},
        {"Save", 1, false, "quorvel: Failed to save file: {out}", ErrorEnding, "Processing"},
        {"Close new", 1, false, "quorvel: Failed to get Close doc", ErrorEnding, "Processing"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.fail) + " #" + std::to_string(c.occurrence));
        CTempDir d;
        CRecordingFactory f(d.Path() + "/");
        CRecordingHost h(f.Log());
        CMemoryJobList list;
        f.AddFile(d / "src.pdf", 5);
        if (c.outputExists) {
            f.AddFile(d / "out.pdf", 1);
        }
        for (int i = 0; i < 2; ++i) {
            int row = list.AddRow("Yes", "");
            list.SetText(row, JobColumn::Filename, d / "src.pdf");
            list.SetText(row, JobColumn::AppendParameters, "1-2,4");
            list.SetText(row, JobColumn::Pages, "5");
            list.SetText(row, JobColumn::Status, "Ready.");
            list.SetText(row, JobColumn::OutputFile, d / "out.pdf");
            list.SetText(row, JobColumn::Create, c.outputExists ? "N" : "Y");
        }
        f.FailOn(c.fail, c.occurrence);
        OnAppendFiles(list, h, f, settings, nullptr, state);

        std::string message = c.message;
        if (auto at = message.find("{out}"); at != std::string::npos)
            message.replace(at, 5, d / "out.pdf");
        if (auto at = message.find("{src}"); at != std::string::npos)
            message.replace(at, 5, d / "src.pdf");
        EXPECT_THAT(h.m_messages, ElementsAre(message));
        EXPECT_EQ(h.m_strLabel, "Append Files");
        EXPECT_EQ(list.Text(0, JobColumn::Status), c.status0);
        EXPECT_EQ(list.Text(1, JobColumn::Status), "Ready.");
        const auto& calls = f.Calls();
        auto count = [&](const char* line) { return std::count(calls.begin(), calls.end(), line); };
        EXPECT_EQ(count("CloseAllDocs"), c.ending == ErrorEnding || c.ending == ExitEnding);
        EXPECT_EQ(count("Exit"), c.ending == ExitEnding);
        EXPECT_EQ(h.m_nTerminations, c.ending == ExitEnding ? 2 : 1);
        EXPECT_FALSE(h.m_bConnectDialogShown);
    }
}

TEST_F(AppendRunTest, OutputThatCannotBeRemovedIsReportedByTheMainWindow) {
    factory.AddFile(dir / "src.pdf", 5);
    // A folder with something in it can be opened for reading but not removed.
    ::mkdir((dir / "out.pdf").c_str(), 0777);
    test::WriteFileBytes(dir / "out.pdf/keep", "x");
    AddRow({.file = "src.pdf"});
    Run();
    EXPECT_THAT(host.m_messages,
                ElementsAre("owned quorvel: Unable to remove file: " + (dir / "out.pdf") +
                            "\nPlease check acrobat.exe isn't running in taskmanager."));
    EXPECT_FALSE(Called("Create"));
    EXPECT_FALSE(Called("CloseAllDocs"));
    EXPECT_EQ(Status(0), "Processing");
    EXPECT_EQ(host.m_strLabel, "Append Files");
}

TEST_F(AppendRunTest, RefusedRangeEndsTheRunWithoutSavingEarlierRanges) {
    factory.AddFile(dir / "src.pdf", 10);
    AddRow({.file = "src.pdf", .params = "1-2,7-3", .pages = "10"});
    Run();
    EXPECT_THAT(host.m_messages,
                ElementsAre(std::string("quorvel: ") + RunMessages::kCantInsertPages));
    EXPECT_TRUE(Called("InsertPages 1 src 6 -3 0"));
    EXPECT_FALSE(factory.HasDocument(dir / "out.pdf"));
    EXPECT_EQ(Status(0), "Processing");
}

// Stop pressed through the n-th pump: the pumps of one row are 10.1, 10.6,
// 10.17, and two around the move in 10.18.
TEST_F(AppendRunTest, StopIsHonouredAtItsTwoChecks) {
    struct Case {
        int pump;
        std::vector<std::string> statuses;
        bool saved;
        bool closeAll;
        bool done;
        bool moved;
    };
    const Case cases[] = {
        {1, {"Stopped", "Ready."}, false, false, false, false},
        {2, {"Stopped", "Ready."}, false, false, false, false},
        {3, {"Done", "Ready."}, true, true, false, false},
        {4, {"Done", "Ready."}, true, true, true, true},
        {6, {"Done", "Stopped"}, true, false, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("stop on pump " + std::to_string(c.pump));
        CTempDir d;
        CRecordingFactory f(d.Path() + "/");
        CRecordingHost h(f.Log());
        CMemoryJobList list;
        AppendRunState s;
        f.AddFile(d / "a.pdf", 2);
        f.AddFile(d / "b.pdf", 2);
        for (const char* name : {"a.pdf", "b.pdf"}) {
            int row = list.AddRow("Yes", "");
            list.SetText(row, JobColumn::Filename, d / name);
            list.SetText(row, JobColumn::AppendParameters, "all");
            list.SetText(row, JobColumn::Pages, "2");
            list.SetText(row, JobColumn::Status, "Ready.");
            list.SetText(row, JobColumn::OutputFile, d / (std::string("out-") + name));
            list.SetText(row, JobColumn::Create, "Y");
            list.SetText(row, JobColumn::MoveToDirectory, d / "done");
        }
        // Pump 4 comes after the first row's stop check: the stop then
        // reaches the second row only if that row is processed.
        if (c.pump == 4)
            list.SetText(1, JobColumn::Selected, "No");
        h.OnPump(c.pump, [&] { OnAppendFiles(list, h, f, settings, nullptr, s); });
        OnAppendFiles(list, h, f, settings, nullptr, s);

        std::vector<std::string> statuses = {list.Text(0, JobColumn::Status),
                                             list.Text(1, JobColumn::Status)};
        EXPECT_EQ(statuses, c.statuses);
        EXPECT_EQ(f.HasDocument(d / "out-a.pdf"), c.saved);
        const auto& calls = f.Calls();
        EXPECT_EQ(std::count(calls.begin(), calls.end(), "CloseAllDocs") > 0, c.closeAll || c.done);
        EXPECT_EQ(std::count(calls.begin(), calls.end(), "Exit") > 0, c.done);
        EXPECT_EQ(h.m_messages.empty(), !c.done);
        EXPECT_EQ(test::PathExists(d / "done/a.pdf"), c.moved);
        EXPECT_EQ(test::PathExists(d / "a.pdf"), !c.moved);
        EXPECT_EQ(h.m_strLabel, "Append Files");
    }
}

TEST_F(AppendRunTest, StopRequestedBeforeTheClickIsCleared) {
    factory.AddFile(dir / "src.pdf", 1);
    AddRow({.file = "src.pdf", .params = "1"});
    state.m_bStopRequested = true;
    Run();
    EXPECT_EQ(Status(0), "Done");
    EXPECT_THAT(host.m_messages, ElementsAre("owned Quorvel: Done."));
}

TEST_F(AppendRunTest, SourceIsMovedAfterASuccessfulAppendOnly) {
    factory.AddFile(dir / "a.pdf", 2);
    factory.AddFile(dir / "b.pdf", 2);
    AddRow({.file = "a.pdf", .params = "1", .moveDir = "moved"});
    AddRow({.file = "b.pdf", .params = "9", .create = "N", .moveDir = "moved"});
    Run();
    EXPECT_TRUE(test::PathExists(dir / "moved/a.pdf"));
    EXPECT_FALSE(test::PathExists(dir / "a.pdf"));
    EXPECT_TRUE(test::PathExists(dir / "b.pdf"));
    EXPECT_FALSE(test::PathExists(dir / "moved/b.pdf"));
    EXPECT_EQ(Status(1), "Processing");
}

// FIFOs and devices are never opened: a source, output or padding file that
// is one ends the run as a file that cannot be opened, without the server
// being asked to open it and without an output of that name being deleted.
TEST_F(AppendRunTest, SpecialFilesEndTheRunAsFilesThatCannotBeOpened) {
    struct Case {
        const char* special; // the role the special file takes
        const char* create;
    };
    const Case cases[] = {{"source", "Y"}, {"output", "N"}, {"output", "Y"}, {"padding", "Y"}};
    for (const Case& c : cases) {
        for (const bool fifo : {true, false}) {
            SCOPED_TRACE(std::string(c.special) + " create " + c.create +
                         (fifo ? " fifo" : " zero"));
            CTempDir d;
            CRecordingFactory f(d.Path() + "/");
            CRecordingHost h(f.Log());
            CMemoryJobList list;
            SetupSettings padded;
            f.AddFile(d / "src.pdf", 2);
            const std::string special = d / "special.pdf";
            if (fifo) {
                ASSERT_EQ(::mkfifo(special.c_str(), 0600), 0);
            } else {
                ASSERT_EQ(::symlink("/dev/zero", special.c_str()), 0);
            }
            const std::string role = c.special;
            const int row = list.AddRow("Yes", "");
            list.SetText(row, JobColumn::Filename, role == "source" ? special : d / "src.pdf");
            list.SetText(row, JobColumn::AppendParameters, "all");
            list.SetText(row, JobColumn::Pages, "2");
            list.SetText(row, JobColumn::OutputFile, role == "output" ? special : d / "out.pdf");
            list.SetText(row, JobColumn::Create, c.create);
            if (role == "padding")
                padded.m_strOnEach = special;
            OnAppendFiles(list, h, f, padded, nullptr, state);

            EXPECT_THAT(h.m_messages, ElementsAre("quorvel: Error Opening File : " + special));
            EXPECT_EQ(list.Text(row, JobColumn::Status), "Processing");
            for (const auto& call : f.Calls()) {
                if (call[0] != '[') { // the host's lines, the message among them
                    EXPECT_EQ(call.find("special"), std::string::npos) << call;
                }
            }
            const auto& calls = f.Calls();
            EXPECT_EQ(std::count(calls.begin(), calls.end(), "CloseAllDocs"), 1);
            EXPECT_FALSE(f.HasDocument(d / "out.pdf"));
            struct stat st {};
            EXPECT_EQ(::lstat(special.c_str(), &st), 0) << "the special file was removed";
        }
    }
}

// Padding files are taken from the settings for every row: a change saved in
// Setup while the run goes on applies from the next row on.
TEST_F(AppendRunTest, PaddingChangedDuringTheRunAppliesFromTheNextRow) {
    factory.AddFile(dir / "a.pdf", 1);
    factory.AddFile(dir / "b.pdf", 1);
    factory.AddFile(dir / "each.pdf", 1);
    AddRow({.file = "a.pdf", .params = "1"});
    AddRow({.file = "b.pdf", .params = "1", .create = "N"});
    // The first pump of the second row (five pumps per processed row).
    host.OnPump(6, [this] { settings.m_strOnEach = dir / "each.pdf"; });
    Run();
    EXPECT_THAT(Pages("out.pdf"), ElementsAre("a:1", "b:1", "each:1"));
    EXPECT_EQ(Status(1), "Done");
}

TEST_F(AppendRunTest, RowsAddedDuringTheRunAreProcessed) {
    factory.AddFile(dir / "a.pdf", 1);
    factory.AddFile(dir / "b.pdf", 1);
    AddRow({.file = "a.pdf", .params = "1"});
    host.OnPump(1, [this] { AddRow({.file = "b.pdf", .params = "1", .create = "N"}); });
    Run();
    EXPECT_THAT(Pages("out.pdf"), ElementsAre("a:1", "b:1"));
    EXPECT_EQ(Status(1), "Done");
}

} // namespace
} // namespace quorvel
