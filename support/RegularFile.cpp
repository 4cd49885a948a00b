#include "support/RegularFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quorvel {

PathKind KindOfPath(const std::string& path) {
    struct stat st {};
    if (path.empty() || path.find('\0') != std::string::npos || ::stat(path.c_str(), &st) != 0)
        return PathKind::Missing;
    if (S_ISREG(st.st_mode))
        return PathKind::Regular;
    return S_ISDIR(st.st_mode) ? PathKind::Folder : PathKind::Special;
}

int OpenRegularFileForReading(const std::string& path) {
    // A name with a NUL inside would name another file once cut there.
    if (path.empty() || path.find('\0') != std::string::npos)
        return -1;
    // Looking first keeps devices from being opened at all (opening some has
    // effects); opening without waiting and checking the descriptor then
    // catches a FIFO that took the file's place in between.
    if (KindOfPath(path) != PathKind::Regular)
        return -1;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return -1;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return -1;
    }
    // Regular files ignore the flag, but reads should not depend on that.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

} // namespace quorvel
