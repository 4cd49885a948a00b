#include "pdfserver/PageCopier.h"

#include "pdfserver/CommentTies.h"

#include <qpdf/QPDFAcroFormDocumentHelper.hh>

#include <map>

namespace quorvel {

CPageCopier::CPageCopier(QPDF& source, QPDF& target, CStreamSharer* sharer, ChangeSink changed)
    : m_source(source), m_target(target), m_bSameDocument(&source == &target), m_sharer(sharer),
      m_changed(std::move(changed)) {}

std::vector<CPageCopier::Copy> CPageCopier::Insert(int insertAfter, int first, int count) {
    std::vector<Copy> copies;
    // Inherited attributes (/MediaBox, /Resources, /Rotate on /Pages nodes)
    // must sit on each page before the page leaves its tree.
    m_source.pushInheritedAttributesToPage();
    m_sourcePages = m_source.getAllPages();

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
            if (m_sharer && !duplicate && !m_bSameDocument) {
                m_sharer->Share(original, copied, m_changed);
            }
            int after = insertAfter + i;
            if (after < 0) {
                m_target.addPage(copied, true);
            } else {
                QPDFObjectHandle reference = m_target.getAllPages().at(static_cast<size_t>(after));
                m_target.addPageAt(copied, false, reference);
            }
            QPDFObjectHandle page = m_target.getAllPages().at(static_cast<size_t>(after + 1));
            added.push_back(page);
            if (duplicate) {
                CopyAnnotationsOfDuplicate(page, original);
            }
            copies.push_back({first + i, page, duplicate});
        }
    } catch (...) {
        for (auto& page : added) {
            m_target.removePage(page);
        }
        throw;
    }
    return copies;
}

void CPageCopier::CopyAnnotationsOfDuplicate(QPDFObjectHandle page, QPDFObjectHandle original) {
    auto shared = page.getKey("/Annots");
    if (!shared.isArray() || shared.getArrayNItems() == 0) {
        return;
    }
    std::vector<QPDFObjectHandle> before = shared.getArrayAsVector();
    // The form helpers read every field and widget of their document when
    // made, so they are made only for the rare duplicate.
    QPDFAcroFormDocumentHelper targetForms(m_target);
    if (m_bSameDocument) {
        targetForms.fixCopiedAnnotations(page, original, targetForms);
    } else {
        QPDFAcroFormDocumentHelper sourceForms(m_source);
        targetForms.fixCopiedAnnotations(page, original, sourceForms);
    }
    m_bMergedForms = true;
    // The fresh annotations still name the shared ones in their ties (a
    // popup, the popup's parent, a reply's target); they are pointed at the
    // fresh copies on this page.
    auto after = page.getKey("/Annots");
    if (!after.isArray() || static_cast<size_t>(after.getArrayNItems()) != before.size()) {
        return;
    }
    std::map<QPDFObjGen, QPDFObjectHandle> fresh;
    for (size_t i = 0; i < before.size(); ++i) {
        if (before[i].isIndirect()) {
            fresh.emplace(before[i].getObjGen(), after.getArrayItem(static_cast<int>(i)));
        }
    }
    for (auto& annotation : after.getArrayAsVector()) {
        ForEachCommentTie(annotation, [&](const char* key, QPDFObjectHandle tie) {
            if (auto found = fresh.find(tie.getObjGen()); found != fresh.end()) {
                annotation.replaceKey(key, found->second);
            }
        });
    }
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

} // namespace quorvel
