#pragma once

#include "support/RowTable.h"

namespace quorvel {

// Sorts rows `low` to `high` of `table` on the texts of `column` with a
// quicksort that swaps whole rows, comparing bytes (strcmp): case-sensitive,
// with no number or date awareness; rows with equal texts keep no particular
// order. A `high` of -1 stands for the last row. Returns false when nothing
// was sorted: a column outside the table's columns, or fewer than two rows in
// the range.
bool SortRowsByColumn(IRowTable& table, int column, bool ascending, int low = 0, int high = -1);

} // namespace quorvel
