#pragma once

#include <memory>

namespace quorvel {

class CPdfDocument;

// A view of a document: which document it shows and which page is current.
// Shared by the view object and its page view object.
struct DocumentView {
    std::shared_ptr<CPdfDocument> document;
    int currentPage = 0;
    bool open = true;
};

} // namespace quorvel
