#pragma once

#include "engine/Automation.h"
#include "pdfserver/DocumentView.h"
#include "pdfserver/ServerState.h"

#include <memory>

namespace quorvel {

// The AVDoc object: a view of a document with a current page. The most
// recently opened view that is still open is the one menu items act on.
class CAcroAVDoc : public IAcroAVDoc {
public:
    // `view` null: a view that shows nothing until Open.
    CAcroAVDoc(std::shared_ptr<CServerState> state, std::shared_ptr<DocumentView> view);

    int32_t Open(const std::string& path, const std::string& tempTitle) override;
    std::shared_ptr<IAcroPDDoc> GetPDDoc() override;
    std::shared_ptr<IAcroAVPageView> GetAVPageView() override;
    // noSave 0 first saves a document that came from a file back to it.
    int32_t Close(int32_t noSave) override;

private:
    std::shared_ptr<DocumentView> OpenView() const;

    std::shared_ptr<CServerState> m_state;
    std::shared_ptr<DocumentView> m_view;
};

} // namespace quorvel
