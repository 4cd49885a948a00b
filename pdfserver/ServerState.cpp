#include "pdfserver/ServerState.h"

#include "pdfserver/PdfDocument.h"

#include <algorithm>

namespace quorvel {

template <class T> void CServerState::Prune(std::vector<std::weak_ptr<T>>& items) {
    items.erase(std::remove_if(items.begin(), items.end(),
                               [](const std::weak_ptr<T>& item) { return item.expired(); }),
                items.end());
}

std::shared_ptr<CPdfDocument> CServerState::NewDocument() {
    Prune(m_documents);
    auto document = std::make_shared<CPdfDocument>(*this);
    m_documents.push_back(document);
    return document;
}

void CServerState::RegisterInstance(const std::shared_ptr<PdfInstance>& instance) {
    Prune(m_instances);
    m_instances.push_back(instance);
}

void CServerState::RegisterView(const std::shared_ptr<DocumentView>& view) {
    Prune(m_views);
    m_views.push_back(view);
}

std::shared_ptr<DocumentView> CServerState::ActiveView() {
    for (auto it = m_views.rbegin(); it != m_views.rend(); ++it) {
        auto view = it->lock();
        if (view && view->open && view->document && view->document->IsOpen()) {
            return view;
        }
    }
    return nullptr;
}

void CServerState::CloseAll() {
    for (auto& weak : m_views) {
        if (auto view = weak.lock()) {
            view->open = false;
            view->document.reset();
        }
    }
    for (auto& weak : m_documents) {
        if (auto document = weak.lock()) {
            document->Close();
        }
    }
    // Two unsaved documents that copied from each other hold each other's
    // files; clearing every source list frees such rings as well.
    for (auto& weak : m_instances) {
        if (auto instance = weak.lock()) {
            instance->sources.clear();
        }
    }
    Prune(m_views);
    Prune(m_documents);
    Prune(m_instances);
}

int CServerState::LiveInstanceCount() {
    Prune(m_instances);
    return static_cast<int>(m_instances.size());
}

} // namespace quorvel
