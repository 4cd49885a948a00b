#include "pdfserver/PageLabels.h"

#include "pdfserver/DocumentTrees.h"

#include <qpdf/QPDFNumberTreeObjectHelper.hh>
#include <qpdf/QPDFPageLabelDocumentHelper.hh>

#include <map>

namespace quorvel {

namespace {

// Decimal numbers counting from `start`.
QPDFObjectHandle Position(long long start) {
    auto label = QPDFObjectHandle::newDictionary();
    label.replaceKey("/S", QPDFObjectHandle::newName("/D"));
    if (start != 1) {
        label.replaceKey("/St", QPDFObjectHandle::newInteger(start));
    }
    return label;
}

// A label range of this document holding a label read from another.
QPDFObjectHandle OwnLabel(QPDFObjectHandle label, long long position) {
    if (!label.isDictionary()) {
        return Position(position + 1);
    }
    auto own = QPDFObjectHandle::newDictionary();
    for (const char* key : {"/S", "/P", "/St"}) {
        auto value = label.getKey(key);
        if ((std::string(key) == "/S" && value.isName()) ||
            (std::string(key) == "/P" && value.isString()) ||
            (std::string(key) == "/St" && value.isInteger() && value.getIntValue() != 1)) {
            own.replaceKey(key, CopyScalar(value));
        }
    }
    return own;
}

long long Start(QPDFObjectHandle label) {
    auto start = label.getKey("/St");
    return start.isInteger() ? start.getIntValue() : 1;
}

// Whether the label of the page after `previous`'s page continues its range.
bool Continues(QPDFObjectHandle previous, QPDFObjectHandle next) {
    auto style = previous.getKey("/S");
    auto nextStyle = next.getKey("/S");
    if (style.isName() != nextStyle.isName() ||
        (style.isName() && style.getName() != nextStyle.getName())) {
        return false;
    }
    auto prefix = previous.getKey("/P");
    auto nextPrefix = next.getKey("/P");
    if ((prefix.isString() ? prefix.getStringValue() : "") !=
        (nextPrefix.isString() ? nextPrefix.getStringValue() : "")) {
        return false;
    }
    return !style.isName() || Start(next) == Start(previous) + 1;
}

} // namespace

CPageLabelCopier::CPageLabelCopier(QPDF& source, QPDF& target, int insertAfter, int first,
                                   int count)
    : m_target(target), m_nAt(insertAfter + 1), m_nCount(count) {
    m_nTargetPages = static_cast<int>(target.getAllPages().size());
    QPDFPageLabelDocumentHelper sourceLabels(source);
    QPDFPageLabelDocumentHelper targetLabels(target);
    m_bSourceLabels = sourceLabels.hasPageLabels();
    m_bTargetLabels = targetLabels.hasPageLabels();
    if (m_bSourceLabels) {
        for (int i = 0; i < count; ++i) {
            m_labels.push_back(sourceLabels.getLabelForPage(first + i));
        }
    }
    if (m_bTargetLabels && m_nAt < m_nTargetPages) {
        m_following = targetLabels.getLabelForPage(m_nAt);
    }
}

void CPageLabelCopier::Apply(const ChangeSink& changed) {
    if (!m_bSourceLabels && !m_bTargetLabels) {
        return;
    }
    std::vector<std::pair<long long, QPDFObjectHandle>> entries;
    if (!m_bTargetLabels && m_nAt > 0) {
        entries.emplace_back(0, Position(1));
    }
    QPDFObjectHandle previous = QPDFObjectHandle::newNull();
    for (int i = 0; i < m_nCount; ++i) {
        const long long position = m_nAt + i;
        auto label = m_bSourceLabels ? OwnLabel(m_labels[static_cast<size_t>(i)], position)
                                     : Position(position + 1);
        if (i == 0 || !Continues(previous, label)) {
            entries.emplace_back(position, label);
        }
        previous = label;
    }
    const bool middle = m_nAt < m_nTargetPages;
    if (middle) {
        const long long after = m_nAt + m_nCount;
        entries.emplace_back(after,
                             m_bTargetLabels ? OwnLabel(m_following, after) : Position(after + 1));
    }
    auto catalog = m_target.getRoot();
    auto tree = catalog.getKey("/PageLabels");
    if (!tree.isDictionary() || (middle && m_bTargetLabels)) {
        // A new tree; or, for pages put between others, the old entries
        // moved behind the inserted pages, which renumbers the whole tree.
        std::map<long long, QPDFObjectHandle> kept;
        if (tree.isDictionary()) {
            for (const auto& [number, label] : QPDFNumberTreeObjectHelper(tree, m_target)) {
                if (number < m_nAt) {
                    kept.emplace(number, label);
                } else if (number > m_nAt) {
                    kept.emplace(number + m_nCount, label);
                }
            }
        }
        for (const auto& [number, label] : entries) {
            kept[number] = label;
        }
        tree = m_target.makeIndirectObject(QPDFObjectHandle::parse("<< /Nums [ ] >>"));
        for (const auto& [number, label] : kept) {
            QPDFNumberTreeObjectHelper(tree, m_target).insert(number, label);
        }
        catalog.replaceKey("/PageLabels", tree);
        changed(catalog);
        return;
    }
    for (const auto& [number, label] : entries) {
        trees::InsertNumber(m_target, tree, number, label, changed);
    }
}

} // namespace quorvel
