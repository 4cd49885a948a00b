#include "pdfserver/AcroPDBookmark.h"

#include "pdfserver/AcroPDDoc.h"

namespace quorvel {

int32_t CAcroPDBookmark::GetByTitle(const std::shared_ptr<IAcroPDDoc>& doc,
                                    const std::string& title) {
    m_document.reset();
    m_item = QPDFObjGen();
    auto object = std::dynamic_pointer_cast<CAcroPDDoc>(doc);
    auto document = object ? object->GetDocument() : nullptr;
    if (!document) {
        return 0;
    }
    auto item = document->FindBookmark(title);
    if (!item.isIndirect()) {
        return 0;
    }
    m_document = document;
    m_nRevision = document->GetRevision();
    m_item = item;
    return 1;
}

int32_t CAcroPDBookmark::SetTitle(const std::string& title) {
    auto document = m_document.lock();
    if (!document || document->GetRevision() != m_nRevision) {
        return 0;
    }
    return document->SetBookmarkTitle(m_item, title) ? 1 : 0;
}

} // namespace quorvel
