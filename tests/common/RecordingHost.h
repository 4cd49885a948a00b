#pragma once

// A main window for tests of the append run and the page count fallback: it
// writes every message box, label change, pump, repaint and status change
// into a trace (shared with a CRecordingFactory when one is given, so one
// trace shows the order of both) and can run a test's action on the n-th pump
// (to press "Stop" in the middle of a run).

#include "engine/AppendHost.h"
#include "engine/SourcePasswords.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace quorvel::test {

class CRecordingHost : public IAppendHost {
public:
    explicit CRecordingHost(std::shared_ptr<std::vector<std::string>> trace = nullptr);

    MsgResult MessageBox(const std::string& text, const std::string& caption, MsgButtons buttons,
                         MsgIcon icon) override;
    void PumpOneMessage() override;
    void ShowConnectDialog() override;
    void CloseConnectDialog() override;
    std::string GetButtonLabel() override { return m_strLabel; }
    void SetButtonLabel(const std::string& label) override;
    void RepaintNow() override;
    void OwnedMessageBox(const std::string& text, const std::string& caption) override;
    void StatusChanged(int row, const std::string& status) override;
    void TerminateReaderProcesses() override;
    // Through m_pPasswords and m_prober when a test set them; else none.
    UnlockResult UnlockFile(const std::string& path, CSecret& password) override;

    // Runs `action` on the `n`-th pump (counted from 1).
    void OnPump(int n, std::function<void()> action);

    std::string m_strLabel = "Append Files";
    int m_nPumps = 0;
    int m_nTerminations = 0;
    bool m_bConnectDialogShown = false;
    // Message boxes as "caption: text"; owned ones as "owned caption: text".
    std::vector<std::string> m_messages;
    // Status changes as "row N: STATUS" (rows from 0).
    std::vector<std::string> m_statuses;
    std::shared_ptr<std::vector<std::string>> m_trace;
    CSourcePasswords* m_pPasswords = nullptr;
    PdfProber m_prober;

private:
    std::vector<std::pair<int, std::function<void()>>> m_pumpActions;
};

} // namespace quorvel::test
