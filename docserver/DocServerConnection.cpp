#include "docserver/DocServerConnection.h"

#include "docserver/DocFrameIo.h"
#include "engine/Secret.h"
#include "support/SaveInProgress.h"

#include <cerrno>
#include <chrono>
#include <climits>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include <algorithm>

namespace quorvel {

namespace {

// The helper's end of the socket is always this descriptor number in the helper.
constexpr int kChildFd = 3;

std::string DirectoryOfRunningExecutable() {
    char buf[PATH_MAX];
    ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) {
        return {};
    }
    std::string path(buf, static_cast<size_t>(n));
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

bool IsExecutable(const std::string& path) {
    return !path.empty() && ::access(path.c_str(), X_OK) == 0;
}

// The helper this build made, when it is still there.
std::string FindBuiltDocServer() {
#ifdef QUORVEL_DOCSERVER_BUILD_PATH
    if (IsExecutable(QUORVEL_DOCSERVER_BUILD_PATH)) {
        return QUORVEL_DOCSERVER_BUILD_PATH;
    }
#endif
    return {};
}

using Clock = std::chrono::steady_clock;

// Once the first bytes of a reply are in, the rest follows at once: the
// helper sends every reply whole.
constexpr int kReplyRestMs = 10000;

// Waits for `pid` to end; tolerates an already reaped child (SIGCHLD ignored).
void Reap(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
}

int MillisecondsSince(Clock::time_point start) {
    return static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

// The path a request asks the helper to save to, if it is a Save.
const std::string* SavePathOf(const DocRequest& request) {
    if (request.op != DocOp::Call || request.method != DocMethod::PDDocSave ||
        request.args.size() != 2 || request.args[1].type != DocValueType::Text) {
        return nullptr;
    }
    return &request.args[1].text;
}

// Marks a call under way for as long as it lives.
class CDepth {
public:
    explicit CDepth(int& depth) : m_depth(depth) { ++m_depth; }
    ~CDepth() { --m_depth; }
    CDepth(const CDepth&) = delete;
    CDepth& operator=(const CDepth&) = delete;

private:
    int& m_depth;
};

} // namespace

std::string FindDocServerExecutable() {
    return FindDocServerExecutableFrom(DirectoryOfRunningExecutable());
}

std::string FindDocServerExecutableFrom(const std::string& programDir) {
    if (programDir.empty()) {
        return FindBuiltDocServer();
    }
    std::string beside = programDir + "quorvel-docserver";
    if (IsExecutable(beside)) {
        return beside;
    }
#ifdef QUORVEL_DOCSERVER_INSTALL_RELPATH
    // An installed program: the helper sits in its private folder, found
    // relative to the program so that the installation can be moved.
    std::string installed = programDir + QUORVEL_DOCSERVER_INSTALL_RELPATH;
    if (IsExecutable(installed)) {
        return installed;
    }
#endif
    return FindBuiltDocServer();
}

CDocServerConnection::CDocServerConnection(std::string serverPath, int timeoutMs,
                                           std::vector<std::string> extraArgs)
    : m_strServerPath(std::move(serverPath)), m_nTimeoutMs(timeoutMs < 0 ? -1 : timeoutMs),
      m_extraArgs(std::move(extraArgs)) {}

CDocServerConnection::~CDocServerConnection() {
    Stop();
}

void CDocServerConnection::SetWaitHost(IConnectionHost* host) {
    std::lock_guard lock(m_mutex);
    m_pWaitHost = host;
}

void CDocServerConnection::Stop() {
    std::lock_guard lock(m_mutex);
    EndLocked();
}

bool CDocServerConnection::IsRunning() const {
    std::lock_guard lock(m_mutex);
    return m_pid >= 0;
}

pid_t CDocServerConnection::ServerPid() const {
    std::lock_guard lock(m_mutex);
    return m_pid;
}

bool CDocServerConnection::StartLocked() {
    std::string path = m_strServerPath.empty() ? FindDocServerExecutable() : m_strServerPath;
    if (!IsExecutable(path)) {
        return false;
    }
    int sv[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sv) != 0) {
        return false;
    }
    // Everything the child needs is prepared before fork: after it, only
    // async-signal-safe calls are allowed.
    std::vector<std::string> args{path, "--fd", std::to_string(kChildFd)};
    args.insert(args.end(), m_extraArgs.begin(), m_extraArgs.end());
    std::vector<char*> argv;
    for (std::string& a : args) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    pid_t pid = ::fork();
    if (pid < 0) {
        ::close(sv[0]);
        ::close(sv[1]);
        return false;
    }
    if (pid == 0) {
        if (sv[1] == kChildFd) {
            ::fcntl(kChildFd, F_SETFD, 0);
        } else if (::dup2(sv[1], kChildFd) < 0) {
            ::_exit(127);
        }
        ::close_range(kChildFd + 1, ~0u, 0);
        // Signal dispositions and the mask survive exec; give the helper clean ones.
        sigset_t none;
        sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        struct sigaction dfl {};
        dfl.sa_handler = SIG_DFL;
        ::sigaction(SIGPIPE, &dfl, nullptr);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(sv[1]);
    m_fd = sv[0];
    m_pid = pid;
    m_savedPaths.clear();
    ++m_nGeneration;
    ++m_nStarts;
    return true;
}

bool CDocServerConnection::AliveLocked() const {
    if (m_pid < 0) {
        return false;
    }
    // Between requests the helper never writes: readable or hung up means it is gone.
    pollfd p{m_fd, POLLIN, 0};
    int n = ::poll(&p, 1, 0);
    return n == 0;
}

void CDocServerConnection::EndLocked(int graceMs) {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (m_pid < 0) {
        return;
    }
    // Closing our end lets the helper take back a save under way and leave
    // on its own; it is killed only when it does not.
    const auto start = Clock::now();
    bool ended = false;
    for (;;) {
        int status = 0;
        pid_t r = ::waitpid(m_pid, &status, WNOHANG);
        if (r == m_pid || (r < 0 && errno != EINTR)) {
            ended = true;
            break;
        }
        if (MillisecondsSince(start) >= graceMs) {
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    if (!ended) {
        ::kill(m_pid, SIGKILL);
        Reap(m_pid);
    }
    // A helper that was killed, or died, in the middle of writing a file
    // leaves its temporary file; it is gone now and cannot finish it.
    for (const std::string& path : m_savedPaths) {
        RemoveSaveTempFiles(path, m_pid);
    }
    m_savedPaths.clear();
    m_pid = -1;
}

bool CDocServerConnection::SendLocked(const DocRequest& request) {
    if (const std::string* path = SavePathOf(request)) {
        m_savedPaths.insert(*path);
    }
    std::string payload = EncodeDocRequest(request);
    const DocIoResult written = WriteDocFrame(m_fd, payload, m_nTimeoutMs);
    if (CarriesPassword(request))
        WipeString(payload);
    if (written != DocIoResult::Ok) {
        EndLocked();
        return false;
    }
    return true;
}

std::optional<DocReply> CDocServerConnection::ExchangeLocked(const DocRequest& request) {
    CDepth depth(m_nDepth);
    if (!SendLocked(request)) {
        return std::nullopt;
    }
    std::optional<DocReply> reply = ReadReplyLocked();
    // Objects dropped while the wait host kept the window alive.
    if (m_nDepth == 1) {
        auto deferred = std::move(m_deferredReleases);
        m_deferredReleases.clear();
        for (const auto& [generation, handle] : deferred) {
            if (m_pid >= 0 && generation == m_nGeneration.load()) {
                DocRequest release;
                release.op = DocOp::Release;
                release.handle = handle;
                SendLocked(release);
            }
        }
    }
    return reply;
}

std::optional<DocReply> CDocServerConnection::ReadReplyLocked() {
    const auto start = Clock::now();
    bool busy = false; // the wait host was told about this call
    std::optional<Clock::time_point> giveUpAt;
    bool ready = false;
    for (;;) {
        const int elapsed = MillisecondsSince(start);
        int wait = -1;
        if (m_nTimeoutMs >= 0) {
            if (elapsed >= m_nTimeoutMs) {
                break;
            }
            wait = m_nTimeoutMs - elapsed;
        }
        if (giveUpAt) {
            const int left = static_cast<int>(
                std::chrono::duration_cast<std::chrono::milliseconds>(*giveUpAt - Clock::now())
                    .count());
            if (left <= 0) {
                break;
            }
            wait = wait < 0 ? left : std::min(wait, left);
        }
        if (m_pWaitHost) {
            const int untilPump =
                elapsed < kDocQuietMs ? kDocQuietMs - elapsed : kDocPumpIntervalMs;
            wait = wait < 0 ? untilPump : std::min(wait, untilPump);
        }
        pollfd p{m_fd, POLLIN, 0};
        const int n = ::poll(&p, 1, wait);
        if (n > 0) {
            ready = true; // a reply, or the helper hung up: the read tells
            break;
        }
        if (n < 0 && errno != EINTR) {
            break;
        }
        const int now = MillisecondsSince(start);
        if (m_pWaitHost && now >= kDocQuietMs) {
            busy = true;
            if (!m_pWaitHost->PumpWhileServerBusy(now) && !giveUpAt) {
                giveUpAt = Clock::now() + std::chrono::milliseconds(kDocStopGraceMs);
            }
        }
    }
    if (busy) {
        m_pWaitHost->ServerCallEnded();
    }
    std::string payload;
    if (!ready || ReadDocFrame(m_fd, payload, kReplyRestMs) != DocIoResult::Ok) {
        EndLocked();
        return std::nullopt;
    }
    std::optional<DocReply> reply = DecodeDocReply(payload);
    if (!reply) {
        EndLocked();
    }
    return reply;
}

std::optional<DocReply> CDocServerConnection::Call(uint64_t generation, const DocRequest& request) {
    std::lock_guard lock(m_mutex);
    if (ReenteredLocked() || m_pid < 0 || generation != m_nGeneration.load()) {
        return std::nullopt;
    }
    return ExchangeLocked(request);
}

std::optional<DocReply> CDocServerConnection::CallStarting(const DocRequest& request,
                                                           uint64_t& generation) {
    std::lock_guard lock(m_mutex);
    if (ReenteredLocked()) {
        return std::nullopt;
    }
    if (m_pid >= 0 && !AliveLocked()) {
        EndLocked();
    }
    if (m_pid < 0 && !StartLocked()) {
        return std::nullopt;
    }
    generation = m_nGeneration.load();
    return ExchangeLocked(request);
}

size_t CDocServerConnection::CallStartingStream(const DocRequest& request, size_t replies,
                                                const std::function<void(const DocReply&)>& onReply,
                                                uint64_t& generation) {
    std::lock_guard lock(m_mutex);
    if (ReenteredLocked()) {
        return 0;
    }
    CDepth depth(m_nDepth);
    if (m_pid >= 0 && !AliveLocked()) {
        EndLocked();
    }
    if (m_pid < 0 && !StartLocked()) {
        return 0;
    }
    generation = m_nGeneration.load();
    if (!SendLocked(request)) {
        return 0;
    }
    size_t arrived = 0;
    while (arrived < replies) {
        std::optional<DocReply> reply = ReadReplyLocked();
        if (!reply) {
            break; // the helper has been ended
        }
        ++arrived;
        onReply(*reply);
    }
    return arrived;
}

bool CDocServerConnection::WaitUntilIdle() {
    std::lock_guard lock(m_mutex);
    if (ReenteredLocked()) {
        return false;
    }
    if (m_pid < 0) {
        return true;
    }
    DocRequest ping;
    ping.op = DocOp::Ping;
    return ExchangeLocked(ping).has_value();
}

void CDocServerConnection::Release(uint64_t generation, uint32_t handle) {
    std::lock_guard lock(m_mutex);
    if (m_pid < 0 || generation != m_nGeneration.load()) {
        return;
    }
    if (ReenteredLocked()) {
        // A request is waiting for its reply: the release goes out after it.
        m_deferredReleases.emplace_back(generation, handle);
        return;
    }
    DocRequest request;
    request.op = DocOp::Release;
    request.handle = handle;
    SendLocked(request);
}

} // namespace quorvel
