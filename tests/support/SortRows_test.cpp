#include "support/SortRows.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

using namespace quorvel;

namespace {

// Rows of two columns: the sort key and an id that must travel with it.
class Rows : public IRowTable {
public:
    explicit Rows(std::vector<std::string> keys, int columns = 2) : m_columns(columns) {
        for (size_t i = 0; i < keys.size(); ++i)
            m_rows.push_back({keys[i], std::to_string(i)});
    }
    int RowCount() const override { return static_cast<int>(m_rows.size()); }
    std::string Text(int row, int column) const override {
        return column < 2 ? m_rows[static_cast<size_t>(row)][static_cast<size_t>(column)] : "";
    }
    void SwapRows(int a, int b) override {
        ++swaps;
        std::swap(m_rows[static_cast<size_t>(a)], m_rows[static_cast<size_t>(b)]);
    }
    int ColumnCount() const override { return m_columns; }
    std::vector<std::string> Column(int column) const {
        std::vector<std::string> out;
        for (const auto& r : m_rows)
            out.push_back(r[static_cast<size_t>(column)]);
        return out;
    }
    int swaps = 0;

private:
    std::vector<std::array<std::string, 2>> m_rows;
    int m_columns;
};

} // namespace

TEST(SortRowsTest, SortsBytewiseAscendingAndDescending) {
    struct {
        std::vector<std::string> keys;
        bool ascending;
        std::vector<std::string> expected;
    } cases[] = {
        {{"95", "120", "3"}, true, {"120", "3", "95"}},
        {{"b", "B", "a", "A", ""}, true, {"", "A", "B", "a", "b"}},
        {{"b", "B", "a", "A", ""}, false, {"b", "a", "B", "A", ""}},
        {{"2011-03-07 14:05:09", "2010-12-31 23:59:59", "2011-03-07 09:00:00"},
         true,
         {"2010-12-31 23:59:59", "2011-03-07 09:00:00", "2011-03-07 14:05:09"}},
        {{"\xc3\xa9", "z", "\x7f"}, true, {"z", "\x7f", "\xc3\xa9"}},
        {{"x", "x", "x", "x"}, true, {"x", "x", "x", "x"}},
    };
    for (const auto& c : cases) {
        Rows rows(c.keys);
        EXPECT_TRUE(SortRowsByColumn(rows, 0, c.ascending));
        EXPECT_EQ(rows.Column(0), c.expected);
    }
}

TEST(SortRowsTest, RefusesWhatCannotBeSorted) {
    Rows rows({"c", "b", "a"});
    EXPECT_FALSE(SortRowsByColumn(rows, 2, true)); // column past the header
    EXPECT_FALSE(SortRowsByColumn(rows, -1, true));
    EXPECT_FALSE(SortRowsByColumn(rows, 0, true, 1, 1)); // one row
    EXPECT_FALSE(SortRowsByColumn(rows, 0, true, 2, 1));
    EXPECT_FALSE(SortRowsByColumn(rows, 0, true, 0, 3)); // past the last row
    Rows one({"a"});
    EXPECT_FALSE(SortRowsByColumn(one, 0, true));
    Rows none({});
    EXPECT_FALSE(SortRowsByColumn(none, 0, true));
    EXPECT_EQ(rows.Column(0), (std::vector<std::string>{"c", "b", "a"}));
    EXPECT_EQ(rows.swaps, 0);
}

TEST(SortRowsTest, SortsOnlyTheGivenRangeAndMovesWholeRows) {
    Rows rows({"e", "d", "c", "b", "a"});
    EXPECT_TRUE(SortRowsByColumn(rows, 0, true, 1, 3));
    EXPECT_EQ(rows.Column(0), (std::vector<std::string>{"e", "b", "c", "d", "a"}));
    EXPECT_EQ(rows.Column(1), (std::vector<std::string>{"0", "3", "2", "1", "4"}));

    // A table that does not tell its column count accepts any column.
    Rows open({"b", "a"}, -1);
    EXPECT_TRUE(SortRowsByColumn(open, 1, true));
    EXPECT_TRUE(SortRowsByColumn(open, 7, true));
}

TEST(SortRowsTest, AgreesWithAStableReferenceOnManyInputs) {
    std::mt19937 random(42);
    for (int round = 0; round < 300; ++round) {
        const int count = static_cast<int>(random() % 40);
        const int alphabet = 1 + static_cast<int>(random() % 6);
        std::vector<std::string> keys;
        for (int i = 0; i < count; ++i) {
            std::string key;
            for (int n = static_cast<int>(random() % 3); n >= 0; --n)
                key += static_cast<char>('a' + random() % alphabet);
            keys.push_back(key);
        }
        const bool ascending = random() % 2;
        Rows rows(keys);
        SortRowsByColumn(rows, 0, ascending);
        std::vector<std::string> expected = keys;
        if (ascending)
            std::sort(expected.begin(), expected.end());
        else
            std::sort(expected.rbegin(), expected.rend());
        ASSERT_EQ(rows.Column(0), expected) << "round " << round;
        // Ids still belong to their keys.
        for (int r = 0; r < rows.RowCount(); ++r)
            ASSERT_EQ(rows.Text(r, 0), keys[std::stoul(rows.Text(r, 1))]);
    }
}

TEST(SortRowsTest, LargeOrderedInputsDoNotExhaustTheStack) {
    for (const bool reversed : {false, true}) {
        std::vector<std::string> keys;
        for (int i = 0; i < 200000; ++i) {
            char key[16];
            std::snprintf(key, sizeof key, "%08d", reversed ? 200000 - i : i);
            keys.push_back(key);
        }
        Rows rows(keys);
        ASSERT_TRUE(SortRowsByColumn(rows, 0, true));
        const auto sorted = rows.Column(0);
        EXPECT_TRUE(std::is_sorted(sorted.begin(), sorted.end()));
    }
}
