#include "docserver/DocServerConnection.h"

#include "docserver/DocFrameIo.h"
#include "engine/Secret.h"

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

// Waits for `pid` to end; tolerates an already reaped child (SIGCHLD ignored).
void Reap(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
}

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
    : m_strServerPath(std::move(serverPath)),
      m_nTimeoutMs(timeoutMs < 0 ? kDocServerDefaultTimeoutMs : timeoutMs),
      m_extraArgs(std::move(extraArgs)) {}

CDocServerConnection::~CDocServerConnection() {
    Stop();
}

void CDocServerConnection::Stop() {
    std::lock_guard lock(m_mutex);
    if (m_pid < 0) {
        return;
    }
    // Closing our end lets the helper leave on its own; give it a moment before
    // killing it, so that it can release its documents in order.
    ::close(m_fd);
    m_fd = -1;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(500);
    for (;;) {
        int status = 0;
        pid_t r = ::waitpid(m_pid, &status, WNOHANG);
        if (r == m_pid || (r < 0 && errno != EINTR)) {
            m_pid = -1;
            return;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    KillLocked();
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

void CDocServerConnection::KillLocked() {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (m_pid >= 0) {
        ::kill(m_pid, SIGKILL);
        Reap(m_pid);
        m_pid = -1;
    }
}

std::optional<DocReply> CDocServerConnection::ExchangeLocked(const DocRequest& request) {
    std::string payload = EncodeDocRequest(request);
    const DocIoResult written = WriteDocFrame(m_fd, payload, m_nTimeoutMs);
    if (CarriesPassword(request))
        WipeString(payload);
    if (written != DocIoResult::Ok) {
        KillLocked();
        return std::nullopt;
    }
    return ReadReplyLocked();
}

std::optional<DocReply> CDocServerConnection::ReadReplyLocked() {
    std::string payload;
    if (ReadDocFrame(m_fd, payload, m_nTimeoutMs) != DocIoResult::Ok) {
        KillLocked();
        return std::nullopt;
    }
    std::optional<DocReply> reply = DecodeDocReply(payload);
    if (!reply) {
        KillLocked();
    }
    return reply;
}

std::optional<DocReply> CDocServerConnection::Call(uint64_t generation, const DocRequest& request) {
    std::lock_guard lock(m_mutex);
    if (m_pid < 0 || generation != m_nGeneration.load()) {
        return std::nullopt;
    }
    return ExchangeLocked(request);
}

std::optional<DocReply> CDocServerConnection::CallStarting(const DocRequest& request,
                                                           uint64_t& generation) {
    std::lock_guard lock(m_mutex);
    if (m_pid >= 0 && !AliveLocked()) {
        KillLocked();
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
    if (m_pid >= 0 && !AliveLocked()) {
        KillLocked();
    }
    if (m_pid < 0 && !StartLocked()) {
        return 0;
    }
    generation = m_nGeneration.load();
    if (WriteDocFrame(m_fd, EncodeDocRequest(request), m_nTimeoutMs) != DocIoResult::Ok) {
        KillLocked();
        return 0;
    }
    size_t arrived = 0;
    while (arrived < replies) {
        std::optional<DocReply> reply = ReadReplyLocked();
        if (!reply) {
            break; // the helper has been killed
        }
        ++arrived;
        onReply(*reply);
    }
    return arrived;
}

void CDocServerConnection::Release(uint64_t generation, uint32_t handle) {
    std::lock_guard lock(m_mutex);
    if (m_pid < 0 || generation != m_nGeneration.load()) {
        return;
    }
    DocRequest request;
    request.op = DocOp::Release;
    request.handle = handle;
    if (WriteDocFrame(m_fd, EncodeDocRequest(request), m_nTimeoutMs) != DocIoResult::Ok) {
        KillLocked();
    }
}

} // namespace quorvel
