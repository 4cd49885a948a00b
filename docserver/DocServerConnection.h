#pragma once

// The window process's link to one document helper process at a time.
//
// The helper is started on demand (Start, or CallStarting) and answers
// requests in order. A call waits for its answer for as long as the helper
// lives, unless the connection was given a time limit; while it waits longer
// than a moment, the wait host keeps its window alive and may give up on the
// call (Stop), after which the helper has a short grace to answer. A helper
// that dies, closes its end, sends something unreadable, runs past the time
// limit or the grace is ended and reaped, and the temporary files of saves it
// left are removed. Every started helper gets a new generation number;
// handles are only meaningful with the generation they came from, so objects
// of a dead helper can never reach its successor. All members may be called
// from any thread; calls are serialised.

#include "docserver/DocServerProtocol.h"
#include "engine/ConnectionHost.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <sys/types.h>
#include <vector>

namespace quorvel {

// A call that has not been answered after this long is waited for through
// the wait host, which is then called about every kDocPumpIntervalMs.
inline constexpr int kDocQuietMs = 250;
inline constexpr int kDocPumpIntervalMs = 50;
// How long a helper may still take to answer a call the wait host gave up on.
inline constexpr int kDocStopGraceMs = 2000;

// The helper executable to start when none is named: "quorvel-docserver" next
// to the running executable, else the installed one in the private folder
// (libexec/quorvel beside the program's bin folder), else the one in the
// build tree. Empty when none exists.
std::string FindDocServerExecutable();
// The same search for a program in folder `programDir` (ending in '/').
std::string FindDocServerExecutableFrom(const std::string& programDir);

class CDocServerConnection {
public:
    // `serverPath` empty: FindDocServerExecutable(). `timeoutMs`: how long one
    // call may take before the helper is ended; negative: no limit, a call
    // waits as long as the helper lives. `extraArgs` are passed to the helper
    // after "--fd N".
    explicit CDocServerConnection(std::string serverPath = {}, int timeoutMs = -1,
                                  std::vector<std::string> extraArgs = {});
    // Closes the link; a helper that has not left within half a second is killed.
    ~CDocServerConnection();

    // Who keeps the caller's window alive while a call takes longer than
    // kDocQuietMs (IConnectionHost::PumpWhileServerBusy, then
    // ServerCallEnded); when it gives up on the call, the helper is ended
    // unless it answers within kDocStopGraceMs, and the call fails as if the
    // helper had died. Null: calls wait without a host. The host must outlive
    // its use here.
    void SetWaitHost(IConnectionHost* host);

    // Waits until the helper has carried out every request sent so far
    // (releasing the last objects of a run starts work: the outputs are
    // compacted). True when none runs or it answered; false when it was
    // ended meanwhile.
    bool WaitUntilIdle();
    CDocServerConnection(const CDocServerConnection&) = delete;
    CDocServerConnection& operator=(const CDocServerConnection&) = delete;

    // Sends `request` to the helper of `generation` and waits for its reply.
    // Nothing when that helper is gone or fails now (it is then ended), and
    // for a call made from inside the wait host during another call.
    std::optional<DocReply> Call(uint64_t generation, const DocRequest& request);

    // Like Call, on the running helper, first starting one if none is alive.
    // `generation` receives the generation that answered.
    std::optional<DocReply> CallStarting(const DocRequest& request, uint64_t& generation);

    // Like CallStarting, for a request the helper answers with `replies`
    // replies: hands each to `onReply` as it arrives, each awaited as a call
    // is, and returns how many arrived. When that is fewer than `replies` the
    // helper has been ended (it died, sent something unreadable, did not
    // answer in time or was given up on) or could not be started. `onReply`
    // runs with the connection locked and must not use it.
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
    // Ends the helper: closes the link (the helper then takes back a save
    // under way and leaves), kills it when it has not left within `graceMs`,
    // reaps it and removes the temporary files of saves it left.
    void EndLocked(int graceMs = 500);
    void KillLocked() { EndLocked(); }
    bool SendLocked(const DocRequest& request);
    std::optional<DocReply> ExchangeLocked(const DocRequest& request);
    std::optional<DocReply> ReadReplyLocked();
    // A call under way on this thread when the wait host calls in again.
    bool ReenteredLocked() const { return m_nDepth > 0; }

    // Recursive: the wait host runs inside a call and may drop objects.
    mutable std::recursive_mutex m_mutex;
    std::string m_strServerPath;
    int m_nTimeoutMs;
    std::vector<std::string> m_extraArgs;
    IConnectionHost* m_pWaitHost = nullptr;
    int m_fd = -1;
    pid_t m_pid = -1;
    int m_nDepth = 0;
    // Handles dropped from inside the wait host, released after the call.
    std::vector<std::pair<uint64_t, uint32_t>> m_deferredReleases;
    // Files the running helper was asked to save: where it may leave
    // temporary files when it ends in the middle of writing one.
    std::set<std::string> m_savedPaths;
    std::atomic<uint64_t> m_nGeneration{0};
    std::atomic<int> m_nStarts{0};
};

} // namespace quorvel
