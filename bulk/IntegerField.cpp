#include "bulk/IntegerField.h"

#include <charconv>
#include <climits>

namespace quorvel {

bool ParseIntegerField(const std::string& text, int& value) {
    const std::string field = text.substr(0, 31);
    size_t begin = field.find_first_not_of(" \t");
    if (begin == std::string::npos)
        return false;
    const size_t end = field.find_last_not_of(" \t") + 1;
    bool negative = false;
    if (field[begin] == '+' || field[begin] == '-') {
        negative = field[begin] == '-';
        ++begin;
    }
    if (begin == end)
        return false;
    long long magnitude = 0;
    const char* first = field.data() + begin;
    const char* last = field.data() + end;
    // from_chars takes no sign of its own here, so "+-5" and "--5" fail.
    if (*first < '0' || *first > '9')
        return false;
    const auto [ptr, ec] = std::from_chars(first, last, magnitude);
    if (ec != std::errc() || ptr != last)
        return false;
    const long long signedValue = negative ? -magnitude : magnitude;
    if (signedValue < INT_MIN || signedValue > INT_MAX)
        return false;
    value = static_cast<int>(signedValue);
    return true;
}

} // namespace quorvel
