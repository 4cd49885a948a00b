#include "support/SortRows.h"

#include <cstring>
#include <string>

namespace quorvel {

namespace {

int Compare(const std::string& a, const std::string& b) {
    return std::strcmp(a.c_str(), b.c_str());
}

void SortRange(IRowTable& table, int column, bool ascending, int low, int high) {
    // Recurses into the smaller part and loops on the larger one, so the depth
    // stays logarithmic on any input; the parts are disjoint, so the order in
    // which they are sorted does not change the result.
    while (low < high) {
        const std::string pivot = table.Text((low + high) / 2, column);
        int lo = low;
        int hi = high;
        while (lo <= hi) {
            if (ascending) {
                while (lo < high && Compare(table.Text(lo, column), pivot) < 0)
                    ++lo;
                while (hi > low && Compare(table.Text(hi, column), pivot) > 0)
                    --hi;
            } else {
                while (lo < high && Compare(table.Text(lo, column), pivot) > 0)
                    ++lo;
                while (hi > low && Compare(table.Text(hi, column), pivot) < 0)
                    --hi;
            }
            if (lo <= hi) {
                if (lo != hi && Compare(table.Text(lo, column), table.Text(hi, column)) != 0)
                    table.SwapRows(lo, hi);
                ++lo;
                --hi;
            }
        }
        // Left part: low..hi, right part: lo..high.
        if (hi - low < high - lo) {
            if (low < hi)
                SortRange(table, column, ascending, low, hi);
            low = lo;
        } else {
            if (lo < high)
                SortRange(table, column, ascending, lo, high);
            high = hi;
        }
    }
}

} // namespace

bool SortRowsByColumn(IRowTable& table, int column, bool ascending, int low, int high) {
    const int columns = table.ColumnCount();
    if (column < 0 || (columns >= 0 && column >= columns))
        return false;
    if (high == -1)
        high = table.RowCount() - 1;
    if (low < 0 || high >= table.RowCount() || high <= low)
        return false;
    SortRange(table, column, ascending, low, high);
    return true;
}

} // namespace quorvel
