#include "docserver/PageCountAhead.h"

#include "docserver/PageCountOutOfProcess.h"

#include <algorithm>
#include <chrono>

namespace quorvel {

namespace {

using Clock = std::chrono::steady_clock;

// A batch is sized to take about this long, so that new files (the next
// folder of a walk) wait little for the batch under way.
constexpr int kBatchMs = 50;

size_t NextBatch(Clock::duration took, size_t files) {
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(took).count();
    const long long perFile = std::max<long long>(1, ms / std::max<long long>(1, files));
    return std::clamp<size_t>(static_cast<size_t>(kBatchMs / perFile), 1, kPageCountBatch);
}

} // namespace

// One counting thread with its helper. Its calls run without a window: a
// call is given up when its counts are no longer wanted.
class CPageCountAhead::CWorker : public IConnectionHost {
public:
    CWorker(const std::string& serverPath, int timeoutMs) : connection(serverPath, timeoutMs) {
        connection.SetWaitHost(this);
    }
    MsgResult MessageBox(const std::string&, const std::string&, MsgButtons, MsgIcon) override {
        return MsgResult::Ok;
    }
    void PumpOneMessage() override {}
    void ShowConnectDialog() override {}
    void CloseConnectDialog() override {}
    bool PumpWhileServerBusy(int) override { return !giveUp.load(); }

    CDocServerConnection connection;
    std::atomic<bool> giveUp{false};
    std::thread thread;
};

CPageCountAhead::CPageCountAhead(std::string serverPath, int timeoutMs)
    : m_strServerPath(std::move(serverPath)), m_nTimeoutMs(timeoutMs) {}

CPageCountAhead::~CPageCountAhead() {
    {
        std::lock_guard lock(m_mutex);
        m_bQuit = true;
        GiveUpCallsLocked();
    }
    m_changed.notify_all();
    for (auto& worker : m_workers) {
        worker->thread.join();
    }
}

void CPageCountAhead::GiveUpCallsLocked() {
    for (auto& worker : m_workers) {
        worker->giveUp = true;
    }
}

void CPageCountAhead::SetFiles(std::vector<std::string> paths) {
    {
        std::lock_guard lock(m_mutex);
        m_paths = std::move(paths);
        m_counts.assign(m_paths.size(), 0);
        m_known.assign(m_paths.size(), 0);
        m_nIssued = 0;
        m_nNext = 0;
        ++m_nList;
        // A call for files no longer wanted ends when it is slow.
        GiveUpCallsLocked();
        if (m_workers.empty() && !m_paths.empty()) {
            const unsigned count = std::thread::hardware_concurrency() > 1 ? 2 : 1;
            for (unsigned i = 0; i < count; ++i) {
                m_workers.push_back(std::make_unique<CWorker>(m_strServerPath, m_nTimeoutMs));
                CWorker& worker = *m_workers.back();
                worker.thread = std::thread([this, &worker] { Work(worker); });
            }
        }
    }
    m_changed.notify_all();
}

void CPageCountAhead::Work(CWorker& worker) {
    size_t batchSize = 1;
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_bQuit || m_nIssued < m_paths.size(); });
        if (m_bQuit) {
            return;
        }
        const uint64_t list = m_nList;
        const size_t from = m_nIssued;
        const size_t end = std::min(m_paths.size(), from + batchSize);
        m_nIssued = end;
        std::vector<std::string> batch(m_paths.begin() + static_cast<std::ptrdiff_t>(from),
                                       m_paths.begin() + static_cast<std::ptrdiff_t>(end));
        worker.giveUp = false;
        lock.unlock();
        const auto start = Clock::now();
        std::vector<int32_t> counts = ProbePdfPageCountsOutOfProcess(worker.connection, batch);
        batchSize = NextBatch(Clock::now() - start, batch.size());
        lock.lock();
        if (list == m_nList) {
            for (size_t i = from; i < end; ++i) {
                m_counts[i] = counts[i - from];
                m_known[i] = 1;
            }
            m_changed.notify_all();
        }
    }
}

CPageCountAhead::Take CPageCountAhead::TakeCount(const std::string& path, int32_t& count,
                                                 const std::function<bool(int)>& keepWaiting) {
    const auto start = Clock::now();
    std::unique_lock lock(m_mutex);
    const auto from = m_paths.begin() + static_cast<std::ptrdiff_t>(m_nNext);
    const auto found = std::find(from, m_paths.end(), path);
    if (found == m_paths.end()) {
        return Take::NotAhead;
    }
    const size_t index = static_cast<size_t>(found - m_paths.begin());
    const uint64_t list = m_nList;
    auto ready = [&] { return m_nList != list || m_known[index]; };
    if (!m_changed.wait_for(lock, std::chrono::milliseconds(kDocQuietMs), ready)) {
        while (!ready()) {
            lock.unlock();
            const auto waited =
                std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
            const bool wait = keepWaiting(static_cast<int>(waited.count()));
            lock.lock();
            if (!wait) {
                // The helper's call for it is given up too.
                GiveUpCallsLocked();
                return Take::GaveUp;
            }
            m_changed.wait_for(lock, std::chrono::milliseconds(kDocPumpIntervalMs), ready);
        }
    }
    if (m_nList != list) {
        return Take::GaveUp;
    }
    count = m_counts[index];
    m_nNext = index + 1;
    return Take::Counted;
}

} // namespace quorvel
