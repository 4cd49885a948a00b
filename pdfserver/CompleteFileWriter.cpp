#include "pdfserver/CompleteFileWriter.h"

#include "support/SaveInProgress.h"

#include <qpdf/QPDFWriter.hh>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <vector>

namespace quorvel {

namespace {

std::string FolderOf(const std::string& path) {
    auto slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

void SyncFolder(const std::string& folder) {
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// New files get the permissions an ordinary create would give; a replaced
// file keeps its own.
void SetModeFor(int fd, const std::string& path) {
    struct stat existing {};
    if (::stat(path.c_str(), &existing) == 0) {
        ::fchmod(fd, existing.st_mode & 07777);
        return;
    }
    mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
}

} // namespace

bool WriteCompleteFile(QPDF& pdf, int16_t flags, const std::string& path,
                       std::vector<QPDFObjGen>* renumber) {
    if (path.empty() || path.back() == '/') {
        return false;
    }
    std::string folder = FolderOf(path);
    // The temporary name carries this process's id, so that whoever ends
    // this process in the middle of the write can find and remove the file.
    std::string pattern = SaveTempPattern(path, ::getpid());
    std::vector<char> temp(pattern.begin(), pattern.end());
    temp.push_back('\0');
    int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        return false;
    }
    SaveTempFileCreated(temp.data());
    FILE* file = ::fdopen(fd, "wb");
    if (!file) {
        ::close(fd);
        ::unlink(temp.data());
        SaveEnded();
        return false;
    }
    bool written = false;
    try {
        QPDFWriter writer(pdf);
        writer.setOutputFile(temp.data(), file, false);
        if (!(flags & 0x20)) {
            writer.setPreserveUnreferencedObjects(true);
        }
        // A catalog /Version above the header (set when a newer source was
        // appended to the file) raises the header of the file written whole.
        auto version = pdf.getRoot().getKey("/Version");
        if (version.isName() && version.getName().size() > 1) {
            writer.setMinimumPDFVersion(version.getName().substr(1));
        }
        writer.write();
        if (renumber) {
            for (auto& object : *renumber) {
                object = writer.getRenumberedObjGen(object);
            }
        }
        // stdio may swallow a failed write (a full disk) and only set the
        // error indicator, so that is checked as well as the flush.
        written = std::fflush(file) == 0 && !std::ferror(file) && ::fsync(fd) == 0;
    } catch (...) {
        written = false;
    }
    if (written) {
        SetModeFor(fd, path);
    }
    if (std::fclose(file) != 0) {
        written = false;
    }
    if (!written || std::rename(temp.data(), path.c_str()) != 0) {
        ::unlink(temp.data());
        SaveEnded();
        return false;
    }
    SaveEnded();
    SyncFolder(folder);
    return true;
}

} // namespace quorvel
