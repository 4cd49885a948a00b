#pragma once

#include "engine/Automation.h"
#include "pdfserver/DocumentView.h"

#include <memory>

namespace quorvel {

// The page view of a view: moves the view's current page.
class CAcroAVPageView : public IAcroAVPageView {
public:
    explicit CAcroAVPageView(std::shared_ptr<DocumentView> view);

    // 0 for a page outside the document or a closed view.
    int32_t GoTo(int32_t page) override;

private:
    std::shared_ptr<DocumentView> m_view;
};

} // namespace quorvel
