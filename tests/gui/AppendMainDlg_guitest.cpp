// The main window: its controls and command table, dropped files, the job
// list commands, the window-wide keys, layout on resize and closing.

#include "GuiTestSupport.h"
#include "app/ui/AppendApp.h"
#include "app/ui/AppendMainDlg.h"
#include "support/ProbeMessages.h"
#include "support/ui/HelpWindow.h"

#include <QAction>
#include <QCheckBox>
#include <QDropEvent>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QProcess>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QUrl>

#include <cstring>

using namespace quorvel;
using quorvel::test::CScriptedPrompt;

namespace {

// A main window whose context menu picks the entry with a scripted id.
class CTestMainDlg : public CAppendMainDlg {
public:
    using CAppendMainDlg::CAppendMainDlg;
    int m_nContextChoice = 0; // 0: nothing chosen
    QStringList m_contextTexts;

protected:
    QAction* TrackPopupMenu(QMenu& menu, const QPoint&) override {
        QAction* chosen = nullptr;
        m_contextTexts.clear();
        for (QAction* action : menu.actions()) {
            m_contextTexts << (action->isSeparator() ? QStringLiteral("-") : action->text());
            if (!action->isSeparator() && action->property("controlId").toInt() == m_nContextChoice)
                chosen = action;
        }
        return chosen;
    }
};

// Puts a row straight into the job list, as a loaded entry would look.
void AddRow(CAppendMainDlg& dlg, const std::string& name, const std::string& bookmark = "N") {
    CJobListModel& jobs = dlg.JobList();
    const int row = jobs.AddRow("Yes", name);
    const JobRow texts = {"Yes",        name, "all", "3", "Ready.", "",
                          "/out/o.pdf", "Y",  "N",   "N", bookmark};
    for (int column = 1; column < kJobColumnCount; ++column)
        jobs.SetText(row, column, texts[static_cast<size_t>(column)]);
    dlg.m_nTotalItems = jobs.RowCount();
    dlg.RefreshTotalItems();
}

// Counts the paint events a widget receives.
class CPaintCounter : public QObject {
public:
    explicit CPaintCounter(QWidget& widget) { widget.installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
    int paints = 0;
};

std::vector<std::string> Column(CAppendMainDlg& dlg, int column) {
    std::vector<std::string> texts;
    for (int row = 0; row < dlg.JobList().RowCount(); ++row)
        texts.push_back(dlg.JobList().Text(row, column));
    return texts;
}

std::vector<int> SelectedRows(CAppendMainDlg& dlg) {
    std::vector<int> rows;
    for (int row = 0; row < dlg.JobList().RowCount(); ++row) {
        if (dlg.JobList().IsRowSelected(row))
            rows.push_back(row);
    }
    return rows;
}

QString TotalBox(CAppendMainDlg& dlg) {
    return dlg.findChild<QLineEdit*>(QStringLiteral("totalItemsEdit"))->text();
}

void Drop(QWidget& target, const QStringList& paths) {
    QList<QUrl> urls;
    for (const QString& path : paths)
        urls << QUrl::fromLocalFile(path);
    QMimeData mime;
    mime.setUrls(urls);
    // Qt delivers a drop only to the widget that accepted the drag's entry.
    QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&target, &enter);
    QDropEvent drop(QPointF(50, 50), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&target, &drop);
}

// Drops and lets the window handle the paths, which it does after the drop
// event has returned; returns the row count seen right after the event.
int DropAndWait(CAppendMainDlg& dlg, const QStringList& paths) {
    Drop(dlg, paths);
    const int rowsAfterEvent = dlg.JobList().RowCount();
    QCoreApplication::processEvents();
    return rowsAfterEvent;
}

} // namespace

class AppendMainDlgTest : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

    QString Path(const char* name) const { return m_dir.filePath(QString::fromLatin1(name)); }

private Q_SLOTS:
    void initTestCase() {
        InitResources();
        QVERIFY(m_dir.isValid());
        QDir::setCurrent(m_dir.path());
    }

    void controlsCaptionAndColumns() {
        CScriptedPrompt prompt;
        CAppendMainDlg dlg(&prompt);
        QCOMPARE(dlg.windowTitle(), QString::fromLatin1(kMainCaption));
        const std::pair<const char*, int> ids[] = {
            {"jobListView", 1000},     {"appendFilesButton", 1002}, {"closeButton", 1001},
            {"totalItemsLabel", 1025}, {"totalItemsEdit", 1021},    {"websiteLink", 1022},
        };
        for (const auto& [name, id] : ids) {
            QWidget* widget = dlg.findChild<QWidget*>(QString::fromLatin1(name));
            QVERIFY2(widget, name);
            QCOMPARE(widget->property("controlId").toInt(), id);
        }
        QCOMPARE(dlg.findChild<QPushButton*>(QStringLiteral("appendFilesButton"))->text(),
                 QStringLiteral("Append Files"));
        QCOMPARE(dlg.findChild<QPushButton*>(QStringLiteral("closeButton"))->text(),
                 QStringLiteral("&Close"));
        QVERIFY(dlg.findChild<QLabel*>(QStringLiteral("websiteLink"))
                    ->text()
                    .contains(QStringLiteral("Go to Brellwick Software Website")));
        QCOMPARE(TotalBox(dlg), QStringLiteral("0"));

        QHeaderView* header = dlg.JobListView()->horizontalHeader();
        const int widths[] = {60, 276, 120, 70, 70, 200, 200, 0, 0, 0, 66};
        QCOMPARE(dlg.JobList().columnCount(), 11);
        for (int column = 0; column < 11; ++column) {
            QCOMPARE(header->sectionSize(column), widths[column]);
            QCOMPARE(dlg.JobList().headerData(column, Qt::Horizontal).toString(),
                     QString::fromLatin1(kJobColumns[column].header));
        }
        QVERIFY(header->sectionsMovable());
        QVERIFY(dlg.JobListView()->showGrid());
        QCOMPARE(dlg.JobListView()->selectionBehavior(), QAbstractItemView::SelectRows);
        QCOMPARE(dlg.JobListView()->selectionMode(), QAbstractItemView::ExtendedSelection);
    }

    // Every menu with its items, ids and separators ("-").
    void commandTable() {
        CScriptedPrompt prompt;
        CAppendMainDlg dlg(&prompt);
        QStringList seen;
        for (QAction* top : dlg.MenuBar()->actions()) {
            seen << QStringLiteral("[%1]").arg(top->text());
            for (QAction* item : top->menu()->actions()) {
                seen << (item->isSeparator() ? QStringLiteral("-")
                                             : QStringLiteral("%1=%2")
                                                   .arg(item->text())
                                                   .arg(item->property("controlId").toInt()));
            }
        }
        const QStringList expected = {
            "[&File]",
            "Bulk Load (Grouping)=32806",
            "Bulk Load (To One Output)=32808",
            "Bulk Load (Part Filename Grouping)=32809",
            "Bulk Load (Use .job,.lst,.txt file to One Output)=32810",
            "-",
            "Load Batch File=32775",
            "Append Batch File=32776",
            "-",
            "Save Batch File=32777",
            "SaveAs Batch File=32778",
            "-",
            "&Exit=32779",
            "[&Options]",
            "&Setup=32798",
            "Always show parameters box for each file=32802",
            "[&Actions]",
            "Update Selection=32803",
            "&Delete Current Selection\tDELETE=32785",
            "-",
            "&Clear ALL=32786",
            "-",
            "Move Up\ta=32787",
            "Move Down\tz=32788",
            "[&Sort]",
            "&Sort on filename=32789",
            "Reverse Sort on Filename=32807",
            "[&Window]",
            "&Refresh Page Counts=32790",
            "Refresh ALL=32791",
            "[&Log]",
            "&View Log=32792",
            "&Clear Log=32793",
            "-",
            "&Export Log to CSV=32805",
            "[&Help]",
            "Go to Website Homepage=32795",
            "HTML Help=32796",
            "-",
            "Email Bug/Suggestion/Comments=32797",
            "-",
            "&About Quorvel...=16",
        };
        QCOMPARE(seen, expected);
        QVERIFY(dlg.CommandAction(Cmd::kAlwaysShowParams)->isChecked());
        dlg.CommandAction(Cmd::kAlwaysShowParams)->trigger();
        QVERIFY(!dlg.m_bShowParamsBox);
        QVERIFY(!dlg.CommandAction(Cmd::kAlwaysShowParams)->isChecked());
    }

    // Files only, named .pdf or .PDF exactly; folders and missing paths are
    // skipped; the count box shows the new total.
    void droppedFiles() {
        QVERIFY(test::WritePdf(Path("a.pdf"), 3));
        QVERIFY(test::WritePdf(Path("b.PDF"), 5));
        QVERIFY(test::WritePdf(Path("c.Pdf"), 2));
        QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("folder.pdf")));
        CScriptedPrompt prompt;
        CAppendMainDlg dlg(&prompt);
        // The dialog confirms itself with these values for each file.
        dlg.m_bShowParamsBox = false;
        dlg.m_paramsDlg.m_strParams = "1";
        dlg.m_paramsDlg.m_strOutputFile = "/out/o.pdf";
        QCOMPARE(DropAndWait(dlg, {Path("a.pdf"), Path("b.PDF"), Path("c.Pdf"), Path("folder.pdf"),
                                   Path("missing.pdf"), Path("a.pdf")}),
                 0);
        QCOMPARE(Column(dlg, Filename),
                 (std::vector<std::string>{Path("a.pdf").toStdString(), Path("b.PDF").toStdString(),
                                           Path("a.pdf").toStdString()}));
        QCOMPARE(Column(dlg, Selected), (std::vector<std::string>{"Yes", "Yes", "Yes"}));
        QCOMPARE(Column(dlg, Status), (std::vector<std::string>{"Ready.", "Ready.", "Ready."}));
        QCOMPARE(Column(dlg, AppendParameters), (std::vector<std::string>{"1", "1", "1"}));
        QCOMPARE(Column(dlg, Pages), (std::vector<std::string>{"3", "5", "3"}));
        QCOMPARE(dlg.m_nTotalItems, 3);
        QCOMPARE(TotalBox(dlg), QStringLiteral("3"));
        QVERIFY(prompt.messages.empty());
        // One image per file type.
        QCOMPARE(dlg.JobList().IconIndex(0), dlg.JobList().IconIndex(1));
    }

    // With the option on, each added file without parameters brings up the
    // dialog pre-filled with its name; Cancel leaves the entry without
    // parameters.
    void parametersDialogPerFile() {
        QVERIFY(test::WritePdf(Path("d.pdf"), 4));
        CScriptedPrompt prompt;
        CAppendMainDlg dlg(&prompt);
        QStringList shownNames;
        const auto answer = [&](bool confirm) {
            test::OnNextModal([&, confirm](QDialog* d) {
                shownNames << d->findChild<QLineEdit*>(QStringLiteral("filenameEdit"))->text();
                d->findChild<QLineEdit*>(QStringLiteral("paramsEdit"))->setText("all");
                d->findChild<QLineEdit*>(QStringLiteral("outputFileEdit"))->setText("/o.pdf");
                d->findChild<QCheckBox*>(QStringLiteral("useSameParamsCheck"))->setChecked(confirm);
                d->findChild<QPushButton*>(confirm ? QStringLiteral("saveExitButton")
                                                   : QStringLiteral("cancelButton"))
                    ->click();
            });
        };
        answer(false);
        DropAndWait(dlg, {Path("d.pdf")});
        QCOMPARE(dlg.JobList().Text(0, AppendParameters), std::string());
        answer(true);
        DropAndWait(dlg, {Path("d.pdf")});
        QCOMPARE(dlg.JobList().Text(1, AppendParameters), std::string("all"));
        QCOMPARE(dlg.JobList().Text(1, OutputFile), std::string("/o.pdf"));
        QCOMPARE(dlg.JobList().Text(1, KeepBookmarks), std::string("Y"));
        QCOMPARE(shownNames, QStringList({Path("d.pdf"), Path("d.pdf")}));
        // "Use same parameters" ticked: the option is off, the menu unchecked,
        // and the next file is added without a dialog.
        QVERIFY(!dlg.m_bShowParamsBox);
        QVERIFY(!dlg.CommandAction(Cmd::kAlwaysShowParams)->isChecked());
        DropAndWait(dlg, {Path("d.pdf")});
        QCOMPARE(dlg.JobList().Text(2, AppendParameters), std::string("all"));
        QCOMPARE(dlg.m_nTotalItems, 3);
    }

    void moveUpAndDown() {
        CScriptedPrompt prompt;
        CAppendMainDlg dlg(&prompt);
        for (const char* name : {"/p/1.pdf", "/p/2.pdf", "/p/3.pdf", "/p/4.pdf", "/p/5.pdf"})
            AddRow(dlg, name, name[3] == '2' ? "Y" : "N");
        CJobListModel& jobs = dlg.JobList();
        const auto names = [&] { return Column(dlg, Filename); };
        const std::vector<std::string> start = names();

        // First row up, last row down: nothing moves, nothing stays selected.
        jobs.SetRowSelected(0, true);
        dlg.MoveUp();
        QCOMPARE(names(), start);
        QVERIFY(SelectedRows(dlg).empty());
        jobs.SetRowSelected(4, true);
        dlg.MoveDown();
        QCOMPARE(names(), start);
        QVERIFY(SelectedRows(dlg).empty());
        dlg.MoveDown(); // no selection: nothing
        QCOMPARE(names(), start);

        // Rows 1 and 4 selected: only row 1 moves down, row 4 is deselected.
        jobs.SetRowSelected(1, true);
        jobs.SetRowSelected(4, true);
        dlg.MoveDown();
        QCOMPARE(names(), (std::vector<std::string>{"/p/1.pdf", "/p/3.pdf", "/p/2.pdf", "/p/4.pdf",
                                                    "/p/5.pdf"}));
        QCOMPARE(SelectedRows(dlg), std::vector<int>{2});
        QCOMPARE(jobs.Text(2, BookmarkFilename), std::string("Y"));
        // And back up restores everything.
        dlg.MoveUp();
        QCOMPARE(names(), start);
        QCOMPARE(Column(dlg, BookmarkFilename),
                 (std::vector<std::string>{"N", "Y", "N", "N", "N"}));
        QCOMPARE(SelectedRows(dlg), std::vector<int>{1});
        QCOMPARE(dlg.JobListView()->currentIndex().row(), 1);
    }

    void deleteClearAndToggle() {
        CScriptedPrompt prompt;
        CAppendMainDlg dlg(&prompt);
        CJobListModel& jobs = dlg.JobList();
        for (const char* name : {"/p/1.pdf", "/p/2.pdf", "/p/3.pdf", "/p/4.pdf", "/p/5.pdf"})
            AddRow(dlg, name);

        dlg.DeleteSelection(); // nothing selected
        QCOMPARE(prompt.messages.size(), size_t(1));
        QCOMPARE(prompt.messages[0].text, std::string(kSelectItemFirst));
        QCOMPARE(prompt.messages[0].caption, std::string(kAppName));
        dlg.UpdateSelection();
        QCOMPARE(prompt.messages.size(), size_t(2));
        QCOMPARE(prompt.messages[1].text, std::string(kSelectItemFirst));

        jobs.SetRowSelected(0, true);
        jobs.SetRowSelected(2, true);
        jobs.SetRowSelected(4, true);
        dlg.DeleteSelection();
        QCOMPARE(Column(dlg, Filename), (std::vector<std::string>{"/p/2.pdf", "/p/4.pdf"}));
        QCOMPARE(TotalBox(dlg), QStringLiteral("2"));

        // Double click toggles Selected and Status of the first selected row.
        dlg.ToggleSelected(); // nothing selected: nothing happens
        QCOMPARE(jobs.Text(0, Selected), std::string("Yes"));
        jobs.SetRowSelected(1, true);
        dlg.ToggleSelected();
        QCOMPARE(jobs.Text(1, Selected), std::string("No"));
        QCOMPARE(jobs.Text(1, Status), std::string(""));
        dlg.ToggleSelected();
        QCOMPARE(jobs.Text(1, Selected), std::string("Yes"));
        QCOMPARE(jobs.Text(1, Status), std::string("Ready."));

        dlg.ClearAll();
        QCOMPARE(jobs.RowCount(), 0);
        QCOMPARE(TotalBox(dlg), QStringLiteral("0"));
        QCOMPARE(prompt.messages.size(), size_t(2));
    }

    // The right click shows the menu only with a selection, and each entry
    // reaches its command.
    void contextMenu() {
        CScriptedPrompt prompt;
        CTestMainDlg dlg(&prompt);
        CJobListModel& jobs = dlg.JobList();
        for (const char* name : {"/p/1.pdf", "/p/2.pdf", "/p/3.pdf"})
            AddRow(dlg, name);
        dlg.m_nContextChoice = Cmd::kCtxDeleteItem;
        dlg.ShowContextMenu({0, 0});
        QVERIFY(dlg.m_contextTexts.isEmpty());
        QCOMPARE(jobs.RowCount(), 3);

        jobs.SetRowSelected(1, true);
        dlg.ShowContextMenu({0, 0});
        QCOMPARE(dlg.m_contextTexts,
                 QStringList({"Update Item", "-", "Move UP", "Move Down", "-", "Delete Item"}));
        QCOMPARE(Column(dlg, Filename), (std::vector<std::string>{"/p/1.pdf", "/p/3.pdf"}));
        QCOMPARE(TotalBox(dlg), QStringLiteral("2"));

        jobs.SetRowSelected(1, true);
        dlg.m_nContextChoice = Cmd::kCtxMoveUp;
        dlg.ShowContextMenu({0, 0});
        QCOMPARE(Column(dlg, Filename), (std::vector<std::string>{"/p/3.pdf", "/p/1.pdf"}));
        dlg.m_nContextChoice = Cmd::kCtxMoveDown;
        dlg.ShowContextMenu({0, 0});
        QCOMPARE(Column(dlg, Filename), (std::vector<std::string>{"/p/1.pdf", "/p/3.pdf"}));

        // "Update Item" shows the dialog even with the option off, filled from
        // the row; OK writes the row back, the option stays off.
        dlg.m_bShowParamsBox = false;
        dlg.CommandAction(Cmd::kAlwaysShowParams)->setChecked(false);
        jobs.SetText(1, KeepBookmarks, "");
        bool shown = false;
        test::OnNextModal([&](QDialog* d) {
            shown = true;
            QCOMPARE(d->findChild<QLineEdit*>(QStringLiteral("filenameEdit"))->text(),
                     QStringLiteral("/p/3.pdf"));
            d->findChild<QLineEdit*>(QStringLiteral("paramsEdit"))->setText(QStringLiteral("1"));
            d->findChild<QPushButton*>(QStringLiteral("saveExitButton"))->click();
        });
        dlg.m_nContextChoice = Cmd::kCtxUpdateItem;
        dlg.ShowContextMenu({0, 0});
        QVERIFY(shown);
        QCOMPARE(jobs.Text(1, AppendParameters), std::string("1"));
        QCOMPARE(jobs.Text(1, KeepBookmarks), std::string("Y"));
        QCOMPARE(jobs.Text(1, Filename), std::string("/p/3.pdf"));
        QVERIFY(!dlg.m_bShowParamsBox);
        QVERIFY(!dlg.CommandAction(Cmd::kAlwaysShowParams)->isChecked());
    }

    void refreshPageCounts() {
        QVERIFY(test::WritePdf(Path("r.pdf"), 3));
        CScriptedPrompt prompt;
        CAppendMainDlg dlg(&prompt);
        CJobListModel& jobs = dlg.JobList();
        AddRow(dlg, Path("r.pdf").toStdString());
        AddRow(dlg, Path("gone.pdf").toStdString());
        jobs.SetText(0, Status, "Done");
        jobs.SetText(1, Selected, "No");
        // A name without ".pdf"/".PDF" is not opened.
        jobs.SetText(1, Filename, "/p/notes.txt");
        dlg.RefreshPageCounts();
        QCOMPARE(jobs.Text(0, Pages), std::string("3"));
        QCOMPARE(jobs.Text(0, Status), std::string("Ready"));
        QCOMPARE(jobs.Text(1, Pages), std::string("Unknown"));
        QCOMPARE(jobs.Text(1, Status), std::string("Ready"));
        QCOMPARE(jobs.Text(1, Selected), std::string("No"));
        dlg.CommandAction(Cmd::kRefreshAll)->trigger();
        QCOMPARE(jobs.Text(1, Pages), std::string("Unknown"));
    }

    // The library's counts come in one batch; a file the library cannot
    // count still goes to the document server, in its row's turn.
    void refreshPageCountsOfManyRows() {
        CScriptedPrompt prompt;
        CAppendMainDlg dlg(&prompt);
        std::vector<std::string> expected;
        for (int i = 0; i < 70; ++i) {
            const std::string name = "m" + std::to_string(i) + ".pdf";
            if (i == 40) {
                AddRow(dlg, Path(name.c_str()).toStdString()); // never written
                expected.push_back("0");
                continue;
            }
            QVERIFY(test::WritePdf(Path(name.c_str()), i % 4 + 1));
            AddRow(dlg, Path(name.c_str()).toStdString());
            expected.push_back(std::to_string(i % 4 + 1));
        }
        dlg.RefreshPageCounts(false);
        QCOMPARE(Column(dlg, Pages), expected);
        QCOMPARE(prompt.messages.size(), size_t(1));
        QCOMPARE(prompt.messages[0].text,
                 std::string(ProbeMessages::kErrorOpeningFile) + Path("m40.pdf").toStdString());
    }

    // A, Z and Delete act window-wide, whichever control has the focus;
    // Enter and Esc do nothing.
    void windowWideKeys() {
        CScriptedPrompt prompt;
        CAppendMainDlg dlg(&prompt);
        for (const char* name : {"/p/1.pdf", "/p/2.pdf", "/p/3.pdf"})
            AddRow(dlg, name);
        dlg.show();
        QApplication::setActiveWindow(&dlg);
        QVERIFY(QTest::qWaitForWindowActive(&dlg));
        auto* closeButton = dlg.findChild<QPushButton*>(QStringLiteral("closeButton"));
        auto* countBox = dlg.findChild<QLineEdit*>(QStringLiteral("totalItemsEdit"));
        closeButton->setFocus();
        dlg.JobList().SetRowSelected(0, true);
        QTest::keyClick(closeButton, Qt::Key_Z);
        QCOMPARE(dlg.JobList().Text(1, Filename), std::string("/p/1.pdf"));
        countBox->setFocus();
        QTest::keyClick(countBox, Qt::Key_A);
        QCOMPARE(dlg.JobList().Text(0, Filename), std::string("/p/1.pdf"));
        dlg.JobListView()->setFocus();
        QTest::keyClick(dlg.JobListView(), Qt::Key_Z);
        QCOMPARE(dlg.JobList().Text(1, Filename), std::string("/p/1.pdf"));
        QTest::keyClick(closeButton, Qt::Key_Delete);
        QCOMPARE(Column(dlg, Filename), (std::vector<std::string>{"/p/2.pdf", "/p/3.pdf"}));
        QCOMPARE(TotalBox(dlg), QStringLiteral("2"));

        auto* appendButton = dlg.findChild<QPushButton*>(QStringLiteral("appendFilesButton"));
        appendButton->setFocus();
        QTest::keyClick(appendButton, Qt::Key_Return);
        QTest::keyClick(dlg.JobListView(), Qt::Key_Escape);
        QTest::keyClick(&dlg, Qt::Key_Enter);
        QVERIFY(dlg.isVisible());
        QCOMPARE(appendButton->text(), QStringLiteral("Append Files"));
        QVERIFY(prompt.messages.empty());
        dlg.hide();
    }

    // Repainting at once paints what changed before any event is dispatched,
    // and nothing when nothing changed.
    void repaintNowPaintsChangesAtOnce() {
        CScriptedPrompt prompt;
        CAppendMainDlg dlg(&prompt);
        AddRow(dlg, "/p/1.pdf");
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        QTest::qWait(20);
        CPaintCounter viewport(*dlg.JobListView()->viewport());
        dlg.RepaintNow();
        QCOMPARE(viewport.paints, 0);
        dlg.JobList().SetText(0, Status, "Processing");
        QCOMPARE(viewport.paints, 0);
        dlg.RepaintNow();
        QCOMPARE(viewport.paints, 1);
        dlg.RepaintNow();
        QCOMPARE(viewport.paints, 1);
        dlg.hide();
    }

    // The Filename column's delegate gives the sizes the standard one gives,
    // also for a name seen before and after the font changed.
    void filenameSizesMatchTheStandardDelegate() {
        CScriptedPrompt prompt;
        CAppendMainDlg dlg(&prompt);
        const char* names[] = {"/p/a.pdf", "/p/a much longer name of a document.pdf",
                               "/p/\xc3\xa9t\xc3\xa9 \xe6\x96\x87\xe6\x9b\xb8.pdf", ""};
        for (const char* name : names)
            AddRow(dlg, name);
        QTableView* view = dlg.JobListView();
        QAbstractItemDelegate* ours = view->itemDelegateForColumn(Filename);
        QVERIFY(ours != nullptr);
        QStyledItemDelegate standard;
        for (int pointSize : {9, 9, 14, 9}) {
            QFont font = view->font();
            font.setPointSize(pointSize);
            view->setFont(font);
            QStyleOptionViewItem option;
            option.initFrom(view);
            option.font = font;
            option.widget = view;
            option.features = QStyleOptionViewItem::HasDisplay;
            for (int row = 0; row < dlg.JobList().RowCount(); ++row) {
                const QModelIndex index = dlg.JobList().index(row, Filename);
                QCOMPARE(ours->sizeHint(option, index), standard.sizeHint(option, index));
            }
        }
    }

    // The list fills the window less 130 pixels; the button row sits 93
    // pixels above the bottom edge.
    void layoutOnResize() {
        CScriptedPrompt prompt;
        CAppendMainDlg dlg(&prompt);
        dlg.show();
        // At first show the controls keep their template places.
        QTest::qWait(20);
        QCOMPARE(dlg.JobListView()->geometry(), QRect(5, 15, 587, 270));
        // Before and after a resize, "Total Items:" shows whole, the count
        // box after it.
        auto totalItemsReadable = [&dlg] {
            auto* label = dlg.findChild<QLabel*>(QStringLiteral("totalItemsLabel"));
            auto* box = dlg.findChild<QLineEdit*>(QStringLiteral("totalItemsEdit"));
            return label->width() >= label->sizeHint().width() &&
                   box->x() >= label->x() + label->sizeHint().width();
        };
        QVERIFY(totalItemsReadable());
        dlg.resize(800, 500);
        QTest::qWait(20);
        QVERIFY(totalItemsReadable());
        const QRect outer = dlg.frameGeometry();
        const QRect list = dlg.JobListView()->geometry();
        QCOMPARE(list, QRect(0, 15, outer.width() - 7, outer.height() - 130));
        const QRect append =
            dlg.findChild<QPushButton*>(QStringLiteral("appendFilesButton"))->geometry();
        QCOMPARE(append, QRect(outer.width() / 2 - 80, outer.height() - 93, 160, 25));
        QCOMPARE(dlg.findChild<QPushButton*>(QStringLiteral("closeButton"))->geometry(),
                 QRect(outer.width() - 80, outer.height() - 93, 70, 25));
        dlg.hide();
    }

    // Each bulk load empties the list before its dialog; cancelling it
    // leaves the list empty and the count box at 0.
    void bulkLoadsStartFromAnEmptyList() {
        CScriptedPrompt prompt;
        CAppendMainDlg dlg(&prompt);
        for (int command : {Cmd::kBulkLoadGrouping, Cmd::kBulkLoadToOne, Cmd::kBulkLoadPartFilename,
                            Cmd::kBulkLoadListFile}) {
            AddRow(dlg, "/p/1.pdf");
            QCOMPARE(TotalBox(dlg), QStringLiteral("1"));
            bool shown = false;
            test::OnNextModal([&](QDialog* d) {
                shown = true;
                d->reject();
            });
            dlg.CommandAction(command)->trigger();
            QVERIFY2(shown, qPrintable(QString::number(command)));
            QCOMPARE(dlg.JobList().RowCount(), 0);
            QCOMPARE(TotalBox(dlg), QStringLiteral("0"));
        }
    }

    // "HTML Help" and F1 ask for the main window's topic, the parameters
    // dialog's Help for its own; the Help menu opens the About box; Setup
    // opens the Setup dialog.
    void helpAboutAndSetup() {
        CScriptedPrompt prompt;
        CAppendMainDlg dlg(&prompt);
        const auto helpSource = [] {
            for (QWidget* window : QApplication::topLevelWidgets()) {
                if (auto* help = qobject_cast<CHelpWindow*>(window); help && help->isVisible())
                    return help->Browser()->source().toString();
            }
            return QString();
        };
        dlg.CommandAction(Cmd::kHtmlHelp)->trigger();
        const QString mainTopic = helpSource();
        QVERIFY(!mainTopic.isEmpty());
        QVERIFY2(mainTopic.contains(HelpPageForContext(kMainHelpContext)), qPrintable(mainTopic));

        dlg.m_paramsDlg.m_strParams = "all";
        QString paramsTopic;
        test::OnNextModal([&](QDialog* d) {
            d->findChild<QPushButton*>(QStringLiteral("helpButton"))->click();
            paramsTopic = helpSource();
            d->findChild<QPushButton*>(QStringLiteral("cancelButton"))->click();
        });
        dlg.m_paramsDlg.DoModal();
        QVERIFY2(paramsTopic.contains(HelpPageForContext(CAppendParamsDlg::kHelpContext)),
                 qPrintable(paramsTopic));

        QString aboutTitle;
        test::OnNextModal([&](QDialog* d) {
            aboutTitle = d->windowTitle();
            d->accept();
        });
        dlg.CommandAction(Cmd::kAbout)->trigger();
        QCOMPARE(aboutTitle, QStringLiteral("About Quorvel Desktop Edition"));

        bool setupShown = false;
        test::OnNextModal([&](QDialog* d) {
            setupShown = d == &dlg.m_setupDlg;
            d->reject();
        });
        dlg.CommandAction(Cmd::kSetup)->trigger();
        QVERIFY(setupShown);
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (qobject_cast<CHelpWindow*>(window))
                window->close();
        }
    }

    // Closing ends the process with 1 while a row shows "Processing", else
    // the window just ends. Run in a child process.
    void closeExitCode() {
        const QString self = QCoreApplication::applicationFilePath();
        QProcess child;
        child.start(self, {QStringLiteral("--close-child"), QStringLiteral("Processing")});
        QVERIFY(child.waitForFinished(60000));
        QCOMPARE(child.exitStatus(), QProcess::NormalExit);
        QCOMPARE(child.exitCode(), 1);
        child.start(self, {QStringLiteral("--close-child"), QStringLiteral("Done")});
        QVERIFY(child.waitForFinished(60000));
        QCOMPARE(child.exitCode(), 0);
    }
};

// The child side of closeExitCode: one row with the given status, then the
// Close button. Returns 0 when closing did not end the process.
static int RunCloseChild(int argc, char** argv) {
    QApplication app(argc, argv);
    InitResources();
    CScriptedPrompt prompt;
    CAppendMainDlg dlg(&prompt);
    AddRow(dlg, "/p/1.pdf");
    dlg.JobList().SetText(0, Status, argv[2]);
    dlg.show();
    dlg.findChild<QPushButton*>(QStringLiteral("closeButton"))->click();
    return dlg.isVisible() ? 3 : 0;
}

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--close-child") == 0)
        return RunCloseChild(argc, argv);
    QApplication app(argc, argv);
    AppendMainDlgTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "AppendMainDlg_guitest.moc"
