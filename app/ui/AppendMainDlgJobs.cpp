// The main window's commands that edit the job list in place.
#include "app/ui/AppendMainDlg.h"
#include "docserver/PageCountOutOfProcess.h"
#include "support/PageCountProbe.h"

#include <QAction>
#include <QElapsedTimer>
#include <QMenu>
#include <QTableView>

#include <algorithm>

namespace quorvel {

void CAppendMainDlg::UpdateItem() {
    const int row = m_pJobs->FirstSelectedRow();
    if (row < 0) {
        m_pPrompt->MessageBox(kSelectItemFirst, kAppName);
        return;
    }
    RunParamsForRow(row, true);
}

void CAppendMainDlg::UpdateSelection() {
    if (!m_bShowParamsBox) {
        m_bShowParamsBox = true;
        UpdateItem();
        m_bShowParamsBox = false;
    } else {
        UpdateItem();
    }
}

void CAppendMainDlg::ToggleSelected() {
    const int row = m_pJobs->FirstSelectedRow();
    if (row < 0)
        return;
    if (IsSelectedText(m_pJobs->Text(row, Selected))) {
        m_pJobs->SetText(row, Selected, "No");
        m_pJobs->SetText(row, Status, "");
    } else {
        m_pJobs->SetText(row, Selected, "Yes");
        m_pJobs->SetText(row, Status, StatusText::kReadyAdded);
    }
}

void CAppendMainDlg::ShowContextMenu(const QPoint& globalPos) {
    if (m_pJobs->FirstSelectedRow() < 0)
        return;
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("contextMenu"));
    menu.setTitle(QStringLiteral("&Options"));
    const auto add = [&menu](const char* text, int command) {
        QAction* action = menu.addAction(QString::fromLatin1(text));
        action->setProperty("controlId", command);
        return action;
    };
    add("Update Item", Cmd::kCtxUpdateItem);
    menu.addSeparator();
    add("Move UP", Cmd::kCtxMoveUp);
    add("Move Down", Cmd::kCtxMoveDown);
    menu.addSeparator();
    add("Delete Item", Cmd::kCtxDeleteItem);

    QAction* chosen = TrackPopupMenu(menu, globalPos);
    if (chosen)
        OnCommand(chosen->property("controlId").toInt());
    repaint();
}

void CAppendMainDlg::DeleteSelection() {
    const int selected = m_pJobs->SelectedCount();
    if (selected == 0) {
        m_pPrompt->MessageBox(kSelectItemFirst, kAppName);
    } else {
        for (int i = 0; i < selected; ++i)
            m_pJobs->DeleteRow(m_pJobs->FirstSelectedRow());
    }
    m_nTotalItems = m_pJobs->RowCount();
    RefreshTotalItems();
}

void CAppendMainDlg::ClearAll() {
    m_pJobs->DeleteAll();
    m_nTotalItems = m_pJobs->RowCount();
    RefreshTotalItems();
}

void CAppendMainDlg::MoveUp() {
    const int s = m_pJobs->FirstSelectedRow();
    m_pJobs->ClearSelection();
    if (s < 0 || m_pJobs->RowCount() < 2 || s == 0)
        return;
    m_pJobs->SwapRows(s, s - 1);
    m_pJobs->ClearSelection();
    m_pJobs->SelectAndFocus(s - 1);
    JobListView()->viewport()->update();
}

void CAppendMainDlg::MoveDown() {
    const int s = m_pJobs->FirstSelectedRow();
    m_pJobs->ClearSelection();
    if (s < 0 || m_pJobs->RowCount() < 2 || s == m_pJobs->RowCount() - 1)
        return;
    m_pJobs->SwapRows(s, s + 1);
    m_pJobs->ClearSelection();
    m_pJobs->SelectAndFocus(s + 1);
    JobListView()->viewport()->update();
}

namespace {

bool NamesPdf(const std::string& name) {
    return name.find(".pdf") != std::string::npos || name.find(".PDF") != std::string::npos;
}

} // namespace

void CAppendMainDlg::RefreshPageCounts(bool pagesFirst) {
    CWorkScope loading(*this, true);
    CPasswordBatch passwordBatch(m_passwords);
    // The library's counts come from the page-count helper in batches (one
    // round trip for many files; an empty name asks for nothing). A batch is
    // sized to take about kCountBatchMs, so each row still shows soon after
    // it was counted and Close is taken between batches too.
    std::vector<std::string> names; // of rows batchStart.. as probed
    std::vector<int32_t> probed;
    int batchStart = 0;
    size_t batchSize = 1;
    for (int row = 0; row < m_pJobs->RowCount() && !m_bClosing; ++row) {
        const auto at = static_cast<size_t>(row - batchStart);
        if (at >= names.size()) {
            batchStart = row;
            names.clear();
            for (int r = row; r < m_pJobs->RowCount() && names.size() < batchSize; ++r) {
                std::string name = m_pJobs->Text(r, Filename);
                names.push_back(NamesPdf(name) ? std::move(name) : std::string());
            }
            QElapsedTimer timer;
            timer.start();
            probed = ProbePdfPageCountsOutOfProcess(names);
            batchSize = NextCountBatch(timer.elapsed(), names.size());
        }
        const size_t index = static_cast<size_t>(row - batchStart);
        const std::string name = m_pJobs->Text(row, Filename);
        std::string pagesText = "Unknown";
        int count = 0;
        if (NamesPdf(name)) {
            // A row that no longer holds the name counted above (events were
            // dispatched meanwhile) is counted on its own, and so is a file
            // without a count: it may need its password, which that asks for
            // (once per file in this refresh).
            if (index < names.size() && names[index] == name && probed[index] >= 1)
                count = probed[index];
            else
                count = GetPageCount(name);
            pagesText = std::to_string(count);
        }
        // The two refresh commands differ only in which column they write
        // first; the result is the same.
        if (pagesFirst) {
            m_pJobs->SetText(row, Pages, pagesText);
            m_pJobs->SetText(row, Status, StatusText::kReadyRefreshed);
        } else {
            m_pJobs->SetText(row, Status, StatusText::kReadyRefreshed);
            m_pJobs->SetText(row, Pages, pagesText);
        }
        if (count == -1)
            m_pJobs->SetText(row, Status, StatusText::kNoFile);
        RepaintNow();
        PumpOneMessage();
    }
}

} // namespace quorvel
