#pragma once

#include "engine/Automation.h"
#include "pdfserver/ServerState.h"

#include <memory>

namespace quorvel {

// The App object: closes everything and runs the one menu item the server
// knows, "NewBookmark".
class CAcroApp : public IAcroApp {
public:
    explicit CAcroApp(std::shared_ptr<CServerState> state);

    int32_t Exit() override;
    int32_t CloseAllDocs() override;
    // "NewBookmark" adds a top-level outline item "Untitled" at the current
    // page of the active view; 0 without an active view or for other items.
    int32_t MenuItemExecute(const std::string& menuItem) override;

private:
    std::shared_ptr<CServerState> m_state;
};

} // namespace quorvel
