#include "pdfserver/StructTreeReport.h"

#include "pdfserver/StructKids.h"

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFNumberTreeObjectHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>

#include <map>
#include <set>

namespace quorvel {

namespace {

// The marked-content ids of a page's content: the /MCID of the properties
// of each BDC operator, given inline or by name from /Properties.
class CMarkedContentIds : public QPDFObjectHandle::ParserCallbacks {
public:
    explicit CMarkedContentIds(QPDFObjectHandle properties) : m_properties(properties) {}

    void handleObject(QPDFObjectHandle object) override {
        if (!object.isOperator()) {
            m_operands.push_back(object);
            return;
        }
        if (object.getOperatorValue() == "BDC" && m_operands.size() >= 2) {
            auto properties = m_operands[m_operands.size() - 1];
            if (properties.isName() && m_properties.isDictionary()) {
                properties = m_properties.getKey(properties.getName());
            }
            if (properties.isDictionary() && properties.getKey("/MCID").isInteger()) {
                ids.push_back(properties.getKey("/MCID").getIntValue());
            }
        }
        m_operands.clear();
    }
    void handleEOF() override {}

    std::vector<long long> ids;

private:
    QPDFObjectHandle m_properties;
    std::vector<QPDFObjectHandle> m_operands;
};

const std::set<std::string>& StandardTypes() {
    static const std::set<std::string> types = {"/Document",  "/DocumentFragment",
                                                "/Part",      "/Art",
                                                "/Sect",      "/Div",
                                                "/Aside",     "/BlockQuote",
                                                "/Caption",   "/TOC",
                                                "/TOCI",      "/Index",
                                                "/NonStruct", "/Private",
                                                "/Title",     "/FENote",
                                                "/H",         "/H1",
                                                "/H2",        "/H3",
                                                "/H4",        "/H5",
                                                "/H6",        "/P",
                                                "/L",         "/LI",
                                                "/Lbl",       "/LBody",
                                                "/Table",     "/TR",
                                                "/TH",        "/TD",
                                                "/THead",     "/TBody",
                                                "/TFoot",     "/Span",
                                                "/Quote",     "/Note",
                                                "/Reference", "/BibEntry",
                                                "/Code",      "/Link",
                                                "/Annot",     "/Ruby",
                                                "/RB",        "/RT",
                                                "/RP",        "/Warichu",
                                                "/WT",        "/WP",
                                                "/Figure",    "/Formula",
                                                "/Form",      "/Sub",
                                                "/Em",        "/Strong",
                                                "/Artifact"};
    return types;
}

bool IsElement(QPDFObjectHandle object) {
    return object.isDictionary() && object.getKey("/S").isName() && !object.hasKey("/MCID") &&
           !object.hasKey("/Obj");
}

class CReader {
public:
    CReader(QPDF& pdf, StructTreeReport& report, bool readContent)
        : m_pdf(pdf), m_report(report), m_bReadContent(readContent) {}

    void Read() {
        auto catalog = m_pdf.getRoot();
        auto info = catalog.getKey("/MarkInfo");
        m_report.marked = info.isDictionary() && info.getKey("/Marked").isBool() &&
                          info.getKey("/Marked").getBoolValue();
        if (catalog.getKey("/Lang").isString()) {
            m_report.language = catalog.getKey("/Lang").getUTF8Value();
        }
        const auto& pages = m_pdf.getAllPages();
        for (size_t i = 0; i < pages.size(); ++i) {
            m_pageIndex[QPDFObjectHandle(pages[i]).getObjGen()] = static_cast<int>(i);
        }
        m_root = catalog.getKey("/StructTreeRoot");
        m_report.hasTree = m_root.isDictionary();
        if (m_report.hasTree) {
            m_roles = m_root.getKey("/RoleMap");
            for (auto kid : StructKids(m_root)) {
                int budget = 1000;
                m_report.topLevelFirstPages.push_back(FirstPage(kid, budget, 0));
            }
            Walk(m_root, 0);
        }
        for (auto page : pages) {
            m_report.pages.push_back(ReadPage(page));
        }
    }

private:
    int FirstPage(QPDFObjectHandle node, int& budget, int depth) {
        if (--budget < 0 || depth > 64 || !node.isDictionary()) {
            return -1;
        }
        auto page = node.getKey("/Pg");
        if (page.isIndirect() && m_pageIndex.count(page.getObjGen())) {
            return m_pageIndex[page.getObjGen()];
        }
        for (auto kid : StructKids(node)) {
            const int first = FirstPage(kid, budget, depth + 1);
            if (first >= 0) {
                return first;
            }
        }
        return -1;
    }

    void Walk(QPDFObjectHandle parent, int depth) {
        if (depth > 512) {
            ++m_report.misplaced;
            return;
        }
        for (auto kid : StructKids(parent)) {
            if (!IsElement(kid)) {
                continue;
            }
            if (!kid.isIndirect() || !m_reached.insert(kid.getObjGen()).second ||
                kid.getKey("/P").getObjGen() != parent.getObjGen()) {
                ++m_report.misplaced;
                continue;
            }
            ++m_report.elements;
            const std::string role = Role(kid.getKey("/S").getName());
            if (StandardTypes().count(role)) {
                m_report.roles.push_back(role.substr(1));
            } else {
                ++m_report.unresolvedRoles;
            }
            Walk(kid, depth + 1);
        }
    }

    std::string Role(std::string role) {
        for (int step = 0; step < 32 && !StandardTypes().count(role); ++step) {
            if (!m_roles.isDictionary() || !m_roles.getKey(role).isName()) {
                break;
            }
            role = m_roles.getKey(role).getName();
        }
        return role;
    }

    // The page an element's plain marked-content ids are on.
    QPDFObjectHandle PageOf(QPDFObjectHandle element) {
        for (int depth = 0; depth < 512 && IsElement(element); ++depth) {
            if (element.getKey("/Pg").isDictionary()) {
                return element.getKey("/Pg");
            }
            element = element.getKey("/P");
        }
        return QPDFObjectHandle::newNull();
    }

    bool Lists(QPDFObjectHandle element, QPDFObjGen page, long long mcid) {
        auto own = PageOf(element);
        for (auto kid : StructKids(element)) {
            if (kid.isInteger() && kid.getIntValue() == mcid && own.getObjGen() == page) {
                return true;
            }
            if (kid.isDictionary() && kid.getKey("/MCID").isInteger() &&
                kid.getKey("/MCID").getIntValue() == mcid && !kid.hasKey("/Stm")) {
                auto on = kid.getKey("/Pg").isDictionary() ? kid.getKey("/Pg") : own;
                if (on.getObjGen() == page) {
                    return true;
                }
            }
        }
        return false;
    }

    bool ListsObject(QPDFObjectHandle element, QPDFObjGen object) {
        for (auto kid : StructKids(element)) {
            if (kid.isDictionary() && kid.getKey("/Obj").getObjGen() == object) {
                return true;
            }
        }
        return false;
    }

    // A number used twice, or one the parent tree lacks, is dangling.
    void Count(long long number) {
        QPDFObjectHandle value;
        if (!m_numbers.insert(number).second || !m_report.hasTree || !Lookup(number, value)) {
            ++m_report.danglingNumbers;
        }
    }

    bool Reached(QPDFObjectHandle element) {
        return element.isIndirect() && m_reached.count(element.getObjGen()) > 0;
    }

    bool Lookup(long long number, QPDFObjectHandle& value) {
        try {
            auto tree = m_root.getKey("/ParentTree");
            if (!tree.isDictionary()) {
                return false;
            }
            QPDFNumberTreeObjectHelper numbers(tree, m_pdf, false);
            return numbers.findObject(number, value);
        } catch (...) {
            return false;
        }
    }

    PageTags ReadPage(QPDFObjectHandle page) {
        PageTags tags;
        auto resources = page.getKey("/Resources");
        CMarkedContentIds ids(resources.isDictionary() ? resources.getKey("/Properties")
                                                       : QPDFObjectHandle::newNull());
        try {
            if (m_bReadContent) {
                QPDFPageObjectHelper(page).parseContents(&ids);
            }
        } catch (...) {
        }
        tags.marked = static_cast<int>(ids.ids.size());
        auto number = page.getKey("/StructParents");
        QPDFObjectHandle owners;
        if (number.isInteger()) {
            Count(number.getIntValue());
        }
        if (m_report.hasTree && number.isInteger() && Lookup(number.getIntValue(), owners) &&
            owners.isArray()) {
            for (long long id : ids.ids) {
                if (id < 0 || id >= owners.getArrayNItems()) {
                    continue;
                }
                auto owner = owners.getArrayItem(static_cast<int>(id));
                if (Reached(owner) && Lists(owner, page.getObjGen(), id)) {
                    ++tags.resolved;
                }
            }
        }
        auto annotations = page.getKey("/Annots");
        if (annotations.isArray()) {
            for (auto annotation : annotations.getArrayAsVector()) {
                auto parent = annotation.getKey("/StructParent");
                if (!parent.isInteger() || !annotation.isIndirect() ||
                    !m_annotations.insert(annotation.getObjGen()).second) {
                    continue;
                }
                Count(parent.getIntValue());
                ++tags.annotations;
                QPDFObjectHandle owner;
                if (m_report.hasTree && Lookup(parent.getIntValue(), owner) && Reached(owner) &&
                    ListsObject(owner, annotation.getObjGen())) {
                    ++tags.annotationsResolved;
                }
            }
        }
        return tags;
    }

    QPDF& m_pdf;
    StructTreeReport& m_report;
    QPDFObjectHandle m_root;
    QPDFObjectHandle m_roles;
    std::map<QPDFObjGen, int> m_pageIndex;
    std::set<QPDFObjGen> m_reached;
    std::set<QPDFObjGen> m_annotations;
    std::set<long long> m_numbers;
    bool m_bReadContent;
};

} // namespace

bool StructTreeReport::Sound() const {
    if (!readable || misplaced > 0 || unresolvedRoles > 0 || danglingNumbers > 0) {
        return false;
    }
    for (const auto& page : pages) {
        if (page.resolved != page.marked || page.annotationsResolved != page.annotations) {
            return false;
        }
    }
    return true;
}

StructTreeReport ReadStructTree(const std::string& path, bool readContent) {
    StructTreeReport report;
    try {
        QPDF pdf;
        pdf.setSuppressWarnings(true);
        pdf.processFile(path.c_str());
        CReader(pdf, report, readContent).Read();
        report.readable = true;
    } catch (...) {
        report.readable = false;
    }
    return report;
}

} // namespace quorvel
