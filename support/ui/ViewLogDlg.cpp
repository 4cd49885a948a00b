#include "support/ui/ViewLogDlg.h"

#include "support/AppendLog.h"
#include "support/SortRows.h"
#include "support/SupportPrompt.h"
#include "support/ui/QtSupportPrompt.h"
#include "ui_ViewLogDlg.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QTableWidget>

#include <algorithm>

namespace quorvel {

int CTableWidgetRows::RowCount() const {
    return m_table.rowCount();
}

int CTableWidgetRows::ColumnCount() const {
    return m_table.columnCount();
}

std::string CTableWidgetRows::Text(int row, int column) const {
    const QTableWidgetItem* item = m_table.item(row, column);
    return item ? item->text().toStdString() : std::string();
}

void CTableWidgetRows::SwapRows(int a, int b) {
    if (a == b)
        return;
    QItemSelectionModel* selection = m_table.selectionModel();
    const bool selectedA = selection && selection->isRowSelected(a, QModelIndex());
    const bool selectedB = selection && selection->isRowSelected(b, QModelIndex());
    for (int column = 0; column < m_table.columnCount(); ++column) {
        QTableWidgetItem* itemA = m_table.takeItem(a, column);
        QTableWidgetItem* itemB = m_table.takeItem(b, column);
        m_table.setItem(a, column, itemB);
        m_table.setItem(b, column, itemA);
    }
    // The selection belongs to the row's contents, so it moves with them.
    if (selection && selectedA != selectedB) {
        auto flags = QItemSelectionModel::Rows;
        selection->select(
            m_table.model()->index(a, 0),
            flags | (selectedB ? QItemSelectionModel::Select : QItemSelectionModel::Deselect));
        selection->select(
            m_table.model()->index(b, 0),
            flags | (selectedA ? QItemSelectionModel::Select : QItemSelectionModel::Deselect));
    }
}

CViewLogDlg::CViewLogDlg(QWidget* parent, ISupportPrompt* prompt, std::string logPath)
    : QDialog(parent), m_ui(std::make_unique<Ui::ViewLogDlg>()), m_pPrompt(prompt),
      m_strLogPath(std::move(logPath)) {
    m_ui->setupUi(this);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    connect(m_ui->closeButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_ui->clearButton, &QPushButton::clicked, this, &CViewLogDlg::OnClear);
    connect(m_ui->logList->horizontalHeader(), &QHeaderView::sectionClicked, this,
            &CViewLogDlg::OnColumnClick);
}

CViewLogDlg::~CViewLogDlg() = default;

QTableWidget* CViewLogDlg::List() const {
    return m_ui->logList;
}

void CViewLogDlg::OnInitDialog() {
    if (m_bInitialised)
        return;
    m_bInitialised = true;

    QTableWidget* list = m_ui->logList;
    list->setColumnCount(6);
    QStringList headers;
    for (const LogColumnInfo& column : kLogColumns)
        headers << QString::fromLatin1(column.header);
    list->setHorizontalHeaderLabels(headers);
    QHeaderView* header = list->horizontalHeader();
    header->setSectionsMovable(true);
    header->setSectionsClickable(true);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header->setHighlightSections(false);
    // The widths were chosen for a small 8-point font; with a larger font the
    // timestamp would be cut, so every column grows in the same proportion
    // until a timestamp fits its column.
    const int stampWidth =
        list->fontMetrics().horizontalAdvance(QStringLiteral("0000-00-00 00:00:00")) + 12;
    const double scale = std::max(1.0, double(stampWidth) / kLogColumns[0].width);
    int total = 0;
    for (int c = 0; c < 6; ++c) {
        list->setColumnWidth(c, int(kLogColumns[c].width * scale + 0.5));
        total += list->columnWidth(c);
    }
    resize(std::max(width(), total + 24), height());
    list->verticalHeader()->setVisible(false);
    list->verticalHeader()->setDefaultSectionSize(list->fontMetrics().height() + 6);

    std::vector<LogRecord> records;
    if (!ReadLogRecords(m_strLogPath, records)) {
        ISupportPrompt& prompt = m_pPrompt ? *m_pPrompt : DefaultSupportPrompt();
        prompt.MessageBox(kCantOpenLog, kLogFileErrorCaption);
        return;
    }
    list->setRowCount(static_cast<int>(records.size()));
    for (int row = 0; row < static_cast<int>(records.size()); ++row) {
        for (int c = 0; c < 6; ++c) {
            const std::string& text = records[row][c];
            list->setItem(row, c,
                          new QTableWidgetItem(
                              QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()))));
        }
    }
}

int CViewLogDlg::DoModal() {
    OnInitDialog();
    return exec();
}

void CViewLogDlg::showEvent(QShowEvent* event) {
    OnInitDialog();
    QDialog::showEvent(event);
}

void CViewLogDlg::OnClear() {
    m_ui->logList->setRowCount(0);
}

void CViewLogDlg::OnColumnClick(int column) {
    CTableWidgetRows rows(*m_ui->logList);
    SortRowsByColumn(rows, column, true, 0, -1);
}

void OnViewLog(QWidget* owner, ISupportPrompt* prompt) {
    CViewLogDlg dialog(owner, prompt);
    dialog.DoModal();
}

} // namespace quorvel
