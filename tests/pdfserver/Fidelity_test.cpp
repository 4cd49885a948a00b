// What copied pages carried in their sources and must still carry in the
// output: layers and their states, links and outline items across the
// ranges of one row, form field names, comment ties, page labels,
// attachments, version, named destinations, images shared between rows. Each test reads the written
// file back, for a new output and for one appended to.

#include "pdfserver/ServerFixture.h"

#include "pdfserver/PdfDocument.h"
#include "pdfserver/ServerState.h"

#include <gmock/gmock.h>

#include <qpdf/QPDF.hh>

#include <optional>

namespace quorvel::test {
namespace {

using ::testing::ElementsAreArray;
using ::testing::HasSubstr;
using ::testing::Not;

struct Range {
    int first; // 1-based, as in a row's page expression
    int last;
};

// One row of a run: the source's ranges inserted in order into a new or
// existing output, saved with the run's flags.
struct Row {
    Row(SourcePlan plan, std::vector<Range> pageRanges = {}, bool copyBookmarks = true)
        : source(std::move(plan)), ranges(std::move(pageRanges)), bookmarks(copyBookmarks) {}
    SourcePlan source;
    std::vector<Range> ranges; // empty: every page
    bool bookmarks = true;
    // Before the row, the source's file is rewritten with this content.
    std::optional<SourcePlan> rewrittenAs;
};

class FidelityTest : public ServerFixture {
protected:
    // Runs `rows` into one output the way an append run does, each row
    // saved before the next; the first creates the output, the others
    // append to it (the server then writes incremental updates). With
    // `compact`, the server is closed at the end, which rewrites the file
    // whole.
    std::string Run(const std::vector<Row>& rows, bool compact = false) {
        std::string path = m_dir / ("out" + std::to_string(++m_nRuns) + ".pdf");
        CServerState state;
        bool first = true;
        for (const auto& row : rows) {
            auto out = state.NewDocument();
            EXPECT_TRUE(first ? out->Create() : out->Open(path));
            first = false;
            auto from = state.NewDocument();
            if (row.rewrittenAs) {
                WriteSource(Source(row.source), *row.rewrittenAs);
            }
            EXPECT_TRUE(from->Open(Source(row.source)));
            std::vector<Range> ranges = row.ranges;
            if (ranges.empty()) {
                ranges.push_back({1, from->GetNumPages()});
            }
            for (const auto& range : ranges) {
                EXPECT_TRUE(out->InsertPages(out->GetNumPages() - 1, *from, range.first - 1,
                                             range.last - range.first + 1, row.bookmarks));
            }
            from->Close();
            EXPECT_TRUE(out->Save(0x21, path));
            out->Close();
        }
        if (compact) {
            state.CloseAll();
            state.CompactWrittenFiles();
        }
        auto parsed = ParseFully(path);
        EXPECT_TRUE(parsed.ok) << parsed.error;
        EXPECT_EQ(parsed.warnings, 0);
        EXPECT_EQ(parsed.pages, parsed.pageObjects) << "page objects outside the page tree";
        EXPECT_EQ(QpdfCheck(path), 0);
        return path;
    }

    static SourcePlan Plan(const std::string& name, int pages) {
        SourcePlan plan;
        plan.name = name;
        plan.pages = pages;
        return plan;
    }

    int m_nRuns = 0;
};

TEST_F(FidelityTest, LayersKeepTheirStateAndStayApartPerSource) {
    auto layered = [](const std::string& name) {
        auto plan = Plan(name, 2);
        plan.layers = true;
        return plan;
    };
    struct Case {
        const char* name;
        std::vector<Row> rows;
        std::vector<std::string> layers;
        std::vector<std::string> shown;
        std::vector<std::string> hidden;
    };
    const std::vector<Case> cases = {
        {"one layered source",
         {{layered("A")}},
         {"Visible:on", "Hidden:off"},
         {"shown A"},
         {"hidden A"}},
        {"two sources with the same layer names",
         {{layered("A")}, {layered("B")}},
         {"Visible:on", "Hidden:off", "Visible:on", "Hidden:off"},
         {"shown A", "shown B"},
         {"hidden A", "hidden B"}},
        {"after a plain source, only the pages without layers",
         {{Plan("P", 1)}, {layered("C"), {{2, 2}}}},
         {},
         {"src P page 1", "src C page 2"},
         {}},
        {"a layered page in the second range of a row",
         {{Plan("P", 1)}, {layered("D"), {{2, 2}, {1, 1}}}},
         {"Visible:on", "Hidden:off"},
         {"src P page 1", "shown D"},
         {"hidden D"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (bool compact : {false, true}) {
            auto path = Run(c.rows, compact);
            EXPECT_THAT(ReadLayers(path), ElementsAreArray(c.layers));
            auto text = ReadText(path);
            for (const auto& shown : c.shown) {
                EXPECT_THAT(text, HasSubstr(shown));
            }
            for (const auto& hidden : c.hidden) {
                EXPECT_THAT(text, Not(HasSubstr(hidden)));
            }
        }
    }
}

TEST_F(FidelityTest, LinksAndOutlineItemsResolveAcrossTheRangesOfARow) {
    auto plan = Plan("A", 4);
    plan.outline = true;
    plan.links = true;
    plan.webItem = true;
    // Source: page 1 links to page 4 (named), page 2 links to page 1.
    // Outline: one(p1) > [one.a(p2) > one.a.i(p3), one.b(p4)], two(p2), web.
    struct Case {
        const char* name;
        std::vector<Range> ranges;
        std::vector<std::string> links;
        std::vector<OutlineEntry> outline;
    };
    const std::vector<Case> cases = {
        {"two ranges in source order",
         {{1, 2}, {3, 4}},
         {"page 0 -> page 3", "page 1 -> page 0"},
         {{"A one", 0, 0},
          {"A one.a", 1, 1},
          {"A one.a.i", 2, 2},
          {"A one.b", 1, 3},
          {"A two", 0, 1},
          {"A web", 0, -1}}},
        {"ranges in reverse, each page alone",
         {{4, 4}, {3, 3}, {2, 2}, {1, 1}},
         {"page 2 -> page 3", "page 3 -> page 0"},
         {{"A one", 0, 3},
          {"A one.a", 1, 2},
          {"A one.a.i", 2, 1},
          {"A one.b", 1, 0},
          {"A two", 0, 2},
          {"A web", 0, -1}}},
        {"odd pages, then a page twice",
         {{1, 1}, {3, 3}, {4, 4}, {4, 4}},
         {"page 0 -> page 2"},
         {{"A one", 0, 0},
          {"A one.a", 1, -1},
          {"A one.a.i", 2, 1},
          {"A one.b", 1, 2},
          {"A web", 0, -1}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto path = Run({{Plan("P", 1), {}, false}, {plan, c.ranges}});
        // Page 0 of the output is P's; the row's pages follow.
        std::vector<std::string> links;
        for (const auto& link : c.links) {
            auto shifted = link;
            for (auto at = shifted.find("page "); at != std::string::npos;
                 at = shifted.find("page ", at + 1)) {
                shifted[at + 5] = static_cast<char>(shifted[at + 5] + 1);
            }
            links.push_back(shifted);
        }
        EXPECT_THAT(ReadLinks(path), ElementsAreArray(links));
        std::vector<OutlineEntry> outline;
        for (auto entry : c.outline) {
            entry.page += entry.page >= 0 ? 1 : 0;
            outline.push_back(entry);
        }
        EXPECT_THAT(ReadOutline(path), ElementsAreArray(outline));
    }
}

TEST_F(FidelityTest, FormFieldsKeepTheirNamesWithinASourceAndClashesAreRenamed) {
    auto spread = [](const std::string& name) {
        auto plan = Plan(name, 3);
        plan.spreadForm = true;
        return plan;
    };
    struct Case {
        const char* name;
        std::vector<Row> rows;
        std::vector<std::string> fields;
    };
    const std::vector<Case> cases = {
        {"whole source", {{spread("A")}}, {"formA.p1@0", "formA.p2@1", "formA.p3@2"}},
        {"two ranges of one row",
         {{spread("A"), {{3, 3}, {1, 2}}}},
         {"formA.p1@1", "formA.p2@2", "formA.p3@0"}},
        {"one page: the widgets of the others do not come along",
         {{spread("A"), {{2, 2}}}},
         {"formA.p2@0"}},
        {"two sources with other names",
         {{spread("A")}, {spread("B"), {{2, 2}}}},
         {"formA.p1@0", "formA.p2@1", "formA.p3@2", "formB.p2@3"}},
        {"the same source twice: the second row's fields are renamed",
         {{spread("A"), {{1, 1}}}, {spread("A"), {{2, 2}}}},
         {"formA+1.p2@1", "formA.p1@0"}},
        {"three times: each later row takes the next number",
         {{spread("A"), {{1, 1}}}, {spread("A"), {{2, 2}}}, {spread("A"), {{3, 3}}}},
         {"formA+1.p2@1", "formA+2.p3@2", "formA.p1@0"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_THAT(ReadFields(Run(c.rows)), ElementsAreArray(c.fields));
    }
}

TEST_F(FidelityTest, CommentTiesPointAtTheCopiesOnTheCopiedPages) {
    auto comments = [](bool form) {
        auto plan = Plan(form ? "F" : "C", 3);
        plan.comments = true;
        plan.spreadForm = form;
        return plan;
    };
    struct Case {
        const char* name;
        std::vector<Row> rows;
        std::vector<std::string> ties;
    };
    const std::vector<Case> cases = {
        {"without a form",
         {{comments(false)}},
         {"note C@0 Popup @0", "popup@0 Parent note C@0", "reply C@2 IRT note C@0"}},
        {"with a form",
         {{comments(true)}},
         {"note F@0 Popup @0", "popup@0 Parent note F@0", "reply F@2 IRT note F@0"}},
        {"the note and the reply in separate ranges",
         {{comments(true), {{3, 3}, {1, 1}}}},
         {"note F@1 Popup @1", "popup@1 Parent note F@1", "reply F@0 IRT note F@1"}},
        {"the reply without the note", {{comments(true), {{3, 3}}}}, {}},
        {"the note twice",
         {{comments(true), {{1, 1}, {1, 1}}}},
         {"note F@0 Popup @0", "note F@1 Popup @1", "popup@0 Parent note F@0",
          "popup@1 Parent note F@1"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_THAT(ReadTies(Run(c.rows)), ElementsAreArray(c.ties));
    }
}

TEST_F(FidelityTest, CommentsAndTheirPopupsAreNoFormFields) {
    // A popup's /Parent is its comment, not a field: taken for one, the
    // comment went into the output's form, and a second comment of the same
    // author (its /T) had the author renamed.
    auto commented = [](const std::string& name, bool form) {
        auto plan = Plan(name, 3);
        plan.comments = true;
        plan.spreadForm = form;
        return plan;
    };
    auto topFields = [](const std::string& path) {
        QPDF pdf;
        pdf.processFile(path.c_str());
        std::vector<std::string> names;
        auto fields = pdf.getRoot().getKey("/AcroForm").getKey("/Fields");
        for (auto& field :
             fields.isArray() ? fields.getArrayAsVector() : std::vector<QPDFObjectHandle>{}) {
            names.push_back(field.getKey("/T").isString() ? field.getKey("/T").getUTF8Value()
                                                          : "(no name)");
        }
        return names;
    };
    struct Case {
        const char* name;
        std::vector<Row> rows;
        std::vector<std::string> fields;
    };
    const std::vector<Case> cases = {
        {"comments without a form", {{commented("C", false)}}, {}},
        {"the same comments in two rows", {{commented("C", false)}, {commented("C", false)}}, {}},
        {"comments beside a form", {{commented("F", true)}}, {"formF"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_THAT(topFields(Run(c.rows)), ElementsAreArray(c.fields));
    }
}

TEST_F(FidelityTest, PagesShowTheLabelsTheyShowedInTheirSources) {
    auto labelled = Plan("L", 4); // i, ii, A-1, A-2
    labelled.labels = true;
    struct Case {
        const char* name;
        std::vector<Row> rows;
        std::vector<std::string> labels;
    };
    const std::vector<Case> cases = {
        {"whole source", {{labelled}}, {"i", "ii", "A-1", "A-2"}},
        {"after a source without labels",
         {{Plan("P", 2)}, {labelled}},
         {"1", "2", "i", "ii", "A-1", "A-2"}},
        {"before a source without labels",
         {{labelled}, {Plan("P", 2)}},
         {"i", "ii", "A-1", "A-2", "5", "6"}},
        {"ranges out of order", {{labelled, {{4, 4}, {1, 2}}}}, {"A-2", "i", "ii"}},
        {"neither side has labels", {{Plan("P", 2)}, {Plan("Q", 1)}}, {"1", "2", "3"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (bool compact : {false, true}) {
            EXPECT_THAT(ReadLabels(Run(c.rows, compact)), ElementsAreArray(c.labels));
        }
    }
    // Pages put between others: the pushed-back pages keep their labels.
    auto out = Created();
    ASSERT_EQ(out->InsertPages(-1, Open(Source(labelled)), 0, 4, 0), 1);
    ASSERT_EQ(out->InsertPages(0, Open(Source(Plan("P", 2))), 0, 2, 0), 1);
    SaveAndCheck(*out, m_dir / "middle.pdf", 6);
    EXPECT_THAT(ReadLabels(m_dir / "middle.pdf"),
                ElementsAreArray({"i", "2", "3", "ii", "A-1", "A-2"}));
}

TEST_F(FidelityTest, AttachmentsComeAlongOnceUnderDistinctNames) {
    auto attached = [](const std::string& name, int pages) {
        auto plan = Plan(name, pages);
        plan.attachment = true;
        return plan;
    };
    struct Case {
        const char* name;
        std::vector<Row> rows;
        std::vector<std::string> attachments;
    };
    const std::vector<Case> cases = {
        {"one source", {{attached("A", 2)}}, {"note.txt=note of A"}},
        {"the same bytes twice", {{attached("A", 2)}, {attached("A", 2)}}, {"note.txt=note of A"}},
        {"other bytes under the same name",
         {{attached("A", 2)}, {attached("B", 1)}},
         {"note (2).txt=note of B", "note.txt=note of A"}},
        {"a third source's bytes again, then new bytes",
         {{attached("A", 2)}, {attached("B", 1)}, {attached("A", 1)}, {attached("C", 1)}},
         {"note (2).txt=note of B", "note (3).txt=note of C", "note.txt=note of A"}},
        {"a row of several ranges brings them once",
         {{attached("A", 2), {{1, 1}, {2, 2}}}},
         {"note.txt=note of A"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (bool compact : {false, true}) {
            EXPECT_THAT(ReadAttachments(Run(c.rows, compact)), ElementsAreArray(c.attachments));
        }
    }
}

TEST_F(FidelityTest, TheOutputIsAtLeastTheVersionOfEverySource) {
    auto versioned = [](const std::string& name, const std::string& version) {
        auto plan = Plan(name, 1);
        plan.version = version;
        return plan;
    };
    struct Case {
        const char* name;
        std::vector<Row> rows;
        bool compact;
        std::string version;
    };
    const std::vector<Case> cases = {
        {"one 1.7 source", {{versioned("A", "1.7")}}, false, "1.7"},
        {"1.4 then 1.7", {{versioned("A", "1.4")}, {versioned("B", "1.7")}}, false, "1.7"},
        {"1.7 then 1.4", {{versioned("A", "1.7")}, {versioned("B", "1.4")}}, true, "1.7"},
        {"2.0 appended to a 1.7 output",
         {{versioned("A", "1.7")}, {versioned("B", "2.0")}},
         false,
         "2.0"},
        {"the same, compacted", {{versioned("A", "1.7")}, {versioned("B", "2.0")}}, true, "2.0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ReadVersion(Run(c.rows, c.compact)), c.version);
    }
}

TEST_F(FidelityTest, NamedDestinationsIntoCopiedPagesAreCarried) {
    auto named = [](const std::string& name) {
        auto plan = Plan(name, 3);
        plan.links = true; // first-page, last-page and the old-style LastPage
        return plan;
    };
    struct Case {
        const char* name;
        std::vector<Row> rows;
        std::vector<std::string> names;
    };
    const std::vector<Case> cases = {
        {"whole source", {{named("A")}}, {"LastPage->2", "first-page->0", "last-page->2"}},
        {"only the first page", {{named("A"), {{1, 1}}}}, {"first-page->0"}},
        {"the last page in a later range",
         {{named("A"), {{1, 1}, {3, 3}}}},
         {"LastPage->1", "first-page->0", "last-page->1"}},
        {"two sources with the same names",
         {{named("A"), {{1, 1}}}, {named("B")}},
         {"LastPage->3", "first-page->0", "first-page-2->1", "last-page->3"}},
        {"three sources with the same names",
         {{named("A"), {{1, 1}}}, {named("B"), {{1, 1}}}, {named("C"), {{1, 1}}}},
         {"first-page->0", "first-page-2->1", "first-page-3->2"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_THAT(ReadNamedDests(Run(c.rows)), ElementsAreArray(c.names));
    }
}

TEST_F(FidelityTest, RowsOfOneSourceFileShareItsImages) {
    auto pictured = [](const std::string& name) {
        auto plan = Plan(name, 2);
        plan.image = true;
        return plan;
    };
    Row rewritten(pictured("A"), {{1, 1}});
    rewritten.rewrittenAs = pictured("Bb");
    struct Case {
        const char* name;
        std::vector<Row> rows;
        std::vector<std::string> images; // the last entry counts image streams
    };
    const std::vector<Case> cases = {
        {"one row", {{pictured("A")}}, {"image of A #1", "image of A #1", "streams=1"}},
        {"three rows, the first written whole, the others appended",
         {{pictured("A")}, {pictured("A"), {{2, 2}}}, {pictured("A"), {{1, 1}}}},
         {"image of A #1", "image of A #1", "image of A #1", "image of A #1", "streams=1"}},
        {"another file keeps its own",
         {{pictured("A"), {{1, 1}}}, {pictured("B"), {{1, 1}}}, {pictured("A"), {{2, 2}}}},
         {"image of A #1", "image of B #2", "image of A #1", "streams=2"}},
        {"a file rewritten between rows is another file",
         {{pictured("A"), {{1, 1}}}, rewritten},
         {"image of A #1", "image of Bb #2", "streams=2"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_THAT(ReadImages(Run(c.rows, true)), ElementsAreArray(c.images));
    }
}

} // namespace
} // namespace quorvel::test
