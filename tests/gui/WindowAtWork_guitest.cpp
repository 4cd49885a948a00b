// The main window while long work runs: Close during a walk, a load or a run
// ends the work and the process without leaving a box behind; row updates
// paint that row alone and bursts of them are paced; sorting keeps the view;
// file dialogs show their own type texts.

#include "GuiTestSupport.h"
#include "app/ui/AppendApp.h"
#include "app/ui/AppendMainDlg.h"
#include "support/PageCountProbe.h"

#include <QAction>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <cstdlib>
#include <cstring>

using namespace quorvel;
using quorvel::test::CScriptedPrompt;

namespace {

constexpr int kChildFiles = 40;
constexpr int kChildRunRows = 6;

void AddPlainRow(CAppendMainDlg& dlg, const std::string& name) {
    CJobListModel& jobs = dlg.JobList();
    const int row = jobs.AddRow("Yes", name);
    jobs.SetText(row, Filename, name);
    jobs.SetText(row, Status, "Ready.");
}

// Counts the paints of a widget and the area they covered.
class CPaintRecorder : public QObject {
public:
    explicit CPaintRecorder(QWidget* widget) { widget->installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            ++count;
            area |= static_cast<QPaintEvent*>(event)->rect();
        }
        return false;
    }
    int count = 0;
    QRect area;
};

} // namespace

class WindowAtWorkTest : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

private Q_SLOTS:
    void initTestCase() {
        InitResources();
        QVERIFY(m_dir.isValid());
        QDir::setCurrent(m_dir.path());
    }

    // Close in the middle of a folder walk, a batch load, a list load, a
    // page count refresh and a run, each in a child process (see
    // RunCloseChild). The work ends early, no box opens after Close, no
    // window stays visible; the loads kept the job list commands off
    // meanwhile. Closing while a row is "Processing"
    // ends the process with 1 after the run ended that row as Stop does: the
    // output holds exactly the rows that are "Done".
    void closeDuringWork_data() {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<int>("exitCode");
        QTest::newRow("walk") << "walk" << 0;
        QTest::newRow("batch load") << "batch" << 0;
        QTest::newRow("list load") << "list" << 0;
        QTest::newRow("refresh") << "refresh" << 0;
        QTest::newRow("run") << "run" << 1;
    }
    void closeDuringWork() {
        QFETCH(QString, mode);
        QFETCH(int, exitCode);
        QTemporaryDir dir;
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--close-child"), mode, dir.path()});
        QVERIFY(child.waitForFinished(120000));
        const QString out = QString::fromLocal8Bit(child.readAllStandardOutput());
        QVERIFY2(child.exitStatus() == QProcess::NormalExit, qPrintable(out));
        QCOMPARE(child.exitCode(), exitCode);
        QMap<QString, QString> report;
        for (const QString& field : out.simplified().split(QLatin1Char(' '))) {
            const auto parts = field.split(QLatin1Char('='));
            if (parts.size() == 2)
                report[parts[0]] = parts[1];
        }
        QCOMPARE(report.value(QStringLiteral("boxes")), QStringLiteral("0"));
        QCOMPARE(report.value(QStringLiteral("visible")), QStringLiteral("0"));
        if (mode == QLatin1String("run")) {
            const QStringList statuses = report.value(QStringLiteral("statuses")).split(',');
            QCOMPARE(statuses.size(), kChildRunRows);
            QVERIFY2(!statuses.contains(QStringLiteral("Processing")), qPrintable(out));
            const auto done = statuses.count(QStringLiteral("Done"));
            QVERIFY2(done >= 1 && done < kChildRunRows, qPrintable(out));
            QCOMPARE(ProbePdfPageCount(dir.filePath(QStringLiteral("out.pdf")).toStdString()),
                     static_cast<int>(3 * done));
        } else if (mode == QLatin1String("refresh")) {
            // Refreshed rows read "Ready", the rest keep the load's "Ready.".
            const QStringList statuses = report.value(QStringLiteral("statuses")).split(',');
            QCOMPARE(statuses.size(), kChildFiles);
            QVERIFY2(statuses.first() == QLatin1String("Ready") &&
                         statuses.last() == QLatin1String("Ready."),
                     qPrintable(out));
            QCOMPARE(report.value(QStringLiteral("busy")), QStringLiteral("1"));
        } else {
            const int rows = report.value(QStringLiteral("rows")).toInt();
            QVERIFY2(rows >= 5 && rows < kChildFiles, qPrintable(out));
            QCOMPARE(report.value(QStringLiteral("busy")), QStringLiteral("1"));
        }
    }

    // A status change paints its own cell, not the view; within work, a
    // burst of changes costs about one paint per frame.
    void rowUpdatesPaintLittle() {
        CScriptedPrompt prompt;
        CAppendMainDlg dlg(&prompt);
        dlg.resize(900, 600);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        for (int i = 0; i < 60; ++i)
            AddPlainRow(dlg, "/p/" + std::to_string(i) + ".pdf");
        QTest::qWait(50);
        QTableView* view = dlg.JobListView();
        CPaintRecorder paints(view->viewport());
        dlg.JobList().SetText(2, Status, "Processing");
        QTest::qWait(50);
        QCOMPARE(paints.count, 1);
        QVERIFY2(paints.area.height() <= view->rowHeight(2) + 1,
                 qPrintable(QString::number(paints.area.height())));
        QVERIFY(paints.area.width() < view->viewport()->width());

        paints.count = 0;
        QElapsedTimer clock;
        clock.start();
        {
            CAppendMainDlg::CWorkScope work(dlg);
            for (int i = 0; i < 3000; ++i) {
                dlg.JobList().SetText(i % 20, Status, i % 2 ? "Done" : "Processing");
                dlg.RepaintNow();
                dlg.PumpOneMessage();
            }
        }
        const qint64 frames = clock.elapsed() / 16;
        QVERIFY2(
            paints.count <= frames + 2,
            qPrintable(QStringLiteral("%1 paints in %2 frames").arg(paints.count).arg(frames)));
        // What the last burst changed is painted once the work is over.
        const int before = paints.count;
        QTest::qWait(50);
        QVERIFY(paints.count > before);
        dlg.hide();
    }

    // Sorting does not chase the current row: with it at the top, a reverse
    // sort moves it to the bottom and the view stays on the first row; with
    // it in view in the middle and left in place by the sort, the view stays.
    void sortingKeepsTheView() {
        CScriptedPrompt prompt;
        CAppendMainDlg dlg(&prompt);
        dlg.resize(700, 400);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        for (int i = 0; i < 300; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "/p/%03d.pdf", i);
            AddPlainRow(dlg, name);
        }
        QTableView* view = dlg.JobListView();
        view->setCurrentIndex(dlg.JobList().index(0, Filename));
        view->scrollToTop();
        dlg.CommandAction(Cmd::kReverseSortFilename)->trigger();
        QCOMPARE(view->currentIndex().row(), 299);
        QCOMPARE(view->verticalScrollBar()->value(), 0);

        dlg.CommandAction(Cmd::kSortFilename)->trigger();
        view->scrollTo(dlg.JobList().index(150, Filename), QAbstractItemView::PositionAtTop);
        view->setCurrentIndex(dlg.JobList().index(152, Filename));
        const int middle = view->verticalScrollBar()->value();
        QVERIFY(middle > 0);
        dlg.CommandAction(Cmd::kSortFilename)->trigger();
        QCOMPARE(view->currentIndex().row(), 152);
        QCOMPARE(view->verticalScrollBar()->value(), middle);
        dlg.hide();
    }

    // The type lists show the texts of the requests, and still filter by
    // their patterns.
    void fileDialogsShowTheirTexts() {
        FileDialogRequest request;
        request.title = "Open Append Batch File";
        request.filters = {{"*.app", "*.app"}, {"All Files *.*", "*"}};
        QFileDialog dialog(nullptr, QString(), m_dir.path());
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        SetUpFileDialog(dialog, request, false);
        dialog.show();
        auto* types = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
        QVERIFY(types);
        QStringList shown;
        for (int i = 0; i < types->count(); ++i)
            shown << types->itemText(i);
        QCOMPARE(shown, QStringList({"*.app", "All Files *.*"}));
        QCOMPARE(dialog.nameFilters(), QStringList({"*.app (*.app)", "All Files *.* (*)"}));
        dialog.hide();
    }
};

// The child side of closeDuringWork: starts the work of `mode` (walk, batch,
// list, refresh, run) on files in `dirPath` in a shown window, presses Close
// once the work is well under way and prints what is left: "rows=N boxes=N visible=N busy=0|1", and
// for the run "statuses=..." (printed at exit, since that Close ends the process).
static CAppendMainDlg* g_pChildDlg = nullptr;
static CScriptedPrompt* g_pChildPrompt = nullptr;
static size_t g_nBoxesAtClose = 0;
static bool g_bBusyAtClose = false;

static void PrintChildReport() {
    static bool printed = false;
    if (printed || !g_pChildDlg)
        return;
    printed = true;
    int visible = 0;
    for (QWidget* window : QApplication::topLevelWidgets())
        visible += window->isVisible() ? 1 : 0;
    std::string statuses;
    for (int row = 0; row < g_pChildDlg->JobList().RowCount(); ++row)
        statuses += (row ? "," : "") + g_pChildDlg->JobList().Text(row, Status);
    std::printf("rows=%d boxes=%zu visible=%d busy=%d statuses=%s\n",
                g_pChildDlg->JobList().RowCount(),
                g_pChildPrompt->messages.size() - g_nBoxesAtClose, visible, g_bBusyAtClose ? 1 : 0,
                statuses.c_str());
    std::fflush(stdout);
}

static int RunCloseChild(const QString& mode, const QString& dirPath) {
    InitResources();
    const QDir dir(dirPath);
    QDir::setCurrent(dirPath);
    CScriptedPrompt prompt;
    CAppendMainDlg dlg(&prompt);
    g_pChildDlg = &dlg;
    g_pChildPrompt = &prompt;
    std::atexit(PrintChildReport);

    std::string batch;
    std::string list;
    const bool run = mode == QLatin1String("run");
    const bool refresh = mode == QLatin1String("refresh");
    const int files = run ? kChildRunRows : kChildFiles;
    for (int i = 0; i < files; ++i) {
        const QString folder = QStringLiteral("tree/f%1").arg(i % 4);
        dir.mkpath(folder);
        const QString file = dir.filePath(
            QStringLiteral("%1/doc%2.pdf").arg(folder).arg(i, 2, 10, QLatin1Char('0')));
        if (!test::WritePdf(file, 3))
            return 3;
        const std::string create = i == 0 ? "Y" : "N";
        batch += file.toStdString() + "; all; 3; Ready.; ; " +
                 dir.filePath("out.pdf").toStdString() + "; N; " + create + "; Y; N\r\r\n";
        list += file.toStdString() + "\n";
    }
    const QString batchPath = dir.filePath(QStringLiteral("jobs.app"));
    const QString listPath = dir.filePath(QStringLiteral("jobs.lst"));
    for (const auto& [path, text] : {std::pair{batchPath, batch}, std::pair{listPath, list}}) {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(text.data(), qint64(text.size())) < 0)
            return 3;
    }

    // Close at the pump after the fifth row was added, or after the third
    // run row became "Processing".
    bool closeAsked = false;
    QTimer watch;
    const auto closeSoon = [&] {
        if (closeAsked)
            return;
        closeAsked = true;
        QTimer::singleShot(0, &dlg, [&] {
            watch.stop();
            g_nBoxesAtClose = prompt.messages.size();
            g_bBusyAtClose =
                !dlg.CommandAction(Cmd::kClearAll)->isEnabled() &&
                !dlg.findChild<QPushButton*>(QStringLiteral("appendFilesButton"))->isEnabled();
            dlg.findChild<QPushButton*>(QStringLiteral("closeButton"))->click();
        });
    };
    // Looked at on every pass of the event loop, the work's pumps included.
    watch.setInterval(0);
    QObject::connect(&watch, &QTimer::timeout, &dlg, [&] {
        if (run       ? dlg.JobList().Text(2, Status) == "Processing"
            : refresh ? dlg.JobList().Text(4, Status) == "Ready"
                      : dlg.JobList().RowCount() >= 5)
            closeSoon();
    });
    if (run || refresh) {
        dlg.ReadBatchFile(batchPath.toStdString());
        if (dlg.JobList().RowCount() != files)
            return 4;
    }
    QTimer::singleShot(0, &dlg, [&] {
        if (mode == QLatin1String("walk")) {
            prompt.folderAnswers = {dir.filePath(QStringLiteral("tree")).toStdString()};
            test::OnNextModal([](QDialog* d) {
                d->findChild<QLineEdit*>(QStringLiteral("outputDirEdit"))->setText("/out");
                d->findChild<QPushButton*>(QStringLiteral("okButton"))->click();
            });
            dlg.CommandAction(Cmd::kBulkLoadGrouping)->trigger();
        } else if (mode == QLatin1String("batch")) {
            prompt.openAnswers = {batchPath.toStdString()};
            dlg.CommandAction(Cmd::kLoadBatchFile)->trigger();
        } else if (mode == QLatin1String("list")) {
            test::OnNextModal([&](QDialog* d) {
                d->findChild<QLineEdit*>(QStringLiteral("listFileEdit"))->setText(listPath);
                d->findChild<QLineEdit*>(QStringLiteral("outputFileEdit"))->setText("/out/o.pdf");
                d->findChild<QPushButton*>(QStringLiteral("okButton"))->click();
            });
            dlg.CommandAction(Cmd::kBulkLoadListFile)->trigger();
        } else if (refresh) {
            dlg.CommandAction(Cmd::kRefreshPageCounts)->trigger();
        } else {
            dlg.findChild<QPushButton*>(QStringLiteral("appendFilesButton"))->click();
        }
    });
    watch.start();
    dlg.show();
    dlg.exec();
    // Reached only when closing did not end the process. The window's work
    // ended before exec() returned.
    PrintChildReport();
    return 0;
}

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc == 4 && std::strcmp(argv[1], "--close-child") == 0)
        return RunCloseChild(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    WindowAtWorkTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "WindowAtWork_guitest.moc"
