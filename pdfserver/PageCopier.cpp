#include "pdfserver/PageCopier.h"

#include "pdfserver/OutlineCopier.h"

#include <qpdf/QPDFAcroFormDocumentHelper.hh>

#include <optional>
#include <vector>

namespace quorvel {

CPageCopier::CPageCopier(QPDF& source, QPDF& target)
    : m_source(source), m_target(target), m_bSameDocument(&source == &target) {}

std::map<int, QPDFObjectHandle> CPageCopier::Insert(int insertAfter, int first, int count) {
    std::map<int, QPDFObjectHandle> copies;
    // Inherited attributes (/MediaBox, /Resources, /Rotate on /Pages nodes)
    // must sit on each page before the page leaves its tree.
    m_source.pushInheritedAttributesToPage();
    m_sourcePages = m_source.getAllPages();

    // The form helpers read every field and widget of their document when
    // made, so the target's is made only when a copy needs it: the cost of
    // an insert then does not grow with the pages already in the target.
    std::optional<QPDFAcroFormDocumentHelper> targetForms;
    auto TargetForms = [&]() -> QPDFAcroFormDocumentHelper& {
        if (!targetForms) {
            targetForms.emplace(m_target);
        }
        return *targetForms;
    };
    std::optional<QPDFAcroFormDocumentHelper> sourceForms;
    if (!m_bSameDocument) {
        sourceForms.emplace(m_source);
    }
    auto FromForms = [&]() -> QPDFAcroFormDocumentHelper& {
        return m_bSameDocument ? TargetForms() : *sourceForms;
    };
    bool sourceHasForm = FromForms().hasAcroForm();

    // A page whose copy fails half-way (qpdf throws while fixing its
    // annotations, say) must not stay behind: the caller reports the insert
    // as failed, so the target leaves with the pages it came with.
    std::vector<QPDFObjectHandle> added;
    try {
        for (int i = 0; i < count; ++i) {
            auto original = m_sourcePages.at(static_cast<size_t>(first + i));
            auto copied = m_bSameDocument ? original : m_target.copyForeignObject(original);
            // A page already in the target (the same source page inserted
            // twice, or a document inserted into itself) gets a private copy
            // from qpdf; its annotations must then be made private too.
            bool duplicate = IsTargetPage(copied);
            int after = insertAfter + i;
            if (after < 0) {
                m_target.addPage(copied, true);
            } else {
                QPDFObjectHandle reference = m_target.getAllPages().at(static_cast<size_t>(after));
                m_target.addPageAt(copied, false, reference);
            }
            QPDFObjectHandle page = m_target.getAllPages().at(static_cast<size_t>(after + 1));
            added.push_back(page);
            if (sourceHasForm || duplicate) {
                TargetForms().fixCopiedAnnotations(page, original, FromForms());
            }
            copies.emplace(first + i, page);
        }
    } catch (...) {
        for (auto& page : added) {
            m_target.removePage(page);
        }
        throw;
    }
    if (sourceHasForm && !m_bSameDocument && sourceForms->getNeedAppearances()) {
        TargetForms().setNeedAppearances(true);
    }
    return copies;
}

bool CPageCopier::IsTargetPage(QPDFObjectHandle page) {
    // qpdf keeps an index of the pages in the tree; it throws for an object
    // that is not one of them.
    try {
        m_target.findPage(page);
        return true;
    } catch (...) {
        return false;
    }
}

void CPageCopier::RetargetLinks(CDestinationResolver& resolver,
                                const std::map<int, QPDFObjectHandle>& copies) {
    for (const auto& [index, copy] : copies) {
        auto originals = m_sourcePages.at(static_cast<size_t>(index)).getKey("/Annots");
        auto copied = QPDFObjectHandle(copy).getKey("/Annots");
        if (!copied.isArray()) {
            continue;
        }
        int n = copied.getArrayNItems();
        bool paired = originals.isArray() && originals.getArrayNItems() == n;
        for (int i = 0; i < n; ++i) {
            auto annotation = copied.getArrayItem(i);
            RetargetLink(resolver, copies, paired ? originals.getArrayItem(i) : annotation,
                         annotation);
        }
    }
}

void CPageCopier::RetargetLink(CDestinationResolver& resolver,
                               const std::map<int, QPDFObjectHandle>& copies,
                               QPDFObjectHandle original, QPDFObjectHandle copy) {
    if (!copy.isDictionary() || !CDestinationResolver::HasLocalJump(original)) {
        return;
    }
    auto destination = resolver.ExplicitDestination(original);
    int page = resolver.PageIndex(destination);
    QPDFObjectHandle target = QPDFObjectHandle::newNull();
    if (auto found = copies.find(page); found != copies.end()) {
        target = found->second;
    } else if (m_bSameDocument && page >= 0) {
        // Within one document the original page is still there.
        target = m_sourcePages.at(static_cast<size_t>(page));
    }
    auto action = copy.getKey("/A");
    if (action.isDictionary() && action.getKey("/S").isNameAndEquals("/GoTo")) {
        copy.removeKey("/A");
    }
    if (target.isNull()) {
        copy.removeKey("/Dest");
    } else {
        copy.replaceKey("/Dest", COutlineCopier::RetargetDestination(destination, target));
    }
}

} // namespace quorvel
