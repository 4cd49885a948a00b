#include "pdfserver/OutlineCopier.h"

#include "pdfserver/OutlineTree.h"

#include <set>

namespace quorvel {

namespace {

// A direct scalar that belongs to no document: view parameters of a
// destination, colours and flags are copied this way.
QPDFObjectHandle CopyScalar(QPDFObjectHandle value) {
    if (value.isInteger()) {
        return QPDFObjectHandle::newInteger(value.getIntValue());
    }
    if (value.isReal()) {
        return QPDFObjectHandle::newReal(value.getRealValue());
    }
    if (value.isName()) {
        return QPDFObjectHandle::newName(value.getName());
    }
    if (value.isBool()) {
        return QPDFObjectHandle::newBool(value.getBoolValue());
    }
    return QPDFObjectHandle::newNull();
}

bool IsOpen(QPDFObjectHandle item) {
    auto count = item.getKey("/Count");
    return count.isInteger() && count.getIntValue() > 0;
}

} // namespace

COutlineCopier::COutlineCopier(QPDF& source, CDestinationResolver& resolver, QPDF& target,
                               const std::map<int, QPDFObjectHandle>& copies)
    : m_source(source), m_resolver(resolver), m_target(target), m_copies(copies) {}

QPDFObjectHandle COutlineCopier::RetargetDestination(QPDFObjectHandle original,
                                                     QPDFObjectHandle page) {
    auto destination = QPDFObjectHandle::newArray();
    destination.appendItem(page);
    int n = original.isArray() ? original.getArrayNItems() : 0;
    for (int i = 1; i < n; ++i) {
        destination.appendItem(CopyScalar(original.getArrayItem(i)));
    }
    if (n < 2) {
        destination.appendItem(QPDFObjectHandle::newName("/Fit"));
    }
    return destination;
}

std::vector<COutlineCopier::Node> COutlineCopier::Collect(QPDFObjectHandle parent, int depth,
                                                          std::set<QPDFObjGen>& seen) {
    std::vector<Node> nodes;
    if (depth >= outline::kMaxOutlineDepth) {
        return nodes;
    }
    for (const auto& item : outline::Children(parent)) {
        if (item.isIndirect() && !seen.insert(item.getObjGen()).second) {
            continue;
        }
        Node node{item, QPDFObjectHandle::newNull(), Collect(item, depth + 1, seen)};
        auto destination = m_resolver.ExplicitDestination(item);
        auto copy = m_copies.find(m_resolver.PageIndex(destination));
        if (copy != m_copies.end()) {
            node.destination = RetargetDestination(destination, copy->second);
        }
        if (!node.destination.isNull() || !node.children.empty()) {
            nodes.push_back(std::move(node));
        }
    }
    return nodes;
}

int COutlineCopier::VisibleBelow(const Node& node) {
    int total = 0;
    for (const auto& child : node.children) {
        QPDFObjectHandle item = child.item;
        total += 1 + (IsOpen(item) ? VisibleBelow(child) : 0);
    }
    return total;
}

QPDFObjectHandle COutlineCopier::Emit(const Node& node, QPDFObjectHandle parent) {
    QPDFObjectHandle original = node.item;
    auto item = m_target.makeIndirectObject(QPDFObjectHandle::newDictionary());
    auto title = original.getKey("/Title");
    item.replaceKey("/Title",
                    QPDFObjectHandle::newString(title.isString() ? title.getStringValue() : ""));
    if (!QPDFObjectHandle(node.destination).isNull()) {
        item.replaceKey("/Dest", node.destination);
    }
    auto colour = original.getKey("/C");
    if (colour.isArray() && colour.getArrayNItems() == 3) {
        auto copy = QPDFObjectHandle::newArray();
        for (int i = 0; i < 3; ++i) {
            copy.appendItem(CopyScalar(colour.getArrayItem(i)));
        }
        item.replaceKey("/C", copy);
    }
    if (original.getKey("/F").isInteger()) {
        item.replaceKey("/F", CopyScalar(original.getKey("/F")));
    }
    outline::AppendChild(parent, item);
    for (const auto& child : node.children) {
        Emit(child, item);
    }
    if (!node.children.empty()) {
        int visible = VisibleBelow(node);
        item.replaceKey("/Count",
                        QPDFObjectHandle::newInteger(IsOpen(original) ? visible : -visible));
    }
    return item;
}

std::vector<QPDFObjectHandle> COutlineCopier::CopyInto() {
    std::vector<QPDFObjectHandle> changed;
    auto sourceRoot = outline::Root(m_source, false);
    if (sourceRoot.isNull() || m_copies.empty()) {
        return changed;
    }
    std::set<QPDFObjGen> seen;
    auto nodes = Collect(sourceRoot, 0, seen);
    if (nodes.empty()) {
        return changed;
    }
    auto targetRoot = outline::Root(m_target, false);
    if (targetRoot.isNull()) {
        targetRoot = outline::Root(m_target, true);
        changed.push_back(m_target.getRoot());
    } else {
        changed.push_back(targetRoot);
        auto existing = outline::Children(targetRoot);
        if (!existing.empty()) {
            changed.push_back(existing.back());
        }
    }
    for (const auto& node : nodes) {
        Emit(node, targetRoot);
    }
    outline::RecountRoot(targetRoot);
    return changed;
}

} // namespace quorvel
