#pragma once

#include "pdfserver/DestinationResolver.h"

#include <qpdf/QPDF.hh>

#include <map>

namespace quorvel {

// Copies a run of pages from one document into another with their
// resources, annotations and form fields. Source and target may be the same
// document. qpdf errors are thrown to the caller.
class CPageCopier {
public:
    CPageCopier(QPDF& source, QPDF& target);

    // Inserts source pages first..first+count-1 (0-based) after target page
    // `insertAfter` (-1: before the first). Returns the copies by source
    // page index.
    std::map<int, QPDFObjectHandle> Insert(int insertAfter, int first, int count);

    // Points the jumps of the copied annotations at the copies when their
    // target page was copied too, and removes jumps that would lead to a page
    // the target does not have.
    void RetargetLinks(CDestinationResolver& resolver,
                       const std::map<int, QPDFObjectHandle>& copies);

private:
    // Whether `page` is already one of the target's pages.
    bool IsTargetPage(QPDFObjectHandle page);
    void RetargetLink(CDestinationResolver& resolver, const std::map<int, QPDFObjectHandle>& copies,
                      QPDFObjectHandle original, QPDFObjectHandle copy);

    QPDF& m_source;
    QPDF& m_target;
    bool m_bSameDocument;
    std::vector<QPDFObjectHandle> m_sourcePages;
};

} // namespace quorvel
