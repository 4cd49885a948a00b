#include "pdfserver/AcroPDDoc.h"

#include "pdfserver/AcroAVDoc.h"

namespace quorvel {

CAcroPDDoc::CAcroPDDoc(std::shared_ptr<CServerState> state, std::shared_ptr<CPdfDocument> document)
    : m_state(std::move(state)), m_document(std::move(document)) {}

std::shared_ptr<CPdfDocument> CAcroPDDoc::GetDocument() const {
    return m_document && m_document->IsOpen() ? m_document : nullptr;
}

int32_t CAcroPDDoc::Open(const std::string& path) {
    m_document.reset();
    auto document = m_state->NewDocument();
    if (!document->Open(path)) {
        return 0;
    }
    m_document = std::move(document);
    return 1;
}

int32_t CAcroPDDoc::Close() {
    if (!GetDocument()) {
        m_document.reset();
        return 0;
    }
    m_document.reset();
    return 1;
}

int32_t CAcroPDDoc::InsertPages(int32_t insertAfter, const std::shared_ptr<IAcroPDDoc>& source,
                                int32_t firstSourcePage, int32_t count, int32_t copyBookmarks) {
    auto target = GetDocument();
    auto sourceObject = std::dynamic_pointer_cast<CAcroPDDoc>(source);
    auto from = sourceObject ? sourceObject->GetDocument() : nullptr;
    if (!target || !from) {
        return 0;
    }
    return target->InsertPages(insertAfter, *from, firstSourcePage, count, copyBookmarks != 0) ? 1
                                                                                               : 0;
}

int32_t CAcroPDDoc::GetNumPages() {
    auto document = GetDocument();
    return document ? document->GetNumPages() : 0;
}

int32_t CAcroPDDoc::Create() {
    auto document = m_state->NewDocument();
    if (!document->Create()) {
        throw AutomationException("A new document cannot be created.");
    }
    m_document = std::move(document);
    return 1;
}

std::shared_ptr<IAcroAVDoc> CAcroPDDoc::OpenAVDoc(const std::string& /*title*/) {
    auto document = GetDocument();
    if (!document) {
        return nullptr;
    }
    auto view = std::make_shared<DocumentView>();
    view->document = document;
    m_state->RegisterView(view);
    return std::make_shared<CAcroAVDoc>(m_state, view);
}

int32_t CAcroPDDoc::Save(int16_t flags, const std::string& path) {
    auto document = GetDocument();
    return document && document->Save(flags, path) ? 1 : 0;
}

} // namespace quorvel
