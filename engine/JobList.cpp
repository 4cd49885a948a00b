#include "engine/JobList.h"

#include <utility>

namespace quorvel {

std::string CMemoryJobList::Text(int row, int column) const {
    if (!Valid(row) || column < 0 || column >= kJobColumnCount)
        return {};
    return m_rows[static_cast<size_t>(row)].texts[static_cast<size_t>(column)];
}

void CMemoryJobList::SwapRows(int a, int b) {
    if (Valid(a) && Valid(b) && a != b)
        std::swap(m_rows[static_cast<size_t>(a)], m_rows[static_cast<size_t>(b)]);
}

void CMemoryJobList::SetText(int row, int column, const std::string& text) {
    if (Valid(row) && column >= 0 && column < kJobColumnCount)
        m_rows[static_cast<size_t>(row)].texts[static_cast<size_t>(column)] = text;
}

int CMemoryJobList::AddRow(const std::string& selected, const std::string&) {
    Entry e;
    e.texts[Selected] = selected;
    m_rows.push_back(std::move(e));
    return RowCount() - 1;
}

void CMemoryJobList::DeleteRow(int row) {
    if (Valid(row))
        m_rows.erase(m_rows.begin() + row);
}

void CMemoryJobList::MoveRow(int from, int to) {
    if (!Valid(from) || !Valid(to) || from == to)
        return;
    Entry e = std::move(m_rows[static_cast<size_t>(from)]);
    m_rows.erase(m_rows.begin() + from);
    m_rows.insert(m_rows.begin() + to, std::move(e));
}

void CMemoryJobList::DeleteAll() {
    m_rows.clear();
}

bool CMemoryJobList::IsRowSelected(int row) const {
    return Valid(row) && m_rows[static_cast<size_t>(row)].selected;
}

void CMemoryJobList::SetRowSelected(int row, bool selected) {
    if (Valid(row))
        m_rows[static_cast<size_t>(row)].selected = selected;
}

} // namespace quorvel
