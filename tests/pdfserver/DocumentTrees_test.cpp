// Entries added to the name and number trees of a file that is then saved
// incrementally: every object of the file that an insert changed must be
// reported, or the update written for it lacks the change. Trees of other
// producers may hold more entries per node than qpdf keeps, so an insert
// splits nodes that were not touched before.

#include "pdfserver/DocumentTrees.h"

#include "pdfserver/DestinationResolver.h"
#include "pdfserver/DocumentNames.h"

#include <gtest/gtest.h>

#include <qpdf/QPDFNameTreeObjectHelper.hh>
#include <qpdf/QPDFNumberTreeObjectHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <cstdio>
#include <map>
#include <set>
#include <string>

namespace quorvel {
namespace {

struct TreeCase {
    const char* what;
    bool numbers;
    int parents;   // nodes between the root and the leaves (0: none)
    int leaves;    // per parent, or below the root
    int perLeaf;   // entries per leaf; with no leaves, entries in the root
    int insertKey; // the file's keys are 0, 2, 4, ...; an odd key lands between
};

QPDFObjectHandle Key(bool numbers, int key) {
    if (numbers) {
        return QPDFObjectHandle::newInteger(key);
    }
    char text[16];
    std::snprintf(text, sizeof text, "k%06d", key);
    return QPDFObjectHandle::newString(text);
}

// A node holding keys first, first+2, ... (`count` of them) and their limits.
QPDFObjectHandle Leaf(QPDF& pdf, bool numbers, int first, int count, bool root) {
    auto items = QPDFObjectHandle::newArray();
    for (int i = 0; i < count; ++i) {
        items.appendItem(Key(numbers, first + 2 * i));
        items.appendItem(QPDFObjectHandle::newInteger(first + 2 * i));
    }
    auto node = QPDFObjectHandle::newDictionary();
    node.replaceKey(numbers ? "/Nums" : "/Names", items);
    if (!root) {
        node.replaceKey("/Limits", QPDFObjectHandle::newArray(
                                       {Key(numbers, first), Key(numbers, first + 2 * count - 2)}));
    }
    return pdf.makeIndirectObject(node);
}

QPDFObjectHandle Parent(QPDF& pdf, std::vector<QPDFObjectHandle> kids, bool root) {
    auto node = QPDFObjectHandle::newDictionary();
    node.replaceKey("/Kids", QPDFObjectHandle::newArray(kids));
    if (!root) {
        node.replaceKey(
            "/Limits", QPDFObjectHandle::newArray({kids.front().getKey("/Limits").getArrayItem(0),
                                                   kids.back().getKey("/Limits").getArrayItem(1)}));
    }
    return pdf.makeIndirectObject(node);
}

std::string ToBytes(QPDF& pdf) {
    QPDFWriter writer(pdf);
    writer.setOutputMemory();
    writer.write();
    auto buffer = writer.getBufferSharedPointer();
    return std::string(reinterpret_cast<const char*>(buffer->getBuffer()), buffer->getSize());
}

// The objects of a file as read, to tell afterwards which ones changed and
// whether each was reported.
class CChangeCheck {
public:
    explicit CChangeCheck(QPDF& pdf) : m_pdf(pdf) {
        for (auto& object : pdf.getAllObjects()) {
            m_before.emplace(object.getObjGen(), object.unparseResolved());
        }
    }
    ChangeSink Sink() {
        return [this](QPDFObjectHandle object) {
            if (object.isIndirect()) {
                m_reported.insert(object.getObjGen());
            }
        };
    }
    size_t Reported() const { return m_reported.size(); }
    void ExpectAllReported(const char* what) const {
        for (const auto& [id, text] : m_before) {
            if (m_pdf.getObjectByObjGen(id).unparseResolved() != text) {
                EXPECT_TRUE(m_reported.count(id))
                    << what << ": object " << id.unparse(' ') << " changed unreported";
            }
        }
    }

private:
    QPDF& m_pdf;
    std::map<QPDFObjGen, std::string> m_before;
    std::set<QPDFObjGen> m_reported;
};

std::string WriteTree(const TreeCase& c) {
    QPDF pdf;
    pdf.emptyPDF();
    QPDFObjectHandle root;
    int next = 0;
    auto leaves = [&](int n) {
        std::vector<QPDFObjectHandle> kids;
        for (int i = 0; i < n; ++i, next += 2 * c.perLeaf) {
            kids.push_back(Leaf(pdf, c.numbers, next, c.perLeaf, false));
        }
        return kids;
    };
    if (c.leaves == 0) {
        root = Leaf(pdf, c.numbers, 0, c.perLeaf, true);
    } else if (c.parents == 0) {
        root = Parent(pdf, leaves(c.leaves), true);
    } else {
        std::vector<QPDFObjectHandle> parents;
        for (int p = 0; p < c.parents; ++p) {
            parents.push_back(Parent(pdf, leaves(c.leaves), false));
        }
        root = Parent(pdf, parents, true);
    }
    pdf.getRoot().replaceKey("/Tree", root);
    return ToBytes(pdf);
}

class DocumentTreesTest : public ::testing::TestWithParam<TreeCase> {};

TEST_P(DocumentTreesTest, EveryChangedObjectOfTheFileIsReported) {
    const TreeCase& c = GetParam();
    const std::string bytes = WriteTree(c);
    QPDF pdf;
    pdf.processMemoryFile("tree.pdf", bytes.data(), bytes.size());
    CChangeCheck check(pdf);
    auto root = pdf.getRoot().getKey("/Tree");
    auto changed = check.Sink();
    auto value = QPDFObjectHandle::newInteger(c.insertKey);
    if (c.numbers) {
        trees::InsertNumber(pdf, root, c.insertKey, value, changed);
    } else {
        trees::InsertName(pdf, root, Key(false, c.insertKey).getUTF8Value(), value, changed);
    }

    check.ExpectAllReported(c.what);
    // One insert writes its path, not whole levels of the tree.
    EXPECT_LE(check.Reported(), 8u) << c.what;
    int found = 0;
    if (c.numbers) {
        for ([[maybe_unused]] auto& entry : QPDFNumberTreeObjectHelper(root, pdf)) {
            ++found;
        }
    } else {
        for ([[maybe_unused]] auto& entry : QPDFNameTreeObjectHelper(root, pdf)) {
            ++found;
        }
    }
    const int leaves = c.leaves == 0 ? 1 : c.leaves * (c.parents == 0 ? 1 : c.parents);
    EXPECT_EQ(found, leaves * c.perLeaf + 1) << c.what;
}

// Leaves of 40 entries split on an insert (qpdf keeps at most 32); parents of
// 32 kids split when a leaf below them does. Key 2*40*k+79 is the last of
// leaf k's second half.
INSTANTIATE_TEST_SUITE_P(
    Inserts, DocumentTreesTest,
    ::testing::Values(TreeCase{"names in a flat root", false, 0, 0, 100, 51},
                      TreeCase{"names, leaf split, key in the new half", false, 0, 3, 40, 80 + 77},
                      TreeCase{"names, leaf split, key in the old half", false, 0, 3, 40, 80 + 3},
                      TreeCase{"names, leaf and parent split, key in the next parent", false, 2, 32,
                               40, 80 * 15 + 77},
                      TreeCase{"names below the first", false, 2, 32, 40, -1},
                      TreeCase{"names after the last", false, 2, 32, 40, 80 * 64 + 1},
                      TreeCase{"numbers, leaf and parent split, key in the next parent", true, 2,
                               32, 40, 80 * 15 + 77}),
    [](const auto& info) { return "case" + std::to_string(info.index); });

// The tree of a catalog's /Names dictionary, as other producers lay it out:
// the dictionary and the tree's root each inline or an object of their own.
// Adding to a root written inline changes the object that holds it.
TEST(NameTreeTest, AddingToATreeReportsTheObjectsThatHoldItsRoot) {
    struct Case {
        const char* what;
        bool namesObject;
        bool rootObject;
    };
    const Case cases[] = {
        {"both inline", false, false},
        {"/Names an object, the root inline", true, false},
        {"/Names inline, the root an object", false, true},
        {"both objects", true, true},
    };
    for (const auto& c : cases) {
        std::string bytes;
        {
            QPDF pdf;
            pdf.emptyPDF();
            auto root = QPDFObjectHandle::parse("<< /Names [ (a) 1 ] >>");
            auto names = QPDFObjectHandle::newDictionary();
            names.replaceKey("/Dests", c.rootObject ? pdf.makeIndirectObject(root) : root);
            pdf.getRoot().replaceKey("/Names",
                                     c.namesObject ? pdf.makeIndirectObject(names) : names);
            bytes = ToBytes(pdf);
        }
        QPDF pdf;
        pdf.processMemoryFile("names.pdf", bytes.data(), bytes.size());
        CChangeCheck check(pdf);
        auto tree = trees::NameTree(pdf, "/Dests", true, check.Sink());
        trees::InsertName(pdf, tree, "b", QPDFObjectHandle::newInteger(2), check.Sink());
        check.ExpectAllReported(c.what);
        EXPECT_FALSE(trees::FindName(pdf, tree, "b").isNull()) << c.what;
    }
}

// A thousand outputs' worth of the same attachment or destination name: the
// next one gets a name of its own instead of replacing the one stored under
// the last numbered name tried.
TEST(NameTreeTest, ANameInUseIsNeverGivenAgain) {
    constexpr int kTaken = 999; // "n", "n (2)" ... "n (999)" / "n-2" ... "n-999"
    struct Case {
        const char* what;
        bool attachment;
        const char* next; // the name the new entry must get
    };
    const Case cases[] = {
        {"attachments", true, "n (1000).txt"},
        {"named destinations", false, "n-1000"},
    };
    auto numbered = [](bool attachment, int n) {
        if (n == 1) {
            return std::string(attachment ? "n.txt" : "n");
        }
        return attachment ? "n (" + std::to_string(n) + ").txt" : "n-" + std::to_string(n);
    };
    auto page = [](QPDF& pdf) {
        auto made = pdf.makeIndirectObject(
            QPDFObjectHandle::parse("<< /Type /Page /MediaBox [ 0 0 10 10 ] >>"));
        pdf.addPage(made, false);
        return pdf.getAllPages().back();
    };
    auto attachment = [](QPDF& pdf, const std::string& name, const std::string& bytes) {
        auto files = QPDFObjectHandle::newDictionary();
        files.replaceKey("/F", QPDFObjectHandle::newStream(&pdf, bytes));
        auto fileSpec = QPDFObjectHandle::newDictionary();
        fileSpec.replaceKey("/F", QPDFObjectHandle::newUnicodeString(name));
        fileSpec.replaceKey("/EF", files);
        return pdf.makeIndirectObject(fileSpec);
    };
    for (const auto& c : cases) {
        const char* key = c.attachment ? "/EmbeddedFiles" : "/Dests";
        QPDF target;
        target.emptyPDF();
        auto targetPage = page(target);
        auto noChange = [](QPDFObjectHandle) {};
        auto tree = trees::NameTree(target, key, true, noChange);
        for (int n = 1; n <= kTaken; ++n) {
            auto value = c.attachment ? attachment(target, numbered(true, n), std::to_string(n))
                                      : QPDFObjectHandle::parse("[ 0 /Fit ]");
            if (!c.attachment) {
                value.setArrayItem(0, targetPage);
            }
            trees::InsertName(target, tree, numbered(c.attachment, n), value, noChange);
        }
        const std::string last = numbered(c.attachment, kTaken);
        const std::string lastBefore = trees::FindName(target, tree, last).unparseResolved();

        QPDF source;
        source.emptyPDF();
        auto sourcePage = page(source);
        auto sourceTree = trees::NameTree(source, key, true, noChange);
        NameIndex index;
        if (c.attachment) {
            trees::InsertName(source, sourceTree, "n.txt", attachment(source, "n.txt", "new"),
                              noChange);
            CopyAttachments(source, target, index, noChange);
        } else {
            auto destination = QPDFObjectHandle::parse("[ 0 /Fit ]");
            destination.setArrayItem(0, sourcePage);
            trees::InsertName(source, sourceTree, "n", destination, noChange);
            CDestinationResolver resolver(source);
            CNamedDestinationCopier copier(source, resolver, target, index);
            copier.Add({{0, targetPage}}, noChange);
        }
        EXPECT_EQ(trees::FindName(target, tree, last).unparseResolved(), lastBefore) << c.what;
        EXPECT_FALSE(trees::FindName(target, tree, c.next).isNull()) << c.what;
    }
}

} // namespace
} // namespace quorvel
