#include "engine/OutputAssembly.h"

#include "engine/JobColumn.h"
#include "engine/RunMessages.h"
#include "support/RegularFile.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace quorvel {

namespace {

// Bookmark titles are kept within the 254 characters that the title buffer
// holds, cut at a character boundary so the title stays valid UTF-8.
constexpr size_t kMaxTitleBytes = 254;

std::string CutTitle(const std::string& title) {
    if (title.size() <= kMaxTitleBytes)
        return title;
    size_t end = kMaxTitleBytes;
    while (end > 0 && (static_cast<unsigned char>(title[end]) & 0xC0) == 0x80)
        --end;
    return title.substr(0, end);
}

// Only a regular file is opened to find out. A folder opens for reading as
// well, and a FIFO or device that may be read counts as there without being
// opened (opening a FIFO waits for a writer); the server refuses both later.
bool CanOpenForReading(const std::string& path) {
    switch (KindOfPath(path)) {
    case PathKind::Missing:
        return false;
    case PathKind::Folder:
    case PathKind::Special:
        return ::access(path.c_str(), R_OK) == 0;
    case PathKind::Regular:
        break;
    }
    const int fd = OpenRegularFileForReading(path);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (!folder.empty() && folder.back() == '/')
        return folder + name;
    return folder + "/" + name;
}

bool WriteAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

// Copies `from` to `to` through a temporary file in the target's folder that
// is renamed over the target only once every byte is on disk, so a target of
// the same name is never left half-written and a failed copy leaves no trace.
bool CopyFileComplete(const std::string& from, const struct stat& fromStat,
                      const std::string& folder, const std::string& to) {
    int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return false;
    std::string tmp = JoinPath(folder, ".quorvel-move-XXXXXX");
    std::vector<char> tmpName(tmp.begin(), tmp.end());
    tmpName.push_back('\0');
    int out = ::mkstemp(tmpName.data());
    if (out < 0) {
        ::close(in);
        return false;
    }
    bool ok = true;
    std::vector<char> buffer(1 << 16);
    for (;;) {
        ssize_t n = ::read(in, buffer.data(), buffer.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            ok = false;
            break;
        }
        if (n == 0)
            break;
        if (!WriteAll(out, buffer.data(), static_cast<size_t>(n))) {
            ok = false;
            break;
        }
    }
    ::close(in);
    if (ok) {
        // Keep the source's permission bits and times, as a file copy does.
        ::fchmod(out, fromStat.st_mode & 07777);
        struct timespec times[2] = {fromStat.st_atim, fromStat.st_mtim};
        ::futimens(out, times);
        ok = ::fsync(out) == 0;
    }
    if (::close(out) != 0)
        ok = false;
    if (ok && ::rename(tmpName.data(), to.c_str()) != 0)
        ok = false;
    if (!ok)
        ::unlink(tmpName.data());
    return ok;
}

} // namespace

int CopyBookmarksFlag(const std::string& keepBookmarks) {
    return IsFlagSet(keepBookmarks) ? 1 : 0;
}

std::string CollapseDoubledSeparators(const std::string& path) {
    std::string result;
    result.reserve(path.size());
    for (size_t i = 0; i < path.size(); ++i) {
        result += path[i];
        if (path[i] == '/' && i + 1 < path.size() && path[i + 1] == '/')
            ++i;
    }
    return result;
}

std::string GetDirectoryPart(const std::string& path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return {};
    return path.substr(0, slash + 1);
}

std::string GetFileTitle(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

void AddFilenameBookmark(RunObjects& objects, IAutomationFactory& factory, IMessageHost& host,
                         const std::string& outputPath, const std::string& sourcePath,
                         int32_t page) {
    // A server that gives no view or page view cannot place the bookmark; the
    // row goes on without it rather than calling into a missing object.
    objects.view = objects.output->OpenAVDoc(outputPath);
    if (!objects.view)
        return;
    objects.pageView = objects.view->GetAVPageView();
    if (!objects.pageView)
        return;
    objects.pageView->GoTo(page);
    if (objects.app->MenuItemExecute("NewBookmark") == 0)
        return;
    auto bookmark = CreateAs<IAcroPDBookmark>(factory, kProgIdPDBookmark);
    if (!bookmark) {
        host.MessageBox(RunMessages::kCreateBookmarkFailed, kAppName);
        return;
    }
    if (bookmark->GetByTitle(objects.output, "Untitled") != 0)
        bookmark->SetTitle(CutTitle(GetFileTitle(sourcePath)));
}

void CreateOutputFolder(const std::string& outputPath) {
    std::string folder = GetDirectoryPart(outputPath);
    if (!folder.empty())
        ::mkdir(folder.c_str(), 0777);
}

bool AppendPaddingFiles(RunObjects& objects, IMessageHost& host, const PaddingFiles& files,
                        bool isLastRow) {
    struct Padding {
        const std::string& path;
        bool oddOnly;
        bool applies;
    };
    const Padding paddings[] = {
        {files.oddEvery, true, true},
        {files.onEach, false, true},
        {files.oddFinal, true, isLastRow},
    };
    for (const Padding& padding : paddings) {
        if (!padding.applies || padding.path.size() < 2)
            continue;
        if (!CanOpenForReading(padding.path)) {
            host.MessageBox(RunMessages::kUnableToOpenFile + padding.path, kAppName);
            continue;
        }
        int32_t pages = objects.output->GetNumPages();
        if (padding.oddOnly && pages % 2 != 1)
            continue;
        if (KindOfPath(padding.path) == PathKind::Special ||
            objects.source->Open(padding.path) == 0) {
            host.MessageBox(RunMessages::kErrorOpeningFile + padding.path, kAppName);
            return false;
        }
        if (objects.output->InsertPages(pages - 1, objects.source, 0, objects.source->GetNumPages(),
                                        0) == 0) {
            host.MessageBox(RunMessages::kCantInsertPages, kAppName);
            return false;
        }
        if (objects.source->Close() == 0) {
            host.MessageBox(RunMessages::kFailedToCloseDoc, kAppName);
            return false;
        }
    }
    return true;
}

bool MoveSourceAfterAppend(const std::string& sourcePath, const std::string& moveDir) {
    if (moveDir.empty())
        return false;
    ::mkdir(moveDir.c_str(), 0777);
    struct stat sourceStat {};
    if (::stat(sourcePath.c_str(), &sourceStat) != 0)
        return false;
    std::string target = JoinPath(moveDir, GetFileTitle(sourcePath));
    // When the target already is the source (the move folder is the source's
    // own folder, or a link to it), copying and then deleting would lose it.
    struct stat targetStat {};
    if (::stat(target.c_str(), &targetStat) == 0 && targetStat.st_dev == sourceStat.st_dev &&
        targetStat.st_ino == sourceStat.st_ino)
        return false;
    if (!CopyFileComplete(sourcePath, sourceStat, moveDir, target))
        return false;
    return ::unlink(sourcePath.c_str()) == 0;
}

} // namespace quorvel
