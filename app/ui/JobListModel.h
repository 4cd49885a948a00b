#pragma once

#include "app/ui/FileIconList.h"
#include "engine/JobList.h"

#include <QAbstractTableModel>
#include <QItemSelectionModel>

#include <vector>

namespace quorvel {

// The job list of the main window: the one store of the entries, shown by the
// list view. Row selection lives in the model's selection model, which the
// view shares, so commands and the view agree on what is selected.
class CJobListModel : public QAbstractTableModel, public IJobList {
    Q_OBJECT
public:
    explicit CJobListModel(CFileIconList& icons, QObject* parent = nullptr);

    QItemSelectionModel* SelectionModel() const { return m_pSelection; }

    // Qt model
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // IJobList
    int RowCount() const override { return static_cast<int>(m_rows.size()); }
    int ColumnCount() const override { return kJobColumnCount; }
    std::string Text(int row, int column) const override;
    // Exchanges two rows completely: texts, icon, selection and focus.
    void SwapRows(int a, int b) override;
    void SetText(int row, int column, const std::string& text) override;
    int AddRow(const std::string& selected, const std::string& iconPath) override;
    void DeleteRow(int row) override;
    void MoveRow(int from, int to) override;
    void DeleteAll() override;
    bool IsRowSelected(int row) const override;
    void SetRowSelected(int row, bool selected) override;

    // Lowest-index selected row, -1 when none is.
    int FirstSelectedRow() const;
    int SelectedCount() const;
    void ClearSelection();
    // Selects `row` and makes it the current (focused) row.
    void SelectAndFocus(int row);
    // The row's icon becomes that of `path`'s file type.
    void SetIconPath(int row, const std::string& path);
    int IconIndex(int row) const;

private:
    struct Row {
        JobRow texts;
        int icon = -1;
    };
    bool Valid(int row) const { return row >= 0 && row < RowCount(); }
    QItemSelection RowSelection(int row) const;

    CFileIconList& m_icons;
    QItemSelectionModel* m_pSelection;
    std::vector<Row> m_rows;
};

} // namespace quorvel
