#include "pdfserver/FileStamp.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>

namespace quorvel {

namespace {

bool SameTime(const timespec& a, const timespec& b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

} // namespace

bool FileStamp::operator==(const FileStamp& other) const {
    return device == other.device && inode == other.inode && size == other.size &&
           SameTime(modified, other.modified) && SameTime(changed, other.changed) &&
           tail == other.tail;
}

std::optional<FileStamp> StampOfDescriptor(int fd) {
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        return std::nullopt;
    }
    FileStamp stamp;
    stamp.device = st.st_dev;
    stamp.inode = st.st_ino;
    stamp.size = st.st_size;
    stamp.modified = st.st_mtim;
    stamp.changed = st.st_ctim;
    const off_t length = std::min(st.st_size, kStampTailBytes);
    stamp.tail.resize(static_cast<size_t>(length));
    if (length > 0 && ::pread(fd, stamp.tail.data(), static_cast<size_t>(length),
                              st.st_size - length) != length) {
        return std::nullopt;
    }
    return stamp;
}

std::optional<FileStamp> StampOf(const std::string& path) {
    // Without waiting: a FIFO under the name has no stamp, not a stall.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        return std::nullopt;
    }
    auto stamp = StampOfDescriptor(fd);
    ::close(fd);
    return stamp;
}

} // namespace quorvel
