#pragma once

// Only regular files are ever opened for their contents: opening a FIFO waits
// for a writer that may never come, and reading a device such as /dev/zero
// never ends. These calls look at what a path names without waiting on it.

#include <string>

namespace quorvel {

// What a path names, links followed.
enum class PathKind {
    Missing, // nothing, or nothing this process may look at
    Regular, // a regular file
    Folder,
    Special, // a FIFO, device or socket: never opened
};

PathKind KindOfPath(const std::string& path);

// Opens `path` read-only (close-on-exec) when it names a regular file, links
// followed; -1 otherwise. Never waits on a FIFO or device, and the descriptor
// returned is the file that was checked, not one that replaced it meanwhile.
int OpenRegularFileForReading(const std::string& path);

} // namespace quorvel
