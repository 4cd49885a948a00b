#include "pdfserver/AcroAVDoc.h"

#include "pdfserver/AcroAVPageView.h"
#include "pdfserver/AcroPDDoc.h"
#include "pdfserver/PdfDocument.h"

namespace quorvel {

CAcroAVDoc::CAcroAVDoc(std::shared_ptr<CServerState> state, std::shared_ptr<DocumentView> view)
    : m_state(std::move(state)), m_view(std::move(view)) {}

std::shared_ptr<DocumentView> CAcroAVDoc::OpenView() const {
    if (m_view && m_view->open && m_view->document && m_view->document->IsOpen()) {
        return m_view;
    }
    return nullptr;
}

int32_t CAcroAVDoc::Open(const std::string& path, const std::string& /*tempTitle*/) {
    if (m_view) {
        m_view->open = false;
        m_view->document.reset();
    }
    m_view.reset();
    auto document = m_state->NewDocument();
    if (!document->Open(path)) {
        return 0;
    }
    auto view = std::make_shared<DocumentView>();
    view->document = std::move(document);
    m_state->RegisterView(view);
    m_view = std::move(view);
    return 1;
}

std::shared_ptr<IAcroPDDoc> CAcroAVDoc::GetPDDoc() {
    auto view = OpenView();
    return view ? std::make_shared<CAcroPDDoc>(m_state, view->document) : nullptr;
}

std::shared_ptr<IAcroAVPageView> CAcroAVDoc::GetAVPageView() {
    auto view = OpenView();
    return view ? std::make_shared<CAcroAVPageView>(view) : nullptr;
}

int32_t CAcroAVDoc::Close(int32_t noSave) {
    auto view = OpenView();
    if (!view) {
        return 0;
    }
    bool saved = true;
    if (noSave == 0 && !view->document->GetPath().empty()) {
        saved = view->document->Save(0x01, view->document->GetPath());
    }
    view->open = false;
    view->document.reset();
    return saved ? 1 : 0;
}

} // namespace quorvel
