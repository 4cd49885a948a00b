#include "pdfserver/OutlineCopier.h"

#include "pdfserver/OutlineTree.h"

namespace quorvel {

namespace {

bool IsOpen(QPDFObjectHandle item) {
    auto count = item.getKey("/Count");
    return count.isInteger() && count.getIntValue() > 0;
}

} // namespace

COutlineCopier::COutlineCopier(QPDF& source, CDestinationResolver& resolver, QPDF& target)
    : m_source(source), m_resolver(resolver), m_target(target) {
    m_nodes.emplace_back();
    auto root = outline::Root(m_source, false);
    if (!root.isNull()) {
        std::set<QPDFObjGen> seen;
        Collect(root, 0, 0, seen);
    }
}

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

void COutlineCopier::Collect(QPDFObjectHandle parent, int parentIndex, int depth,
                             std::set<QPDFObjGen>& seen) {
    if (depth >= outline::kMaxOutlineDepth) {
        return;
    }
    for (auto item : outline::Children(parent)) {
        if (item.isIndirect() && !seen.insert(item.getObjGen()).second) {
            continue;
        }
        Node node;
        node.item = item;
        node.parent = parentIndex;
        node.position = static_cast<int>(m_nodes[static_cast<size_t>(parentIndex)].children.size());
        if (CDestinationResolver::HasLocalJump(item)) {
            node.page = m_resolver.PageIndex(m_resolver.ExplicitDestination(item));
        } else {
            node.otherAction = item.getKey("/A").isDictionary();
        }
        const int index = static_cast<int>(m_nodes.size());
        m_nodes[static_cast<size_t>(parentIndex)].children.push_back(index);
        if (node.page >= 0) {
            m_byPage.emplace(node.page, index);
        }
        m_nodes.push_back(std::move(node));
        Collect(item, index, depth + 1, seen);
    }
}

void COutlineCopier::Emit(int index, const ChangeSink& changed) {
    Node& node = m_nodes[static_cast<size_t>(index)];
    if (index == 0 || !node.copy.isNull()) {
        return;
    }
    Emit(node.parent, changed);
    Node& parent = m_nodes[static_cast<size_t>(node.parent)];
    QPDFObjectHandle original = node.item;
    auto item = m_target.makeIndirectObject(QPDFObjectHandle::newDictionary());
    auto title = original.getKey("/Title");
    item.replaceKey("/Title",
                    QPDFObjectHandle::newString(title.isString() ? title.getStringValue() : ""));
    if (node.otherAction) {
        item.replaceKey("/A", CopyForeignValue(m_source, m_target, original.getKey("/A")));
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
    // After the nearest earlier sibling already copied; the row's first
    // top-level item goes after what the target had when the row began.
    QPDFObjectHandle after = QPDFObjectHandle::newNull();
    auto earlier = parent.copiedChildren.lower_bound(node.position);
    if (earlier != parent.copiedChildren.begin()) {
        --earlier;
        after = m_nodes[static_cast<size_t>(parent.children[static_cast<size_t>(*earlier)])].copy;
    } else if (node.parent == 0) {
        after = m_anchor;
    }
    QPDFObjectHandle parentCopy = node.parent == 0 ? m_targetRoot : parent.copy;
    for (auto object : outline::InsertChildAfter(parentCopy, after, item)) {
        changed(object);
    }
    parent.copiedChildren.insert(node.position);
    node.copy = item;
}

int COutlineCopier::Recount(int index) {
    Node& node = m_nodes[static_cast<size_t>(index)];
    int visible = 0;
    for (int position : node.copiedChildren) {
        const int child = node.children[static_cast<size_t>(position)];
        const int below = Recount(child);
        QPDFObjectHandle original = m_nodes[static_cast<size_t>(child)].item;
        visible += 1 + (IsOpen(original) ? below : 0);
    }
    if (index != 0 && !node.copiedChildren.empty()) {
        QPDFObjectHandle original = node.item;
        node.copy.replaceKey("/Count",
                             QPDFObjectHandle::newInteger(IsOpen(original) ? visible : -visible));
    }
    return visible;
}

void COutlineCopier::Add(const std::map<int, QPDFObjectHandle>& added, const ChangeSink& changed) {
    std::vector<std::pair<int, QPDFObjectHandle>> targets;
    for (const auto& [page, copy] : added) {
        auto [from, to] = m_byPage.equal_range(page);
        for (auto it = from; it != to; ++it) {
            targets.emplace_back(it->second, copy);
        }
    }
    std::vector<int> actions;
    if (m_bFirst) {
        m_bFirst = false;
        for (size_t i = 1; i < m_nodes.size(); ++i) {
            if (m_nodes[i].otherAction) {
                actions.push_back(static_cast<int>(i));
            }
        }
    }
    if (targets.empty() && actions.empty()) {
        return;
    }
    if (m_targetRoot.isNull()) {
        m_targetRoot = outline::Root(m_target, false);
        if (m_targetRoot.isNull()) {
            m_targetRoot = outline::Root(m_target, true);
            changed(m_target.getRoot());
        }
        // The root's /Last, so that nothing walks the items the target has.
        auto last = m_targetRoot.getKey("/Last");
        m_anchor = last.isDictionary() && last.isIndirect() &&
                           last.getKey("/Parent").isIndirect() &&
                           last.getKey("/Parent").getObjGen() == m_targetRoot.getObjGen() &&
                           !last.getKey("/Next").isDictionary()
                       ? last
                       : QPDFObjectHandle::newNull();
        if (m_anchor.isNull() && m_targetRoot.getKey("/First").isDictionary()) {
            // A damaged root: find its last item the long way.
            auto existing = outline::Children(m_targetRoot);
            m_anchor = existing.empty() ? QPDFObjectHandle::newNull() : existing.back();
        }
    }
    // Source order, so that each item finds its earlier siblings in place.
    std::sort(targets.begin(), targets.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    size_t nextAction = 0;
    for (const auto& [index, page] : targets) {
        while (nextAction < actions.size() && actions[nextAction] < index) {
            Emit(actions[nextAction++], changed);
        }
        Emit(index, changed);
        QPDFObjectHandle copy = m_nodes[static_cast<size_t>(index)].copy;
        if (!copy.hasKey("/Dest") && !copy.hasKey("/A")) {
            QPDFObjectHandle original = m_nodes[static_cast<size_t>(index)].item;
            copy.replaceKey("/Dest",
                            RetargetDestination(m_resolver.ExplicitDestination(original), page));
        }
    }
    while (nextAction < actions.size()) {
        Emit(actions[nextAction++], changed);
    }
    // The root's count changes by what this row shows at the top level now
    // against what it showed before; the rest of the target is not walked.
    const int visible = Recount(0);
    auto count = m_targetRoot.getKey("/Count");
    if (count.isInteger()) {
        m_targetRoot.replaceKey("/Count", QPDFObjectHandle::newInteger(count.getIntValue() -
                                                                       m_nVisibleAtRoot + visible));
    } else {
        outline::RecountRoot(m_targetRoot);
    }
    m_nVisibleAtRoot = visible;
    changed(m_targetRoot);
}

} // namespace quorvel
