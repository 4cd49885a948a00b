#pragma once

#include "engine/ServerBusyFinder.h"

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace quorvel {

inline constexpr const char* kServerBusyTitle = "Server Busy";
inline constexpr int kServerBusyRetryControlId = 600;

// The watchdog thread: four times a second it asks its finder to press the
// retry control of a "Server Busy" prompt, so a run that waits for a slow
// document server goes on waiting instead of stopping at the prompt. It runs
// at below-normal priority for the life of the program and shares nothing
// with the GUI thread except the finder.
class CMyThread {
public:
    explicit CMyThread(std::unique_ptr<IServerBusyFinder> finder);
    // Stops and joins the thread (the program itself never stops it before).
    ~CMyThread();
    CMyThread(const CMyThread&) = delete;
    CMyThread& operator=(const CMyThread&) = delete;

    // The main window. The loop only checks that it is set.
    void* m_pOwner = nullptr;

    // Starts the thread. Set m_pOwner first: a thread started without an
    // owner ends at once (its loop returns -1). Returns false when the thread
    // is already started or cannot be created.
    bool Start();

    // The loop: -1 at once when m_pOwner is not set; otherwise it asks the
    // finder every `m_interval` until Stop() is called, and returns 0.
    int Run();

    // Ends the loop and joins the thread. For tests and orderly shutdown.
    void Stop();

    // The loop's result once it has ended; 0 until then.
    int ExitCode() const { return m_nExitCode; }

    // Time between two looks; 250 ms unless a test changes it before Start().
    std::chrono::milliseconds m_interval{250};

private:
    std::unique_ptr<IServerBusyFinder> m_finder;
    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_bStop = false;
    int m_nExitCode = 0;
};

} // namespace quorvel
