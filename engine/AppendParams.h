#pragma once

#include "engine/MessageHost.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel {

// A run of pages, counted from 1, both ends inclusive. The append run inserts
// last - first + 1 pages starting at `first`; nothing here guarantees that the
// pair makes sense (see ValidateAppendParameters).
struct PageRange {
    int32_t first = 0;
    int32_t last = 0;
    friend bool operator==(const PageRange&, const PageRange&) = default;
};

// One expansion never yields more ranges than this. Real documents stay far
// below it; it keeps texts such as "1s" on a huge page count from exhausting
// memory or time. An expansion that reaches it stops there and says so.
inline constexpr size_t kMaxPageRanges = 1000000;

// The working table of one expansion. Slot i is `slots[i]`; a slot past the
// end of the vector reads (0, 0), and writing one grows the vector.
struct PageRangeTable {
    std::vector<PageRange> slots;
    bool bTruncated = false; // set when the expansion stopped at kMaxPageRanges

    PageRange Slot(size_t index) const { return index < slots.size() ? slots[index] : PageRange{}; }
    PageRange& SlotRef(size_t index) {
        if (index >= slots.size())
            slots.resize(index + 1);
        return slots[index];
    }
};

// Expands an append-parameters expression ("all", "6-7,9-10", "odd", "4s",
// "2-3n", ...) for a document of `pageCount` pages into the ordered page
// ranges it selects. Never fails: text that means nothing yields no range.
// Plain numbers are not compared with the page count, so the result may hold
// ranges outside the document or reversed ones. When `truncated` is given it
// receives whether the expansion was cut at kMaxPageRanges (the ranges up to
// the cut are returned).
std::vector<PageRange> ExpandAppendParameters(std::string_view text, int32_t pageCount,
                                              bool* truncated = nullptr);

// Expands one comma-separated piece into `table` from slot `next` and returns
// the new cursor (the first slot not taken by a finished range). A number
// stored by the piece may leave a range in progress at the returned slot;
// ExpandAppendParameters completes it. Used by ExpandAppendParameters only.
size_t ExpandParameterPiece(std::string_view piece, PageRangeTable& table, size_t next,
                            int32_t pageCount);

// Message texts and captions of the validation. "%d" is filled in as with printf.
namespace AppendParamsText {
inline constexpr const char* kNoOutputFile =
    "you must specify an output pdf file or existing pdf file to append to";
inline constexpr const char* kNoValidParameters = "no valid parameters";
inline constexpr const char* kFirstGreaterThanLast = "%d is greater than %d";
inline constexpr const char* kZeroPage = "error in parameters can't start or end at Zero";
inline constexpr const char* kHigherThanPages = "parameter: %d higher than pages: %d";
inline constexpr const char* kTooManyRanges = "parameters select more than %d page ranges";
inline constexpr const char* kCaptionDestination = "Error Destination";
inline constexpr const char* kCaptionParameters = "Error in parameters";
} // namespace AppendParamsText

// Decides whether a job entry with this output file text and parameters text
// may be accepted for a document of `pageCount` pages. On refusal it has shown
// exactly one message box (OK button) through `host` and returns false; on
// success it shows nothing.
bool ValidateAppendParameters(std::string_view outputFile, std::string_view params,
                              int32_t pageCount, IMessageHost& host);

} // namespace quorvel
