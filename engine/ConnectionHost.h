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

    // Called again and again while one call to a document server in another
    // process has been under way for `elapsedMs` (from about a quarter of a
    // second on): keeps the window painted, takes only Stop and Close, and
    // after a few seconds shows that the server is busy and for how long.
    // Returns false once the user asked to stop: the call is then given up
    // (its server ended) unless it ends within a short grace. The default
    // waits without a window.
    virtual bool PumpWhileServerBusy(int /*elapsedMs*/) { return true; }
    // The call PumpWhileServerBusy was called for has ended: the busy
    // display goes away.
    virtual void ServerCallEnded() {}
};

} // namespace quorvel
