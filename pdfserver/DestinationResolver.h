#pragma once

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFNameTreeObjectHelper.hh>

#include <map>
#include <memory>

namespace quorvel {

// Finds the page that an outline item's or an annotation's destination
// points to within one document. Named destinations are looked up in the
// catalog's /Dests dictionary and in the /Names /Dests name tree.
class CDestinationResolver {
public:
    explicit CDestinationResolver(QPDF& pdf);

    // Whether the holder (outline item or annotation) jumps within its own
    // document: it has /Dest, or an /A action of type /GoTo.
    static bool HasLocalJump(QPDFObjectHandle holder);

    // The explicit destination array of the holder's local jump; null when
    // it has none or a named destination cannot be found.
    QPDFObjectHandle ExplicitDestination(QPDFObjectHandle holder);

    // The 0-based index of the page an explicit destination points to; -1
    // when it points nowhere in this document.
    int PageIndex(QPDFObjectHandle destination);

private:
    QPDFObjectHandle LookUpName(QPDFObjectHandle name);

    QPDF& m_pdf;
    std::map<QPDFObjGen, int> m_pageIndex;
    bool m_bNamesLoaded = false;
    std::unique_ptr<QPDFNameTreeObjectHelper> m_nameTree;
};

} // namespace quorvel
