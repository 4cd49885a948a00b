#include "common/RecordingHost.h"

namespace quorvel::test {

CRecordingHost::CRecordingHost(std::shared_ptr<std::vector<std::string>> trace)
    : m_trace(trace ? std::move(trace) : std::make_shared<std::vector<std::string>>()) {}

MsgResult CRecordingHost::MessageBox(const std::string& text, const std::string& caption,
                                     MsgButtons, MsgIcon) {
    m_messages.push_back(caption + ": " + text);
    m_trace->push_back("[message] " + caption + ": " + text);
    return MsgResult::Ok;
}

void CRecordingHost::PumpOneMessage() {
    ++m_nPumps;
    for (auto& [n, action] : m_pumpActions)
        if (n == m_nPumps)
            action();
}

void CRecordingHost::ShowConnectDialog() {
    m_bConnectDialogShown = true;
    m_trace->push_back("[connect dialog shown]");
}

void CRecordingHost::CloseConnectDialog() {
    m_bConnectDialogShown = false;
    m_trace->push_back("[connect dialog closed]");
}

void CRecordingHost::SetButtonLabel(const std::string& label) {
    m_strLabel = label;
    m_trace->push_back("[label] " + label);
}

void CRecordingHost::RepaintNow() {
    m_trace->push_back("[repaint]");
}

void CRecordingHost::OwnedMessageBox(const std::string& text, const std::string& caption) {
    m_messages.push_back("owned " + caption + ": " + text);
    m_trace->push_back("[owned message] " + caption + ": " + text);
}

void CRecordingHost::StatusChanged(int row, const std::string& status) {
    m_statuses.push_back("row " + std::to_string(row) + ": " + status);
    m_trace->push_back("[status] row " + std::to_string(row) + ": " + status);
}

void CRecordingHost::TerminateReaderProcesses() {
    ++m_nTerminations;
    m_trace->push_back("[terminate readers]");
}

void CRecordingHost::OnPump(int n, std::function<void()> action) {
    m_pumpActions.emplace_back(n, std::move(action));
}

UnlockResult CRecordingHost::UnlockFile(const std::string& path, CSecret& password) {
    if (!m_pPasswords)
        return IAppendHost::UnlockFile(path, password);
    return m_pPasswords->Unlock(path, m_prober, password);
}

} // namespace quorvel::test
