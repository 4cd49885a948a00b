#include "support/SaveInProgress.h"

#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <mutex>

namespace quorvel {

namespace {

constexpr const char* kRandomPart = "XXXXXX";
constexpr size_t kRandomLength = 6;
constexpr size_t kLargestWrite = 8u << 20;

std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// "." + stem + "." + pid + "~": everything before the random letters.
std::string TempNamePrefix(const std::string& path, pid_t writer) {
    const size_t slash = path.rfind('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::string tag = "." + std::to_string(writer) + "~";
    const size_t room = NAME_MAX - 1 - tag.size() - kRandomLength;
    return "." + name.substr(0, std::min(name.size(), room)) + tag;
}

bool IsRandomPart(const char* text) {
    for (size_t i = 0; i < kRandomLength; ++i) {
        const char c = text[i];
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')))
            return false;
    }
    return text[kRandomLength] == '\0';
}

// One save per process at a time; the undo takes the lock and never gives it
// back, so no save goes on after it.
std::mutex g_mutex;
std::string g_strTemp;
int g_nAppendFd = -1;
off_t g_nAppendSize = 0;

} // namespace

std::string SaveTempPattern(const std::string& path, pid_t writer) {
    const std::string folder = FolderOf(path);
    return folder + (folder == "/" ? "" : "/") + TempNamePrefix(path, writer) + kRandomPart;
}

int RemoveSaveTempFiles(const std::string& path, pid_t writer) {
    const std::string folder = FolderOf(path);
    const std::string prefix = TempNamePrefix(path, writer);
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return 0;
    int removed = 0;
    while (const dirent* entry = ::readdir(dir)) {
        if (std::strncmp(entry->d_name, prefix.c_str(), prefix.size()) != 0 ||
            !IsRandomPart(entry->d_name + prefix.size()))
            continue;
        if (::unlinkat(::dirfd(dir), entry->d_name, 0) == 0)
            ++removed;
    }
    ::closedir(dir);
    return removed;
}

void SaveTempFileCreated(const std::string& tempPath) {
    std::lock_guard lock(g_mutex);
    g_strTemp = tempPath;
    g_nAppendFd = -1;
}

void SaveAppendStarted(int fd, off_t oldSize) {
    std::lock_guard lock(g_mutex);
    g_strTemp.clear();
    g_nAppendFd = fd;
    g_nAppendSize = oldSize;
}

void SaveEnded() {
    std::lock_guard lock(g_mutex);
    g_strTemp.clear();
    g_nAppendFd = -1;
}

bool WriteSaveBytes(int fd, const char* data, size_t size, off_t offset) {
    size_t done = 0;
    while (done < size) {
        ssize_t n;
        {
            std::lock_guard lock(g_mutex);
            n = ::pwrite(fd, data + done, std::min(size - done, kLargestWrite),
                         offset + static_cast<off_t>(done));
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

void UndoSaveInProgress() {
    g_mutex.lock();
    if (!g_strTemp.empty())
        ::unlink(g_strTemp.c_str());
    if (g_nAppendFd >= 0 && ::ftruncate(g_nAppendFd, g_nAppendSize) == 0)
        ::fdatasync(g_nAppendFd);
}

} // namespace quorvel
