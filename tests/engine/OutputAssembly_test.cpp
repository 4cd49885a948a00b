// Padding, folders and moving the source, on the recording server and on
// real files in a temporary folder.

#include "engine/OutputAssembly.h"

#include "common/RecordingAutomation.h"
#include "common/RecordingHost.h"
#include "common/TempDir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include <sys/stat.h>

namespace quorvel {
namespace {

using test::CRecordingFactory;
using test::CTempDir;
using ::testing::ElementsAre;

TEST(OutputPathsTest, FolderPartTitleAndDoubledSeparators) {
    struct Case {
        const char* path;
        const char* folder;
        const char* title;
        const char* collapsed;
    };
    const Case cases[] = {
        {"", "", "", ""},
        {"b.pdf", "", "b.pdf", "b.pdf"},
        {"/b.pdf", "/", "b.pdf", "/b.pdf"},
        {"/a/b.pdf", "/a/", "b.pdf", "/a/b.pdf"},
        {"a/b/", "a/b/", "", "a/b/"},
        {"/a//b.pdf", "/a//", "b.pdf", "/a/b.pdf"},
        {"//a///b.pdf", "//a///", "b.pdf", "/a//b.pdf"},
        {"/a////b.pdf", "/a////", "b.pdf", "/a//b.pdf"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(GetDirectoryPart(c.path), c.folder);
        EXPECT_EQ(GetFileTitle(c.path), c.title);
        EXPECT_EQ(CollapseDoubledSeparators(c.path), c.collapsed);
    }
    EXPECT_EQ(CopyBookmarksFlag("Y"), 1);
    EXPECT_EQ(CopyBookmarksFlag("y"), 0);
    EXPECT_EQ(CopyBookmarksFlag("Yes"), 0);
}

TEST(OutputFolderTest, CreatesOneLevelOnlyAndNothingForABareName) {
    CTempDir dir;
    CreateOutputFolder(dir / "new/out.pdf");
    EXPECT_TRUE(test::PathExists(dir / "new"));
    CreateOutputFolder(dir / "x/y/out.pdf");
    EXPECT_FALSE(test::PathExists(dir / "x"));
    CreateOutputFolder(dir / "new/out.pdf"); // exists already: ignored
    CreateOutputFolder("out.pdf");           // no folder part
    EXPECT_TRUE(test::PathExists(dir / "new"));
}

// Padding files: which are appended, in which order, for a given output.
TEST(PaddingTest, ConditionsAndOrder) {
    struct Case {
        const char* name;
        int outputPages; // pages of "src" already in the output
        bool oddEvery, onEach, oddFinal;
        bool isLastRow;
        std::vector<std::string> expect; // padding pages appended, in order
    };
    const Case cases[] = {
        {"odd output gets odd-every", 5, true, false, false, true, {"odd:1"}},
        {"even output does not", 4, true, false, false, true, {}},
        {"on-each always", 4, false, true, false, false, {"each:1", "each:2"}},
        {"odd-final only on the last row", 5, false, false, true, false, {}},
        {"odd-final on the last row", 5, false, false, true, true, {"final:1"}},
        {"odd-every makes odd-final unnecessary",
         5,
         true,
         true,
         true,
         true,
         {"odd:1", "each:1", "each:2"}},
        {"all three in order", 4, true, true, true, true, {"each:1", "each:2"}},
        {"empty output is even", 0, true, false, true, true, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CTempDir dir;
        CRecordingFactory factory(dir.Path() + "/");
        test::CRecordingHost host;
        factory.AddFile(dir / "src.pdf", c.outputPages);
        factory.AddFile(dir / "odd.pdf", 1);
        factory.AddFile(dir / "each.pdf", 2);
        factory.AddFile(dir / "final.pdf", 1);
        RunObjects objects;
        objects.source = CreateAs<IAcroPDDoc>(factory, kProgIdPDDoc);
        objects.output = CreateAs<IAcroPDDoc>(factory, kProgIdPDDoc);
        ASSERT_NE(objects.output->Open(dir / "src.pdf"), 0);
        PaddingFiles files{c.oddEvery ? dir / "odd.pdf" : "", c.onEach ? dir / "each.pdf" : "",
                           c.oddFinal ? dir / "final.pdf" : ""};
        EXPECT_TRUE(AppendPaddingFiles(objects, host, files, c.isLastRow));
        factory.m_store.clear();
        objects.output->Save(0x21, dir / "out.pdf");
        auto all = factory.Document(dir / "out.pdf").pages;
        std::vector<std::string> added(all.begin() + c.outputPages, all.end());
        EXPECT_EQ(added, c.expect);
        EXPECT_TRUE(host.m_messages.empty());
        for (const auto& call : factory.Calls()) {
            if (call.rfind("InsertPages", 0) == 0) {
                EXPECT_EQ(call.back(), '0') << call; // never with bookmarks
            }
        }
    }
}

TEST(PaddingTest, MissingFilesAreReportedAndSkippedShortPathsIgnored) {
    CTempDir dir;
    CRecordingFactory factory(dir.Path() + "/");
    test::CRecordingHost host;
    factory.AddFile(dir / "src.pdf", 3);
    factory.AddFile(dir / "each.pdf", 1);
    RunObjects objects;
    objects.source = CreateAs<IAcroPDDoc>(factory, kProgIdPDDoc);
    objects.output = CreateAs<IAcroPDDoc>(factory, kProgIdPDDoc);
    objects.output->Open(dir / "src.pdf");
    PaddingFiles files{dir / "gone.pdf", dir / "each.pdf", "x"};
    EXPECT_TRUE(AppendPaddingFiles(objects, host, files, true));
    EXPECT_THAT(host.m_messages,
                ElementsAre("quorvel: Unable to open file: " + (dir / "gone.pdf")));
    EXPECT_EQ(objects.output->GetNumPages(), 4);
}

TEST(PaddingTest, ServerFailuresEndTheRun) {
    struct Case {
        const char* fail;
        std::string message;
    };
    const Case cases[] = {
        {"Open each.pdf", "quorvel: Error Opening File : {each}"},
        {"InsertPages", "quorvel: Error! can't insert pages\nPlease make sure Acrobat is running "
                        "NOT Adobe Reader"},
        {"Close each", "quorvel: Failed to get Close doc"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fail);
        CTempDir dir;
        CRecordingFactory factory(dir.Path() + "/");
        test::CRecordingHost host;
        factory.AddFile(dir / "src.pdf", 2);
        factory.AddFile(dir / "each.pdf", 1);
        factory.FailOn(c.fail);
        RunObjects objects;
        objects.source = CreateAs<IAcroPDDoc>(factory, kProgIdPDDoc);
        objects.output = CreateAs<IAcroPDDoc>(factory, kProgIdPDDoc);
        objects.output->Open(dir / "src.pdf");
        PaddingFiles files{"", dir / "each.pdf", dir / "each.pdf"};
        EXPECT_FALSE(AppendPaddingFiles(objects, host, files, true));
        std::string message = c.message;
        if (auto at = message.find("{each}"); at != std::string::npos)
            message.replace(at, 6, dir / "each.pdf");
        EXPECT_THAT(host.m_messages, ElementsAre(message));
    }
}

class MoveSourceTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(test::WriteFileBytes(dir / "src.pdf", kContent)); }
    const std::string kContent = std::string("%PDF-1.4\n") + std::string(100000, 'x') + "\n%%EOF";
    CTempDir dir;
};

TEST_F(MoveSourceTest, MovesIntoANewFolderAndReplacesAFileOfTheSameName) {
    ::mkdir((dir / "done").c_str(), 0777);
    test::WriteFileBytes(dir / "done/src.pdf", "old");
    EXPECT_TRUE(MoveSourceAfterAppend(dir / "src.pdf", dir / "done"));
    EXPECT_EQ(test::ReadFileBytes(dir / "done/src.pdf"), kContent);
    EXPECT_FALSE(test::PathExists(dir / "src.pdf"));

    // A folder given with a trailing separator, not there yet.
    EXPECT_TRUE(MoveSourceAfterAppend(dir / "done/src.pdf", dir / "again/"));
    EXPECT_EQ(test::ReadFileBytes(dir / "again/src.pdf"), kContent);
    EXPECT_FALSE(test::PathExists(dir / "done/src.pdf"));
}

TEST_F(MoveSourceTest, SourceStaysWhenTheCopyCannotBeMade) {
    // The folder's parent does not exist: the folder is not created.
    EXPECT_FALSE(MoveSourceAfterAppend(dir / "src.pdf", dir / "no/such"));
    EXPECT_EQ(test::ReadFileBytes(dir / "src.pdf"), kContent);
    // The target name is taken by a folder: the rename cannot replace it.
    ::mkdir((dir / "busy").c_str(), 0777);
    ::mkdir((dir / "busy/src.pdf").c_str(), 0777);
    test::WriteFileBytes(dir / "busy/src.pdf/inner", "x");
    EXPECT_FALSE(MoveSourceAfterAppend(dir / "src.pdf", dir / "busy"));
    EXPECT_EQ(test::ReadFileBytes(dir / "src.pdf"), kContent);
    EXPECT_EQ(test::ReadFileBytes(dir / "busy/src.pdf/inner"), "x");
}

TEST_F(MoveSourceTest, MovingIntoTheSourcesOwnFolderKeepsTheFile) {
    for (const std::string& folder : {dir.Path(), dir.Path() + "/", dir.Path() + "/."}) {
        SCOPED_TRACE(folder);
        EXPECT_FALSE(MoveSourceAfterAppend(dir / "src.pdf", folder));
        EXPECT_EQ(test::ReadFileBytes(dir / "src.pdf"), kContent);
    }
}

TEST_F(MoveSourceTest, NoTemporaryFilesAreLeftBehind) {
    ::mkdir((dir / "done").c_str(), 0777);
    ::mkdir((dir / "done/src.pdf").c_str(), 0777); // makes the final rename fail
    EXPECT_FALSE(MoveSourceAfterAppend(dir / "src.pdf", dir / "done"));
    int entries = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir / "done"))
        ++entries;
    EXPECT_EQ(entries, 1);
}

} // namespace
} // namespace quorvel
