#include "engine/JobList.h"

#include <gtest/gtest.h>

using namespace quorvel;

TEST(JobColumnTest, FlagAndSelectionTestsAreExact) {
    EXPECT_TRUE(IsFlagSet("Y"));
    for (const char* t : {"y", "Yes", "", " Y", "Y "})
        EXPECT_FALSE(IsFlagSet(t)) << t;
    EXPECT_TRUE(IsSelectedText("Yes"));
    for (const char* t : {"yes", "Y", "", "YES", "Yes "})
        EXPECT_FALSE(IsSelectedText(t)) << t;
}

TEST(JobColumnTest, PagesDecimalConversion) {
    struct {
        const char* text;
        int value;
    } cases[] = {{"12", 12},
                 {"  7", 7},
                 {"Unknown", 0},
                 {"", 0},
                 {"-1", -1},
                 {"3abc", 3},
                 {"+5", 5},
                 {" -0", 0},
                 {"x7", 0},
                 {"\t 42 ", 42},
                 {"99999999999", 2147483647}};
    for (const auto& c : cases)
        EXPECT_EQ(ReadDecimal(c.text), c.value) << c.text;
}

TEST(MemoryJobListTest, RowOperationsKeepTextsTogether) {
    CMemoryJobList list;
    for (const char* name : {"a", "b", "c", "d"}) {
        int r = list.AddRow("Yes", name);
        list.SetText(r, Filename, name);
    }
    ASSERT_EQ(list.RowCount(), 4);
    EXPECT_EQ(list.Text(0, Selected), "Yes");
    list.MoveRow(0, 3);  // b c d a
    list.SwapRows(0, 1); // c b d a
    list.DeleteRow(2);   // c b a
    std::string order;
    for (int r = 0; r < list.RowCount(); ++r)
        order += list.Text(r, Filename);
    EXPECT_EQ(order, "cba");
    // Out-of-range access is harmless.
    EXPECT_EQ(list.Text(7, 1), "");
    EXPECT_EQ(list.Text(0, 11), "");
    list.SetText(9, 1, "x");
    list.DeleteRow(-1);
    list.SetRowSelected(1, true);
    EXPECT_TRUE(list.IsRowSelected(1));
    EXPECT_FALSE(list.IsRowSelected(0));
    list.DeleteAll();
    EXPECT_EQ(list.RowCount(), 0);
}
