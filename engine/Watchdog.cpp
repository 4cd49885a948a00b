#include "engine/Watchdog.h"

#include <cerrno>
#include <system_error>

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace quorvel {

namespace {

// Below normal: one nice step above the thread's inherited value. On Linux
// setpriority() with a thread id changes that thread only.
void LowerThisThreadPriority() {
    const auto tid = static_cast<id_t>(::syscall(SYS_gettid));
    errno = 0;
    int nice = ::getpriority(PRIO_PROCESS, tid);
    if (errno == 0 && nice < 19)
        ::setpriority(PRIO_PROCESS, tid, nice + 1);
}

} // namespace

CMyThread::CMyThread(std::unique_ptr<IServerBusyFinder> finder) : m_finder(std::move(finder)) {}

CMyThread::~CMyThread() {
    Stop();
}

bool CMyThread::Start() {
    if (m_thread.joinable())
        return false;
    try {
        m_thread = std::thread([this] {
            LowerThisThreadPriority();
            m_nExitCode = Run();
        });
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

int CMyThread::Run() {
    if (!m_pOwner)
        return -1;
    std::unique_lock<std::mutex> lock(m_mutex);
    while (!m_bStop) {
        lock.unlock();
        if (m_finder)
            m_finder->PressServerBusyRetry();
        lock.lock();
        m_wake.wait_for(lock, m_interval, [this] { return m_bStop; });
    }
    return 0;
}

void CMyThread::Stop() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bStop = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

} // namespace quorvel
