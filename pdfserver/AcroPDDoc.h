#pragma once

#include "engine/Automation.h"
#include "pdfserver/PdfDocument.h"
#include "pdfserver/ServerState.h"

#include <memory>

namespace quorvel {

// The PDDoc object: a handle on one document of the server. Close releases
// this handle; the document itself lives on while a view shows it or while
// documents that copied from it are unsaved.
class CAcroPDDoc : public IAcroPDDoc {
public:
    CAcroPDDoc(std::shared_ptr<CServerState> state, std::shared_ptr<CPdfDocument> document);

    int32_t Open(const std::string& path) override;
    int32_t Close() override;
    int32_t InsertPages(int32_t insertAfter, const std::shared_ptr<IAcroPDDoc>& source,
                        int32_t firstSourcePage, int32_t count, int32_t copyBookmarks) override;
    int32_t GetNumPages() override;
    int32_t Create() override;
    std::shared_ptr<IAcroAVDoc> OpenAVDoc(const std::string& title) override;
    int32_t Save(int16_t flags, const std::string& path) override;

    // The document this object stands for; null when none is open.
    std::shared_ptr<CPdfDocument> GetDocument() const;

private:
    std::shared_ptr<CServerState> m_state;
    std::shared_ptr<CPdfDocument> m_document;
};

} // namespace quorvel
