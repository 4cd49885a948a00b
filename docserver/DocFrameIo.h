#pragma once

// Frame transport over a connected stream socket: a 32-bit little-endian length
// and the payload. Both calls wait at most `timeoutMs` milliseconds for the whole
// frame (a negative value waits without limit), never raise SIGPIPE and retry
// interrupted system calls.

#include <string>

namespace quorvel {

enum class DocIoResult {
    Ok,
    Closed,   // the peer closed its end (or reset it)
    TimedOut, // the deadline passed first
    Broken,   // a system error or a frame larger than kDocMaxFrame
};

DocIoResult WriteDocFrame(int fd, const std::string& payload, int timeoutMs);
DocIoResult ReadDocFrame(int fd, std::string& payload, int timeoutMs);

} // namespace quorvel
