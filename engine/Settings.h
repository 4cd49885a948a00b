#pragma once

#include <string>

namespace quorvel {

// The settings kept in "setup.ini": three padding files and the splash-screen
// switch. The main window holds one for the program's whole life.
struct SetupSettings {
    int m_bNoSplash = 0;
    std::string m_strOddEvery; // added after a source that leaves the output odd
    std::string m_strOddFinal; // added at the end of an output whose final count is odd
    std::string m_strOnEach;   // added after every source

    bool operator==(const SetupSettings&) const = default;
};

inline constexpr const char* kSetupIniName = "setup.ini";
// Shown (application message box, OK) when SaveSettings returns false.
inline constexpr const char* kCantSaveSetupIni = "can't save to setup.ini";

// Reads the settings file into `settings`. A file that cannot be opened is no
// error: the members keep their values. Lines are read in pieces of at most
// 254 characters; each piece is cut at semicolons and line ends, the first
// non-empty field being the key and the next one its value. Keys are exact and
// case-sensitive: ODDEVERY, ODDFINAL, ONEACH set their path (empty when no
// value follows), NOSPLASH sets m_bNoSplash to 1. Other lines, including empty
// ones and ones made only of semicolons, are passed over. A later line with
// the same key overrides an earlier one.
void LoadSettings(SetupSettings& settings, const std::string& path = kSetupIniName);

// Rewrites the settings file whole: "ODDEVERY;<path>", "ODDFINAL;<path>",
// "ONEACH;<path>" and, only when m_bNoSplash is set, "NOSPLASH", each line
// ended by CR LF. False when the file cannot be written (nothing is written
// then, or what was written is incomplete); the caller shows kCantSaveSetupIni.
bool SaveSettings(const SetupSettings& settings, const std::string& path = kSetupIniName);

// The exact bytes SaveSettings writes.
std::string FormatSettings(const SetupSettings& settings);

} // namespace quorvel
