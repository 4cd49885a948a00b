// Saves that append to a file the server wrote: after every row of a run the
// file on disk is complete, the parsed file is kept between rows, files of
// others are rewritten whole, and the final compaction keeps everything.

#include "pdfserver/ServerFixture.h"

#include "common/MakePdf.h"
#include "pdfserver/PdfDocument.h"
#include "pdfserver/ServerState.h"

#include <gmock/gmock.h>

#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace quorvel::test {

void PrintTo(const OutlineEntry& entry, std::ostream* out) {
    *out << entry.title << "@" << entry.depth << "->" << entry.page;
}

namespace {

int CountOf(const std::string& text, const std::string& word) {
    int count = 0;
    for (auto at = text.find(word); at != std::string::npos; at = text.find(word, at + 1)) {
        ++count;
    }
    return count;
}

int OpenDescriptors() {
    int count = 0;
    for ([[maybe_unused]] const auto& entry :
         std::filesystem::directory_iterator("/proc/self/fd")) {
        ++count;
    }
    return count;
}

// Everything a reader can see of a file: pages in order, outline, links and
// form fields.
struct Contents {
    std::vector<std::string> pages;
    std::vector<OutlineEntry> outline;
    std::vector<std::string> links;
    std::vector<std::string> fields;
};

Contents ReadContents(const std::string& path) {
    return Contents{PageTexts(path), ReadOutline(path), ReadLinks(path), ReadFields(path)};
}

class IncrementalSaveTest : public ServerFixture {
protected:
    // One row of a run into `path`: open (or create) the output, insert all
    // of `source`, save with the run's flags, close.
    void AppendRow(CServerState& state, const std::string& path, const std::string& source,
                   bool create) {
        auto out = state.NewDocument();
        ASSERT_TRUE(create ? out->Create() : out->Open(path)) << path;
        auto from = state.NewDocument();
        ASSERT_TRUE(from->Open(source));
        ASSERT_TRUE(out->InsertPages(out->GetNumPages() - 1, *from, 0, from->GetNumPages(), true));
        from->Close();
        ASSERT_TRUE(out->Save(0x21, path));
        out->Close();
    }

    SourcePlan Plan(int row) {
        SourcePlan plan;
        plan.name = "R" + std::to_string(row);
        plan.pages = 1 + row % 3;
        plan.outline = row % 2 == 0;
        plan.links = row % 3 == 1;
        plan.form = row % 5 == 0;
        return plan;
    }
};

TEST_F(IncrementalSaveTest, EveryRowLeavesACompleteFileAndTheEndCompactsIt) {
    const std::string path = m_dir / "out.pdf";
    CServerState state;
    std::vector<std::string> expectedPages;
    std::string previous;
    int descriptorsAfterFirstRow = 0;
    for (int row = 1; row <= 20; ++row) {
        SCOPED_TRACE("row " + std::to_string(row));
        const SourcePlan plan = Plan(row);
        AppendRow(state, path, Source(plan), row == 1);
        for (int page = 1; page <= plan.pages; ++page) {
            expectedPages.push_back("src " + plan.name + " page " + std::to_string(page));
        }

        // Another reader opening the file now sees every page so far.
        auto parsed = ParseFully(path);
        ASSERT_TRUE(parsed.ok) << parsed.error;
        EXPECT_EQ(parsed.pages, static_cast<int>(expectedPages.size()));
        EXPECT_EQ(parsed.pageObjects, parsed.pages) << "page objects outside the page tree";
        EXPECT_EQ(parsed.warnings, 0);
        EXPECT_EQ(QpdfCheck(path), 0);
        EXPECT_EQ(PdfInfoPages(path), parsed.pages) << "poppler reads another page count";
        EXPECT_EQ(PageTexts(path), expectedPages);
        if (plan.outline) {
            auto outline = ReadOutline(path);
            EXPECT_THAT(outline, ::testing::Contains(
                                     OutlineEntry{plan.name + " two", 0,
                                                  static_cast<int>(expectedPages.size()) -
                                                      plan.pages + std::min(1, plan.pages - 1)}));
        }

        // Later rows only append to what the earlier ones wrote, and nothing
        // but the kept output stays parsed or open.
        const std::string now = ReadFileBytes(path);
        if (row > 1) {
            EXPECT_EQ(now.compare(0, previous.size(), previous), 0) << "the file was rewritten";
            EXPECT_EQ(state.LiveInstanceCount(), 1);
            EXPECT_LE(OpenDescriptors(), descriptorsAfterFirstRow + 1);
        } else {
            descriptorsAfterFirstRow = OpenDescriptors();
        }
        previous = now;
    }

    const Contents updated = ReadContents(path);
    EXPECT_EQ(updated.fields.size(), 4u); // rows 5, 10, 15 and 20 carry a field
    EXPECT_FALSE(updated.links.empty());
    state.CloseAll();
    const std::string compact = ReadFileBytes(path);
    EXPECT_LT(compact.size(), previous.size());
    EXPECT_EQ(CountOf(compact, "startxref"), 1) << "the final file still has updates";
    auto parsed = ParseFully(path);
    ASSERT_TRUE(parsed.ok) << parsed.error;
    EXPECT_EQ(parsed.warnings, 0);
    EXPECT_EQ(QpdfCheck(path), 0);
    const Contents final = ReadContents(path);
    EXPECT_EQ(final.pages, updated.pages);
    EXPECT_EQ(final.outline, updated.outline);
    EXPECT_EQ(final.links, updated.links);
    EXPECT_EQ(final.fields, updated.fields);
    EXPECT_EQ(state.LiveInstanceCount(), 0);
}

// Enough pages that the file's page tree fills more than one group.
TEST_F(IncrementalSaveTest, PagesStayInOrderAcrossManyAppends) {
    const std::string path = m_dir / "out.pdf";
    CServerState state;
    std::vector<std::string> expected;
    std::string previous;
    for (int row = 1; row <= 30; ++row) {
        SCOPED_TRACE("row " + std::to_string(row));
        const std::string name = "M" + std::to_string(row % 3);
        AppendRow(state, path, Source(name, 10), row == 1);
        for (int page = 1; page <= 10; ++page) {
            expected.push_back("src " + name + " page " + std::to_string(page));
        }
        const std::string now = ReadFileBytes(path);
        // Each append writes little: never the pages of earlier rows again.
        if (row > 2) {
            EXPECT_LT(now.size() - previous.size(), 9000u);
        }
        previous = now;
        if (row % 5 == 0 || row == 26) {
            EXPECT_EQ(PageTexts(path), expected);
            EXPECT_EQ(PdfInfoPages(path), static_cast<int>(expected.size()));
            EXPECT_EQ(QpdfCheck(path), 0);
        }
    }
    state.CloseAll();
    EXPECT_EQ(PageTexts(path), expected);
    EXPECT_EQ(QpdfCheck(path), 0);
}

TEST_F(IncrementalSaveTest, FilesOfOthersAreRewrittenWholeThenAppendedTo) {
    const std::string path = m_dir / "theirs.pdf";
    WriteFileBytes(path, MakePdf(2, "theirs"));
    const std::string theirs = ReadFileBytes(path);
    CServerState state;
    AppendRow(state, path, Source("A", 2), false);
    std::string first = ReadFileBytes(path);
    EXPECT_NE(first.compare(0, theirs.size(), theirs), 0) << "appended to a file of someone else";
    EXPECT_EQ(CountOf(first, "startxref"), 1);

    AppendRow(state, path, Source("B", 1), false);
    EXPECT_EQ(ReadFileBytes(path).compare(0, first.size(), first), 0);
    EXPECT_EQ(PdfInfoPages(path), 5);
}

TEST_F(IncrementalSaveTest, AFileChangedByOthersBetweenRowsIsReadAgain) {
    const std::string path = m_dir / "out.pdf";
    CServerState state;
    AppendRow(state, path, Source("A", 2), true);
    AppendRow(state, path, Source("B", 1), false);

    // Replaced by another program between two rows.
    WriteFileBytes(path, MakePdf(4, "other"));
    AppendRow(state, path, Source("C", 1), false);
    auto pages = PageTexts(path);
    ASSERT_EQ(pages.size(), 5u);
    EXPECT_EQ(pages.back(), "src C page 1");
    EXPECT_EQ(PdfInfoPages(path), 5);

    // Extended in place by another program (the file keeps its inode).
    std::ofstream(path, std::ios::binary | std::ios::app) << "\n% a note another writer left\n";
    AppendRow(state, path, Source("D", 1), false);
    EXPECT_EQ(PdfInfoPages(path), 6);
    EXPECT_EQ(PageTexts(path).back(), "src D page 1");
    auto parsed = ParseFully(path);
    ASSERT_TRUE(parsed.ok) << parsed.error;
    EXPECT_EQ(parsed.warnings, 0);

    // The compaction leaves a file that someone else changed alone.
    WriteFileBytes(path, MakePdf(3, "last"));
    const std::string last = ReadFileBytes(path);
    state.CloseAll();
    EXPECT_EQ(ReadFileBytes(path), last);
}

TEST_F(IncrementalSaveTest, AFailedUpdateLeavesTheFileAsItWas) {
    const std::string path = m_dir / "out.pdf";
    CServerState state;
    AppendRow(state, path, Source("A", 2), true);
    AppendRow(state, path, Source("B", 2), false);
    const std::string before = ReadFileBytes(path);

    auto out = state.NewDocument();
    ASSERT_TRUE(out->Open(path));
    auto from = state.NewDocument();
    ASSERT_TRUE(from->Open(Source("C", 3)));
    ASSERT_TRUE(out->InsertPages(out->GetNumPages() - 1, *from, 0, 3, true));

    // The disk fills up a few bytes into the update.
    struct rlimit old {};
    getrlimit(RLIMIT_FSIZE, &old);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit tight = old;
    tight.rlim_cur = before.size() + 10;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &tight), 0);
    const bool saved = out->Save(0x21, path);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(saved);
    EXPECT_EQ(ReadFileBytes(path), before);

    // Room again: the same document saves, and nothing was kept of the
    // failed attempt.
    ASSERT_TRUE(out->Save(0x21, path));
    out->Close();
    EXPECT_EQ(PdfInfoPages(path), 7);
    auto parsed = ParseFully(path);
    ASSERT_TRUE(parsed.ok) << parsed.error;
    EXPECT_EQ(parsed.warnings, 0);
}

TEST_F(IncrementalSaveTest, AServerThatGoesAwayCompactsWhatItUpdated) {
    const std::string path = m_dir / "out.pdf";
    {
        CServerState state;
        AppendRow(state, path, Source("A", 2), true);
        AppendRow(state, path, Source("B", 2), false);
        AppendRow(state, path, Source("C", 2), false);
        EXPECT_EQ(CountOf(ReadFileBytes(path), "startxref"), 3);
    }
    EXPECT_EQ(CountOf(ReadFileBytes(path), "startxref"), 1);
    EXPECT_EQ(PdfInfoPages(path), 6);
}

// A run that ends without CloseAllDocs (stopped before a row, an output
// that cannot be removed) still leaves its outputs compact: the server
// compacts them as soon as the client has let go of all its objects.
TEST_F(IncrementalSaveTest, OutputsAreCompactedOnceTheClientLetsGoOfItsObjects) {
    const std::string path = m_dir / "out.pdf";
    {
        auto app = CreateAs<IAcroApp>(*m_factory, kProgIdApp);
        auto source = NewPDDoc();
        for (int row = 0; row < 3; ++row) {
            auto out = NewPDDoc();
            ASSERT_EQ(row == 0 ? out->Create() : out->Open(path), 1);
            ASSERT_EQ(source->Open(Source("R" + std::to_string(row), 2)), 1);
            ASSERT_EQ(out->InsertPages(out->GetNumPages() - 1, source, 0, 2, 0), 1);
            ASSERT_EQ(source->Close(), 1);
            ASSERT_EQ(out->Save(0x21, path), 1);
            ASSERT_EQ(out->Close(), 1);
        }
        // While the run holds its objects, each row only appended.
        EXPECT_EQ(CountOf(ReadFileBytes(path), "startxref"), 3);
    }
    EXPECT_EQ(CountOf(ReadFileBytes(path), "startxref"), 1);
    EXPECT_EQ(PdfInfoPages(path), 6);
    EXPECT_EQ(QpdfCheck(path), 0);
}

TEST_F(IncrementalSaveTest, FilenameBookmarksAndRenamesReachTheFile) {
    const std::string path = m_dir / "out.pdf";
    CServerState state;
    AppendRow(state, path, Source("A", 2), true);
    for (const std::string title : {"second", "third"}) {
        auto out = state.NewDocument();
        ASSERT_TRUE(out->Open(path));
        const int pages = out->GetNumPages();
        auto from = state.NewDocument();
        ASSERT_TRUE(from->Open(Source("B", 1)));
        ASSERT_TRUE(out->InsertPages(pages - 1, *from, 0, 1, false));
        ASSERT_TRUE(out->AddBookmark("Untitled", pages));
        ASSERT_TRUE(out->SetBookmarkTitle(out->FindBookmark("Untitled"), title));
        ASSERT_TRUE(out->Save(0x21, path));
    }
    EXPECT_THAT(ReadOutline(path),
                ::testing::ElementsAre(OutlineEntry{"second", 0, 2}, OutlineEntry{"third", 0, 3}));
    state.CloseAll();
    EXPECT_THAT(ReadOutline(path),
                ::testing::ElementsAre(OutlineEntry{"second", 0, 2}, OutlineEntry{"third", 0, 3}));
}

} // namespace
} // namespace quorvel::test
