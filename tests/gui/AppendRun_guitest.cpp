// "Append Files" from the window: the button's two labels, the connection
// notice, the commands that are off during a run, and a Close during a run;
// start-up of the window (log, splash) and the watchdog's window finder.

#include "GuiTestSupport.h"
#include "app/ui/AppendApp.h"
#include "app/ui/AppendMainDlg.h"
#include "app/ui/WindowServerBusyFinder.h"
#include "docserver/OutOfProcessFactory.h"
#include "engine/RunMessages.h"
#include "support/LogMessages.h"
#include "support/PageCountProbe.h"

#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <signal.h>

#include <chrono>
#include <functional>
#include <thread>

using namespace quorvel;
using quorvel::test::CScriptedPrompt;

namespace {

// A document server that cannot be reached; `onCreate` runs inside the first
// attempt, while the run is connecting.
class CUnreachableFactory : public IAutomationFactory {
public:
    std::function<void()> onCreate;
    std::vector<std::string> asked;
    std::shared_ptr<IAcroObject> CreateObject(const std::string& progId) override {
        asked.push_back(progId);
        if (onCreate) {
            auto once = std::move(onCreate);
            onCreate = nullptr;
            once();
        }
        return nullptr;
    }
};

void AddRow(CAppendMainDlg& dlg, const std::string& name, const std::string& status = "Ready.") {
    CJobListModel& jobs = dlg.JobList();
    const int row = jobs.AddRow("Yes", name);
    const JobRow texts = {"Yes", name, "all", "3", status, "", "/out/o.pdf", "Y", "N", "N", "N"};
    for (int column = 1; column < kJobColumnCount; ++column)
        jobs.SetText(row, column, texts[static_cast<size_t>(column)]);
}

QPushButton* AppendButton(CAppendMainDlg& dlg) {
    return dlg.findChild<QPushButton*>(QStringLiteral("appendFilesButton"));
}

// Counts the events of one type that reach the objects it filters.
class CEventCounter : public QObject {
public:
    CEventCounter(QEvent::Type type, int& count) : m_type(type), m_count(count) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == m_type)
            ++m_count;
        return QObject::eventFilter(watched, event);
    }

private:
    QEvent::Type m_type;
    int& m_count;
};

} // namespace

class AppendRunTest : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

private Q_SLOTS:
    void initTestCase() {
        InitResources();
        QVERIFY(m_dir.isValid());
        QDir::setCurrent(m_dir.path());
    }

    // An empty list: the click does nothing at all.
    void emptyListDoesNothing() {
        CScriptedPrompt prompt;
        CAppendMainDlg dlg(&prompt);
        auto factory = std::make_shared<CUnreachableFactory>();
        dlg.SetAutomationFactory(factory);
        AppendButton(dlg)->click();
        QVERIFY(factory->asked.empty());
        QVERIFY(prompt.messages.empty());
    }

    // While connecting the button reads "Stop", the connection notice is up
    // and the commands that change the job list are off, while Stop, Close,
    // the log viewer and help stay on. A failed connection is reported and
    // everything is back as before.
    void commandsOffDuringRun() {
        CScriptedPrompt prompt;
        CAppendMainDlg dlg(&prompt);
        dlg.show();
        AddRow(dlg, "/p/1.pdf");
        auto factory = std::make_shared<CUnreachableFactory>();
        dlg.SetAutomationFactory(factory);
        QStringList seen;
        factory->onCreate = [&] {
            seen << AppendButton(dlg)->text();
            QWidget* notice = dlg.findChild<QDialog*>(QStringLiteral("acrobatConnectDlg"));
            seen << (notice && notice->isVisible() ? notice->windowTitle() : QString());
            for (int command : {Cmd::kClearAll, Cmd::kDeleteSelection, Cmd::kMoveUp,
                                Cmd::kLoadBatchFile, Cmd::kBulkLoadGrouping, Cmd::kSortFilename,
                                Cmd::kRefreshPageCounts, Cmd::kUpdateSelection}) {
                if (dlg.CommandAction(command)->isEnabled())
                    seen << QStringLiteral("on: %1").arg(command);
            }
            for (int command : {Cmd::kExit, Cmd::kViewLog, Cmd::kHtmlHelp}) {
                if (!dlg.CommandAction(command)->isEnabled())
                    seen << QStringLiteral("off: %1").arg(command);
            }
            // The Delete key does nothing now.
            dlg.JobList().SetRowSelected(0, true);
            dlg.activateWindow();
            QTest::keyClick(&dlg, Qt::Key_Delete);
            seen << QString::number(dlg.JobList().RowCount());
        };
        AppendButton(dlg)->click();
        QCOMPARE(seen, QStringList({"Stop", "Acrobat Connection", "1"}));
        QCOMPARE(prompt.messages.size(), size_t(1));
        QCOMPARE(prompt.messages[0].text, std::string(RunMessages::kConnectFailed));
        QCOMPARE(AppendButton(dlg)->text(), QStringLiteral("Append Files"));
        QVERIFY(dlg.CommandAction(Cmd::kClearAll)->isEnabled());
        QVERIFY(!dlg.findChild<QDialog*>(QStringLiteral("acrobatConnectDlg")));
        dlg.hide();
    }

    // A full run from the button through the document helper on two real
    // files into one output: both rows end "Done", the output holds the
    // selected pages, the log has a record per row and "Done." is shown.
    void appendTwoRealFiles() {
        QTemporaryDir dir;
        QDir::setCurrent(dir.path());
        QFile ini(dir.filePath(QStringLiteral("setup.ini")));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("NOSPLASH\r\n");
        ini.close();
        const QString a = dir.filePath(QStringLiteral("a.pdf"));
        const QString b = dir.filePath(QStringLiteral("b.PDF"));
        const std::string out = dir.filePath(QStringLiteral("out/book.pdf")).toStdString();
        QVERIFY(test::WritePdf(a, 3));
        QVERIFY(test::WritePdf(b, 4));

        CScriptedPrompt prompt;
        CAppendMainDlg dlg(&prompt);
        dlg.OnInitDialog();
        dlg.show();
        const auto add = [&](const QString& file, const char* params, const char* create) {
            JobEntryFields f;
            f.filename = file.toStdString();
            f.parameters = params;
            f.outputFile = out;
            f.keepBookmarks = "N";
            f.create = create;
            f.append = "N";
            f.bookmarkFilename = "N";
            return dlg.AddJobEntry(f);
        };
        QCOMPARE(add(a, "all", "Y"), 1);
        QCOMPARE(add(b, "2-3", "N"), 1);
        QCOMPARE(dlg.JobList().Text(1, Pages), std::string("4"));
        AppendButton(dlg)->click();

        QCOMPARE(prompt.messages.size(), size_t(1));
        QCOMPARE(prompt.messages[0].text, std::string(RunMessages::kDone));
        QCOMPARE(prompt.messages[0].caption, std::string(RunMessages::kDoneCaption));
        QCOMPARE(dlg.JobList().Text(0, Status), std::string("Done"));
        QCOMPARE(dlg.JobList().Text(1, Status), std::string("Done"));
        QCOMPARE(AppendButton(dlg)->text(), QStringLiteral("Append Files"));
        QCOMPARE(ProbePdfPageCount(out), 5);
        QFile log(dir.filePath(QStringLiteral("append.log")));
        QVERIFY(log.open(QIODevice::ReadOnly));
        QCOMPARE(log.readAll().count("\r\n"), 2);
        dlg.hide();
        QDir::setCurrent(m_dir.path());
    }

    // The window's document helper killed with SIGSEGV while the third of
    // five rows is in progress: the window and its job list carry on, the
    // failing step's message is shown, the output keeps the two rows done,
    // and the next click runs the whole list on a fresh helper.
    void helperCrashMidRun() {
        QTemporaryDir dir;
        QDir::setCurrent(dir.path());
        QFile ini(dir.filePath(QStringLiteral("setup.ini")));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("NOSPLASH\r\n");
        ini.close();
        const std::string out = dir.filePath(QStringLiteral("o.pdf")).toStdString();

        CScriptedPrompt prompt;
        CAppendMainDlg dlg(&prompt);
        dlg.OnInitDialog();
        dlg.show();
        constexpr int kRows = 5;
        std::vector<std::string> sources;
        for (int row = 0; row < kRows; ++row) {
            const QString file = dir.filePath(QStringLiteral("s%1.pdf").arg(row + 1));
            QVERIFY(test::WritePdf(file, 2));
            JobEntryFields f;
            f.filename = file.toStdString();
            f.parameters = "all";
            f.outputFile = out;
            f.keepBookmarks = "N";
            f.create = row == 0 ? "Y" : "N";
            f.append = "N";
            f.bookmarkFilename = "N";
            QCOMPARE(dlg.AddJobEntry(f), 1);
            sources.push_back(f.filename);
        }
        auto* factory = dynamic_cast<COutOfProcessFactory*>(dlg.AutomationFactory().get());
        QVERIFY2(factory, "the window does not use the helper process");
        const std::shared_ptr<CDocServerConnection> helper = factory->Connection();

        // Statuses change inside the click: the kill comes from the list's
        // own change signal, as soon as the third row reads "Processing".
        pid_t killed = -1;
        const auto connection = connect(
            &dlg.JobList(), &QAbstractItemModel::dataChanged, this, [&](const QModelIndex& top) {
                if (killed < 0 && top.row() == 2 &&
                    dlg.JobList().Text(2, Status) == StatusText::kProcessing) {
                    killed = helper->ServerPid();
                    ::kill(killed, SIGSEGV);
                }
            });
        AppendButton(dlg)->click();
        disconnect(connection);
        QVERIFY(killed > 0);

        QCOMPARE(prompt.messages.size(), size_t(1));
        const QStringList stepMessages{
            QString::fromStdString(RunMessages::kErrorOpeningFile + out),
            QString::fromStdString(RunMessages::kErrorOpeningFile + sources[2]),
            QString::fromLatin1(RunMessages::kCantInsertPages),
            QString::fromLatin1(RunMessages::kFailedToCloseDoc),
            QString::fromStdString(RunMessages::kFailedToSaveFile + out)};
        QVERIFY2(stepMessages.contains(QString::fromStdString(prompt.messages[0].text)),
                 prompt.messages[0].text.c_str());
        QCOMPARE(dlg.JobList().RowCount(), kRows);
        const std::vector<std::string> statuses{"Done", "Done", "Processing", "Ready.", "Ready."};
        for (int row = 0; row < kRows; ++row)
            QCOMPARE(dlg.JobList().Text(row, Status), statuses[static_cast<size_t>(row)]);
        QCOMPARE(AppendButton(dlg)->text(), QStringLiteral("Append Files"));
        QVERIFY(dlg.CommandAction(Cmd::kClearAll)->isEnabled());
        QCOMPARE(ProbePdfPageCount(out), 4);

        prompt.messages.clear();
        AppendButton(dlg)->click();
        QCOMPARE(prompt.messages.size(), size_t(1));
        QCOMPARE(prompt.messages[0].text, std::string(RunMessages::kDone));
        QCOMPARE(ProbePdfPageCount(out), 2 * kRows);
        QVERIFY(helper->ServerPid() != killed);
        dlg.hide();
        QDir::setCurrent(m_dir.path());
    }

    // A call to a helper that is held still (SIGSTOP) is waited for: the
    // window keeps repainting and, after a few seconds, says the helper is
    // busy; once the helper goes on the run ends with "Done.". Stop during
    // such a call ends the helper after the grace and the run with that
    // step's message.
    void slowHelperCall() {
        struct Case {
            const char* name;
            bool stop; // press Stop after half a second, else let the helper go on after 3.5
        };
        for (const Case c : {Case{"resumed", false}, Case{"stopped", true}}) {
            QTemporaryDir dir;
            QDir::setCurrent(dir.path());
            QFile ini(dir.filePath(QStringLiteral("setup.ini")));
            QVERIFY(ini.open(QIODevice::WriteOnly));
            ini.write("NOSPLASH\r\n");
            ini.close();
            const std::string out = dir.filePath(QStringLiteral("o.pdf")).toStdString();
            CScriptedPrompt prompt;
            CAppendMainDlg dlg(&prompt);
            dlg.OnInitDialog();
            dlg.show();
            constexpr int kRows = 3;
            for (int row = 0; row < kRows; ++row) {
                const QString file = dir.filePath(QStringLiteral("s%1.pdf").arg(row + 1));
                QVERIFY(test::WritePdf(file, 2));
                JobEntryFields f;
                f.filename = file.toStdString();
                f.parameters = "all";
                f.outputFile = out;
                f.keepBookmarks = "N";
                f.create = row == 0 ? "Y" : "N";
                f.append = "N";
                f.bookmarkFilename = "N";
                QCOMPARE(dlg.AddJobEntry(f), 1);
            }
            auto* factory = dynamic_cast<COutOfProcessFactory*>(dlg.AutomationFactory().get());
            QVERIFY(factory);
            const std::shared_ptr<CDocServerConnection> helper = factory->Connection();

            // Paints of the list while the helper is held, asked for by a
            // timer as a change on screen would.
            int paints = 0;
            QString busyText;
            CEventCounter counter(QEvent::Paint, paints);
            dlg.JobListView()->viewport()->installEventFilter(&counter);
            QTimer repaint;
            connect(&repaint, &QTimer::timeout, &dlg,
                    [&] { dlg.JobListView()->viewport()->update(); });
            pid_t held = -1;
            std::chrono::steady_clock::time_point heldAt;
            const auto hold = connect(
                &dlg.JobList(), &QAbstractItemModel::dataChanged, this,
                [&](const QModelIndex& top) {
                    if (held < 0 && top.row() == 1 &&
                        dlg.JobList().Text(1, Status) == StatusText::kProcessing) {
                        held = helper->ServerPid();
                        ::kill(held, SIGSTOP);
                        heldAt = std::chrono::steady_clock::now();
                        paints = 0;
                        repaint.start(100);
                        QTimer::singleShot(c.stop ? 500 : 3500, Qt::PreciseTimer, &dlg, [&] {
                            if (auto* label =
                                    dlg.findChild<QLabel*>(QStringLiteral("serverBusyLabel")))
                                busyText = label->isVisible() ? label->text() : QString();
                            if (c.stop)
                                QTest::mouseClick(AppendButton(dlg), Qt::LeftButton);
                            else
                                ::kill(held, SIGCONT);
                        });
                    }
                });
            AppendButton(dlg)->click();
            disconnect(hold);
            repaint.stop();
            const double seconds =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - heldAt).count();
            if (held > 0)
                ::kill(held, SIGCONT);
            QVERIFY(held > 0);
            QVERIFY2(paints >= 3, qPrintable(QString::number(paints)));
            QCOMPARE(prompt.messages.size(), size_t(1));
            if (c.stop) {
                QVERIFY2(seconds < 0.5 + kDocStopGraceMs / 1000.0 + 2,
                         qPrintable(QString::number(seconds)));
                QVERIFY(prompt.messages[0].text != RunMessages::kDone);
                QCOMPARE(dlg.JobList().Text(1, Status), std::string(StatusText::kProcessing));
                QVERIFY(helper->ServerPid() != held);
            } else {
                QVERIFY2(seconds >= 3.4, qPrintable(QString::number(seconds)));
                QVERIFY2(busyText.contains(QStringLiteral("busy for 3 s")), qPrintable(busyText));
                QCOMPARE(prompt.messages[0].text, std::string(RunMessages::kDone));
                QCOMPARE(ProbePdfPageCount(out), 2 * kRows);
            }
            QCOMPARE(AppendButton(dlg)->text(), QStringLiteral("Append Files"));
            QVERIFY(!dlg.findChild<QLabel*>(QStringLiteral("serverBusyLabel"))->isVisible());
            dlg.hide();
            QDir::setCurrent(m_dir.path());
        }
    }

    // A log that cannot be opened: the message, then no settings, no splash
    // and no watchdog. With NOSPLASH in setup.ini no splash comes up.
    void startUp() {
        {
            QTemporaryDir dir;
            QDir::setCurrent(dir.path());
            QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("append.log")));
            QFile ini(dir.filePath(QStringLiteral("setup.ini")));
            QVERIFY(ini.open(QIODevice::WriteOnly));
            ini.write("ODDEVERY;/pad.pdf\r\n");
            ini.close();
            CScriptedPrompt prompt;
            CAppendMainDlg dlg(&prompt);
            dlg.OnInitDialog();
            QCOMPARE(prompt.messages.size(), size_t(1));
            QCOMPARE(prompt.messages[0].text, std::string(kCantOpenLog));
            QCOMPARE(prompt.messages[0].caption, std::string(kLogFileErrorCaption));
            QVERIFY(!dlg.m_watchdog);
            QCOMPARE(dlg.m_setupDlg.m_settings.m_strOddEvery, std::string());
            QTest::qWait(50);
            QVERIFY(!dlg.findChild<QDialog*>(QStringLiteral("splashDlg")));
        }
        {
            QTemporaryDir dir;
            QDir::setCurrent(dir.path());
            QFile ini(dir.filePath(QStringLiteral("setup.ini")));
            QVERIFY(ini.open(QIODevice::WriteOnly));
            ini.write("ODDEVERY;/pad.pdf\r\nNOSPLASH\r\n");
            ini.close();
            CScriptedPrompt prompt;
            CAppendMainDlg dlg(&prompt);
            dlg.OnInitDialog();
            QVERIFY(prompt.messages.empty());
            QVERIFY(QFile::exists(dir.filePath(QStringLiteral("append.log"))));
            QCOMPARE(dlg.m_setupDlg.m_settings.m_strOddEvery, std::string("/pad.pdf"));
            QVERIFY(dlg.m_watchdog);
            QTest::qWait(50);
            QVERIFY(!dlg.findChild<QDialog*>(QStringLiteral("splashDlg")));
        }
        QDir::setCurrent(m_dir.path());
    }

    // Without NOSPLASH the splash comes up once, shortly after start-up, and
    // closes itself after three seconds.
    void splashShowsOnce() {
        QTemporaryDir dir;
        QDir::setCurrent(dir.path());
        CScriptedPrompt prompt;
        CAppendMainDlg dlg(&prompt);
        QElapsedTimer clock;
        qint64 shownAt = -1;
        qint64 closedAt = -1;
        bool frameless = false;
        // The splash runs modally: look at it from inside its own loop.
        test::OnNextModal(
            [&](QDialog* splash) {
                if (splash->objectName() != QStringLiteral("splashDlg"))
                    return;
                shownAt = clock.elapsed();
                QObject::connect(splash, &QObject::destroyed, [&] { closedAt = clock.elapsed(); });
                frameless = splash->windowFlags() & Qt::FramelessWindowHint;
            },
            100, false);
        clock.start();
        dlg.OnInitDialog();
        QTRY_VERIFY_WITH_TIMEOUT(closedAt >= 0, 8000);
        QVERIFY(shownAt >= 0 && shownAt < 1000);
        QVERIFY(frameless);
        QVERIFY2(closedAt - shownAt >= 2800, QByteArray::number(closedAt - shownAt));
        QTest::qWait(50);
        QVERIFY(!QApplication::activeModalWidget()); // shown once only
        QDir::setCurrent(m_dir.path());
    }

    // The watchdog's finder presses control 600 of a window titled exactly
    // "Server Busy", from another thread, and leaves other windows alone.
    void serverBusyFinder() {
        const auto makePrompt = [](const QString& title, int id, int* clicks) {
            auto* window = new QDialog;
            window->setWindowTitle(title);
            auto* button = new QPushButton(QStringLiteral("Retry"), window);
            button->setProperty("controlId", id);
            QObject::connect(button, &QPushButton::clicked, [clicks] { ++*clicks; });
            window->show();
            return window;
        };
        const auto pressFromThread = [] {
            bool pressed = false;
            std::thread watchdog(
                [&pressed] { pressed = CWindowServerBusyFinder().PressServerBusyRetry(); });
            // The press runs on this (GUI) thread while the watchdog waits.
            QElapsedTimer clock;
            clock.start();
            while (!watchdog.joinable() || clock.elapsed() < 300)
                QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            watchdog.join();
            return pressed;
        };
        int clicksOther = 0, clicksNoRetry = 0, clicksBusy = 0;
        std::unique_ptr<QDialog> other(
            makePrompt(QStringLiteral("Server Busy!"), 600, &clicksOther));
        std::unique_ptr<QDialog> noRetry(
            makePrompt(QStringLiteral("Server Busy"), 601, &clicksNoRetry));
        QVERIFY(!pressFromThread());
        std::unique_ptr<QDialog> busy(makePrompt(QStringLiteral("Server Busy"), 600, &clicksBusy));
        QVERIFY(pressFromThread());
        QCOMPARE(clicksBusy, 1);
        QCOMPARE(clicksOther, 0);
        QCOMPARE(clicksNoRetry, 0);
    }
};

QTEST_MAIN(AppendRunTest)
#include "AppendRun_guitest.moc"
