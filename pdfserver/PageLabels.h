#pragma once

#include "pdfserver/ObjectCopy.h"

#include <qpdf/QPDF.hh>

#include <vector>

namespace quorvel {

// Carries page labels ("i", "ii", "A-1") of copied pages into a target.
// Every inserted page shows the label it showed in its source; pages of a
// source without labels, and the target's own pages where it has none, show
// their position in the target. The labels of the target's existing pages
// stay as they were. When neither side has labels the target gets none.
class CPageLabelCopier {
public:
    // Reads, before the insert, the labels of source pages
    // first..first+count-1 and of the target page the insert will push back.
    CPageLabelCopier(QPDF& source, QPDF& target, int insertAfter, int first, int count);

    // Once the pages are in: records their labels in the target.
    void Apply(const ChangeSink& changed);

private:
    QPDF& m_target;
    int m_nAt;
    int m_nCount;
    int m_nTargetPages;
    bool m_bSourceLabels;
    bool m_bTargetLabels;
    std::vector<QPDFObjectHandle> m_labels;
    QPDFObjectHandle m_following = QPDFObjectHandle::newNull();
};

} // namespace quorvel
