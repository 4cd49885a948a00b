#pragma once

#include <string>

namespace quorvel {

// The three padding files of the settings, as the output assembly uses them.
// A path shorter than 2 characters means "no file".
struct PaddingFiles {
    std::string oddEvery; // appended when the output's page count is odd
    std::string onEach;   // appended after every entry
    std::string oddFinal; // appended after the list's last row when the count is odd
};

} // namespace quorvel
