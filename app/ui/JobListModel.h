#pragma once

#include "app/ui/FileIconList.h"
#include "engine/JobList.h"

#include <QAbstractTableModel>
#include <QItemSelectionModel>
#include <QTimer>

#include <vector>

namespace quorvel {

// The job list of the main window: the one store of the entries, shown by the
// list view. Row selection lives in the model's selection model, which the
// view shares, so commands and the view agree on what is selected.
//
// While long work adds rows one by one (SetDeferInserts), the rows it adds
// are in the list at once (RowCount, Text) but are announced to the view in
// one go at most once per frame: each announcement costs the view a layout
// of everything it shows, which per row would cost more than the work.
class CJobListModel : public QAbstractTableModel, public IJobList {
    Q_OBJECT
public:
    explicit CJobListModel(CFileIconList& icons, QObject* parent = nullptr);

    QItemSelectionModel* SelectionModel() const { return m_pSelection; }

    // Qt model
    // The rows announced to the view (see SetDeferInserts).
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

    // On: rows added from now on reach the view within a frame, together.
    // Off: they reach it at once, the rows held back first.
    void SetDeferInserts(bool defer);
    // Announces the rows held back, if any.
    void FlushInserts();

private:
    struct Row {
        JobRow texts;
        int icon = -1;
    };
    bool Valid(int row) const { return row >= 0 && row < RowCount(); }
    QItemSelection RowSelection(int row) const;

    // True when the view knows `row` (it is not held back).
    bool Shown(int row) const { return row < m_nShownRows; }

    CFileIconList& m_icons;
    QItemSelectionModel* m_pSelection;
    std::vector<Row> m_rows;
    int m_nShownRows = 0;
    bool m_bDeferInserts = false;
    QTimer m_flushTimer;
};

} // namespace quorvel
