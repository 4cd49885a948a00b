// The bulk-load dialogs and the folder chooser, driven through their widgets.

#include "BulkTestPrompt.h"

#include "bulk/BulkMessages.h"
#include "bulk/ui/BulkGroupDlg.h"
#include "bulk/ui/BulkListDlg.h"
#include "bulk/ui/BulkOneOutputDlg.h"
#include "bulk/ui/BulkPartNameDlg.h"
#include "bulk/ui/FolderChooser.h"

#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <functional>

using namespace quorvel;
using quorvel::test::CBulkTestPrompt;

namespace {

template <class T> T* Child(QWidget* w, const char* name) {
    T* child = w->findChild<T*>(QString::fromLatin1(name));
    if (!child)
        qFatal("no child %s", name);
    return child;
}

void Click(QWidget* w, const char* button) {
    Child<QPushButton>(w, button)->click();
}

void SetText(QWidget* w, const char* edit, const QString& text) {
    auto* e = Child<QLineEdit>(w, edit);
    e->setText(text);
    emit e->textEdited(text);
}

QString Text(QWidget* w, const char* edit) {
    return Child<QLineEdit>(w, edit)->text();
}

// Runs `step` once the modal loop of `dlg` is running; closes the dialog
// afterwards if the step left it open (a failed check returns early).
void WhenShown(QDialog& dlg, const std::function<void()>& step) {
    QTimer::singleShot(0, &dlg, [&dlg, step] {
        step();
        if (dlg.isVisible())
            dlg.done(QDialog::Rejected);
    });
}

const std::string kApp = kAppName;

} // namespace

class BulkDialogsTest : public QObject {
    Q_OBJECT
private slots:
    void groupDialogKeepsTextsAndBrowsesForFolder();
    void oneOutputDialogDefaultsCheckBoxAndBrowse();
    void partNameDialogRefusesNonIntegers();
    void listDialogBrowsesBothFiles();
    void controlIdsAreSet();
    void chooserValidatesOnOk();
    void chooserEnablesOkForAnyText();
};

void BulkDialogsTest::groupDialogKeepsTextsAndBrowsesForFolder() {
    CBulkTestPrompt prompt;
    CBulkGroupDlg dlg(prompt);
    QCOMPARE(dlg.windowTitle(), QString("Bulk Load Options"));
    WhenShown(dlg, [&] {
        QCOMPARE(Text(&dlg, "outputDirEdit"), QString());
        SetText(&dlg, "outputDirEdit", "/out");
        SetText(&dlg, "suffixEdit", "_2003");
        Click(&dlg, "okButton");
    });
    QCOMPARE(dlg.DoModal(), 1);
    QCOMPARE(dlg.m_strOutputDir, std::string("/out"));
    QCOMPARE(dlg.m_strSuffix, std::string("_2003"));

    // Shown again with the last texts; Browse starts at the field's text and
    // writes the chosen folder; a cancelled choice leaves it; Cancel gives 0.
    WhenShown(dlg, [&] {
        QCOMPARE(Text(&dlg, "suffixEdit"), QString("_2003"));
        prompt.folder = "/chosen";
        Click(&dlg, "browseButton");
        QCOMPARE(Text(&dlg, "outputDirEdit"), QString("/chosen"));
        prompt.folder.clear();
        Click(&dlg, "browseButton");
        QCOMPARE(Text(&dlg, "outputDirEdit"), QString("/chosen"));
        Click(&dlg, "cancelButton");
    });
    QCOMPARE(dlg.DoModal(), 0);
    const std::vector<std::string> asked{
        "folder Output Directory...|Please choose your directory to output to...|/out",
        "folder Output Directory...|Please choose your directory to output to...|/chosen"};
    QCOMPARE(prompt.asked, asked);
    // Browse read the fields, so the chosen folder is the member now.
    QCOMPARE(dlg.m_strOutputDir, std::string("/chosen"));

    WhenShown(dlg, [&] { QTest::keyClick(&dlg, Qt::Key_Escape); });
    QCOMPARE(dlg.DoModal(), 0);
}

void BulkDialogsTest::oneOutputDialogDefaultsCheckBoxAndBrowse() {
    CBulkTestPrompt prompt;
    CBulkOneOutputDlg dlg(prompt);
    QCOMPARE(dlg.windowTitle(), QString("Bulk Load To One Output File"));
    WhenShown(dlg, [&] {
        auto* check = Child<QCheckBox>(&dlg, "removeExistingCheck");
        QVERIFY(check->isChecked());
        check->click(); // a click reads the fields at once
        QCOMPARE(dlg.m_bRemoveExisting, 0);
        prompt.saveFile = "/o/all.pdf";
        Click(&dlg, "browseButton");
        QCOMPARE(Text(&dlg, "outputFileEdit"), QString("/o/all.pdf"));
        prompt.saveFile.clear();
        Click(&dlg, "browseButton");
        QCOMPARE(Text(&dlg, "outputFileEdit"), QString("/o/all.pdf"));
        SetText(&dlg, "containsEdit", "062005");
        QTest::keyClick(Child<QLineEdit>(&dlg, "containsEdit"), Qt::Key_Return);
    });
    QCOMPARE(dlg.DoModal(), 1);
    QCOMPARE(dlg.m_strContainsText, std::string("062005"));
    QCOMPARE(dlg.m_strOutputFile, std::string("/o/all.pdf"));
    QCOMPARE(dlg.m_bRemoveExisting, 0);
    QCOMPARE(prompt.requests.size(), size_t(2));
    const FileDialogRequest& r = prompt.requests[0];
    QCOMPARE(r.title, std::string("Append To File"));
    QCOMPARE(r.defaultExtension, std::string("PDF"));
    QCOMPARE(r.filters.size(), size_t(2));
    QCOMPARE(r.filters[0].label, std::string("*.pdf"));
    QCOMPARE(r.filters[1].label, std::string("All Files *.*"));
}

void BulkDialogsTest::partNameDialogRefusesNonIntegers() {
    CBulkTestPrompt prompt;
    CBulkPartNameDlg dlg(prompt, prompt);
    QCOMPARE(dlg.m_nFirstChars, 12);
    QCOMPARE(dlg.m_strOutputDir, QDir::homePath().toStdString());
    const std::string refused = kApp + "|" + BulkText::kEnterInteger;
    WhenShown(dlg, [&] {
        QCOMPARE(Text(&dlg, "firstCharsEdit"), QString("12"));
        for (const char* bad : {"", "12a", "1.5"}) {
            SetText(&dlg, "firstCharsEdit", bad);
            Click(&dlg, "okButton");
            QVERIFY(dlg.isVisible());
        }
        QCOMPARE(prompt.messages, std::vector<std::string>(3, refused));
        QVERIFY(Child<QLineEdit>(&dlg, "firstCharsEdit")->hasFocus() || !dlg.isActiveWindow());
        // Browse reads the fields before and after choosing: two messages,
        // and the chooser still opens.
        prompt.messages.clear();
        prompt.folder = "/grouped";
        Click(&dlg, "browseButton");
        QCOMPARE(prompt.messages, std::vector<std::string>(2, refused));
        QCOMPARE(Text(&dlg, "outputDirEdit"), QString("/grouped"));
        SetText(&dlg, "firstCharsEdit", " -5 ");
        Click(&dlg, "okButton");
    });
    QCOMPARE(dlg.DoModal(), 1);
    QCOMPARE(dlg.m_nFirstChars, -5);
    QCOMPARE(dlg.m_strOutputDir, std::string("/grouped"));
}

void BulkDialogsTest::listDialogBrowsesBothFiles() {
    CBulkTestPrompt prompt;
    CBulkListDlg dlg(prompt);
    QCOMPARE(dlg.windowTitle(), QString("Bulk Load from .job,.lst,.txt to One Output File"));
    QCOMPARE(dlg.m_bRemoveExisting, 1);
    WhenShown(dlg, [&] {
        prompt.openFile = "/lists/jobs.lst";
        prompt.saveFile = "/o/out.pdf";
        Click(&dlg, "browseListButton");
        Click(&dlg, "browseOutputButton");
        QCOMPARE(Text(&dlg, "listFileEdit"), QString("/lists/jobs.lst"));
        QCOMPARE(Text(&dlg, "outputFileEdit"), QString("/o/out.pdf"));
        Click(&dlg, "okButton");
    });
    QCOMPARE(dlg.DoModal(), 1);
    QCOMPARE(dlg.m_strListFile, std::string("/lists/jobs.lst"));
    QCOMPARE(dlg.m_strOutputFile, std::string("/o/out.pdf"));
    QCOMPARE(prompt.asked, (std::vector<std::string>{"open List file", "save Append To File"}));
    const FileDialogRequest& list = prompt.requests[0];
    QCOMPARE(list.filters.size(), size_t(4));
    QCOMPARE(list.filters[0].patterns, std::string("*.job"));
    QCOMPARE(list.filters[1].patterns, std::string("*.lst"));
    QCOMPARE(list.filters[2].patterns, std::string("*.txt"));
    QCOMPARE(list.filters[3].label, std::string("All Files *.*"));
}

void BulkDialogsTest::controlIdsAreSet() {
    CBulkTestPrompt prompt;
    CBulkGroupDlg group(prompt);
    CBulkPartNameDlg part(prompt, prompt);
    struct Case {
        QWidget* dlg;
        const char* name;
        int id;
    } cases[] = {{&group, "outputDirEdit", 1025}, {&group, "suffixEdit", 1024},
                 {&group, "browseButton", 1023},  {&group, "okButton", 1014},
                 {&group, "cancelButton", 1003},  {&part, "firstCharsEdit", 1032},
                 {&part, "outputDirEdit", 1035}};
    for (const auto& c : cases)
        QCOMPARE(Child<QWidget>(c.dlg, c.name)->property("controlId").toInt(), c.id);
}

void BulkDialogsTest::chooserValidatesOnOk() {
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    const QString missing = tmp.path() + "/new/out";
    CBulkTestPrompt prompt;
    CFolderChooser chooser(BulkText::kOutputDirCaption, BulkText::kOutputDirTitle,
                           tmp.path().toUtf8().constData(), nullptr, prompt);
    QCOMPARE(chooser.windowTitle(), QString("Output Directory..."));
    WhenShown(chooser, [&] {
        QCOMPARE(Text(&chooser, "pathEdit"), tmp.path());
        SetText(&chooser, "pathEdit", "relative/dir");
        Click(&chooser, "okButton");
        QVERIFY(chooser.isVisible());
        SetText(&chooser, "pathEdit", missing);
        prompt.answers = {MsgResult::No};
        Click(&chooser, "okButton");
        QVERIFY(chooser.isVisible());
        prompt.answers = {MsgResult::Yes};
        Click(&chooser, "okButton");
    });
    QCOMPARE(chooser.ChooseFolder(), 1);
    QCOMPARE(chooser.GetPath(), missing.toStdString());
    const std::vector<std::string> messages{
        kApp + "|" + BulkText::FolderInvalid("relative/dir"),
        kApp + "|" + BulkText::FolderMissing(missing.toStdString()),
        kApp + "|" + BulkText::FolderMissing(missing.toStdString())};
    QCOMPARE(prompt.messages, messages);
    QVERIFY(!QDir(missing).exists());

    CFolderChooser cancelled(nullptr, "t", tmp.path().toUtf8().constData(), nullptr, prompt);
    WhenShown(cancelled, [&] { Click(&cancelled, "cancelButton"); });
    QCOMPARE(cancelled.ChooseFolder(), -1);
    CFolderChooser escaped(nullptr, "t", tmp.path().toUtf8().constData(), nullptr, prompt);
    WhenShown(escaped, [&] { QTest::keyClick(&escaped, Qt::Key_Escape); });
    QCOMPARE(escaped.ChooseFolder(), -1);
}

void BulkDialogsTest::chooserEnablesOkForAnyText() {
    CBulkTestPrompt prompt;
    CFolderChooser chooser("c", "t", "", nullptr, prompt);
    auto* ok = Child<QPushButton>(&chooser, "okButton");
    QVERIFY(!ok->isEnabled());
    SetText(&chooser, "pathEdit", "x");
    QVERIFY(ok->isEnabled());
    SetText(&chooser, "pathEdit", "");
    QVERIFY(!ok->isEnabled());
    // An existing file counts as existing and passes without a question.
    QTemporaryFile file;
    QVERIFY(file.open());
    SetText(&chooser, "pathEdit", file.fileName());
    WhenShown(chooser, [&] { Click(&chooser, "okButton"); });
    QCOMPARE(chooser.ChooseFolder(), 1);
    QVERIFY(prompt.messages.empty());
}

QTEST_MAIN(BulkDialogsTest)
#include "BulkDialogs_guitest.moc"
