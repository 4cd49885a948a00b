// Tagged sources keep their logical structure in the output: every
// marked-content id of every page resolves through the parent tree to an
// element of that page which hangs below the root, and roles, classes, IDs,
// /MarkInfo and /Lang follow.

#include "pdfserver/ServerFixture.h"

#include "pdfserver/PdfDocument.h"
#include "pdfserver/ServerState.h"
#include "pdfserver/StructTreeReport.h"

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFNameTreeObjectHelper.hh>

#include <gmock/gmock.h>

#include <algorithm>
#include <regex>
#include <set>

namespace quorvel::test {
namespace {

using ::testing::ElementsAreArray;

// Marked-content ids a tagged source's page carries (SourcePlan::tagged).
int MarkedOnSourcePage(int page) {
    return page == 1 ? 3 : (page == 2 ? 2 : 1);
}

// Every /StructParents of a page and /StructParent of an annotation.
std::vector<long long> StructNumbers(QPDF& pdf) {
    std::vector<long long> numbers;
    for (auto page : pdf.getAllPages()) {
        if (page.getKey("/StructParents").isInteger()) {
            numbers.push_back(page.getKey("/StructParents").getIntValue());
        }
        auto annotations = page.getKey("/Annots");
        for (int i = 0; annotations.isArray() && i < annotations.getArrayNItems(); ++i) {
            auto number = annotations.getArrayItem(i).getKey("/StructParent");
            if (number.isInteger()) {
                numbers.push_back(number.getIntValue());
            }
        }
    }
    return numbers;
}

// "ID role class": each element with an ID, its role through the role map,
// the text decoration its class stands for, and whether the ID tree leads
// back to it.
std::vector<std::string> ElementsById(QPDF& pdf) {
    std::vector<std::string> out;
    auto root = pdf.getRoot().getKey("/StructTreeRoot");
    auto roles = root.getKey("/RoleMap");
    auto classes = root.getKey("/ClassMap");
    QPDFNameTreeObjectHelper ids(root.getKey("/IDTree"), pdf, false);
    std::vector<QPDFObjectHandle> stack = {root.getKey("/K")};
    while (!stack.empty()) {
        auto node = stack.back();
        stack.pop_back();
        if (node.isArray()) {
            auto items = node.getArrayAsVector();
            stack.insert(stack.end(), items.rbegin(), items.rend());
            continue;
        }
        if (!node.isDictionary() || !node.getKey("/S").isName()) {
            continue;
        }
        stack.push_back(node.getKey("/K"));
        if (!node.getKey("/ID").isString()) {
            continue;
        }
        const std::string id = node.getKey("/ID").getStringValue();
        static const std::regex suffix("-[0-9]+$");
        std::string role = node.getKey("/S").getName();
        if (roles.getKey(role).isName()) {
            role = roles.getKey(role).getName();
        }
        std::string decoration = "-";
        if (node.getKey("/C").isName()) {
            decoration =
                classes.getKey(node.getKey("/C").getName()).getKey("/TextDecorationType").getName();
        }
        QPDFObjectHandle found;
        const bool back = ids.findObject(id, found) && found.getObjGen() == node.getObjGen();
        out.push_back(std::regex_replace(id, suffix, "-N") + " " + role + " " + decoration +
                      (back ? "" : " (not in the ID tree)"));
    }
    return out;
}

class StructTreeTest : public ServerFixture {
protected:
    SourcePlan Tagged(const std::string& name, int pages) {
        SourcePlan plan;
        plan.name = name;
        plan.pages = pages;
        plan.tagged = true;
        return plan;
    }

    // Checks what every output with tagged pages must satisfy; `tagged`
    // names the sources whose pages carry marked content.
    void ExpectResolves(const std::string& path, const std::string& tagged) {
        auto report = ReadStructTree(path);
        ASSERT_TRUE(report.readable);
        ASSERT_TRUE(report.hasTree);
        const auto texts = PageTexts(path);
        ASSERT_EQ(report.pages.size(), texts.size());
        static const std::regex label(R"(src ([A-Za-z0-9]+) page ([0-9]+))");
        for (size_t i = 0; i < texts.size(); ++i) {
            SCOPED_TRACE("page " + std::to_string(i) + ": " + texts[i]);
            std::smatch match;
            ASSERT_TRUE(std::regex_match(texts[i], match, label));
            const bool isTagged = tagged.find(match[1].str()) != std::string::npos;
            const int page = std::stoi(match[2].str());
            EXPECT_EQ(report.pages[i].marked, isTagged ? MarkedOnSourcePage(page) : 0);
            EXPECT_EQ(report.pages[i].resolved, report.pages[i].marked);
            EXPECT_EQ(report.pages[i].annotations, isTagged && page == 1 ? 1 : 0);
            EXPECT_EQ(report.pages[i].annotationsResolved, report.pages[i].annotations);
        }
        EXPECT_EQ(report.misplaced, 0);
        EXPECT_EQ(report.unresolvedRoles, 0);
        EXPECT_EQ(report.danglingNumbers, 0)
            << "a page or annotation number the parent tree lacks, or shares";
        EXPECT_TRUE(
            std::is_sorted(report.topLevelFirstPages.begin(), report.topLevelFirstPages.end()))
            << "elements below the root out of page order";
    }
};

struct Step {
    std::string source; // a tagged source: "A" (3 pages) or "B" (4 pages); "self": the output
    int insertAfter;    // -2: after the output's last page
    int first, count;
    bool saveFirst; // save the output and open it again before this step
};

struct MergeCase {
    const char* name;
    std::vector<Step> steps;
    std::vector<std::string> roles; // standard roles in tree order
};

// The elements of the copied pages come along with their ancestors, kids on
// pages left behind stay behind, and each insert's elements sit under the
// root in page order; pages already in the output keep their numbers.
TEST_F(StructTreeTest, CopiedPagesBringTheirElementsInPageOrder) {
    const std::vector<MergeCase> cases = {
        {"whole source", {{"A", -2, 0, 3, false}}, {"Document", "H1", "P", "Link", "Figure", "P"}},
        {"pages 2-3: the paragraph keeps its second half",
         {{"A", -2, 1, 2, false}},
         {"Document", "P", "Figure", "P"}},
        {"odd pages as two ranges",
         {{"A", -2, 0, 1, false}, {"A", -2, 2, 1, false}},
         {"Document", "H1", "P", "Link", "Document", "P"}},
        {"ranges in reverse order",
         {{"A", -2, 2, 1, false}, {"A", -1, 0, 2, false}},
         {"Document", "H1", "P", "Link", "Figure", "Document", "P"}},
        {"the same source twice", {{"A", -2, 0, 3, false}, {"A", -2, 0, 3, false}}, {}},
        {"a saved tagged output into itself",
         {{"A", -2, 0, 3, false}, {"self", 0, 1, 2, true}},
         {"Document", "H1", "P", "Link", "Figure", "P", "Document", "P", "Figure", "P"}},
        {"onto a saved tagged output",
         {{"A", -2, 0, 3, false}, {"B", -2, 0, 4, true}},
         {"Document", "H1", "P", "Link", "Figure", "P", "Document", "H1", "P", "Link", "Figure",
          "P", "P"}},
        {"into the middle of a saved tagged output",
         {{"A", -2, 0, 3, false}, {"B", 0, 1, 2, true}, {"B", -2, 3, 1, true}},
         {"Document", "H1", "P", "Link", "Figure", "P", "Document", "P", "Figure", "P", "Document",
          "P"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = m_dir / "tagged.pdf";
        auto out = Created();
        std::vector<long long> numbersBefore;
        for (const auto& step : c.steps) {
            if (step.saveFirst) {
                ASSERT_EQ(out->Save(0x21, path), 1);
                QPDF saved;
                saved.processFile(path.c_str());
                numbersBefore = StructNumbers(saved);
                out->Close();
                out = Open(path);
            }
            auto source = step.source == "self"
                              ? out
                              : Open(Source(Tagged(step.source, step.source == "A" ? 3 : 4)));
            const int after = step.insertAfter == -2 ? out->GetNumPages() - 1 : step.insertAfter;
            ASSERT_EQ(out->InsertPages(after, source, step.first, step.count, 0), 1);
        }
        SaveAndCheck(*out, path, out->GetNumPages());
        ExpectResolves(path, "AB");
        auto report = ReadStructTree(path);
        if (!c.roles.empty()) {
            EXPECT_THAT(report.roles, ElementsAreArray(c.roles));
        }
        if (!numbersBefore.empty()) {
            QPDF saved;
            saved.processFile(path.c_str());
            auto numbers = StructNumbers(saved);
            ASSERT_GE(numbers.size(), numbersBefore.size());
            // The pages that were there first lead the file only when the
            // new ones were appended; their numbers are among the kept ones.
            std::set<long long> now(numbers.begin(), numbers.end());
            for (long long number : numbersBefore) {
                EXPECT_TRUE(now.count(number)) << number;
            }
        }
    }
}

// A role or class name that the output already uses for something else is
// renamed for the copied elements, and an ID taken gets a suffix; the output's
// own elements keep theirs.
TEST_F(StructTreeTest, ClashingRolesClassesAndIdsAreRenamed) {
    auto out = Created();
    SourcePlan second = Tagged("A", 2);
    second.headingRole = "/H2";
    const std::string path = m_dir / "clash.pdf";
    ASSERT_EQ(out->InsertPages(-1, Open(Source(Tagged("A", 2))), 0, 2, 0), 1);
    ASSERT_EQ(out->Save(0x21, path), 1);
    out = Open(path);
    ASSERT_EQ(out->InsertPages(1, Open(Source(second)), 0, 2, 0), 1);
    ASSERT_EQ(out->InsertPages(3, Open(Source(Tagged("A", 2))), 0, 1, 0), 1);
    SaveAndCheck(*out, path, 5);
    ExpectResolves(path, "A");
    QPDF pdf;
    pdf.processFile(path.c_str());
    EXPECT_THAT(ElementsById(pdf),
                ElementsAreArray({"A-heading /H1 -", "A-paragraph /P /Underline", "A-link /Link -",
                                  "A-figure /Figure -", "A-heading-N /H2 -",
                                  "A-paragraph-N /P /LineThrough", "A-link-N /Link -",
                                  "A-figure-N /Figure -", "A-heading-N /H1 -",
                                  "A-paragraph-N /P /Underline", "A-link-N /Link -"}));
    std::set<std::string> ids;
    auto root = pdf.getRoot().getKey("/StructTreeRoot");
    QPDFNameTreeObjectHelper tree(root.getKey("/IDTree"), pdf, false);
    for (const auto& entry : tree) {
        EXPECT_TRUE(ids.insert(entry.first).second) << entry.first;
    }
    EXPECT_EQ(ids.size(), 11u);
}

// /MarkInfo says Marked only while every page comes from a tagged source; a
// new output takes the language of its first source that has one, and pages
// of another language say theirs on their elements.
TEST_F(StructTreeTest, MarkedOnlyWhileEveryPageIsTagged) {
    struct MarkCase {
        const char* name;
        std::vector<std::string> sources; // "T" tagged (en-US), "D" tagged (de), "U" untagged
        bool marked;
        std::string language;
    };
    const std::vector<MarkCase> cases = {
        {"one tagged source", {"T"}, true, "en-US"},
        {"tagged sources only", {"T", "D", "T"}, true, "en-US"},
        {"an untagged source first", {"U", "T"}, false, "en-US"},
        {"an untagged source last", {"T", "U"}, false, "en-US"},
        {"untagged only", {"U"}, false, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = m_dir / "marked.pdf";
        auto out = Created();
        std::string taggedNames;
        for (size_t i = 0; i < c.sources.size(); ++i) {
            SourcePlan plan = Tagged(c.sources[i] + std::to_string(i), 2);
            plan.tagged = c.sources[i] != "U";
            plan.language = c.sources[i] == "D" ? "de" : "en-US";
            if (plan.tagged) {
                taggedNames += plan.name + " ";
            }
            // Each source after the first is a later row onto the saved output.
            if (i > 0) {
                ASSERT_EQ(out->Save(0x21, path), 1);
                out = Open(path);
            }
            ASSERT_EQ(out->InsertPages(out->GetNumPages() - 1, Open(Source(plan)), 0, 2, 0), 1);
        }
        SaveAndCheck(*out, path, 2 * static_cast<int>(c.sources.size()));
        auto report = ReadStructTree(path);
        EXPECT_EQ(report.marked, c.marked);
        EXPECT_EQ(report.language, c.language);
        if (!taggedNames.empty()) {
            ExpectResolves(path, taggedNames);
        }
        if (taggedNames.empty()) {
            EXPECT_FALSE(report.hasTree);
            continue;
        }
        QPDF pdf;
        pdf.processFile(path.c_str());
        auto top = pdf.getRoot().getKey("/StructTreeRoot").getKey("/K");
        for (int i = 0; top.isArray() && i < top.getArrayNItems(); ++i) {
            auto language = top.getArrayItem(i).getKey("/Lang");
            EXPECT_EQ(language.isString() ? language.getStringValue() : "",
                      c.sources[static_cast<size_t>(i) + (c.sources[0] == "U" ? 1 : 0)] == "D"
                          ? "de"
                          : "");
        }
    }
}

// A damaged tree is left behind: the pages come untagged, with no number
// that would point into the output's parent tree, next to tagged pages that
// still resolve.
TEST_F(StructTreeTest, DamagedTreesAreAppendedUntagged) {
    struct DamageCase {
        const char* name;
        SourcePlan::Damage damage;
    };
    const std::vector<DamageCase> cases = {
        {"a loop of parents", SourcePlan::Damage::Loop},
        {"no parent tree", SourcePlan::Damage::NoParentTree},
        {"a page number the parent tree lacks", SourcePlan::Damage::WrongNumber},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SourcePlan damaged = Tagged("D", 3);
        damaged.damage = c.damage;
        const std::string path = m_dir / "damaged.pdf";
        auto out = Created();
        ASSERT_EQ(out->InsertPages(-1, Open(Source(Tagged("A", 3))), 0, 3, 0), 1);
        ASSERT_EQ(out->InsertPages(2, Open(Source(damaged)), 0, 3, 0), 1);
        ASSERT_EQ(out->InsertPages(5, Open(Source(Tagged("B", 2))), 0, 2, 0), 1);
        SaveAndCheck(*out, path, 8);
        auto report = ReadStructTree(path);
        EXPECT_FALSE(report.marked);
        for (int page = 3; page < 6; ++page) {
            EXPECT_EQ(report.pages[static_cast<size_t>(page)].resolved, 0);
            EXPECT_EQ(report.pages[static_cast<size_t>(page)].annotations, 0);
        }
        QPDF pdf;
        pdf.processFile(path.c_str());
        EXPECT_EQ(StructNumbers(pdf).size(), 3u + 1u + 2u + 1u);
        EXPECT_EQ(report.pages[6].resolved, 3);
        EXPECT_EQ(report.misplaced, 0);
        EXPECT_EQ(report.danglingNumbers, 0);
    }
}

// Each row of a long run changes the same few objects of the output: the
// parent tree grows by its last leaf, not by rewriting every entry.
TEST_F(StructTreeTest, EachAppendChangesAFixedNumberOfObjects) {
    const std::string path = m_dir / "growing.pdf";
    const std::string source = Source(Tagged("A", 3));
    CServerState state;
    std::vector<size_t> changed;
    for (int row = 0; row < 60; ++row) {
        auto out = state.NewDocument();
        ASSERT_TRUE(row == 0 ? out->Create() : out->Open(path));
        const int base = row == 0 ? 0 : static_cast<int>(out->GetInstance()->pdf.getObjectCount());
        auto from = state.NewDocument();
        ASSERT_TRUE(from->Open(source));
        ASSERT_TRUE(out->InsertPages(out->GetNumPages() - 1, *from, 0, 3, false));
        // What the update rewrites of the file as it was.
        size_t older = 0;
        for (const auto& id : out->GetChangedObjects()) {
            // IDs taken before get a suffix and land anywhere in the ID
            // tree: one leaf each at most, however long the run.
            auto object = out->GetInstance()->pdf.getObjectByObjGen(id);
            older += id.getObj() <= base && !object.hasKey("/Names") ? 1 : 0;
        }
        changed.push_back(older);
        from->Close();
        ASSERT_TRUE(out->Save(0x21, path));
        out->Close();
    }
    EXPECT_LE(*std::max_element(changed.begin() + 20, changed.end()),
              *std::max_element(changed.begin() + 2, changed.begin() + 20))
        << ::testing::PrintToString(changed);
    state.CloseAll();
    ExpectResolves(path, "A");
    QPDF pdf;
    pdf.processFile(path.c_str());
    auto parentTree = pdf.getRoot().getKey("/StructTreeRoot").getKey("/ParentTree");
    EXPECT_TRUE(parentTree.getKey("/Kids").isArray()) << "the parent tree never split";
}

} // namespace
} // namespace quorvel::test
