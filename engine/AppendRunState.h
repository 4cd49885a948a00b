#pragma once

namespace quorvel {

// The run state that the main window owns and the append run reads: the
// request to stop. Cleared at the start of every click on "Append Files",
// set by a click on "Stop" and by the window's Close command.
struct AppendRunState {
    bool m_bStopRequested = false;
};

} // namespace quorvel
