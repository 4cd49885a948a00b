// The watchdog loop with a finder that counts how often it is asked.

#include "engine/Watchdog.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace quorvel {
namespace {

using namespace std::chrono_literals;

class CCountingFinder : public IServerBusyFinder {
public:
    CCountingFinder(std::atomic<int>& calls, std::atomic<int>& nice)
        : m_calls(calls), m_nice(nice) {}
    bool PressServerBusyRetry() override {
        m_nice = ::getpriority(PRIO_PROCESS, static_cast<id_t>(::syscall(SYS_gettid)));
        ++m_calls;
        return false;
    }

private:
    std::atomic<int>& m_calls;
    std::atomic<int>& m_nice;
};

TEST(WatchdogTest, WithoutOwnerTheLoopEndsAtOnce) {
    std::atomic<int> calls{0}, nice{0};
    CMyThread watchdog(std::make_unique<CCountingFinder>(calls, nice));
    EXPECT_EQ(watchdog.Run(), -1);
    ASSERT_TRUE(watchdog.Start());
    std::this_thread::sleep_for(50ms);
    watchdog.Stop();
    EXPECT_EQ(watchdog.ExitCode(), -1);
    EXPECT_EQ(calls, 0);
}

TEST(WatchdogTest, LooksFourTimesASecondAtLowerPriorityUntilStopped) {
    std::atomic<int> calls{0}, nice{-100};
    int owner = 0;
    CMyThread watchdog(std::make_unique<CCountingFinder>(calls, nice));
    watchdog.m_pOwner = &owner;
    const int mainNice = ::getpriority(PRIO_PROCESS, static_cast<id_t>(::syscall(SYS_gettid)));
    ASSERT_TRUE(watchdog.Start());
    EXPECT_FALSE(watchdog.Start());
    std::this_thread::sleep_for(1100ms);
    auto before = std::chrono::steady_clock::now();
    watchdog.Stop();
    // Stop does not wait out the 250 ms pause.
    EXPECT_LT(std::chrono::steady_clock::now() - before, 200ms);
    EXPECT_EQ(watchdog.ExitCode(), 0);
    // Looks at 0, 250, 500, 750 and 1000 ms; allow for a slow machine.
    EXPECT_GE(calls, 3);
    EXPECT_LE(calls, 6);
    if (mainNice < 19) {
        EXPECT_GT(nice, mainNice);
    }
    int after = calls;
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(calls, after);
}

} // namespace
} // namespace quorvel
