#include "docserver/DocFrameIo.h"

#include "docserver/DocServerProtocol.h"
#include "engine/Secret.h"

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <poll.h>
#include <sys/socket.h>

namespace quorvel {

namespace {

using Clock = std::chrono::steady_clock;

// Milliseconds left until `deadline` for poll(): -1 without a deadline, 0 when past.
int Remaining(bool limited, Clock::time_point deadline) {
    if (!limited) {
        return -1;
    }
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) {
        return 0;
    }
    // Round up so that a wait never ends just before the deadline.
    return static_cast<int>(left.count()) + 1;
}

DocIoResult WaitFor(int fd, short events, bool limited, Clock::time_point deadline) {
    for (;;) {
        int wait = Remaining(limited, deadline);
        if (limited && wait == 0) {
            return DocIoResult::TimedOut;
        }
        pollfd p{fd, events, 0};
        int n = ::poll(&p, 1, wait);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return DocIoResult::Broken;
        }
        if (n == 0) {
            continue; // the deadline test above ends the wait
        }
        if (p.revents & POLLNVAL) {
            return DocIoResult::Broken;
        }
        // POLLHUP/POLLERR: let the following recv/send report what happened, so
        // that data the peer sent before closing is still read.
        return DocIoResult::Ok;
    }
}

DocIoResult SendAll(int fd, const char* data, size_t size, bool limited,
                    Clock::time_point deadline) {
    size_t done = 0;
    while (done < size) {
        ssize_t n = ::send(fd, data + done, size - done, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            done += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            DocIoResult r = WaitFor(fd, POLLOUT, limited, deadline);
            if (r != DocIoResult::Ok) {
                return r;
            }
            continue;
        }
        if (n < 0 && (errno == EPIPE || errno == ECONNRESET)) {
            return DocIoResult::Closed;
        }
        return DocIoResult::Broken;
    }
    return DocIoResult::Ok;
}

DocIoResult RecvAll(int fd, char* data, size_t size, bool limited, Clock::time_point deadline) {
    size_t done = 0;
    while (done < size) {
        ssize_t n = ::recv(fd, data + done, size - done, MSG_DONTWAIT);
        if (n > 0) {
            done += static_cast<size_t>(n);
            continue;
        }
        if (n == 0) {
            return DocIoResult::Closed;
        }
        if (errno == EINTR) {
            continue;
        }
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            DocIoResult r = WaitFor(fd, POLLIN, limited, deadline);
            if (r != DocIoResult::Ok) {
                return r;
            }
            continue;
        }
        if (errno == ECONNRESET) {
            return DocIoResult::Closed;
        }
        return DocIoResult::Broken;
    }
    return DocIoResult::Ok;
}

} // namespace

DocIoResult WriteDocFrame(int fd, const std::string& payload, int timeoutMs) {
    if (payload.size() > kDocMaxFrame) {
        return DocIoResult::Broken;
    }
    bool limited = timeoutMs >= 0;
    Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(limited ? timeoutMs : 0);
    std::string frame;
    frame.reserve(4 + payload.size());
    auto size = static_cast<uint32_t>(payload.size());
    for (int i = 0; i < 4; ++i) {
        frame.push_back(static_cast<char>((size >> (8 * i)) & 0xFFu));
    }
    frame += payload;
    const DocIoResult result = SendAll(fd, frame.data(), frame.size(), limited, deadline);
    // A frame may carry a password; this copy is the sender's to wipe.
    WipeBytes(frame.data(), frame.size());
    return result;
}

DocIoResult ReadDocFrame(int fd, std::string& payload, int timeoutMs) {
    bool limited = timeoutMs >= 0;
    Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(limited ? timeoutMs : 0);
    unsigned char header[4];
    DocIoResult r = RecvAll(fd, reinterpret_cast<char*>(header), 4, limited, deadline);
    if (r != DocIoResult::Ok) {
        return r;
    }
    uint32_t size =
        header[0] | (header[1] << 8) | (header[2] << 16) | (static_cast<uint32_t>(header[3]) << 24);
    if (size > kDocMaxFrame) {
        return DocIoResult::Broken;
    }
    payload.assign(size, '\0');
    if (size == 0) {
        return DocIoResult::Ok;
    }
    r = RecvAll(fd, payload.data(), size, limited, deadline);
    if (r == DocIoResult::Closed) {
        // A frame cut off in the middle is a broken peer, not an orderly close.
        return DocIoResult::Broken;
    }
    return r;
}

} // namespace quorvel
