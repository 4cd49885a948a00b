#pragma once

namespace quorvel {

// Answers the "Server Busy" prompt for the watchdog: the windows side looks
// for a top-level window of this program titled exactly "Server Busy" that
// has a control whose id is 600, presses that control and returns once the
// window has handled the press. A window with that title but without control
// 600 is left alone. Called from the watchdog thread, never from the GUI
// thread.
class IServerBusyFinder {
public:
    virtual ~IServerBusyFinder() = default;
    // Returns true when a prompt was found and pressed.
    virtual bool PressServerBusyRetry() = 0;
};

} // namespace quorvel
