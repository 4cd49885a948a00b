// Fuzzes the append-parameters language: expansion and validation of any
// text on any page count. Input: one mode byte, then the page count, then the
// expression. An odd mode byte takes four bytes of page count (little-endian,
// any int32); an even one takes two (a signed 16-bit count), which keeps most
// runs away from the slow million-range expansions of huge page counts.

#include "engine/AppendParams.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace {

class CountingHost : public quorvel::IMessageHost {
public:
    int count = 0;
    quorvel::MsgResult MessageBox(const std::string&, const std::string&, quorvel::MsgButtons,
                                  quorvel::MsgIcon) override {
        ++count;
        return quorvel::MsgResult::Ok;
    }
};

void Check(bool condition) {
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace quorvel;
    if (size < 5)
        return 0;
    int32_t pages = 0;
    size_t head = 0;
    if (data[0] & 1) {
        uint32_t raw = 0;
        std::memcpy(&raw, data + 1, 4);
        pages = static_cast<int32_t>(raw);
        head = 5;
    } else {
        uint16_t raw = 0;
        std::memcpy(&raw, data + 1, 2);
        pages = static_cast<int16_t>(raw);
        head = 3;
    }
    const std::string_view text(reinterpret_cast<const char*>(data + head), size - head);

    bool truncated = false;
    const std::vector<PageRange> ranges = ExpandAppendParameters(text, pages, &truncated);
    Check(ranges.size() <= kMaxPageRanges);
    Check(!truncated || ranges.size() == kMaxPageRanges);

    // Pieces expand independently: the text is the concatenation of its
    // first piece and the rest.
    const bool small = ranges.size() < 20000;
    if (size_t comma = text.find(','); comma != std::string_view::npos && small) {
        bool cutHead = false, cutTail = false;
        std::vector<PageRange> joined =
            ExpandAppendParameters(text.substr(0, comma), pages, &cutHead);
        const std::vector<PageRange> tail =
            ExpandAppendParameters(text.substr(comma + 1), pages, &cutTail);
        Check(!cutHead && !cutTail);
        joined.insert(joined.end(), tail.begin(), tail.end());
        Check(joined == ranges);
    }

    CountingHost host;
    const bool valid = ValidateAppendParameters("out.pdf", text, pages, host);
    Check(host.count == (valid ? 0 : 1));
    if (valid) {
        Check(!ranges.empty() && !truncated);
        for (const PageRange& r : ranges)
            Check(1 <= r.first && r.first <= r.last && r.last <= pages);
    }
    if (small) {
        CountingHost noOutput;
        Check(!ValidateAppendParameters("", text, pages, noOutput) && noOutput.count == 1);
    }
    return 0;
}
