#include "engine/AppendParams.h"

#include <gtest/gtest.h>

#include <climits>
#include <sstream>

using namespace quorvel;

namespace {

std::string Show(const std::vector<PageRange>& ranges) {
    std::ostringstream out;
    for (const PageRange& r : ranges)
        out << "(" << r.first << "," << r.last << ")";
    return out.str();
}

// Records every message box instead of showing it.
class RecordingHost : public IMessageHost {
public:
    struct Box {
        std::string text, caption;
        MsgButtons buttons;
    };
    std::vector<Box> boxes;
    MsgResult MessageBox(const std::string& text, const std::string& caption, MsgButtons buttons,
                         MsgIcon) override {
        boxes.push_back({text, caption, buttons});
        return MsgResult::Ok;
    }
};

} // namespace

TEST(AppendParamsTest, ExpansionTable) {
    struct {
        const char* text;
        int32_t pages;
        const char* expected;
    } cases[] = {
        // The language's own examples.
        {"all", 10, "(1,10)"},
        {"6-7,9-10", 10, "(6,7)(9,10)"},
        {"3", 10, "(3,3)"},
        {"6-0", 10, "(6,6)"},
        {"0", 10, ""},
        {"0-5", 10, ""},
        {"7-3", 10, "(7,3)"},
        {"odd", 10, "(1,1)(3,3)(5,5)(7,7)(9,9)"},
        {"even", 10, "(2,2)(4,4)(6,6)(8,8)(10,10)"},
        {"4s", 10, "(1,4)(5,8)(9,10)"},
        {"1s", 10, "(1,1)(2,2)(3,3)(4,4)(5,5)(6,6)(7,7)(8,8)(9,9)(10,10)"},
        {"2-3n", 10, "(2,2)(5,5)(8,8)"},
        {"12-3n", 10, ""},
        {"all,all", 10, "(1,10)(1,10)"},
        {"all", 0, "(1,0)"},
        {"", 10, ""},
        {"5-10n", 32, "(5,5)(15,15)(25,25)"},
        // Blanks, dashes and commas.
        {"6-7, 9-10", 10, "(6,7)(9,10)"},
        {" 9 - 10 ", 10, "(9,10)"},
        {"1s ", 10, "(1,1)"},
        {" 3s", 7, "(1,3)(4,6)(7,7)"},
        {"-6", 10, "(6,6)"},
        {"5-", 10, "(5,5)"},
        {"3--5", 10, "(3,5)"},
        {"1-3-7", 10, "(1,3)"},
        {"6-7,,9", 10, "(6,7)(9,9)"},
        {",3,", 10, "(3,3)"},
        {"+4", 10, "(4,4)"},
        {"x7", 10, ""},
        // Keywords are case-sensitive substrings.
        {"ALL", 10, ""},
        {"Odd,EVEN", 10, ""},
        {"small", 3, "(1,3)"},
        {"allodd", 3, "(1,3)(1,1)(3,3)"},
        {"3-all", 4, "(1,4)"},
        {"all-5", 4, "(1,4)"},
        {"0-2n", 6, "(0,0)(2,2)(4,4)(6,6)"},
        // Plain numbers are not compared with the page count.
        {"6-7", 5, "(6,7)"},
        {"12s", 10, "(1,10)"},
        // Small and odd page counts.
        {"odd", 0, ""},
        {"odd", 1, "(1,1)"},
        {"even", 1, ""},
        {"4s", 0, ""},
        {"all", -5, "(1,-5)"},
        {"odd,even,1s", -5, ""},
        // Forms without a usable size or step add nothing for their piece.
        {"s", 10, ""},
        {"0s", 10, ""},
        {"odds", 10, ""},
        {"5n", 10, ""},
        {"none", 10, ""},
        {"5-0n", 10, ""},
        {"3,5n,4", 10, "(3,3)(4,4)"},
        // Numbers one piece stored past its range never come back in a later one.
        {"1-2-3-4-5-6-7-8-9-10-11-12-13-14,odd", 10, "(1,2)(1,1)(3,3)(5,5)(7,7)(9,9)"},
        {"1-2-3-4-5-6,all", 10, "(1,2)(1,10)"},
        // Values at the limits of 32-bit page numbers.
        {"99999999999", 10, "(2147483647,2147483647)"},
        {"2147483647-1n", INT_MAX, "(2147483647,2147483647)"},
        {"1-2147483647n", INT_MAX, "(1,1)"},
        {"2147483647s", INT_MAX, "(1,2147483647)"},
        {"1000000000s", INT_MAX, "(1,1000000000)(1000000001,2000000000)(2000000001,2147483647)"},
        {"2147483647", INT_MAX, "(2147483647,2147483647)"},
    };
    for (const auto& c : cases) {
        bool truncated = true;
        EXPECT_EQ(Show(ExpandAppendParameters(c.text, c.pages, &truncated)), c.expected)
            << '"' << c.text << "\" on " << c.pages << " pages";
        EXPECT_FALSE(truncated) << c.text;
    }
}

TEST(AppendParamsTest, HugeExpansionsStopAtTheCap) {
    struct {
        const char* text;
        int32_t pages;
        bool truncated;
        PageRange lastRange;
    } cases[] = {
        {"1s", INT_MAX, true, {1000000, 1000000}},
        {"odd", INT_MAX, true, {1999999, 1999999}},
        {"1-1n", INT_MAX, true, {1000000, 1000000}},
        {"3,even", INT_MAX, true, {1999998, 1999998}},
        // Exactly at the cap nothing is lost; one more range is.
        {"1s", static_cast<int32_t>(kMaxPageRanges), false, {1000000, 1000000}},
        {"1s,5", static_cast<int32_t>(kMaxPageRanges), true, {1000000, 1000000}},
        {"1s,all", static_cast<int32_t>(kMaxPageRanges), true, {1000000, 1000000}},
        {"2s,7-9", 2 * static_cast<int32_t>(kMaxPageRanges) - 2, false, {7, 9}},
    };
    for (const auto& c : cases) {
        bool truncated = !c.truncated;
        std::vector<PageRange> ranges = ExpandAppendParameters(c.text, c.pages, &truncated);
        EXPECT_EQ(truncated, c.truncated) << c.text;
        ASSERT_EQ(ranges.size(), kMaxPageRanges) << c.text;
        EXPECT_EQ(ranges.back(), c.lastRange) << c.text;
    }
}

TEST(AppendParamsTest, ValidationTable) {
    const char* valid = "valid";
    struct {
        const char* output;
        const char* params;
        int32_t pages;
        const char* caption; // "valid" when accepted
        const char* text;
    } cases[] = {
        {"out.pdf", "all", 10, valid, ""},
        {"out.pdf", "odd,even,4s,2-3n,1-10,10", 10, valid, ""},
        {"out.pdf", "3,5n", 10, valid, ""},
        {" ", "all", 10, valid, ""},
        {"", "all", 10, "Error Destination",
         "you must specify an output pdf file or existing pdf file to append to"},
        {"", "", 10, "Error Destination",
         "you must specify an output pdf file or existing pdf file to append to"},
        {"out.pdf", "", 10, "Error in parameters", "no valid parameters"},
        {"out.pdf", "ALL", 10, "Error in parameters", "no valid parameters"},
        {"out.pdf", "0-5", 10, "Error in parameters", "no valid parameters"},
        {"out.pdf", "5n,0s", 10, "Error in parameters", "no valid parameters"},
        {"out.pdf", "7-3", 10, "Error in parameters", "7 is greater than 3"},
        {"out.pdf", "5-12", 10, "Error in parameters", "parameter: 12 higher than pages: 10"},
        {"out.pdf", "11", 10, "Error in parameters", "parameter: 11 higher than pages: 10"},
        {"out.pdf", "0-2n", 10, "Error in parameters",
         "error in parameters can't start or end at Zero"},
        {"out.pdf", "all", 0, "Error in parameters", "1 is greater than 0"},
        {"out.pdf", "all", -1, "Error in parameters", "1 is greater than -1"},
        {"out.pdf", "odd", 0, "Error in parameters", "no valid parameters"},
        // The first failing range in order decides the message.
        {"out.pdf", "3,7-3,11", 10, "Error in parameters", "7 is greater than 3"},
        {"out.pdf", "11,7-3", 10, "Error in parameters", "parameter: 11 higher than pages: 10"},
        {"out.pdf", "1s", INT_MAX, "Error in parameters",
         "parameters select more than 1000000 page ranges"},
    };
    for (const auto& c : cases) {
        RecordingHost host;
        bool ok = ValidateAppendParameters(c.output, c.params, c.pages, host);
        std::string where = std::string(c.output) + " | " + c.params;
        if (c.caption == valid) {
            EXPECT_TRUE(ok) << where;
            EXPECT_TRUE(host.boxes.empty()) << where;
            continue;
        }
        EXPECT_FALSE(ok) << where;
        ASSERT_EQ(host.boxes.size(), 1u) << where;
        EXPECT_EQ(host.boxes[0].caption, c.caption) << where;
        EXPECT_EQ(host.boxes[0].text, c.text) << where;
        EXPECT_EQ(host.boxes[0].buttons, MsgButtons::Ok) << where;
    }
}
