#pragma once

#include <string>

namespace quorvel {

// A table of text rows: what the quicksort of the log viewer and of the job
// list works on. Columns and rows count from 0.
class IRowTable {
public:
    virtual ~IRowTable() = default;
    virtual int RowCount() const = 0;
    virtual std::string Text(int row, int column) const = 0;
    virtual void SwapRows(int a, int b) = 0;
    // The number of columns (the header's item count), or -1 when the table
    // does not say; a sort then accepts any column from 0.
    virtual int ColumnCount() const { return -1; }
};

} // namespace quorvel
