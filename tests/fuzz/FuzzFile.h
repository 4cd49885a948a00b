#pragma once

// Shared by the file-format fuzz targets: each run writes its input to one
// temporary file of this process, which the reader under test then opens.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace quorvel::fuzz {

inline const std::string& FuzzFilePath() {
    static const std::string path = [] {
        std::string p = "/tmp/quorvel-fuzz-XXXXXX";
        const int fd = mkstemp(p.data());
        if (fd < 0)
            std::abort();
        close(fd);
        std::atexit([] { std::remove(FuzzFilePath().c_str()); });
        return p;
    }();
    return path;
}

inline const std::string& WriteFuzzFile(const uint8_t* data, size_t size) {
    const std::string& path = FuzzFilePath();
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        std::abort();
    if (size && std::fwrite(data, 1, size, f) != size)
        std::abort();
    std::fclose(f);
    return path;
}

} // namespace quorvel::fuzz
