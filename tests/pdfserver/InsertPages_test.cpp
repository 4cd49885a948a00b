#include "pdfserver/ServerFixture.h"

#include <gmock/gmock.h>

#include <set>

namespace quorvel::test {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

TEST(DocumentServerFactoryTest, MakesEachObjectByProgIdAndNothingElse) {
    auto factory = CreateDocumentServerFactory();
    EXPECT_NE(CreateAs<IAcroApp>(*factory, kProgIdApp), nullptr);
    EXPECT_NE(CreateAs<IAcroPDDoc>(*factory, kProgIdPDDoc), nullptr);
    EXPECT_NE(CreateAs<IAcroAVDoc>(*factory, kProgIdAVDoc), nullptr);
    EXPECT_NE(CreateAs<IAcroPDBookmark>(*factory, kProgIdPDBookmark), nullptr);
    for (const char* unknown : {"", "AcroExch.Foo", "acroexch.pddoc", "AcroExch.PDDoc "}) {
        EXPECT_EQ(factory->CreateObject(unknown), nullptr) << unknown;
    }
    // An object of one kind is not an object of another.
    EXPECT_EQ(CreateAs<IAcroPDDoc>(*factory, kProgIdApp), nullptr);
}

class InsertPagesTest : public ServerFixture {};

// One widget on each of `pages`, each of its own field.
void ExpectPrivateWidgets(const std::vector<std::string>& fields, std::set<std::string> pages) {
    std::set<std::string> names;
    std::set<std::string> seenPages;
    for (const auto& field : fields) {
        names.insert(field.substr(0, field.find('@')));
        seenPages.insert(field.substr(field.find('@') + 1));
    }
    EXPECT_EQ(fields.size(), pages.size());
    EXPECT_EQ(names.size(), pages.size());
    EXPECT_EQ(seenPages, pages);
}

struct Insertion {
    std::string source; // "A" (3 pages) or "B" (2 pages)
    int insertAfter;
    int first;
    int count;
};

struct OrderCase {
    const char* name;
    std::vector<Insertion> insertions;
    std::vector<std::string> pages;
};

TEST_F(InsertPagesTest, PutsPagesWhereAskedInSourceOrder) {
    const std::vector<OrderCase> cases = {
        {"whole source", {{"A", -1, 0, 3}}, {"src A page 1", "src A page 2", "src A page 3"}},
        {"into the middle",
         {{"A", -1, 0, 3}, {"B", 0, 0, 2}},
         {"src A page 1", "src B page 1", "src B page 2", "src A page 2", "src A page 3"}},
        {"before the first page",
         {{"A", -1, 0, 3}, {"B", -1, 1, 1}},
         {"src B page 2", "src A page 1", "src A page 2", "src A page 3"}},
        {"after the last page",
         {{"A", -1, 1, 2}, {"B", 1, 0, 1}},
         {"src A page 2", "src A page 3", "src B page 1"}},
        {"the same page twice",
         {{"A", -1, 1, 1}, {"A", 0, 1, 1}},
         {"src A page 2", "src A page 2"}},
        {"ranges in reverse order",
         {{"A", -1, 2, 1}, {"A", 0, 0, 2}},
         {"src A page 3", "src A page 1", "src A page 2"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto out = Created();
        std::map<std::string, std::shared_ptr<IAcroPDDoc>> sources = {{"A", Open(Source("A", 3))},
                                                                      {"B", Open(Source("B", 2))}};
        for (const auto& step : c.insertions) {
            ASSERT_EQ(
                out->InsertPages(step.insertAfter, sources[step.source], step.first, step.count, 0),
                1);
        }
        EXPECT_EQ(out->GetNumPages(), static_cast<int>(c.pages.size()));
        std::string path = (m_dir / "order.pdf");
        SaveAndCheck(*out, path, static_cast<int>(c.pages.size()));
        EXPECT_THAT(PageTexts(path), ElementsAreArray(c.pages));
    }
}

TEST_F(InsertPagesTest, RefusesRangesOutsideEitherDocument) {
    struct RangeCase {
        int insertAfter, first, count;
        int expected;
    };
    // The target has 2 pages, the source 3.
    const std::vector<RangeCase> cases = {
        {-1, 0, -1, 0},         // negative count
        {-1, -1, 1, 0},         // first page before the source
        {-1, 3, 1, 0},          // first page past the source
        {-1, 2, 2, 0},          // range runs past the source's end
        {-1, 1, 0x7fffffff, 0}, // count that overflows first + count
        {-2, 0, 1, 0},          // insert point before -1
        {2, 0, 1, 0},           // insert point past the target's last page
        {1, 0, 3, 1},           // after the last page, whole source
        {-1, 2, 1, 1},          // last source page before the first
        {-1, 0, 0, 1},          // nothing to insert
        {-1, 7, 0, 1},          // nothing to insert: the first page does not matter
    };
    auto source = Open(Source("A", 3));
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.insertAfter << " " << c.first << " " << c.count);
        auto out = Created();
        ASSERT_EQ(out->InsertPages(-1, Open(Source("B", 2)), 0, 2, 0), 1);
        EXPECT_EQ(out->InsertPages(c.insertAfter, source, c.first, c.count, 1), c.expected);
        EXPECT_EQ(out->GetNumPages(), 2 + (c.expected ? c.count : 0));
    }
}

TEST_F(InsertPagesTest, RefusesClosedOrForeignDocuments) {
    auto out = Created();
    auto source = Open(Source("A", 3));
    auto closed = Open(Source("A", 3));
    ASSERT_EQ(closed->Close(), 1);
    EXPECT_EQ(closed->Close(), 0);
    EXPECT_EQ(out->InsertPages(-1, closed, 0, 1, 0), 0);
    EXPECT_EQ(out->InsertPages(-1, nullptr, 0, 1, 0), 0);
    EXPECT_EQ(out->InsertPages(-1, NewPDDoc(), 0, 1, 0), 0);
    EXPECT_EQ(NewPDDoc()->InsertPages(-1, source, 0, 1, 0), 0);
    EXPECT_EQ(closed->InsertPages(-1, source, 0, 1, 0), 0);
    EXPECT_EQ(out->GetNumPages(), 0);
}

// A source page whose annotation is a page tree node: its first copy keeps
// the annotations as they are, but a second copy of the same page makes qpdf
// copy them anew, and it throws while doing so. That insert fails, and the
// target keeps exactly the pages it had, in memory and in what it saves.
TEST_F(InsertPagesTest, AFailedInsertLeavesTheTargetAsItWas) {
    const std::string broken =
        "11\ntrailer\r\n<<79/Root 1567 0 R/I yp\r1567 0 obj\r<</AcroForm 2R/Pages 251 0 R/Stj\r"
        "1569 0 obj\r<</Annots 1570 0 R/ege>>\reobj\r1570 0 obj\r[1571 0 R 11577R]j\r"
        "1571 0 obj\r<</608/<]/Type/Pages>>\ren>>>>\re1\r251 0 obj\r<<2/Kids[1569 0 R]>>ndobj\r"
        "25eo";
    const std::string path = m_dir / "annotation-is-a-page-tree.pdf";
    ASSERT_TRUE(WriteFileBytes(path, broken));
    auto source = Open(path);
    ASSERT_EQ(source->GetNumPages(), 1);
    for (int insertAfter : {-1, 0, 2}) {
        SCOPED_TRACE(insertAfter);
        auto out = Created();
        ASSERT_EQ(out->InsertPages(-1, Open(Source("B", 2)), 0, 2, 0), 1);
        ASSERT_EQ(out->InsertPages(1, source, 0, 1, 1), 1);
        EXPECT_EQ(out->InsertPages(insertAfter, source, 0, 1, 1), 0);
        EXPECT_EQ(out->GetNumPages(), 3);
        SaveAndCheck(*out, m_dir / "after-failed-insert.pdf", 3);
        EXPECT_THAT(PageTexts(m_dir / "after-failed-insert.pdf"),
                    ElementsAre("src B page 1", "src B page 2", ""));
    }
}

TEST_F(InsertPagesTest, InsertsADocumentIntoItself) {
    std::string path = (m_dir / "self.pdf");
    SourcePlan plan;
    plan.name = "S";
    plan.links = true;
    plan.form = true;
    WriteSource(path, plan);
    auto doc = Open(path);
    ASSERT_EQ(doc->InsertPages(2, doc, 0, 2, 0), 1);
    SaveAndCheck(*doc, path, 5);
    EXPECT_THAT(PageTexts(path), ElementsAre("src S page 1", "src S page 2", "src S page 3",
                                             "src S page 1", "src S page 2"));
    // The copies link to each other; each page has its own widget.
    EXPECT_THAT(ReadLinks(path), ElementsAre("page 0 -> page 2", "page 1 -> page 0",
                                             "page 3 -> page 2", "page 4 -> page 3"));
    ExpectPrivateWidgets(ReadFields(path), {"0", "3"});
}

// Outline items come along with the pages they point to, nesting kept.
TEST_F(InsertPagesTest, CopiesOutlineItemsThatPointIntoCopiedPages) {
    SourcePlan plan;
    plan.name = "A";
    plan.pages = 5;
    plan.outline = true;
    struct OutlineCase {
        const char* name;
        int first, count, copyBookmarks;
        int targetPages; // pages of "B" in the target before the insertion
        std::vector<OutlineEntry> expected;
    };
    const std::vector<OutlineCase> cases = {
        {"every page",
         0,
         5,
         1,
         0,
         {{"A one", 0, 0},
          {"A one.a", 1, 1},
          {"A one.a.i", 2, 2},
          {"A one.b", 1, 4},
          {"A two", 0, 1}}},
        // "A one" points to page 1, which stays behind: it keeps its place in
        // the tree without a destination; "A one.b" goes.
        {"pages 2-3",
         1,
         2,
         1,
         0,
         {{"A one", 0, -1}, {"A one.a", 1, 0}, {"A one.a.i", 2, 1}, {"A two", 0, 0}}},
        {"last page after two others", 4, 1, 1, 2, {{"A one", 0, -1}, {"A one.b", 1, 2}}},
        {"no page with an item", 3, 1, 1, 0, {}},
        {"bookmarks not asked for", 0, 5, 0, 0, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto out = Created();
        if (c.targetPages) {
            ASSERT_EQ(out->InsertPages(-1, Open(Source("B", c.targetPages)), 0, c.targetPages, 0),
                      1);
        }
        auto source = Open(Source(plan));
        ASSERT_EQ(out->InsertPages(c.targetPages - 1, source, c.first, c.count, c.copyBookmarks),
                  1);
        std::string path = (m_dir / "outline.pdf");
        SaveAndCheck(*out, path, c.targetPages + c.count);
        EXPECT_THAT(ReadOutline(path), ElementsAreArray(c.expected));
    }
}

TEST_F(InsertPagesTest, AppendsCopiedItemsAfterTheTargetsOwnOutline) {
    SourcePlan a;
    a.name = "A";
    a.outline = true;
    SourcePlan b = a;
    b.name = "B";
    b.pages = 2;
    std::string path = (m_dir / "out.pdf");
    WriteSource(path, b);
    auto out = Open(path);
    ASSERT_EQ(out->InsertPages(1, Open(Source(a)), 1, 1, 1), 1);
    SaveAndCheck(*out, path, 3);
    EXPECT_THAT(ReadOutline(path),
                ElementsAre(OutlineEntry{"B one", 0, 0}, OutlineEntry{"B one.a", 1, 1},
                            OutlineEntry{"B one.a.i", 2, 1}, OutlineEntry{"B one.b", 1, 1},
                            OutlineEntry{"B two", 0, 1}, OutlineEntry{"A one", 0, -1},
                            OutlineEntry{"A one.a", 1, 2}, OutlineEntry{"A two", 0, 2}));
}

// Links into copied pages follow the copies; links to pages left behind
// lose their jump instead of dragging those pages into the output.
TEST_F(InsertPagesTest, RetargetsLinksAndDropsJumpsToPagesLeftBehind) {
    SourcePlan plan;
    plan.name = "A";
    plan.links = true; // page 1 -> page 3 (named), page 2 -> page 1 (action)
    struct LinkCase {
        const char* name;
        int targetPages, first, count;
        std::vector<std::string> expected;
    };
    const std::vector<LinkCase> cases = {
        {"every page", 0, 0, 3, {"page 0 -> page 2", "page 1 -> page 0"}},
        {"after two pages", 2, 0, 3, {"page 2 -> page 4", "page 3 -> page 2"}},
        {"last page left behind", 0, 0, 2, {"page 0 -> none", "page 1 -> page 0"}},
        {"first page left behind", 0, 1, 2, {"page 0 -> none"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto out = Created();
        if (c.targetPages) {
            ASSERT_EQ(out->InsertPages(-1, Open(Source("B", c.targetPages)), 0, c.targetPages, 0),
                      1);
        }
        ASSERT_EQ(out->InsertPages(c.targetPages - 1, Open(Source(plan)), c.first, c.count, 0), 1);
        std::string path = (m_dir / "links.pdf");
        SaveAndCheck(*out, path, c.targetPages + c.count);
        EXPECT_THAT(ReadLinks(path), ElementsAreArray(c.expected));
    }
}

TEST_F(InsertPagesTest, KeepsFormFieldsOfEverySource) {
    SourcePlan a;
    a.name = "A";
    a.form = true;
    SourcePlan b = a;
    b.name = "B";
    b.pages = 2;
    auto out = Created();
    ASSERT_EQ(out->InsertPages(-1, Open(Source(a)), 0, 3, 0), 1);
    ASSERT_EQ(out->InsertPages(2, Open(Source(b)), 0, 2, 0), 1);
    std::string path = (m_dir / "forms.pdf");
    SaveAndCheck(*out, path, 5);
    EXPECT_THAT(ReadFields(path), ElementsAre("fieldA@0", "fieldB@3"));

    // The same page twice: two widgets, two fields, no sharing.
    auto twice = Created();
    auto source = Open(Source(a));
    ASSERT_EQ(twice->InsertPages(-1, source, 0, 1, 0), 1);
    ASSERT_EQ(twice->InsertPages(0, source, 0, 1, 0), 1);
    SaveAndCheck(*twice, path, 2);
    ExpectPrivateWidgets(ReadFields(path), {"0", "1"});
}

} // namespace
} // namespace quorvel::test

namespace quorvel::test {
namespace {

TEST_F(InsertPagesTest, AppendsEncryptedFilesThatOpenWithoutAPassword) {
    SourcePlan unlocked;
    unlocked.name = "E";
    unlocked.encrypt = true; // empty user password, owner restrictions
    unlocked.outline = true;
    SourcePlan locked = unlocked;
    locked.name = "L";
    locked.userPassword = "secret";
    EXPECT_EQ(NewPDDoc()->Open(Source(locked)), 0);

    auto out = Created();
    ASSERT_EQ(out->InsertPages(-1, Open(Source(unlocked)), 0, 3, 1), 1);
    std::string path = m_dir / "out.pdf";
    SaveAndCheck(*out, path, 3);
    EXPECT_THAT(PageTexts(path), ElementsAre("src E page 1", "src E page 2", "src E page 3"));
    EXPECT_EQ(ReadOutline(path).size(), 5u);

    // An encrypted output is appended to and saved over its own file.
    std::string encrypted = m_dir / "encrypted-out.pdf";
    WriteSource(encrypted, unlocked);
    auto doc = Open(encrypted);
    ASSERT_EQ(doc->InsertPages(2, Open(Source("B", 2)), 0, 2, 0), 1);
    SaveAndCheck(*doc, encrypted, 5);
    EXPECT_THAT(PageTexts(encrypted), ElementsAre("src E page 1", "src E page 2", "src E page 3",
                                                  "src B page 1", "src B page 2"));
}

} // namespace
} // namespace quorvel::test
