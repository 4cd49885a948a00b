#pragma once

#include "support/LogMessages.h"
#include "support/RowTable.h"

#include <QDialog>

#include <memory>
#include <string>

class QTableWidget;

namespace Ui {
class ViewLogDlg;
}

namespace quorvel {

class ISupportPrompt;

// The rows of a table widget as the row sort sees them: texts in UTF-8, a swap
// that exchanges every cell and the selection of the two rows.
class CTableWidgetRows : public IRowTable {
public:
    explicit CTableWidgetRows(QTableWidget& table) : m_table(table) {}
    int RowCount() const override;
    std::string Text(int row, int column) const override;
    void SwapRows(int a, int b) override;
    int ColumnCount() const override;

private:
    QTableWidget& m_table;
};

// "View Append Log": every record of append.log in file order, six columns.
// "Clear" empties the list only; a header click sorts ascending on that column.
class CViewLogDlg : public QDialog {
    Q_OBJECT
public:
    explicit CViewLogDlg(QWidget* parent = nullptr, ISupportPrompt* prompt = nullptr,
                         std::string logPath = kLogFileName);
    ~CViewLogDlg() override;

    // Sets up the columns and fills the list from the log; shows "Can't open
    // append.log" and leaves the list empty when the log cannot be read. Runs
    // once, on the first showing at the latest.
    void OnInitDialog();
    // OnInitDialog, then runs the dialog until "&Close".
    int DoModal();

    void OnClear();
    void OnColumnClick(int column);

    QTableWidget* List() const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    std::unique_ptr<Ui::ViewLogDlg> m_ui;
    ISupportPrompt* m_pPrompt;
    std::string m_strLogPath;
    bool m_bInitialised = false;
};

// "&View Log": runs the viewer over the log in the working folder, owned by
// `owner`.
void OnViewLog(QWidget* owner, ISupportPrompt* prompt = nullptr);

} // namespace quorvel
