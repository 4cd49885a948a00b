#pragma once

#include <string>

namespace quorvel {

// Reads an integer typed in a dialog field. Only the first 31 characters
// count; blanks and tabs around the number are allowed; an optional sign and
// at least one decimal digit form it. Anything else, an empty field, or a
// value outside the int range is refused (false, `value` untouched).
bool ParseIntegerField(const std::string& text, int& value);

} // namespace quorvel
