// The four bulk-load commands against a scripted main window, and the Stop
// button of the Scanning window during a walk of a large tree.

#include "BulkTestPrompt.h"

#include "bulk/BulkMessages.h"
#include "bulk/ui/BulkGroupDlg.h"
#include "bulk/ui/BulkListDlg.h"
#include "bulk/ui/BulkLoadCommands.h"
#include "bulk/ui/BulkOneOutputDlg.h"
#include "bulk/ui/BulkPartNameDlg.h"
#include "bulk/ui/ScanningDlg.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <functional>

using namespace quorvel;
using quorvel::test::CBulkTestPrompt;

namespace {

// The main window as the commands see it; can press Stop on the n-th pump.
class CTestBulkHost : public IBulkLoadHost {
public:
    IJobList& Jobs() override { return jobs; }
    int AddJobEntry(const JobEntryFields& fields) override {
        if (fields.filename.size() < 4)
            return -1;
        const std::string tail = fields.filename.substr(fields.filename.size() - 4);
        if (tail != ".pdf" && tail != ".PDF")
            return -1;
        const int row = jobs.AddRow("Yes", fields.filename);
        jobs.SetText(row, Filename, fields.filename);
        jobs.SetText(row, OutputFile, fields.outputFile);
        jobs.SetText(row, Create, fields.create);
        return 1;
    }
    IMessageHost& Messages() override { return prompt; }
    IFileChooser& Chooser() override { return prompt; }
    void SetTotalItems(int total) override { totals.push_back(total); }
    QWidget* MainWindow() override { return nullptr; }
    void SetScanningDlg(CScanningDlg* dlg) override {
        scanning = dlg;
        scanningSeen = scanningSeen || dlg != nullptr;
        if (dlg) {
            wasVisible = dlg->isVisible();
            caption = dlg->windowTitle();
        }
    }
    void PumpOneMessage() override {
        ++pumps;
        if (scanning && stopAtPump > 0 && pumps == stopAtPump) {
            folderShown = scanning->findChild<QLineEdit*>("folderEdit")->text();
            QTest::mouseClick(scanning->findChild<QPushButton*>("stopButton"), Qt::LeftButton);
        }
        IBulkLoadHost::PumpOneMessage();
    }

    CMemoryJobList jobs;
    CBulkTestPrompt prompt;
    std::vector<int> totals;
    CScanningDlg* scanning = nullptr;
    bool scanningSeen = false;
    bool wasVisible = false;
    QString caption;
    QString folderShown;
    int pumps = 0;
    int stopAtPump = 0;
};

void PressOk(QDialog& dlg) {
    QTimer::singleShot(0, &dlg, [&dlg] {
        if (auto* ok = dlg.findChild<QPushButton*>("okButton"))
            ok->click();
        if (dlg.isVisible())
            dlg.done(QDialog::Rejected);
    });
}

void PressCancel(QDialog& dlg) {
    QTimer::singleShot(0, &dlg, [&dlg] { dlg.findChild<QPushButton*>("cancelButton")->click(); });
}

void Touch(const QString& path) {
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    f.open(QIODevice::WriteOnly);
}

const std::string kLoaded = std::string(kAppName) + "|" + BulkText::kBulkFilesLoaded;

} // namespace

class BulkCommandsTest : public QObject {
    Q_OBJECT
private slots:
    void cancelLeavesAnEmptyList();
    void groupingLoadsTheChosenFolder();
    void oneOutputAndPartNameUseTheirDialogs();
    void stopButtonEndsALargeWalk();
    void listCommand();
};

void BulkCommandsTest::cancelLeavesAnEmptyList() {
    CTestBulkHost host;
    CBulkGroupDlg dlg(host.prompt);
    host.jobs.AddRow("Yes", "/old.pdf");
    PressCancel(dlg);
    OnBulkLoadGrouping(host, dlg);
    QCOMPARE(host.jobs.RowCount(), 0);
    QCOMPARE(host.totals, std::vector<int>{0});
    QVERIFY(host.prompt.messages.empty());

    // OK, then Cancel in the folder chooser: still empty, no walk.
    host.jobs.AddRow("Yes", "/old.pdf");
    PressOk(dlg);
    OnBulkLoadGrouping(host, dlg);
    QCOMPARE(host.jobs.RowCount(), 0);
    QVERIFY(!host.scanningSeen);
    QVERIFY(host.prompt.messages.empty());
    const std::string home = QDir::homePath().toStdString();
    QCOMPARE(host.prompt.asked.back(), "folder Drive or Directory to load...|Please choose your "
                                       "drive to load documents from...|" +
                                           home);
}

void BulkCommandsTest::groupingLoadsTheChosenFolder() {
    QTemporaryDir tmp;
    Touch(tmp.path() + "/1/test.pdf");
    Touch(tmp.path() + "/2/test.pdf");
    Touch(tmp.path() + "/2/skip.txt");
    CTestBulkHost host;
    CBulkGroupDlg dlg(host.prompt);
    dlg.m_strOutputDir = "/out";
    dlg.m_strSuffix = "_2003";
    host.prompt.folder = (tmp.path() + "//").toStdString(); // trailing separators go
    PressOk(dlg);
    OnBulkLoadGrouping(host, dlg);
    QCOMPARE(host.jobs.RowCount(), 2);
    QCOMPARE(host.jobs.Text(0, Filename), (tmp.path() + "/1/test.pdf").toStdString());
    QCOMPARE(host.jobs.Text(1, OutputFile), std::string("/out/test_2003.pdf"));
    QCOMPARE(host.totals, (std::vector<int>{0, 2}));
    QCOMPARE(host.prompt.messages, std::vector<std::string>{kLoaded});
    QVERIFY(host.scanningSeen && host.wasVisible);
    QCOMPARE(host.caption, QString("Scanning"));
    QVERIFY(host.scanning == nullptr);
}

void BulkCommandsTest::oneOutputAndPartNameUseTheirDialogs() {
    QTemporaryDir tmp;
    Touch(tmp.path() + "/a.Pdf");
    Touch(tmp.path() + "/inv_062005.pdf");
    Touch(tmp.path() + "/sub/12345_2.pdf");
    CTestBulkHost host;
    host.prompt.folder = tmp.path().toStdString();
    CBulkOneOutputDlg one(host.prompt);
    one.m_strOutputFile = "/o/all.pdf";
    PressOk(one);
    OnBulkLoadOneOutput(host, one);
    QCOMPARE(host.jobs.RowCount(), 2);
    QCOMPARE(host.jobs.Text(0, Create), std::string("Y"));
    QCOMPARE(host.jobs.Text(1, Create), std::string("N"));
    QCOMPARE(host.jobs.Text(1, OutputFile), std::string("/o/all.pdf"));

    CBulkPartNameDlg part(host.prompt, host.prompt);
    part.m_nFirstChars = 5;
    part.m_strOutputDir = "/g";
    PressOk(part);
    OnBulkLoadPartName(host, part);
    QCOMPARE(host.jobs.RowCount(), 2);
    QCOMPARE(host.jobs.Text(0, OutputFile), std::string("/g/inv_0.pdf"));
    QCOMPARE(host.jobs.Text(1, OutputFile), std::string("/g/12345.pdf"));
    QCOMPARE(host.prompt.messages, (std::vector<std::string>{kLoaded, kLoaded}));
}

void BulkCommandsTest::stopButtonEndsALargeWalk() {
    QTemporaryDir tmp;
    for (int d = 0; d < 20; ++d)
        for (int f = 0; f < 40; ++f)
            Touch(QString("%1/d%2/f%3.pdf").arg(tmp.path()).arg(d, 2, 10, QChar('0')).arg(f));
    CTestBulkHost host;
    host.prompt.folder = tmp.path().toStdString();
    host.stopAtPump = 200;
    CBulkGroupDlg dlg(host.prompt);
    PressOk(dlg);
    OnBulkLoadGrouping(host, dlg);
    QVERIFY(host.jobs.RowCount() > 0);
    QVERIFY(host.jobs.RowCount() < 800);
    // Nothing is pumped once Stop was seen but the walk's own unwinding.
    QVERIFY(host.pumps <= host.stopAtPump + 1);
    QVERIFY(host.folderShown.startsWith(tmp.path() + "/d"));
    QCOMPARE(host.totals.back(), host.jobs.RowCount());
    QCOMPARE(host.prompt.messages, std::vector<std::string>{kLoaded});
}

void BulkCommandsTest::listCommand() {
    QTemporaryDir tmp;
    const QString list = tmp.path() + "/jobs.lst";
    {
        QFile f(list);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(";c\r\n/x/a.pdf\r\n/x/b.PDF\r\n");
    }
    CTestBulkHost host;
    CBulkListDlg dlg(host.prompt);
    dlg.m_strListFile = list.toStdString();
    dlg.m_strOutputFile = "/o/l.pdf";
    PressOk(dlg);
    OnBulkLoadList(host, dlg);
    QCOMPARE(host.jobs.RowCount(), 2);
    QCOMPARE(host.jobs.Text(0, Create), std::string("Y"));
    QCOMPARE(host.totals, (std::vector<int>{0, 2}));
    QCOMPARE(host.prompt.messages,
             std::vector<std::string>{std::string(kAppName) + "|Bulk list loaded"});

    host.prompt.messages.clear();
    dlg.m_strListFile = (tmp.path() + "/none.lst").toStdString();
    PressOk(dlg);
    OnBulkLoadList(host, dlg);
    QCOMPARE(host.jobs.RowCount(), 0);
    QCOMPARE(host.prompt.messages,
             std::vector<std::string>{"Can't read job parameters file.|" + dlg.m_strListFile});
    QVERIFY(!QFile::exists(tmp.path() + "/none.lst"));
}

QTEST_MAIN(BulkCommandsTest)
#include "BulkCommands_guitest.moc"
