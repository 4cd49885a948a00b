#pragma once

#include "pdfserver/DestinationResolver.h"

#include <qpdf/QPDF.hh>

#include <map>
#include <vector>

namespace quorvel {

// Copies the outline items of a source document that point into pages just
// copied to a target, keeping their nesting. An item that points elsewhere
// is left out unless an item below it is copied; it then comes along
// without a destination so that the hierarchy stays intact. Destinations are
// rewritten as explicit ones to the copied pages, so no named destination
// and no uncopied page is carried into the target.
class COutlineCopier {
public:
    // `copies` maps a source page index to its copy in `target`.
    COutlineCopier(QPDF& source, CDestinationResolver& resolver, QPDF& target,
                   const std::map<int, QPDFObjectHandle>& copies);

    // Appends the copied items after the target's top-level items. Returns
    // the target's pre-existing objects that were changed.
    std::vector<QPDFObjectHandle> CopyInto();

    // An explicit destination to `page` with the view parameters of
    // `original` (a destination array of any document).
    static QPDFObjectHandle RetargetDestination(QPDFObjectHandle original, QPDFObjectHandle page);

private:
    struct Node {
        QPDFObjectHandle item;
        QPDFObjectHandle destination; // null when the item points elsewhere
        std::vector<Node> children;
    };

    std::vector<Node> Collect(QPDFObjectHandle parent, int depth, std::set<QPDFObjGen>& seen);
    QPDFObjectHandle Emit(const Node& node, QPDFObjectHandle parent);
    static int VisibleBelow(const Node& node);

    QPDF& m_source;
    CDestinationResolver& m_resolver;
    QPDF& m_target;
    const std::map<int, QPDFObjectHandle>& m_copies;
};

} // namespace quorvel
