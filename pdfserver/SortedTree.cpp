#include "pdfserver/SortedTree.h"

namespace quorvel {

namespace {

// Deeper trees than this are taken for loops or damage.
constexpr int kMaxDepth = 32;

bool SameValue(QPDFObjectHandle a, QPDFObjectHandle b) {
    return a.unparse() == b.unparse();
}

} // namespace

CSortedTree::CSortedTree(QPDF& pdf, QPDFObjectHandle root, Kind kind)
    : m_pdf(pdf), m_root(root), m_kind(kind) {}

QPDFObjectHandle CSortedTree::NewRoot(Kind kind) {
    auto root = QPDFObjectHandle::newDictionary();
    root.replaceKey(kind == Kind::Numbers ? "/Nums" : "/Names", QPDFObjectHandle::newArray());
    return root;
}

bool CSortedTree::Compare(QPDFObjectHandle a, QPDFObjectHandle b, int& result) const {
    if (m_kind == Kind::Numbers) {
        if (!a.isInteger() || !b.isInteger()) {
            return false;
        }
        const long long x = a.getIntValue();
        const long long y = b.getIntValue();
        result = x < y ? -1 : (x > y ? 1 : 0);
        return true;
    }
    if (!a.isString() || !b.isString()) {
        return false;
    }
    result = a.getStringValue().compare(b.getStringValue());
    return true;
}

bool CSortedTree::PathTo(QPDFObjectHandle key, std::vector<QPDFObjectHandle>& path) {
    path.clear();
    m_indices.clear();
    std::set<QPDFObjGen> seen;
    QPDFObjectHandle node = m_root;
    int index = -1;
    for (int depth = 0; depth < kMaxDepth; ++depth) {
        if (!node.isDictionary() || (node.isIndirect() && !seen.insert(node.getObjGen()).second)) {
            return false;
        }
        path.push_back(node);
        m_indices.push_back(index);
        auto kids = node.getKey("/Kids");
        if (!kids.isArray()) {
            auto items = node.getKey(ItemsKey());
            return items.isNull() || (items.isArray() && items.getArrayNItems() % 2 == 0);
        }
        const int n = kids.getArrayNItems();
        if (n == 0) {
            return false;
        }
        // The last kid whose lower limit is not above the key; the first
        // one for a key below them all.
        int lo = 0;
        int hi = n - 1;
        index = 0;
        while (lo <= hi) {
            const int mid = lo + (hi - lo) / 2;
            auto limits = kids.getArrayItem(mid).getKey("/Limits");
            int order = 0;
            if (!limits.isArray() || limits.getArrayNItems() != 2 ||
                !Compare(limits.getArrayItem(0), key, order)) {
                return false;
            }
            if (order <= 0) {
                index = mid;
                lo = mid + 1;
            } else {
                hi = mid - 1;
            }
        }
        node = kids.getArrayItem(index);
        auto limits = node.getKey("/Limits");
        int order = 0;
        if (!limits.isArray() || limits.getArrayNItems() != 2 ||
            !Compare(limits.getArrayItem(1), key, order)) {
            return false;
        }
    }
    return false;
}

bool CSortedTree::Find(QPDFObjectHandle key, QPDFObjectHandle& value) {
    std::vector<QPDFObjectHandle> path;
    if (!PathTo(key, path)) {
        return false;
    }
    auto items = path.back().getKey(ItemsKey());
    if (!items.isArray()) {
        return false;
    }
    int lo = 0;
    int hi = items.getArrayNItems() / 2 - 1;
    while (lo <= hi) {
        const int mid = lo + (hi - lo) / 2;
        int order = 0;
        if (!Compare(items.getArrayItem(2 * mid), key, order)) {
            return false;
        }
        if (order == 0) {
            value = items.getArrayItem(2 * mid + 1);
            return true;
        }
        if (order < 0) {
            lo = mid + 1;
        } else {
            hi = mid - 1;
        }
    }
    return false;
}

bool CSortedTree::LargestNumber(long long& largest) {
    std::set<QPDFObjGen> seen;
    QPDFObjectHandle node = m_root;
    for (int depth = 0; depth < kMaxDepth; ++depth) {
        if (!node.isDictionary() || (node.isIndirect() && !seen.insert(node.getObjGen()).second)) {
            return false;
        }
        auto kids = node.getKey("/Kids");
        if (!kids.isArray()) {
            auto items = node.getKey("/Nums");
            const int n = items.isArray() ? items.getArrayNItems() : 0;
            if (n < 2 || !items.getArrayItem(n - 2).isInteger()) {
                return false;
            }
            largest = items.getArrayItem(n - 2).getIntValue();
            return true;
        }
        const int n = kids.getArrayNItems();
        if (n == 0) {
            return false;
        }
        // The upper limit says it without reading the leaf, when present.
        auto limits = kids.getArrayItem(n - 1).getKey("/Limits");
        if (limits.isArray() && limits.getArrayNItems() == 2 &&
            limits.getArrayItem(1).isInteger()) {
            largest = limits.getArrayItem(1).getIntValue();
            return true;
        }
        node = kids.getArrayItem(n - 1);
    }
    return false;
}

void CSortedTree::Touch(QPDFObjectHandle object, std::set<QPDFObjGen>& changed) const {
    if (object.isIndirect()) {
        changed.insert(object.getObjGen());
    }
}

bool CSortedTree::Widen(QPDFObjectHandle node, QPDFObjectHandle key,
                        std::set<QPDFObjGen>& changed) {
    auto limits = node.getKey("/Limits");
    int low = 0;
    int high = 0;
    if (!limits.isArray() || limits.getArrayNItems() != 2 ||
        !Compare(key, limits.getArrayItem(0), low) || !Compare(key, limits.getArrayItem(1), high)) {
        return false;
    }
    if (low < 0 || high > 0) {
        auto widened = QPDFObjectHandle::newArray();
        widened.appendItem(low < 0 ? key : limits.getArrayItem(0));
        widened.appendItem(high > 0 ? key : limits.getArrayItem(1));
        node.replaceKey("/Limits", widened);
        Touch(node, changed);
    }
    return true;
}

void CSortedTree::SetLimits(QPDFObjectHandle node, std::set<QPDFObjGen>& changed) {
    QPDFObjectHandle low;
    QPDFObjectHandle high;
    auto kids = node.getKey("/Kids");
    if (kids.isArray()) {
        const int n = kids.getArrayNItems();
        if (n == 0) {
            return;
        }
        low = kids.getArrayItem(0).getKey("/Limits").getArrayItem(0);
        high = kids.getArrayItem(n - 1).getKey("/Limits").getArrayItem(1);
    } else {
        auto items = node.getKey(ItemsKey());
        const int n = items.isArray() ? items.getArrayNItems() : 0;
        if (n < 2) {
            return;
        }
        low = items.getArrayItem(0);
        high = items.getArrayItem(n - 2);
    }
    auto limits = QPDFObjectHandle::newArray();
    limits.appendItem(low);
    limits.appendItem(high);
    if (!SameValue(limits, node.getKey("/Limits"))) {
        node.replaceKey("/Limits", limits);
        Touch(node, changed);
    }
}

void CSortedTree::Split(std::vector<QPDFObjectHandle>& path, size_t level, bool atEnd,
                        std::set<QPDFObjGen>& changed) {
    QPDFObjectHandle node = path[level];
    const bool leaf = !node.getKey("/Kids").isArray();
    const char* arrayKey = leaf ? ItemsKey() : "/Kids";
    const int unit = leaf ? 2 : 1;
    auto array = node.getKey(arrayKey);
    const int size = array.getArrayNItems() / unit;
    if (size <= (leaf ? kMaxPairs : kMaxKids)) {
        return;
    }
    if (level == 0) {
        // The root stays where the tree is referenced from: what it holds
        // moves down into a new node, which is then split.
        auto child = m_pdf.makeIndirectObject(QPDFObjectHandle::newDictionary());
        child.replaceKey(arrayKey, array);
        SetLimits(child, changed);
        node.removeKey(arrayKey);
        auto kids = QPDFObjectHandle::newArray();
        kids.appendItem(child);
        node.replaceKey("/Kids", kids);
        Touch(node, changed);
        path.insert(path.begin() + 1, child);
        m_indices.insert(m_indices.begin() + 1, 0);
        level = 1;
        node = child;
    }
    // A tree that grows at its end splits off only the newest entry, so
    // the full node before it is never written again.
    const int keep = atEnd ? size - 1 : size / 2;
    auto all = array.getArrayAsVector();
    std::vector<QPDFObjectHandle> first(all.begin(), all.begin() + keep * unit);
    std::vector<QPDFObjectHandle> rest(all.begin() + keep * unit, all.end());
    array.setArrayFromVector(first);
    Touch(array, changed);
    Touch(node, changed);
    auto sibling = m_pdf.makeIndirectObject(QPDFObjectHandle::newDictionary());
    sibling.replaceKey(arrayKey, QPDFObjectHandle::newArray(rest));
    SetLimits(node, changed);
    SetLimits(sibling, changed);
    auto parent = path[level - 1];
    auto parentKids = parent.getKey("/Kids");
    const int index = m_indices[level];
    parentKids.insertItem(index + 1, sibling);
    Touch(parentKids, changed);
    Touch(parent, changed);
    Split(path, level - 1, atEnd && index + 2 == parentKids.getArrayNItems(), changed);
}

bool CSortedTree::Insert(QPDFObjectHandle key, QPDFObjectHandle value,
                         std::set<QPDFObjGen>& changed) {
    std::vector<QPDFObjectHandle> path;
    if (!PathTo(key, path)) {
        return false;
    }
    auto leaf = path.back();
    auto items = leaf.getKey(ItemsKey());
    const int n = items.isArray() ? items.getArrayNItems() / 2 : 0;
    // The first pair whose key is not below the new one.
    int lo = 0;
    int hi = n;
    bool equal = false;
    while (lo < hi) {
        const int mid = lo + (hi - lo) / 2;
        int order = 0;
        if (!Compare(items.getArrayItem(2 * mid), key, order)) {
            return false;
        }
        if (order < 0) {
            lo = mid + 1;
        } else {
            hi = mid;
            equal = order == 0;
        }
    }
    if (lo < n) {
        int order = 0;
        equal = Compare(items.getArrayItem(2 * lo), key, order) && order == 0;
    }
    // Checked before anything changes: the limits of every node on the way.
    for (size_t level = 1; level < path.size(); ++level) {
        auto limits = path[level].getKey("/Limits");
        int order = 0;
        if (!limits.isArray() || limits.getArrayNItems() != 2 ||
            !Compare(limits.getArrayItem(0), limits.getArrayItem(1), order) ||
            !Compare(key, limits.getArrayItem(0), order)) {
            return false;
        }
    }
    if (!items.isArray()) {
        items = QPDFObjectHandle::newArray();
        leaf.replaceKey(ItemsKey(), items);
    }
    Touch(items, changed);
    Touch(leaf, changed);
    if (equal) {
        items.setArrayItem(2 * lo + 1, value);
        return true;
    }
    items.insertItem(2 * lo, key);
    items.insertItem(2 * lo + 1, value);
    for (size_t level = path.size() - 1; level >= 1; --level) {
        Widen(path[level], key, changed);
    }
    bool atEnd = lo == n;
    for (size_t level = 1; level < path.size() && atEnd; ++level) {
        atEnd = m_indices[level] + 1 == path[level - 1].getKey("/Kids").getArrayNItems();
    }
    Split(path, path.size() - 1, atEnd, changed);
    return true;
}

} // namespace quorvel
