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
};

} // namespace quorvel
