#pragma once

// Page counts of files a folder walk is about to offer, counted on threads
// of their own, each with a helper process of its own, so that the window
// adds the walk's rows while the helpers count the next files. On a machine
// with more than one core two helpers count alternate batches.

#include "docserver/DocServerConnection.h"

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace quorvel {

class CPageCountAhead {
public:
    // `serverPath` and `timeoutMs` as for CDocServerConnection.
    explicit CPageCountAhead(std::string serverPath = {}, int timeoutMs = 60000);
    // Stops counting; a helper busy with a file that hangs is ended after
    // CDocServerConnection's grace.
    ~CPageCountAhead();
    CPageCountAhead(const CPageCountAhead&) = delete;
    CPageCountAhead& operator=(const CPageCountAhead&) = delete;

    // The files to count from now on, in the order they will be asked for;
    // counts of the previous files not taken yet are dropped. Empty: none.
    void SetFiles(std::vector<std::string> paths);

    enum class Take {
        Counted,  // `count` holds what the library said (0: no count)
        NotAhead, // the file is not among the files still ahead
        GaveUp,   // `keepWaiting` said to stop waiting, or the files changed meanwhile
    };
    // The count of `path`, the next file ahead or a later one (files before
    // it are passed over). Waits for it; while the wait lasts longer than a
    // moment, `keepWaiting(elapsedMs)` is called about every
    // kDocPumpIntervalMs and may end it.
    Take TakeCount(const std::string& path, int32_t& count,
                   const std::function<bool(int)>& keepWaiting);

private:
    class CWorker;
    void Work(CWorker& worker);
    // Makes every helper call under way give up once it is slow.
    void GiveUpCallsLocked();

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<std::string> m_paths;
    std::vector<int32_t> m_counts;
    std::vector<char> m_known; // whether m_counts[i] is known
    size_t m_nIssued = 0;      // files handed to a helper so far
    size_t m_nNext = 0;        // the first file not taken yet
    uint64_t m_nList = 0;      // changes with every SetFiles
    bool m_bQuit = false;
    std::string m_strServerPath;
    int m_nTimeoutMs;
    std::vector<std::unique_ptr<CWorker>> m_workers;
};

} // namespace quorvel
