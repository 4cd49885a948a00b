#include "bulk/IntegerField.h"

#include <gtest/gtest.h>

using namespace quorvel;

TEST(IntegerFieldTest, AcceptsSignedDecimalsWithBlanksAroundOnly) {
    struct Case {
        const char* text;
        bool ok;
        int value;
    } cases[] = {
        {"12", true, 12},
        {" \t5 \t", true, 5},
        {"+7", true, 7},
        {"-3", true, -3},
        {"0", true, 0},
        {"-0", true, 0},
        {"2147483647", true, 2147483647},
        {"-2147483648", true, -2147483647 - 1},
        {"", false, 0},
        {"   ", false, 0},
        {"12a", false, 0},
        {"1 2", false, 0},
        {"+", false, 0},
        {"+-5", false, 0},
        {"0x10", false, 0},
        {"2147483648", false, 0},
        {"99999999999999999999", false, 0},
    };
    for (const auto& c : cases) {
        int value = -99;
        EXPECT_EQ(ParseIntegerField(c.text, value), c.ok) << "'" << c.text << "'";
        EXPECT_EQ(value, c.ok ? c.value : -99) << "'" << c.text << "'";
    }
    // Only the first 31 characters are read.
    int value = 0;
    EXPECT_TRUE(ParseIntegerField(std::string(29, ' ') + "12x", value));
    EXPECT_EQ(value, 12);
    EXPECT_FALSE(ParseIntegerField(std::string(31, ' ') + "1", value));
}
