#include "FuzzFile.h"
#include "bulk/ListFile.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace quorvel;
    size_t used = 0;
    if (!ReadListFile(fuzz::WriteFuzzFile(data, size), [&](const std::string& path) {
            ++used;
            // A used line is a whole line without its line feed, NUL bytes,
            // wildcards or a comment mark in front.
            if (path.find_first_of(std::string("\n*?\0", 4)) != std::string::npos)
                std::abort();
            if (!path.empty() && path[0] == ';')
                std::abort();
        }))
        std::abort();
    if (used > size)
        std::abort();
    return 0;
}
