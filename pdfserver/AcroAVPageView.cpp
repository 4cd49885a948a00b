#include "pdfserver/AcroAVPageView.h"

#include "pdfserver/PdfDocument.h"

namespace quorvel {

CAcroAVPageView::CAcroAVPageView(std::shared_ptr<DocumentView> view) : m_view(std::move(view)) {}

int32_t CAcroAVPageView::GoTo(int32_t page) {
    if (!m_view->open || !m_view->document || page < 0 || page >= m_view->document->GetNumPages()) {
        return 0;
    }
    m_view->currentPage = page;
    return 1;
}

} // namespace quorvel
