#pragma once

#include "pdfserver/StreamSharing.h"

#include <qpdf/QPDF.hh>

#include <vector>

namespace quorvel {

// Copies a run of pages from one document into another with their
// resources and annotations. Source and target may be the same document.
// qpdf errors are thrown to the caller.
class CPageCopier {
public:
    struct Copy {
        int sourcePage;
        QPDFObjectHandle page;
        // A private copy of a page the target already had (the same source
        // page inserted twice, or a document inserted into itself): its
        // annotations and fields were copied anew.
        bool duplicate;
    };

    // With `sharer`, each fresh page copy shares the streams earlier rows of
    // the same source file copied.
    CPageCopier(QPDF& source, QPDF& target, CStreamSharer* sharer = nullptr,
                ChangeSink changed = {});

    // Inserts source pages first..first+count-1 (0-based) after target page
    // `insertAfter` (-1: before the first). Returns the copies in order. A
    // page that fails half-way is taken out again before the error is thrown,
    // so a failed insert leaves the target's pages as they were.
    std::vector<Copy> Insert(int insertAfter, int first, int count);

    // The source's pages as they were before the insert.
    const std::vector<QPDFObjectHandle>& SourcePages() const { return m_sourcePages; }

    // Whether fields and widgets of a duplicate went through qpdf's form
    // merge, which adds them to the target's /Fields itself.
    bool MergedForms() const { return m_bMergedForms; }

private:
    // Whether `page` is already one of the target's pages.
    bool IsTargetPage(QPDFObjectHandle page);
    void CopyAnnotationsOfDuplicate(QPDFObjectHandle page, QPDFObjectHandle original);

    QPDF& m_source;
    QPDF& m_target;
    bool m_bSameDocument;
    bool m_bMergedForms = false;
    CStreamSharer* m_sharer;
    ChangeSink m_changed;
    std::vector<QPDFObjectHandle> m_sourcePages;
};

} // namespace quorvel
