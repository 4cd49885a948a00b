#include "bulk/NameOrder.h"

#include <algorithm>
#include <cstdint>
#include <iterator>

namespace quorvel {

namespace {

struct FoldRun {
    char32_t first;
    char32_t last;
    uint8_t step;
    int32_t delta;
};

struct FoldExpansion {
    char32_t from;
    char32_t to[3];
};

#include "bulk/CaseFoldTable.inc"

bool IsContinuation(unsigned char c) {
    return (c & 0xC0) == 0x80;
}

// Decodes the UTF-8 sequence at text[pos]; 0 when it is not a valid one
// (stray continuation byte, overlong form, surrogate, beyond U+10FFFF, cut
// short), else its length with the code point in `cp`.
size_t DecodeAt(const std::string& text, size_t pos, char32_t& cp) {
    const auto lead = static_cast<unsigned char>(text[pos]);
    size_t length = 0;
    char32_t min = 0;
    if (lead < 0x80) {
        cp = lead;
        return 1;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2, min = 0x80, cp = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, min = 0x800, cp = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, min = 0x10000, cp = lead & 0x07;
    } else {
        return 0;
    }
    if (text.size() - pos < length)
        return 0;
    for (size_t i = 1; i < length; ++i) {
        const auto c = static_cast<unsigned char>(text[pos + i]);
        if (!IsContinuation(c))
            return 0;
        cp = (cp << 6) | (c & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return length;
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

void AppendFolded(std::string& out, char32_t cp) {
    const auto expansion =
        std::lower_bound(std::begin(kFoldExpansions), std::end(kFoldExpansions), cp,
                         [](const FoldExpansion& e, char32_t c) { return e.from < c; });
    if (expansion != std::end(kFoldExpansions) && expansion->from == cp) {
        for (char32_t to : expansion->to) {
            if (to != 0)
                AppendUtf8(out, to);
        }
        return;
    }
    // The first run that does not end before cp; it holds cp when cp lies on
    // its steps.
    const auto run = std::lower_bound(std::begin(kFoldRuns), std::end(kFoldRuns), cp,
                                      [](const FoldRun& r, char32_t c) { return r.last < c; });
    if (run != std::end(kFoldRuns) && run->first <= cp && (cp - run->first) % run->step == 0)
        cp = static_cast<char32_t>(static_cast<int32_t>(cp) + run->delta);
    AppendUtf8(out, cp);
}

} // namespace

std::string FoldCase(const std::string& utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (size_t pos = 0; pos < utf8.size();) {
        const auto byte = static_cast<unsigned char>(utf8[pos]);
        if (byte < 0x80) {
            out += byte >= 'A' && byte <= 'Z' ? static_cast<char>(byte - 'A' + 'a') : utf8[pos];
            ++pos;
            continue;
        }
        char32_t cp = 0;
        const size_t length = DecodeAt(utf8, pos, cp);
        if (length == 0) {
            out += utf8[pos];
            ++pos;
            continue;
        }
        AppendFolded(out, cp);
        pos += length;
    }
    return out;
}

bool FolderNameLess(const std::string& a, const std::string& b) {
    const std::string foldedA = FoldCase(a), foldedB = FoldCase(b);
    if (foldedA != foldedB)
        return foldedA < foldedB;
    return a < b;
}

} // namespace quorvel
