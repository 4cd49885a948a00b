#pragma once

#include <qpdf/QPDF.hh>

#include <functional>
#include <vector>

namespace quorvel {

// Reading and extending a document's outline (bookmark) tree. Every walk
// guards against damaged trees: an item is visited once, and nesting stops
// at kMaxOutlineDepth.
namespace outline {

inline constexpr int kMaxOutlineDepth = 64;

// The outline dictionary of the catalog; with `create`, makes one when the
// document has none (or a damaged one). Null when absent and not created.
QPDFObjectHandle Root(QPDF& pdf, bool create);

// The direct children of an outline node, in /First-/Next order, each once.
std::vector<QPDFObjectHandle> Children(QPDFObjectHandle node);

// Visits every item of the tree below `root` depth first, parents before
// children; stops when `visit` returns false.
void ForEachItem(QPDFObjectHandle root,
                 const std::function<bool(QPDFObjectHandle item, int depth)>& visit);

// Links an indirect item as the last child of `parent`; returns the items
// whose entries changed (the parent and the former last child).
std::vector<QPDFObjectHandle> AppendChild(QPDFObjectHandle parent, QPDFObjectHandle item);

// Links an indirect item into `parent`'s children right after `after` (a
// child of `parent`), or as the first child when `after` is null; returns
// the items whose entries changed.
std::vector<QPDFObjectHandle> InsertChildAfter(QPDFObjectHandle parent, QPDFObjectHandle after,
                                               QPDFObjectHandle item);

// Recomputes the root's /Count: the number of items visible when the
// document opens (open items show their children).
void RecountRoot(QPDFObjectHandle root);

} // namespace outline
} // namespace quorvel
