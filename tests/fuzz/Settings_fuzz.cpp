#include "FuzzFile.h"
#include "engine/Settings.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace quorvel;
    SetupSettings settings;
    LoadSettings(settings, fuzz::WriteFuzzFile(data, size));
    // A value is one field of one piece of a line: never longer than a piece,
    // never holding a separator or a NUL.
    for (const std::string* value :
         {&settings.m_strOddEvery, &settings.m_strOddFinal, &settings.m_strOnEach}) {
        if (value->size() > 254 ||
            value->find_first_of(std::string(";\r\n\0", 4)) != std::string::npos)
            std::abort();
    }
    if (settings.m_bNoSplash != 0 && settings.m_bNoSplash != 1)
        std::abort();
    return 0;
}
