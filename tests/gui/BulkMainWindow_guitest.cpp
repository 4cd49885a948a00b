// The bulk-load commands reached through the main window's File menu.

#include "BulkTestPrompt.h"
#include "GuiTestSupport.h"

#include "app/ui/AppendMainDlg.h"
#include "app/ui/PromptHost.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

using namespace quorvel;

namespace {

// The scripted answers as the main window's prompt.
class CScriptedPrompt : public IPromptHost {
public:
    MsgResult MessageBox(const std::string& text, const std::string& caption, MsgButtons buttons,
                         MsgIcon icon) override {
        return script.MessageBox(text, caption, buttons, icon);
    }
    std::string ChooseOpenFile(const FileDialogRequest& r) override {
        return script.ChooseOpenFile(r);
    }
    std::string ChooseSaveFile(const FileDialogRequest& r) override {
        return script.ChooseSaveFile(r);
    }
    std::string ChooseFolder(const std::string& c, const std::string& i,
                             const std::string& f) override {
        // Looks at the window at the first event the walk lets through.
        QTimer::singleShot(0, [this] {
            if (window)
                sawDisabled = !window->findChild<QPushButton*>("appendFilesButton")->isEnabled() &&
                              !window->CommandAction(Cmd::kBulkLoadGrouping)->isEnabled() &&
                              window->m_pScanningDlg != nullptr;
        });
        return script.ChooseFolder(c, i, f);
    }
    test::CBulkTestPrompt script;
    bool sawDisabled = false;
    CAppendMainDlg* window = nullptr;
};

// Presses `button` of the modal dialog that the next command opens, after
// `check` looked at it.
void PressInModal(const char* button, std::function<void(QWidget*)> check = {}) {
    QTimer::singleShot(0, [button, check] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        if (check)
            check(modal);
        if (auto* b = modal->findChild<QPushButton*>(button))
            b->click();
        if (modal->isVisible())
            static_cast<QDialog*>(modal)->reject();
    });
}

} // namespace

class BulkMainWindowTest : public QObject {
    Q_OBJECT
private slots:
    void groupingFromTheMenuFillsTheListAndCountBox();
    void filenameColumnFitsTheNamesAfterTheWalk();
};

void BulkMainWindowTest::groupingFromTheMenuFillsTheListAndCountBox() {
    QTemporaryDir tmp;
    int pages = 2;
    for (const char* f : {"/1/test.pdf", "/2/a.pdf", "/2/test.pdf"}) {
        QDir().mkpath(QFileInfo(tmp.path() + f).path());
        // Real PDFs: an unreadable file would bring the page-count fallback
        // and its message in.
        QVERIFY(quorvel::test::WritePdf(tmp.path() + f, pages++));
    }
    CScriptedPrompt prompt;
    prompt.script.folder = tmp.path().toStdString();
    CAppendMainDlg dlg(&prompt);
    prompt.window = &dlg;
    auto* count = dlg.findChild<QLineEdit*>("totalItemsEdit");
    QVERIFY(count);

    PressInModal("okButton", [](QWidget* modal) {
        modal->findChild<QLineEdit*>("outputDirEdit")->setText("/out");
        modal->findChild<QLineEdit*>("suffixEdit")->setText("_2003");
    });
    dlg.CommandAction(Cmd::kBulkLoadGrouping)->trigger();
    QCOMPARE(dlg.JobList().RowCount(), 3);
    QCOMPARE(dlg.JobList().Text(2, OutputFile), std::string("/out/test_2003.pdf"));
    // Counted ahead in batches, each file keeps its own count.
    QCOMPARE(dlg.JobList().Text(0, Pages), std::string("2"));
    QCOMPARE(dlg.JobList().Text(1, Pages), std::string("3"));
    QCOMPARE(dlg.JobList().Text(2, Pages), std::string("4"));
    QCOMPARE(dlg.m_nTotalItems, 3);
    QCOMPARE(count->text(), QString("3"));
    QVERIFY(dlg.m_pScanningDlg == nullptr);
    QVERIFY(dlg.CommandAction(Cmd::kBulkLoadGrouping)->isEnabled());
    QVERIFY(dlg.findChild<QPushButton*>("appendFilesButton")->isEnabled());
    // While the walk ran, the commands and the Append Files button were off.
    QVERIFY(prompt.sawDisabled);
    QCOMPARE(prompt.script.messages,
             std::vector<std::string>{std::string(kAppName) + "|Bulk Files Loaded"});

    // The same dialog comes back with its texts; Cancel leaves an empty list.
    QString suffixShown;
    PressInModal("cancelButton", [&](QWidget* modal) {
        suffixShown = modal->findChild<QLineEdit*>("suffixEdit")->text();
    });
    dlg.CommandAction(Cmd::kBulkLoadGrouping)->trigger();
    QCOMPARE(suffixShown, QString("_2003"));
    QCOMPARE(dlg.JobList().RowCount(), 0);
    QCOMPARE(count->text(), QString("0"));
}

// Folders that add nothing leave the column as it is, and the remembered name
// sizes change nothing: after the walk the Filename column is as wide as
// fitting it afresh makes it.
void BulkMainWindowTest::filenameColumnFitsTheNamesAfterTheWalk() {
    QTemporaryDir tmp;
    const char* files[] = {"/a/short.pdf",  "/a/notes.txt",
                           "/b/c/only.txt", "/d/a considerably longer document name.pdf",
                           "/e/x.pdf",      "/f/g/h.txt"};
    for (const char* f : files) {
        QDir().mkpath(QFileInfo(tmp.path() + f).path());
        QVERIFY(quorvel::test::WritePdf(tmp.path() + f, 1));
    }
    CScriptedPrompt prompt;
    prompt.script.folder = tmp.path().toStdString();
    CAppendMainDlg dlg(&prompt);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    PressInModal("okButton", [](QWidget* modal) {
        modal->findChild<QLineEdit*>("outputDirEdit")->setText("/out");
        modal->findChild<QLineEdit*>("suffixEdit")->setText("_1");
    });
    dlg.CommandAction(Cmd::kBulkLoadGrouping)->trigger();
    QCOMPARE(dlg.JobList().RowCount(), 3);
    QTableView* view = dlg.JobListView();
    const int fitted = view->columnWidth(Filename);
    view->setItemDelegateForColumn(Filename, nullptr);
    view->setColumnWidth(Filename, 5);
    view->resizeColumnToContents(Filename);
    QCOMPARE(fitted, view->columnWidth(Filename));
    QVERIFY(fitted > 5);
    dlg.hide();
}

QTEST_MAIN(BulkMainWindowTest)
#include "BulkMainWindow_guitest.moc"
