#include "pdfserver/AcroApp.h"

#include "pdfserver/PdfDocument.h"

namespace quorvel {

CAcroApp::CAcroApp(std::shared_ptr<CServerState> state) : m_state(std::move(state)) {}

int32_t CAcroApp::Exit() {
    m_state->CloseAll();
    return 1;
}

int32_t CAcroApp::CloseAllDocs() {
    m_state->CloseAll();
    return 1;
}

int32_t CAcroApp::MenuItemExecute(const std::string& menuItem) {
    if (menuItem != "NewBookmark") {
        return 0;
    }
    auto view = m_state->ActiveView();
    if (!view) {
        return 0;
    }
    return view->document->AddBookmark("Untitled", view->currentPage) ? 1 : 0;
}

} // namespace quorvel
