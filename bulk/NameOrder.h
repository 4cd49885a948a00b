#pragma once

#include <string>

namespace quorvel {

// Unicode full case folding of a UTF-8 text: every character is replaced by
// its folded form ("A" -> "a", "ß" -> "ss", "Σ" and "ς" -> "σ"), so that two
// names that differ only in case fold to the same text. Bytes that are not
// part of a valid UTF-8 sequence are kept as they are.
std::string FoldCase(const std::string& utf8);

// The order in which a folder walk takes the names of one folder, the order
// file managers show: case-insensitive, comparing the folded names code point
// by code point; names that fold to the same text are taken in byte order
// ("A.pdf" before "a.pdf"). A strict weak order for sorting.
bool FolderNameLess(const std::string& a, const std::string& b);

} // namespace quorvel
