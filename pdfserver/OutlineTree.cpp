#include "pdfserver/OutlineTree.h"

#include <set>

namespace quorvel::outline {

namespace {

bool Walk(QPDFObjectHandle node, int depth, std::set<QPDFObjGen>& seen,
          const std::function<bool(QPDFObjectHandle, int)>& visit) {
    if (depth >= kMaxOutlineDepth) {
        return true;
    }
    for (auto item = node.getKey("/First"); item.isDictionary(); item = item.getKey("/Next")) {
        if (item.isIndirect() && !seen.insert(item.getObjGen()).second) {
            break;
        }
        if (!visit(item, depth) || !Walk(item, depth + 1, seen, visit)) {
            return false;
        }
    }
    return true;
}

// Items visible below `node` when the tree is shown with every open item
// expanded (the /Count of an open item).
int Visible(QPDFObjectHandle node, int depth, std::set<QPDFObjGen>& seen) {
    if (depth >= kMaxOutlineDepth) {
        return 0;
    }
    int total = 0;
    for (auto item = node.getKey("/First"); item.isDictionary(); item = item.getKey("/Next")) {
        if (item.isIndirect() && !seen.insert(item.getObjGen()).second) {
            break;
        }
        ++total;
        auto count = item.getKey("/Count");
        int below = Visible(item, depth + 1, seen);
        if (count.isInteger() && count.getIntValue() > 0) {
            total += below;
        }
    }
    return total;
}

} // namespace

QPDFObjectHandle Root(QPDF& pdf, bool create) {
    auto catalog = pdf.getRoot();
    auto root = catalog.getKey("/Outlines");
    if (root.isDictionary() || !create) {
        return root.isDictionary() ? root : QPDFObjectHandle::newNull();
    }
    root = pdf.makeIndirectObject(QPDFObjectHandle::parse("<< /Type /Outlines /Count 0 >>"));
    catalog.replaceKey("/Outlines", root);
    return root;
}

std::vector<QPDFObjectHandle> Children(QPDFObjectHandle node) {
    std::vector<QPDFObjectHandle> children;
    std::set<QPDFObjGen> seen;
    for (auto item = node.getKey("/First"); item.isDictionary(); item = item.getKey("/Next")) {
        if (item.isIndirect() && !seen.insert(item.getObjGen()).second) {
            break;
        }
        children.push_back(item);
    }
    return children;
}

void ForEachItem(QPDFObjectHandle root,
                 const std::function<bool(QPDFObjectHandle item, int depth)>& visit) {
    if (!root.isDictionary()) {
        return;
    }
    std::set<QPDFObjGen> seen;
    Walk(root, 0, seen, visit);
}

std::vector<QPDFObjectHandle> AppendChild(QPDFObjectHandle parent, QPDFObjectHandle item) {
    std::vector<QPDFObjectHandle> changed{parent};
    auto children = Children(parent);
    item.replaceKey("/Parent", parent);
    item.removeKey("/Next");
    if (children.empty()) {
        item.removeKey("/Prev");
        parent.replaceKey("/First", item);
    } else {
        auto last = children.back();
        last.replaceKey("/Next", item);
        item.replaceKey("/Prev", last);
        changed.push_back(last);
    }
    parent.replaceKey("/Last", item);
    return changed;
}

std::vector<QPDFObjectHandle> InsertChildAfter(QPDFObjectHandle parent, QPDFObjectHandle after,
                                               QPDFObjectHandle item) {
    std::vector<QPDFObjectHandle> changed{parent};
    item.replaceKey("/Parent", parent);
    QPDFObjectHandle next = after.isDictionary() ? after.getKey("/Next") : parent.getKey("/First");
    if (after.isDictionary()) {
        after.replaceKey("/Next", item);
        item.replaceKey("/Prev", after);
        changed.push_back(after);
    } else {
        item.removeKey("/Prev");
        parent.replaceKey("/First", item);
    }
    if (next.isDictionary()) {
        item.replaceKey("/Next", next);
        next.replaceKey("/Prev", item);
        changed.push_back(next);
    } else {
        item.removeKey("/Next");
        parent.replaceKey("/Last", item);
    }
    return changed;
}

void RecountRoot(QPDFObjectHandle root) {
    std::set<QPDFObjGen> seen;
    root.replaceKey("/Count", QPDFObjectHandle::newInteger(Visible(root, 0, seen)));
}

} // namespace quorvel::outline
