#pragma once

#include "engine/ConnectionHost.h"
#include "engine/PasswordProvider.h"

#include <string>

namespace quorvel {

inline constexpr const char* kReaderExecutable = "AcroRd32.exe";

// The main window as the append run sees it. The label of the "Append Files"
// button is the only record of whether a run is under way ("Stop" while one
// is). Application message boxes go through IMessageHost::MessageBox; the few
// messages owned by the main window go through OwnedMessageBox.
class IAppendHost : public IConnectionHost {
public:
    // The label of the "Append Files" button (control 1002).
    virtual std::string GetButtonLabel() = 0;
    virtual void SetButtonLabel(const std::string& label) = 0;
    // Repaints the main window at once (after a row became "Processing").
    virtual void RepaintNow() = 0;
    // A message box owned by the main window, one OK button.
    virtual void OwnedMessageBox(const std::string& text, const std::string& caption) = 0;
    // Told after the run wrote a row's "Status" column; the job list already
    // holds the new text.
    virtual void StatusChanged(int /*row*/, const std::string& /*status*/) {}
    // Terminates every running Adobe Reader process, which would keep the
    // server from creating new documents. The default terminates processes
    // named kReaderExecutable; tests replace it.
    virtual void TerminateReaderProcesses();
    // How to open `path`, asked before a row's output is touched: Open with
    // `password` set (empty when the file needs none), or Skipped when the
    // file needs a password and the user gave none. The default knows no
    // passwords.
    virtual UnlockResult UnlockFile(const std::string& /*path*/, CSecret& password) {
        password.Clear();
        return UnlockResult::Open;
    }
};

} // namespace quorvel
