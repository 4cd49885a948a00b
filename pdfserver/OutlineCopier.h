#pragma once

#include "pdfserver/DestinationResolver.h"
#include "pdfserver/ObjectCopy.h"

#include <qpdf/QPDF.hh>

#include <map>
#include <set>
#include <vector>

namespace quorvel {

// Copies the outline items of a source document into a target for one row:
// all the page ranges one source gives one target in a row. Each source item
// is copied at most once per row, in the source's order and nesting, and is
// placed after the items the target had when the row began. An item that
// points into a page the row copied jumps to the first copy of that page,
// whichever range copied it; an item whose action is not a jump within its
// document (a web address, a named action, another file, a script) is
// copied with its action. Other items are left out unless an item below them
// is copied; they then come along without a destination so that the
// hierarchy stays intact. Destinations are rewritten as explicit ones, so no
// named destination and no uncopied page is carried into the target.
class COutlineCopier {
public:
    // Indexes the source's outline once for the row.
    COutlineCopier(QPDF& source, CDestinationResolver& resolver, QPDF& target);

    // Copies the items that point into the pages just copied (`added`: source
    // page index -> its first copy in the row) and, the first time, the items
    // with other actions. Pre-existing target objects that change go to
    // `changed`.
    void Add(const std::map<int, QPDFObjectHandle>& added, const ChangeSink& changed);

    // An explicit destination to `page` with the view parameters of
    // `original` (a destination array of any document).
    static QPDFObjectHandle RetargetDestination(QPDFObjectHandle original, QPDFObjectHandle page);

private:
    struct Node {
        QPDFObjectHandle item = QPDFObjectHandle::newNull(); // null for the outline root
        int parent = -1;
        int position = 0; // among the parent's children
        int page = -1;    // source page index the item jumps to
        bool otherAction = false;
        QPDFObjectHandle copy = QPDFObjectHandle::newNull(); // null until copied
        std::vector<int> children;
        std::set<int> copiedChildren; // positions of copied children
    };

    void Collect(QPDFObjectHandle parent, int parentIndex, int depth, std::set<QPDFObjGen>& seen);
    void Emit(int index, const ChangeSink& changed);
    int Recount(int index);

    QPDF& m_source;
    CDestinationResolver& m_resolver;
    QPDF& m_target;
    std::vector<Node> m_nodes;
    std::multimap<int, int> m_byPage;
    bool m_bFirst = true;
    QPDFObjectHandle m_targetRoot = QPDFObjectHandle::newNull();
    // The target's last top-level item when the row's first item was placed.
    QPDFObjectHandle m_anchor = QPDFObjectHandle::newNull();
    // Items this row shows at the top level when the document opens.
    int m_nVisibleAtRoot = 0;
};

} // namespace quorvel
