#pragma once

#include "engine/ServerBusyFinder.h"

namespace quorvel {

// The watchdog's view of this program's windows: a visible top-level window
// titled exactly "Server Busy" whose button carries controlId 600 gets that
// button pressed. The search and the press run on the GUI thread; the
// watchdog waits for them, but never longer than a second, so a GUI thread
// that is itself waiting for the watchdog (at shutdown) cannot deadlock.
class CWindowServerBusyFinder : public IServerBusyFinder {
public:
    bool PressServerBusyRetry() override;

    // The search and press itself; GUI thread only.
    static bool PressServerBusyRetryNow();
};

} // namespace quorvel
