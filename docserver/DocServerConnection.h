#pragma once

// The window process's link to one document helper process at a time.
//
// The helper is started on demand (Start, or CallStarting), answers requests in
// order, and is killed (SIGKILL) and reaped as soon as it dies, closes its end,
// sends something unreadable or does not answer within the timeout. Every
// started helper gets a new generation number; handles are only meaningful
// with the generation they came from, so objects of a dead helper can never
// reach its successor. All members may be called from any thread; calls are
// serialised.

#include "docserver/DocServerProtocol.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace quorvel {

// Default time a helper may take to answer one request.
inline constexpr int kDocServerDefaultTimeoutMs = 60000;

// The helper executable to start when none is named: "quorvel-docserver" next
// to the running executable, else the installed one in the private folder
// (libexec/quorvel beside the program's bin folder), else the one in the
// build tree. Empty when none exists.
std::string FindDocServerExecutable();
// The same search for a program in folder `programDir` (ending in '/').
std::string FindDocServerExecutableFrom(const std::string& programDir);

class CDocServerConnection {
public:
    // `serverPath` empty: FindDocServerExecutable(). `timeoutMs` negative: the
    // default timeout. `extraArgs` are passed to the helper after "--fd N".
    explicit CDocServerConnection(std::string serverPath = {}, int timeoutMs = -1,
                                  std::vector<std::string> extraArgs = {});
    // Closes the link; a helper that has not left within half a second is killed.
    ~CDocServerConnection();
    CDocServerConnection(const CDocServerConnection&) = delete;
    CDocServerConnection& operator=(const CDocServerConnection&) = delete;

    // Sends `request` to the helper of `generation` and waits for its reply.
    // Nothing when that helper is gone or fails now (it is then killed).
    std::optional<DocReply> Call(uint64_t generation, const DocRequest& request);

    // Like Call, on the running helper, first starting one if none is alive.
    // `generation` receives the generation that answered.
    std::optional<DocReply> CallStarting(const DocRequest& request, uint64_t& generation);

    // Like CallStarting, for a request the helper answers with `replies`
    // replies: hands each to `onReply` as it arrives, each awaited for up to
    // the timeout, and returns how many arrived. When that is fewer than
    // `replies` the helper has been killed (it died, sent something unreadable
    // or did not answer in time) or could not be started. `onReply` runs with
    // the connection locked and must not use it.
    size_t CallStartingStream(const DocRequest& request, size_t replies,
                              const std::function<void(const DocReply&)>& onReply,
                              uint64_t& generation);

    // Tells the helper of `generation` to drop `handle`; no answer is awaited.
    void Release(uint64_t generation, uint32_t handle);

    // Ends the running helper, if any (as the destructor does).
    void Stop();

    bool IsRunning() const;
    uint64_t Generation() const { return m_nGeneration.load(); }
    pid_t ServerPid() const;
    int TimeoutMs() const { return m_nTimeoutMs; }
    // Number of helpers started so far.
    int StartCount() const { return m_nStarts.load(); }

private:
    bool StartLocked();
    bool AliveLocked() const;
    void KillLocked();
    std::optional<DocReply> ExchangeLocked(const DocRequest& request);
    std::optional<DocReply> ReadReplyLocked();

    mutable std::mutex m_mutex;
    std::string m_strServerPath;
    int m_nTimeoutMs;
    std::vector<std::string> m_extraArgs;
    int m_fd = -1;
    pid_t m_pid = -1;
    std::atomic<uint64_t> m_nGeneration{0};
    std::atomic<int> m_nStarts{0};
};

} // namespace quorvel
