#pragma once

#include <sys/stat.h>

#include <optional>
#include <string>

namespace quorvel {

// What identifies one state of a file on disk: the inode it lives in, its
// size, its modification and change times and its last bytes. A file that
// still has the stamp taken after this server wrote it is, for all practical
// purposes, still that file: an editor that rewrote it in place within the
// same clock tick and kept its size would also have to end it with the same
// bytes to go unnoticed.
struct FileStamp {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};
    timespec changed{};
    std::string tail;

    bool operator==(const FileStamp& other) const;
    bool operator!=(const FileStamp& other) const { return !(*this == other); }
};

// The number of trailing bytes a stamp keeps.
constexpr off_t kStampTailBytes = 32;

// The stamp of the regular file open on `fd`; nothing when it cannot be read.
std::optional<FileStamp> StampOfDescriptor(int fd);
// The stamp of the regular file at `path`; nothing when it cannot be opened
// or read.
std::optional<FileStamp> StampOf(const std::string& path);

} // namespace quorvel
