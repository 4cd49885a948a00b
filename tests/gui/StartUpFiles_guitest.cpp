// Files named on the window program's command line: added as a drop of them
// would add them, once nothing modal stands over the main window.

#include "app/ui/AppendApp.h"
#include "app/ui/AppendMainDlg.h"
#include "gui/GuiTestSupport.h"

#include <QDialog>
#include <QTemporaryDir>
#include <QtTest>

using namespace quorvel;

class StartUpFilesTest : public QObject {
    Q_OBJECT

private slots:
    void addedAsADropOnceTheSplashIsGone() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString previous = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir.path()));
        QVERIFY(test::WritePdf(QStringLiteral("a.pdf"), 3));
        QVERIFY(QDir().mkdir(QStringLiteral("folder.pdf")));
        QVERIFY(test::WritePdf(QStringLiteral("b.txt"), 1));

        test::CScriptedPrompt prompt;
        CAppendMainDlg window(&prompt);
        window.m_bShowParamsBox = false;
        window.m_paramsDlg.m_strParams = "all";
        window.m_paramsDlg.m_strOutputFile = "/out/o.pdf";
        // A modal window over the main one, as the splash is at start-up.
        QDialog splash;
        splash.setModal(true);
        splash.show();
        AddStartUpFiles(window, {QStringLiteral("a.pdf"), QStringLiteral("missing.pdf"),
                                 QStringLiteral("folder.pdf"), QStringLiteral("b.txt"),
                                 dir.filePath(QStringLiteral("a.pdf"))});
        // Relative names are taken against the folder of the start, not of
        // the moment they are added.
        QVERIFY(QDir::setCurrent(previous));
        QTest::qWait(400);
        QCOMPARE(window.JobList().RowCount(), 0);
        splash.close();
        QTRY_COMPARE(window.JobList().RowCount(), 2);
        const std::string absolute = dir.filePath(QStringLiteral("a.pdf")).toStdString();
        QCOMPARE(window.JobList().Text(0, Filename), absolute);
        QCOMPARE(window.JobList().Text(1, Filename), absolute);
        QCOMPARE(window.JobList().Text(0, Pages), std::string("3"));
        QCOMPARE(window.JobList().Text(0, AppendParameters), std::string("all"));
        QCOMPARE(window.m_nTotalItems, 2);
        QVERIFY(prompt.messages.empty());
    }
};

QTEST_MAIN(StartUpFilesTest)
#include "StartUpFiles_guitest.moc"
