// Fuzzes the page count probe on any bytes: each input is written to one
// temporary file that the probe then reads as a source file would be read.
// Beyond "no crash, no hang", it checks what the probe promises its callers:
// the count is never negative, the same bytes always give the same count, and
// bytes that do not begin with "%PDF" give 0 without reaching the library.
//
// Only our own code is instrumented (the PDF library comes from the system),
// so coverage feedback stops at the probe: give it real PDFs as extra corpus
// folders to reach deep into the library, e.g.
//   PageCountProbe_fuzz -max_total_time=600 CORPUS tests/fuzz/seeds/PageCountProbe ../shared/corpus

#include "support/PageCountProbe.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

void Check(bool condition) {
    if (!condition)
        std::abort();
}

// One file per process, rewritten for every input and removed at exit.
const std::string& InputPath() {
    static const std::string path = [] {
        const char* base = std::getenv("TMPDIR");
        std::string pattern =
            std::string(base && *base ? base : "/tmp") + "/quorvel-probe-fuzz-XXXXXX";
        int fd = ::mkstemp(pattern.data());
        Check(fd >= 0);
        ::close(fd);
        static std::string removeAtExit;
        removeAtExit = pattern;
        std::atexit([] { ::unlink(removeAtExit.c_str()); });
        return pattern;
    }();
    return path;
}

void WriteInput(const std::string& path, const uint8_t* data, size_t size) {
    int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    Check(fd >= 0);
    while (size > 0) {
        ssize_t n = ::write(fd, data, size);
        Check(n > 0);
        data += n;
        size -= static_cast<size_t>(n);
    }
    ::close(fd);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string& path = InputPath();
    WriteInput(path, data, size);

    const int count = quorvel::ProbePdfPageCount(path);
    Check(count >= 0);
    if (size < 4 || std::memcmp(data, "%PDF", 4) != 0)
        Check(count == 0);
    // The probe keeps no state between calls.
    Check(quorvel::ProbePdfPageCount(path) == count);
    return 0;
}
