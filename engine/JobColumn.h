#pragma once

#include <string>
#include <string_view>

namespace quorvel {

// The eleven columns of a job entry; every value of an entry is the text of
// one of them.
enum JobColumn : int {
    Selected = 0,
    Filename = 1,
    AppendParameters = 2,
    Pages = 3,
    Status = 4,
    MoveToDirectory = 5,
    OutputFile = 6,
    KeepBookmarks = 7,
    Create = 8,
    Append = 9,
    BookmarkFilename = 10,
};

inline constexpr int kJobColumnCount = 11;

struct JobColumnInfo {
    const char* header;
    int width; // initial width in pixels
};

// Header texts and initial widths, in column order.
inline constexpr JobColumnInfo kJobColumns[kJobColumnCount] = {
    {"Selected", 60},
    {"Filename", 276},
    {"Append Parameters", 120},
    {"Pages", 70},
    {"Status", 70},
    {"Move To Directory After Append", 200},
    {"Append to PDF File/New File", 200},
    {"Keep Bookmarks", 0},
    {"Create", 0},
    {"Append", 0},
    {"Bookmark Filename", 66},
};

// Status texts of column 4. "Ready." (with the full stop) is written on add,
// "Ready" (without) on a page-count refresh.
namespace StatusText {
inline constexpr const char* kReadyAdded = "Ready.";
inline constexpr const char* kReadyRefreshed = "Ready";
inline constexpr const char* kNoFile = "No File.";
inline constexpr const char* kProcessing = "Processing";
inline constexpr const char* kStopped = "Stopped";
inline constexpr const char* kDone = "Done";
} // namespace StatusText

// A flag column counts as set only when its text is exactly "Y".
inline bool IsFlagSet(std::string_view text) {
    return text == "Y";
}

// "Selected" counts only when its text is exactly "Yes".
inline bool IsSelectedText(std::string_view text) {
    return text == "Yes";
}

// Decimal conversion of a "Pages" text: leading blanks skipped, optional sign,
// digits up to the first non-digit; no digits read as 0 ("Unknown" -> 0).
// Values beyond the int range are clamped.
int ReadDecimal(std::string_view text);

} // namespace quorvel
