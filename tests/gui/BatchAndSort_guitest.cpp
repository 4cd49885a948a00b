// The main window's batch file commands (load, append, save, save as, the
// caption) and its sort commands.

#include "GuiTestSupport.h"
#include "app/BatchMessages.h"
#include "app/ui/AppendApp.h"
#include "app/ui/AppendMainDlg.h"

#include <QAction>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

using namespace quorvel;
using quorvel::test::CScriptedPrompt;

namespace {

JobEntryFields Entry(const std::string& name, int selected, const std::string& params,
                     const std::string& bookmark) {
    JobEntryFields f;
    f.filename = name;
    f.selected = selected;
    f.parameters = params;
    f.moveDir = selected ? "" : "/moved";
    f.outputFile = "/out/o.pdf";
    f.keepBookmarks = "Y";
    f.create = selected ? "Y" : "N";
    f.append = "";
    f.bookmarkFilename = bookmark;
    return f;
}

// Adds entries for `names`, each written as a real 2-page PDF first.
void AddRows(CAppendMainDlg& dlg, const std::vector<std::string>& names) {
    for (const std::string& name : names) {
        QVERIFY(test::WritePdf(QString::fromStdString(name), 2));
        dlg.AddJobEntry(Entry(name, 1, "all", "N"));
    }
    dlg.m_nTotalItems = dlg.JobList().RowCount();
    dlg.RefreshTotalItems();
}

// Rows straight into the list, no file behind them.
void AddPlainRows(CAppendMainDlg& dlg, const std::vector<std::string>& names) {
    for (const std::string& name : names) {
        const int row = dlg.JobList().AddRow("Yes", name);
        dlg.JobList().SetText(row, Filename, name);
    }
}

std::vector<std::string> Column(CAppendMainDlg& dlg, int column) {
    std::vector<std::string> texts;
    for (int row = 0; row < dlg.JobList().RowCount(); ++row)
        texts.push_back(dlg.JobList().Text(row, column));
    return texts;
}

std::vector<JobRow> Rows(CAppendMainDlg& dlg) {
    std::vector<JobRow> rows;
    for (int row = 0; row < dlg.JobList().RowCount(); ++row) {
        JobRow texts;
        for (int column = 0; column < kJobColumnCount; ++column)
            texts[static_cast<size_t>(column)] = dlg.JobList().Text(row, column);
        rows.push_back(texts);
    }
    return rows;
}

QString TotalBox(CAppendMainDlg& dlg) {
    return dlg.findChild<QLineEdit*>(QStringLiteral("totalItemsEdit"))->text();
}

} // namespace

class BatchAndSortTest : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

    std::string Path(const char* name) const {
        return m_dir.filePath(QString::fromLatin1(name)).toStdString();
    }

private Q_SLOTS:
    void initTestCase() {
        InitResources();
        QVERIFY(m_dir.isValid());
        QDir::setCurrent(m_dir.path());
    }

    // Save As then Load gives back the rows in order with every column but
    // Pages and Status, which are computed anew.
    void saveThenLoad() {
        CScriptedPrompt prompt;
        CAppendMainDlg dlg(&prompt);
        const std::string b = Path("b.pdf"), a = Path("a.pdf"), c = Path("c.PDF");
        QVERIFY(test::WritePdf(QString::fromStdString(b), 1));
        QVERIFY(test::WritePdf(QString::fromStdString(a), 4));
        QVERIFY(test::WritePdf(QString::fromStdString(c), 2));
        dlg.AddJobEntry(Entry(b, 1, "all", "Y"));
        dlg.AddJobEntry(Entry(a, 0, "1-3,odd", "N"));
        dlg.AddJobEntry(Entry(c, 1, "2s", ""));
        QCOMPARE(Column(dlg, Pages), (std::vector<std::string>{"1", "4", "2"}));
        dlg.JobList().SetText(0, Status, "Done");
        const std::vector<JobRow> saved = Rows(dlg);

        prompt.saveAnswers = {Path("jobs.app")};
        dlg.CommandAction(Cmd::kSaveBatchFileAs)->trigger();
        QCOMPARE(prompt.fileTitles.back(), std::string(kSaveBatchAsTitle));
        QCOMPARE(prompt.messages.size(), size_t(1));
        QCOMPARE(prompt.messages[0].text, Path("jobs.app"));
        QCOMPARE(prompt.messages[0].caption, std::string(kBatchSavedCaption));
        QCOMPARE(dlg.windowTitle(), QString::fromStdString("Quorvel  [" + Path("jobs.app") + "]"));
        QFile file(QString::fromStdString(Path("jobs.app")));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll().startsWith(
            QByteArray::fromStdString(b + "; all; 1; Done; ; /out/o.pdf; Y; Y; ; Y\r\r\n~" + a)));

        CScriptedPrompt prompt2;
        CAppendMainDlg other(&prompt2);
        AddPlainRows(other, {"/old/x.pdf"});
        prompt2.openAnswers = {Path("jobs.app")};
        other.CommandAction(Cmd::kLoadBatchFile)->trigger();
        QCOMPARE(prompt2.fileTitles, std::vector<std::string>{kLoadBatchTitle});
        const std::vector<JobRow> loaded = Rows(other);
        QCOMPARE(loaded.size(), saved.size());
        for (size_t row = 0; row < saved.size(); ++row) {
            for (int column = 0; column < kJobColumnCount; ++column) {
                if (column == Pages || column == Status)
                    continue;
                QCOMPARE(loaded[row][static_cast<size_t>(column)],
                         saved[row][static_cast<size_t>(column)]);
            }
            QCOMPARE(loaded[row][Status], std::string("Ready."));
        }
        QCOMPARE(TotalBox(other), QStringLiteral("3"));
        QCOMPARE(other.m_strBatchFile, Path("jobs.app"));
        QVERIFY(prompt2.messages.empty());
    }

    // Load empties the list before asking; a cancelled Load leaves it empty
    // with the count box at 0. Append keeps the rows and makes its file the
    // one the next Save writes.
    void loadCancelAndAppend() {
        CScriptedPrompt prompt;
        CAppendMainDlg dlg(&prompt);
        const std::string one = Path("1.pdf"), two = Path("2.pdf"), three = Path("3.pdf");
        AddRows(dlg, {one, two});
        prompt.saveAnswers = {Path("two.app")};
        dlg.SaveBatchFileAs();
        dlg.LoadBatchFile(); // cancelled
        QCOMPARE(dlg.JobList().RowCount(), 0);
        QCOMPARE(TotalBox(dlg), QStringLiteral("0"));

        AddRows(dlg, {three});
        dlg.AppendBatchFile(); // cancelled: nothing changes
        QCOMPARE(dlg.JobList().RowCount(), 1);
        prompt.openAnswers = {Path("two.app")};
        dlg.CommandAction(Cmd::kAppendBatchFile)->trigger();
        QCOMPARE(prompt.fileTitles.back(), std::string(kAppendBatchTitle));
        QCOMPARE(Column(dlg, Filename), (std::vector<std::string>{three, one, two}));
        QCOMPARE(TotalBox(dlg), QStringLiteral("3"));
        prompt.messages.clear();
        dlg.CommandAction(Cmd::kSaveBatchFile)->trigger();
        QCOMPARE(prompt.messages.size(), size_t(1));
        QCOMPARE(prompt.messages[0].caption, std::string(kBatchSavedCaption));
        QFile file(QString::fromStdString(Path("two.app")));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll().count("\r\r\n"), 3);
    }

    // Save on a list never loaded writes default.app in the working folder.
    // Empty lists are refused; unreadable and unwritable files are reported
    // with the path as text.
    void saveDefaultAndFailures() {
        CScriptedPrompt prompt;
        CAppendMainDlg dlg(&prompt);
        dlg.SaveBatchFile();
        dlg.SaveBatchFileAs();
        QCOMPARE(prompt.messages.size(), size_t(2));
        for (const auto& message : prompt.messages) {
            QCOMPARE(message.text, std::string(kNoFilesToSave));
            QCOMPARE(message.caption, std::string(kSaveErrorCaption));
        }
        QVERIFY(prompt.fileTitles.empty());

        prompt.messages.clear();
        AddPlainRows(dlg, {"/in/1.pdf"});
        dlg.SaveBatchFile();
        QVERIFY(QFile::exists(m_dir.filePath(QStringLiteral("default.app"))));
        QCOMPARE(dlg.windowTitle(), QStringLiteral("Quorvel  [default.app]"));
        QCOMPARE(prompt.messages.back().caption, std::string(kBatchSavedCaption));

        prompt.messages.clear();
        const std::string unwritable = Path("no/such/folder/x.app");
        prompt.saveAnswers = {unwritable};
        dlg.SaveBatchFileAs();
        QCOMPARE(prompt.messages.size(), size_t(1));
        QCOMPARE(prompt.messages[0].text, unwritable);
        QCOMPARE(prompt.messages[0].caption, std::string(kCantWriteBatchCaption));
        QCOMPARE(dlg.m_strBatchFile, unwritable);

        prompt.messages.clear();
        prompt.openAnswers = {Path("missing.app")};
        dlg.LoadBatchFile();
        QCOMPARE(prompt.messages.size(), size_t(1));
        QCOMPARE(prompt.messages[0].text, Path("missing.app"));
        QCOMPARE(prompt.messages[0].caption, std::string(kCantReadBatchCaption));
        QCOMPARE(dlg.windowTitle(),
                 QString::fromStdString("Quorvel  [" + Path("missing.app") + "]"));
        QCOMPARE(TotalBox(dlg), QStringLiteral("0"));
    }

    // Rows the batch format cannot hold are left out; a box names their files
    // before the usual one, and the rest is saved.
    void unsavableRowsAreNamed() {
        CScriptedPrompt prompt;
        CAppendMainDlg dlg(&prompt);
        AddPlainRows(dlg, {"/in/a.pdf", "/in/semi;colon.pdf", "/in/new\nline.pdf", "/in/b.pdf"});
        prompt.saveAnswers = {Path("some.app")};
        dlg.SaveBatchFileAs();
        QCOMPARE(prompt.messages.size(), size_t(2));
        QCOMPARE(prompt.messages[0].caption, std::string(kUnsavedRowsCaption));
        QCOMPARE(prompt.messages[0].text,
                 std::string(kUnsavedRowsText) + "\n/in/semi;colon.pdf\n/in/new\\nline.pdf");
        QCOMPARE(prompt.messages[1].caption, std::string(kBatchSavedCaption));
        QFile file(QString::fromStdString(Path("some.app")));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QCOMPARE(bytes.count("\r\r\n"), 2);
        QVERIFY(bytes.startsWith("/in/a.pdf; "));
        QVERIFY(bytes.contains("\r\r\n/in/b.pdf; "));
    }

    // Sorting compares bytes: upper case first, "10" before "9"; the reverse
    // sort then the sort gives ascending order; a header click always sorts
    // ascending and keeps the selection with its row.
    void sorting() {
        CScriptedPrompt prompt;
        CAppendMainDlg dlg(&prompt);
        AddPlainRows(dlg, {"/p/c.pdf", "/p/a.pdf", "/P/b.pdf"});
        dlg.CommandAction(Cmd::kReverseSortFilename)->trigger();
        QCOMPARE(Column(dlg, Filename),
                 (std::vector<std::string>{"/p/c.pdf", "/p/a.pdf", "/P/b.pdf"}));
        dlg.CommandAction(Cmd::kSortFilename)->trigger();
        QCOMPARE(Column(dlg, Filename),
                 (std::vector<std::string>{"/P/b.pdf", "/p/a.pdf", "/p/c.pdf"}));

        dlg.JobList().SetText(0, Pages, "10");
        dlg.JobList().SetText(1, Pages, "9");
        dlg.JobList().SetText(2, Pages, "12");
        dlg.JobList().SetRowSelected(1, true); // "/p/a.pdf", 9 pages
        QHeaderView* header = dlg.JobListView()->horizontalHeader();
        for (int click = 0; click < 2; ++click) {
            emit header->sectionClicked(Pages);
            QCOMPARE(Column(dlg, Pages), (std::vector<std::string>{"10", "12", "9"}));
        }
        QCOMPARE(dlg.JobList().Text(2, Filename), std::string("/p/a.pdf"));
        QVERIFY(dlg.JobList().IsRowSelected(2));
        QVERIFY(!dlg.JobList().IsRowSelected(0));
    }
};

QTEST_MAIN(BatchAndSortTest)
#include "BatchAndSort_guitest.moc"
