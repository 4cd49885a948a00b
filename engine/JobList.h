#pragma once

#include "engine/JobColumn.h"
#include "support/RowTable.h"

#include <array>
#include <string>
#include <vector>

namespace quorvel {

// The job list: an ordered list of rows of eleven column texts. The window's
// list model and the in-memory list below both implement it; the run, the
// file commands and the bulk loads use nothing else.
class IJobList : public IRowTable {
public:
    // Row count and texts come from IRowTable; a column outside 0..10 or a row
    // outside the list reads as the empty text and ignores writes.
    virtual void SetText(int row, int column, const std::string& text) = 0;
    // Adds a row at the end whose column 0 holds `selected`; `iconPath` is the
    // file the row's icon stands for (the window looks its type up). Returns
    // the new row's index.
    virtual int AddRow(const std::string& selected, const std::string& iconPath) = 0;
    virtual void DeleteRow(int row) = 0;
    // Moves row `from` so that it ends up at index `to`.
    virtual void MoveRow(int from, int to) = 0;
    virtual void DeleteAll() = 0;
    virtual bool IsRowSelected(int row) const = 0;
    virtual void SetRowSelected(int row, bool selected) = 0;
};

using JobRow = std::array<std::string, kJobColumnCount>;

// A job list in memory, for the command-line program and tests.
class CMemoryJobList : public IJobList {
public:
    int RowCount() const override { return static_cast<int>(m_rows.size()); }
    std::string Text(int row, int column) const override;
    void SwapRows(int a, int b) override;
    int ColumnCount() const override { return kJobColumnCount; }
    void SetText(int row, int column, const std::string& text) override;
    int AddRow(const std::string& selected, const std::string& iconPath) override;
    void DeleteRow(int row) override;
    void MoveRow(int from, int to) override;
    void DeleteAll() override;
    bool IsRowSelected(int row) const override;
    void SetRowSelected(int row, bool selected) override;

    const JobRow& Row(int row) const { return m_rows.at(static_cast<size_t>(row)).texts; }

private:
    struct Entry {
        JobRow texts;
        bool selected = false;
    };
    bool Valid(int row) const { return row >= 0 && row < RowCount(); }
    std::vector<Entry> m_rows;
};

} // namespace quorvel
