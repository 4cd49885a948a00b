#pragma once

#include "app/JobEntry.h"

#include <functional>
#include <string>

namespace quorvel {

// Message box when the list file cannot be opened: the text is the list
// file's name, the caption this (OK button, no icon).
inline constexpr const char* kCantReadListFileCaption = "Can't read job parameters file.";
// Shown after a list file was read (OK button, exclamation icon).
inline constexpr const char* kBulkListLoaded = "Bulk list loaded";

// List files (".job", ".lst", ".txt" or any name) name one source file per
// line. ReadListFile reads one with these rules, in this order:
//  - Text-mode bytes: CR LF and a lone LF end a line, 0x1A ends the file.
//  - A line is read whole, whatever its length.
//  - A line that is empty, or whose first character is ';', is skipped.
//  - A trailing CR (left by a CR CR LF line end) is removed. A counter that
//    starts at 0 decides whether such a line is used: every remaining line
//    sets it to 5 when it had no trailing CR, then adds one; the line is used
//    only when the counter is then above 4. So the first four lines with a
//    trailing CR are skipped until a line without one has been read.
//  - A line that contains '*' or '?' is skipped (no wildcard expansion).
//  - Every other line is handed to `onPath` byte for byte: no trimming, no
//    quote removal, no resolution of relative names. A NUL byte ends the
//    line's text.
// False when the file cannot be opened (it is never created); the caller
// shows the list file's name with caption kCantReadListFileCaption.
//
// The bulk load then adds each path with AddJobEntry, deciding Create just
// before the add from the job list's row count at that moment (see
// ListFileEntry), so that a refused path does not use up the "Y".
bool ReadListFile(const std::string& path, const std::function<void(const std::string&)>& onPath);

// The entry added for one path of a list file: selected, parameters "all", no
// move-to folder, `outputFile` as typed, keep bookmarks "N", append "Y",
// bookmark file name "N"; Create is "Y" when `removeExisting` is set and the
// job list holds no rows yet (`rowCountNow` == 0), otherwise "N".
JobEntryFields ListFileEntry(const std::string& path, const std::string& outputFile,
                             bool removeExisting, int rowCountNow);

} // namespace quorvel
