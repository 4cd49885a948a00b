#pragma once

#include "pdfserver/DocumentView.h"
#include "pdfserver/PdfInstance.h"

#include <memory>
#include <vector>

namespace quorvel {

class CPdfDocument;

// What the objects of one document server share: the documents and views
// they opened, so that the application object can find the active view and
// close everything at once.
class CServerState {
public:
    // Makes a new, closed document known to the server.
    std::shared_ptr<CPdfDocument> NewDocument();
    // Remembers a parsed file so that CloseAll can break chains of sources.
    void RegisterInstance(const std::shared_ptr<PdfInstance>& instance);
    // Remembers a view; the latest open one is the active view.
    void RegisterView(const std::shared_ptr<DocumentView>& view);
    // The most recently opened view that is still open on an open document;
    // null when there is none.
    std::shared_ptr<DocumentView> ActiveView();
    // Closes every view and document and releases every parsed file.
    void CloseAll();
    // Number of parsed files still alive (held by documents or as sources).
    int LiveInstanceCount();

private:
    template <class T> static void Prune(std::vector<std::weak_ptr<T>>& items);

    std::vector<std::weak_ptr<CPdfDocument>> m_documents;
    std::vector<std::weak_ptr<DocumentView>> m_views;
    std::vector<std::weak_ptr<PdfInstance>> m_instances;
};

} // namespace quorvel
