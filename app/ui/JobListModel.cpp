#include "app/ui/JobListModel.h"

#include <utility>

namespace quorvel {

namespace {

constexpr int kFrameMs = 16;

} // namespace

CJobListModel::CJobListModel(CFileIconList& icons, QObject* parent)
    : QAbstractTableModel(parent), m_icons(icons),
      m_pSelection(new QItemSelectionModel(this, this)) {
    m_flushTimer.setSingleShot(true);
    m_flushTimer.setInterval(kFrameMs);
    connect(&m_flushTimer, &QTimer::timeout, this, [this] { FlushInserts(); });
}

int CJobListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_nShownRows;
}

void CJobListModel::SetDeferInserts(bool defer) {
    m_bDeferInserts = defer;
    if (!defer)
        FlushInserts();
}

void CJobListModel::FlushInserts() {
    m_flushTimer.stop();
    if (m_nShownRows >= RowCount())
        return;
    beginInsertRows({}, m_nShownRows, RowCount() - 1);
    m_nShownRows = RowCount();
    endInsertRows();
}

int CJobListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kJobColumnCount;
}

QVariant CJobListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || !Valid(index.row()))
        return {};
    const Row& row = m_rows[static_cast<size_t>(index.row())];
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
        return QString::fromStdString(row.texts[static_cast<size_t>(index.column())]);
    if (role == Qt::DecorationRole && index.column() == Selected)
        return m_icons.Icon(row.icon);
    return {};
}

QVariant CJobListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= kJobColumnCount)
        return {};
    if (role == Qt::DisplayRole)
        return QString::fromLatin1(kJobColumns[section].header);
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
    return {};
}

std::string CJobListModel::Text(int row, int column) const {
    if (!Valid(row) || column < 0 || column >= kJobColumnCount)
        return {};
    return m_rows[static_cast<size_t>(row)].texts[static_cast<size_t>(column)];
}

void CJobListModel::SwapRows(int a, int b) {
    if (!Valid(a) || !Valid(b) || a == b)
        return;
    FlushInserts();
    std::swap(m_rows[static_cast<size_t>(a)], m_rows[static_cast<size_t>(b)]);
    const bool selA = IsRowSelected(a);
    const bool selB = IsRowSelected(b);
    if (selA != selB) {
        SetRowSelected(a, selB);
        SetRowSelected(b, selA);
    }
    const int current = m_pSelection->currentIndex().row();
    if (current == a || current == b) {
        const int column = m_pSelection->currentIndex().column();
        m_pSelection->setCurrentIndex(index(current == a ? b : a, column),
                                      QItemSelectionModel::NoUpdate);
    }
    emit dataChanged(index(a, 0), index(a, kJobColumnCount - 1));
    emit dataChanged(index(b, 0), index(b, kJobColumnCount - 1));
}

void CJobListModel::SetText(int row, int column, const std::string& text) {
    if (!Valid(row) || column < 0 || column >= kJobColumnCount)
        return;
    std::string& cell = m_rows[static_cast<size_t>(row)].texts[static_cast<size_t>(column)];
    if (cell == text)
        return;
    cell = text;
    if (!Shown(row))
        return;
    const QModelIndex changed = index(row, column);
    emit dataChanged(changed, changed);
}

int CJobListModel::AddRow(const std::string& selected, const std::string& iconPath) {
    const int row = RowCount();
    Row entry;
    entry.texts[Selected] = selected;
    entry.icon = m_icons.IconIndex(QString::fromStdString(iconPath));
    if (m_bDeferInserts) {
        m_rows.push_back(std::move(entry));
        if (!m_flushTimer.isActive())
            m_flushTimer.start();
        return row;
    }
    FlushInserts();
    beginInsertRows({}, row, row);
    m_rows.push_back(std::move(entry));
    m_nShownRows = RowCount();
    endInsertRows();
    return row;
}

void CJobListModel::DeleteRow(int row) {
    if (!Valid(row))
        return;
    FlushInserts();
    beginRemoveRows({}, row, row);
    m_rows.erase(m_rows.begin() + row);
    m_nShownRows = RowCount();
    endRemoveRows();
}

void CJobListModel::MoveRow(int from, int to) {
    if (!Valid(from) || !Valid(to) || from == to)
        return;
    FlushInserts();
    // Qt counts the destination before the move, so moving down targets one
    // row further.
    beginMoveRows({}, from, from, {}, to > from ? to + 1 : to);
    Row entry = std::move(m_rows[static_cast<size_t>(from)]);
    m_rows.erase(m_rows.begin() + from);
    m_rows.insert(m_rows.begin() + to, std::move(entry));
    endMoveRows();
}

void CJobListModel::DeleteAll() {
    if (m_rows.empty())
        return;
    m_flushTimer.stop();
    beginResetModel();
    m_rows.clear();
    m_nShownRows = 0;
    endResetModel();
}

bool CJobListModel::IsRowSelected(int row) const {
    return Valid(row) && m_pSelection->isSelected(index(row, 0));
}

QItemSelection CJobListModel::RowSelection(int row) const {
    return QItemSelection(index(row, 0), index(row, kJobColumnCount - 1));
}

void CJobListModel::SetRowSelected(int row, bool selected) {
    if (!Valid(row))
        return;
    FlushInserts();
    m_pSelection->select(RowSelection(row),
                         selected ? QItemSelectionModel::Select : QItemSelectionModel::Deselect);
}

int CJobListModel::FirstSelectedRow() const {
    for (int row = 0; row < RowCount(); ++row) {
        if (IsRowSelected(row))
            return row;
    }
    return -1;
}

int CJobListModel::SelectedCount() const {
    int count = 0;
    for (int row = 0; row < RowCount(); ++row)
        count += IsRowSelected(row) ? 1 : 0;
    return count;
}

void CJobListModel::ClearSelection() {
    m_pSelection->clearSelection();
}

void CJobListModel::SelectAndFocus(int row) {
    if (!Valid(row))
        return;
    FlushInserts();
    m_pSelection->setCurrentIndex(index(row, 0), QItemSelectionModel::NoUpdate);
    SetRowSelected(row, true);
}

void CJobListModel::SetIconPath(int row, const std::string& path) {
    if (!Valid(row))
        return;
    m_rows[static_cast<size_t>(row)].icon = m_icons.IconIndex(QString::fromStdString(path));
    if (!Shown(row))
        return;
    const QModelIndex changed = index(row, 0);
    emit dataChanged(changed, changed, {Qt::DecorationRole});
}

int CJobListModel::IconIndex(int row) const {
    return Valid(row) ? m_rows[static_cast<size_t>(row)].icon : -1;
}

} // namespace quorvel
