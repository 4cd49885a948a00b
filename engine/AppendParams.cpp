#include "engine/AppendParams.h"

#include "engine/JobColumn.h"

#include <algorithm>
#include <cstdio>

namespace quorvel {

namespace {

bool Contains(std::string_view text, std::string_view what) {
    return text.find(what) != std::string_view::npos;
}

// Sub-pieces of a piece: the non-empty runs between '-' characters, so that a
// run of dashes is one separator and a dash at either end separates nothing.
std::vector<std::string_view> SplitAtDashes(std::string_view piece) {
    std::vector<std::string_view> parts;
    size_t i = 0;
    while (i < piece.size()) {
        while (i < piece.size() && piece[i] == '-')
            ++i;
        size_t start = i;
        while (i < piece.size() && piece[i] != '-')
            ++i;
        if (i > start)
            parts.push_back(piece.substr(start, i - start));
    }
    return parts;
}

std::string FormatMessage(const char* format, long long a, long long b = 0) {
    char buffer[256];
    std::snprintf(buffer, sizeof buffer, format, static_cast<int>(a), static_cast<int>(b));
    return buffer;
}

} // namespace

size_t ExpandParameterPiece(std::string_view piece, PageRangeTable& table, size_t next,
                            int32_t pageCount) {
    // Page arithmetic runs in 64 bits: starts and steps near the int32 limit
    // must not wrap while they are compared with the page count.
    const int64_t pages = pageCount;
    auto add = [&](int64_t first, int64_t last) {
        if (next >= kMaxPageRanges) {
            table.bTruncated = true;
            return false;
        }
        table.SlotRef(next) = {static_cast<int32_t>(first), static_cast<int32_t>(last)};
        ++next;
        return true;
    };

    const std::vector<std::string_view> parts = SplitAtDashes(piece);
    const bool everyNth = Contains(piece, "n") && !Contains(piece, "even");
    size_t stored = 0; // numbers this piece has stored so far

    for (size_t i = 0; i < parts.size(); ++i) {
        const std::string_view part = parts[i];

        // Chunk form "Ks": ranges of K pages covering the document.
        if (size_t s = part.find('s'); s != std::string_view::npos && s + 1 == part.size()) {
            const int64_t chunk = ReadDecimal(part);
            if (pages < 1 || chunk < 1)
                return next;
            for (int64_t start = 0; start < pages; start += chunk)
                if (!add(start + 1, std::min(start + chunk, pages)))
                    break;
            return next;
        }

        // Every-n form "A-Bn": page A, then every B-th page after it. Without
        // a usable step the form selects nothing rather than looping forever.
        if (everyNth) {
            if (i + 1 >= parts.size())
                return next;
            const int64_t step = ReadDecimal(parts[i + 1]);
            if (step < 1)
                return next;
            for (int64_t page = int64_t{ReadDecimal(part)} - 1; page < pages; page += step)
                if (!add(page + 1, page + 1))
                    break;
            return next;
        }

        // "all" adds the whole document, then the same part is read on below
        // (normally as the number 0, which starts no range).
        if (Contains(part, "all") && !add(1, pages))
            return next;

        if (Contains(part, "odd")) {
            for (int64_t page = 1; page <= pages; page += 2)
                if (!add(page, page))
                    break;
            return next;
        }
        if (Contains(part, "even")) {
            for (int64_t page = 2; page <= pages; page += 2)
                if (!add(page, page))
                    break;
            return next;
        }

        // A plain number fills the range in progress: first, then last; a
        // third number lands in the slot after it.
        PageRange& slot = table.SlotRef(next + stored / 2);
        (stored % 2 == 0 ? slot.first : slot.last) = ReadDecimal(part);
        ++stored;
    }
    return next;
}

std::vector<PageRange> ExpandAppendParameters(std::string_view text, int32_t pageCount,
                                              bool* truncated) {
    PageRangeTable table;
    size_t next = 0;
    size_t start = 0;
    for (;;) {
        const size_t comma = text.find(',', start);
        const std::string_view piece = text.substr(
            start, comma == std::string_view::npos ? std::string_view::npos : comma - start);
        // Everything from the cursor on is cleared, so that numbers an
        // earlier piece stored past its own range never resurface as a range
        // of a later piece.
        if (table.slots.size() > next)
            table.slots.resize(next);
        next = ExpandParameterPiece(piece, table, next, pageCount);
        if (!table.bTruncated) {
            // A number left a range in progress: one number is one page.
            const PageRange pending = table.Slot(next);
            if (pending.first > 0) {
                if (pending.last == 0)
                    table.SlotRef(next).last = pending.first;
                if (next >= kMaxPageRanges)
                    table.bTruncated = true;
                else
                    ++next;
            }
        }
        if (table.bTruncated || comma == std::string_view::npos)
            break;
        start = comma + 1;
    }
    table.slots.resize(next);
    if (truncated)
        *truncated = table.bTruncated;
    return std::move(table.slots);
}

bool ValidateAppendParameters(std::string_view outputFile, std::string_view params,
                              int32_t pageCount, IMessageHost& host) {
    using namespace AppendParamsText;
    auto refuse = [&host](const std::string& text, const char* caption) {
        host.MessageBox(text, caption, MsgButtons::Ok);
        return false;
    };

    if (outputFile.empty())
        return refuse(kNoOutputFile, kCaptionDestination);

    bool truncated = false;
    const std::vector<PageRange> ranges = ExpandAppendParameters(params, pageCount, &truncated);
    if (ranges.empty())
        return refuse(kNoValidParameters, kCaptionParameters);
    if (truncated)
        return refuse(FormatMessage(kTooManyRanges, kMaxPageRanges), kCaptionParameters);

    for (const PageRange& r : ranges) {
        if (r.first > r.last)
            return refuse(FormatMessage(kFirstGreaterThanLast, r.first, r.last),
                          kCaptionParameters);
        if (r.first < 1 || r.last < 1)
            return refuse(kZeroPage, kCaptionParameters);
        if (r.first > pageCount || r.last > pageCount)
            return refuse(FormatMessage(kHigherThanPages, r.last, pageCount), kCaptionParameters);
    }
    return true;
}

} // namespace quorvel
