#include "ScanTree_helper.h"

#include "bulk/FolderWalk.h"
#include "bulk/NameOrder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <dirent.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

using namespace quorvel;
using quorvel::test::RecordingScanHost;
using quorvel::test::TempDir;

namespace {

std::vector<std::string> Column(const CMemoryJobList& jobs, int column) {
    std::vector<std::string> out;
    for (int r = 0; r < jobs.RowCount(); ++r)
        out.push_back(jobs.Text(r, column));
    return out;
}

// Strips the temporary folder from the front of each path.
std::vector<std::string> Relative(const TempDir& dir, std::vector<std::string> paths) {
    for (auto& p : paths) {
        if (p.rfind(dir.Path(), 0) == 0)
            p = p.substr(dir.Path().size());
    }
    return paths;
}

// The tree most tests walk: mixed-case extensions, dot-folders, hidden files,
// a folder named like a PDF, names repeated in two folders, a link loop.
void MakeTree(const TempDir& dir) {
    dir.Write("a.pdf");
    dir.Write("b.PDF");
    dir.Write("c.Pdf");
    dir.Write(".hidden.pdf");
    dir.Write("notes.txt");
    dir.Write("my.pdf.copy.pdf");
    dir.Write("x.pdf/notes.txt");
    dir.Write(".dot/inside.pdf");
    dir.Write(".dot/deep/inside2.pdf");
    dir.Write("1/test.pdf");
    dir.Write("2/test.pdf");
    dir.Write("sub/deeper/d.pdf");
    std::filesystem::create_directory_symlink(dir.Path(), dir.Path() + "/loop");
    std::filesystem::create_symlink(dir.Path() + "/a.pdf", dir.Path() + "/link.pdf");
}

} // namespace

TEST(FolderWalkTest, GroupedWalkFindsFilesDepthFirstAndSkipsDotFoldersAndLinkedFolders) {
    TempDir dir;
    MakeTree(dir);
    CMemoryJobList jobs;
    RecordingScanHost host(jobs);
    ScanFolderGrouped(host, dir.Path(), kPdfExtension, 1, "/out", "_2003");

    const std::vector<std::string> files{"/.hidden.pdf",     "/1/test.pdf",      "/2/test.pdf",
                                         "/a.pdf",           "/b.PDF",           "/link.pdf",
                                         "/my.pdf.copy.pdf", "/sub/deeper/d.pdf"};
    EXPECT_EQ(Relative(dir, Column(jobs, Filename)), files);
    const std::vector<std::string> outputs{
        "/out/.hidden_2003.pdf", "/out/test_2003.pdf", "/out/test_2003.pdf",    "/out/a_2003.pdf",
        "/out/b_2003.pdf",       "/out/link_2003.pdf", "/out/my.copy_2003.pdf", "/out/d_2003.pdf"};
    EXPECT_EQ(Column(jobs, OutputFile), outputs);

    // c.Pdf and x.pdf/notes.txt pass the walk's own test and are refused when
    // added; notes.txt in the top folder never gets that far.
    const auto attempts = Relative(dir, host.attempts);
    EXPECT_NE(std::find(attempts.begin(), attempts.end(), "/c.Pdf"), attempts.end());
    EXPECT_NE(std::find(attempts.begin(), attempts.end(), "/x.pdf/notes.txt"), attempts.end());
    EXPECT_EQ(std::find(attempts.begin(), attempts.end(), "/notes.txt"), attempts.end());

    for (const auto& folder : Relative(dir, host.shown)) {
        EXPECT_EQ(folder.find(".dot"), std::string::npos) << folder;
        EXPECT_EQ(folder.find("loop"), std::string::npos) << folder;
    }
    // Once per folder listed: top, 1, 2, sub, sub/deeper, x.pdf.
    EXPECT_EQ(host.autosizes, 6);
}

// The host hears which files a folder will offer before they are offered,
// and again for the rest of a folder after a subfolder.
TEST(FolderWalkTest, TellsTheFilesAheadOfEachFolder) {
    TempDir dir;
    for (const char* name : {"a.pdf", "b/c.pdf", "d.pdf", "e.txt"})
        dir.Write(name);
    CMemoryJobList jobs;
    RecordingScanHost host(jobs);
    ScanFolderGrouped(host, dir.Path(), kPdfExtension, 1, "/out", "");
    std::vector<std::vector<std::string>> ahead;
    for (const auto& list : host.ahead)
        ahead.push_back(Relative(dir, list));
    const std::vector<std::vector<std::string>> expected{
        {"/a.pdf", "/d.pdf"}, {"/b/c.pdf"}, {"/d.pdf"}};
    EXPECT_EQ(ahead, expected);
    EXPECT_EQ(Relative(dir, host.attempts),
              (std::vector<std::string>{"/a.pdf", "/b/c.pdf", "/d.pdf"}));
}

TEST(FolderWalkTest, EveryEntryGetsTheFixedColumnValues) {
    TempDir dir;
    dir.Write("a.pdf");
    for (int variant = 0; variant < 3; ++variant) {
        CMemoryJobList jobs;
        RecordingScanHost host(jobs);
        if (variant == 0)
            ScanFolderGrouped(host, dir.Path(), kPdfExtension, 1, "/o", "");
        else if (variant == 1)
            ScanFolderOneOutput(host, dir.Path(), kPdfExtension, 1, "", "/o/one.pdf", false);
        else
            ScanFolderPartName(host, dir.Path(), kPdfExtension, 1, 1, "/o");
        ASSERT_EQ(jobs.RowCount(), 1) << variant;
        const JobRow& row = jobs.Row(0);
        EXPECT_EQ(row[Selected], "Yes");
        EXPECT_EQ(row[AppendParameters], "all");
        EXPECT_EQ(row[Pages], "0");
        EXPECT_EQ(row[Status], "Ready.");
        EXPECT_EQ(row[MoveToDirectory], "");
        EXPECT_EQ(row[KeepBookmarks], "N");
        EXPECT_EQ(row[Create], "N");
        EXPECT_EQ(row[Append], "Y");
        EXPECT_EQ(row[BookmarkFilename], "N");
        const char* expected[] = {"/o/a.pdf", "/o/one.pdf", "/o/a.pdf"};
        EXPECT_EQ(row[OutputFile], expected[variant]);
    }
}

TEST(FolderWalkTest, WithoutRecursionSubfoldersAreNotEntered) {
    TempDir dir;
    dir.Write("a.pdf");
    dir.Write("sub/b.pdf");
    CMemoryJobList jobs;
    RecordingScanHost host(jobs);
    ScanFolderGrouped(host, dir.Path(), kPdfExtension, 0, "/o", "");
    EXPECT_EQ(Relative(dir, Column(jobs, Filename)), std::vector<std::string>{"/a.pdf"});
}

TEST(FolderWalkTest, MissingOrEmptyFolderAddsNothing) {
    CMemoryJobList jobs;
    RecordingScanHost host(jobs);
    ScanFolderGrouped(host, "/nonexistent/quorvel/folder", kPdfExtension, 1, "/o", "");
    ScanFolderGrouped(host, "", kPdfExtension, 1, "/o", "");
    EXPECT_EQ(jobs.RowCount(), 0);
    // The empty folder text is not shown, the missing one is; both resize.
    EXPECT_EQ(host.shown.size(), 1u);
    EXPECT_EQ(host.autosizes, 2);
}

TEST(FolderWalkTest, UnreadableFolderContributesNothing) {
    TempDir dir;
    dir.Write("a.pdf");
    dir.Write("locked/z.pdf");
    const std::string locked = dir.Path() + "/locked";
    ASSERT_EQ(chmod(locked.c_str(), 0), 0);
    struct Restore {
        std::string path;
        ~Restore() { chmod(path.c_str(), 0755); }
    } restore{locked};
    if (DIR* d = opendir(locked.c_str())) {
        closedir(d);
        GTEST_SKIP() << "running with privileges that ignore folder permissions (root?): "
                        "an unreadable folder cannot be made here";
    }
    CMemoryJobList jobs;
    RecordingScanHost host(jobs);
    ScanFolderGrouped(host, dir.Path(), kPdfExtension, 1, "/o", "");
    EXPECT_EQ(Relative(dir, Column(jobs, Filename)), std::vector<std::string>{"/a.pdf"});
}

TEST(FolderWalkTest, StopEndsTheWalkAndKeepsWhatWasAdded) {
    TempDir dir;
    for (int i = 0; i < 5; ++i)
        dir.Write("f" + std::to_string(i) + "/" + std::to_string(i) + ".pdf");

    {
        CMemoryJobList jobs;
        RecordingScanHost host(jobs);
        host.m_bStop = true;
        ScanFolderGrouped(host, dir.Path(), kPdfExtension, 1, "/o", "");
        EXPECT_EQ(jobs.RowCount(), 0);
        EXPECT_TRUE(host.shown.empty());
        EXPECT_EQ(host.autosizes, 0);
    }
    // Count the pumps of a full walk, then stop half-way through it.
    CMemoryJobList full;
    RecordingScanHost fullHost(full);
    ScanFolderGrouped(fullHost, dir.Path(), kPdfExtension, 1, "/o", "");
    ASSERT_EQ(full.RowCount(), 5);
    for (int stopAt = 1; stopAt < fullHost.pumps; ++stopAt) {
        CMemoryJobList jobs;
        RecordingScanHost host(jobs);
        host.stopAtPump = stopAt;
        ScanFolderGrouped(host, dir.Path(), kPdfExtension, 1, "/o", "");
        // Exactly the entries added before the stopping pump stay.
        const auto before = std::count_if(fullHost.pumpsAtAdd.begin(), fullHost.pumpsAtAdd.end(),
                                          [&](int p) { return p < stopAt; });
        EXPECT_EQ(jobs.RowCount(), before) << stopAt;
        // No entry is added and no folder entered after the request.
        EXPECT_LE(host.pumps, stopAt + 1) << stopAt;
        for (int r = 0; r < jobs.RowCount(); ++r)
            EXPECT_EQ(jobs.Text(r, Filename), full.Text(r, Filename));
    }
}

TEST(FolderWalkTest, OneOutputMatchesNameCaseSensitivelyAndCreatesOnlyTheFirstAdded) {
    TempDir dir;
    dir.Write("0_first.Pdf"); // matched, but refused when added
    dir.Write("062005b.PDF");
    dir.Write("INV_062005.pdf");
    dir.Write("inv_062005.pdf");
    dir.Write("inv_62005.pdf");
    dir.Write("062005/x.pdf"); // the folder's name plays no role
    dir.Write("sub/q_062005.pdf");

    const std::vector<std::string> expected{"/062005b.PDF", "/INV_062005.pdf", "/inv_062005.pdf",
                                            "/sub/q_062005.pdf"};
    for (bool remove : {true, false}) {
        CMemoryJobList jobs;
        RecordingScanHost host(jobs);
        ScanFolderOneOutput(host, dir.Path(), kPdfExtension, 1, "062005", "/o/all.pdf", remove);
        EXPECT_EQ(Relative(dir, Column(jobs, Filename)), expected);
        const std::vector<std::string> creates{remove ? "Y" : "N", "N", "N", "N"};
        EXPECT_EQ(Column(jobs, Create), creates);
        EXPECT_EQ(Column(jobs, OutputFile), std::vector<std::string>(4, "/o/all.pdf"));
    }

    TempDir other;
    other.Write("ABC.pdf");
    other.Write("abc/x.pdf");
    other.Write("zabcz.pdf");
    CMemoryJobList jobs;
    RecordingScanHost host(jobs);
    ScanFolderOneOutput(host, other.Path(), kPdfExtension, 1, "abc", "o.pdf", true);
    EXPECT_EQ(Relative(other, Column(jobs, Filename)), std::vector<std::string>{"/zabcz.pdf"});
}

TEST(FolderWalkTest, PartNameGroupsByLeadingCharacters) {
    TempDir dir;
    dir.Write("12345_1.pdf");
    dir.Write("12345_2.pdf");
    dir.Write("1234X_1.pdf");
    dir.Write("sub/12345_3.PDF");
    CMemoryJobList jobs;
    RecordingScanHost host(jobs);
    ScanFolderPartName(host, dir.Path(), kPdfExtension, 1, 5, "/out");
    const std::vector<std::string> outputs{"/out/12345.pdf", "/out/12345.pdf", "/out/1234X.pdf",
                                           "/out/12345.pdf"};
    EXPECT_EQ(Column(jobs, OutputFile), outputs);
}

TEST(FolderWalkTest, NamesAreTakenCaseInsensitivelyTiesInByteOrder) {
    // Each list is in the expected walk order; the files are made in reverse.
    const std::vector<std::vector<std::string>> orders = {
        {"apple.pdf", "Zed.pdf"},
        {"inv_0.pdf", "INV_1.pdf"},
        {"A.pdf", "a.pdf", "b.pdf", "B_.pdf"},
        {"Sub/b.pdf", "sub2/a.pdf", "Z.pdf"}, // folders sort among the files
        // Full folding: "ß" is "ss", final sigma is sigma; ties by bytes.
        {"STRASSE.pdf",
         "Stra\xc3\x9f"
         "e.pdf",
         "strasse.pdf", "strast.pdf"},
        {"\xce\xa3\xce\x91.pdf", "\xcf\x82\xce\xb1.pdf", "\xcf\x83\xce\xb2.pdf"},
        // Case-folded code point order: "É" folds to "é", after every ASCII
        // letter; names that are no valid UTF-8 keep their bytes.
        {"e.pdf", "f.pdf", "\xc3\x89.pdf",
         "\xc3\xa9"
         "a.pdf",
         "\xff.pdf"},
    };
    for (const auto& order : orders) {
        TempDir dir;
        for (auto it = order.rbegin(); it != order.rend(); ++it)
            dir.Write(*it);
        CMemoryJobList jobs;
        RecordingScanHost host(jobs);
        ScanFolderGrouped(host, dir.Path(), kPdfExtension, 1, "/o", "");
        std::vector<std::string> expected;
        for (const auto& name : order)
            expected.push_back("/" + name);
        EXPECT_EQ(Relative(dir, Column(jobs, Filename)), expected) << order[0];
        for (size_t i = 0; i + 1 < order.size(); ++i) {
            EXPECT_TRUE(FolderNameLess(order[i], order[i + 1])) << order[i];
            EXPECT_FALSE(FolderNameLess(order[i + 1], order[i])) << order[i];
        }
    }
    EXPECT_EQ(FoldCase("\xc3\x89T\xc3\x89 \xe1\xba\x9e \xef\xac\x81 \xf0\x90\x90\x80 Ab\xc3"),
              "\xc3\xa9t\xc3\xa9 ss fi \xf0\x90\x90\xa8 ab\xc3");
}

TEST(FolderWalkTest, WalkFromRootFolderJoinsWithOneSeparator) {
    // A walk of "/" itself is too slow for a test; what matters is the join
    // of a folder that already ends in the separator.
    EXPECT_EQ(JoinPath("/", "a.pdf"), "/a.pdf");
    EXPECT_EQ(RemoveTrailingSeparators("/"), "/");
}
