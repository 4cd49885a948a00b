#pragma once

#include "engine/MessageHost.h"

namespace quorvel {

// What code that talks to the document server needs from the window it runs
// under: message boxes, the one-message pump that keeps the window alive
// between calls, and the "Acrobat Connection" dialog shown while the server's
// application object is being created.
class IConnectionHost : public IMessageHost {
public:
    // Dispatches at most one pending window message without waiting. Commands
    // (a click on "Stop", Close) may therefore run inside this call.
    virtual void PumpOneMessage() = 0;
    // Shows the modeless "Acrobat Connection" dialog, owned by the main window.
    virtual void ShowConnectDialog() = 0;
    // Closes and destroys it; harmless when it is not shown.
    virtual void CloseConnectDialog() = 0;
};

} // namespace quorvel
