#pragma once

#include "engine/Automation.h"
#include "pdfserver/PdfDocument.h"

#include <memory>

namespace quorvel {

// The PDBookmark object: stands for one outline item once GetByTitle found
// it. It does not keep the document open; after the document was closed or
// saved (which renumbers its objects) SetTitle fails.
class CAcroPDBookmark : public IAcroPDBookmark {
public:
    int32_t GetByTitle(const std::shared_ptr<IAcroPDDoc>& doc, const std::string& title) override;
    int32_t SetTitle(const std::string& title) override;

private:
    std::weak_ptr<CPdfDocument> m_document;
    unsigned m_nRevision = 0;
    QPDFObjGen m_item;
};

} // namespace quorvel
