// The Append Parameters dialog: how it shows an entry, how its check boxes
// and radio buttons interact, validation on "Save & Exit", confirming itself
// when the owner's "always show" flag is off, and its exits.

// Before Qt: the engine header names a member "slots".
#include "engine/AppendParams.h"

#include "GuiTestSupport.h"
#include "app/ui/AppendApp.h"
#include "app/ui/AppendParamsDlg.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

using namespace quorvel;
using quorvel::test::CScriptedPrompt;

namespace {

template <class T> T* Find(QDialog& dlg, const char* name) {
    T* widget = dlg.findChild<T*>(QString::fromLatin1(name));
    if (!widget)
        qFatal("no control %s", name);
    return widget;
}

void FillValid(CAppendParamsDlg& dlg) {
    dlg.m_strFilename = "/in/a.pdf";
    dlg.m_nPages = 10;
    dlg.m_strParams = "all";
    dlg.m_strOutputFile = "/out/o.pdf";
}

// Presses a button of the next modal dialog.
void PressOnNextModal(const char* button) {
    const QString name = QString::fromLatin1(button);
    test::OnNextModal([name](QDialog* d) { d->findChild<QPushButton*>(name)->click(); });
}

// Counts how often a widget is shown.
class CShowCounter : public QObject {
public:
    explicit CShowCounter(QWidget& widget) { widget.installEventFilter(this); }
    int count = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Show)
            ++count;
        return false;
    }
};

} // namespace

class AppendParamsDlgTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { InitResources(); }

    void controlsCarryTheirIdsAndTexts() {
        CScriptedPrompt prompt;
        CAppendParamsDlg dlg(prompt, nullptr);
        const std::pair<const char*, int> ids[] = {
            {"useSameParamsCheck", 1019},
            {"filenameEdit", 1005},
            {"pagesEdit", 1018},
            {"paramsEdit", 1004},
            {"helpButton", 1023},
            {"moveDirEdit", 1007},
            {"browseMoveDirButton", 1008},
            {"outputFileEdit", 1009},
            {"browseOutputButton", 1010},
            {"keepBookmarksCheck", 1026},
            {"filenameBookmarkCheck", 1027},
            {"appendRadio", 1021},
            {"createRadio", 1022},
            {"saveExitButton", 1006},
            {"cancelButton", 1003},
        };
        for (const auto& [name, id] : ids)
            QCOMPARE(Find<QWidget>(dlg, name)->property("controlId").toInt(), id);
        QCOMPARE(dlg.windowTitle(), QStringLiteral("Append Parameters"));
        QCOMPARE(Find<QPushButton>(dlg, "saveExitButton")->text(), QStringLiteral("Save && Exit"));
        QVERIFY(Find<QPushButton>(dlg, "saveExitButton")->isDefault());
        QVERIFY(Find<QLineEdit>(dlg, "filenameEdit")->isReadOnly());
        QVERIFY(Find<QLineEdit>(dlg, "pagesEdit")->isReadOnly());
        QVERIFY(!(dlg.windowFlags() & Qt::WindowCloseButtonHint));
    }

    // How the entry's texts show in the boxes and radio buttons, and what
    // "Save & Exit" writes back for them unchanged.
    void entryTextsShowAndComeBack_data() {
        QTest::addColumn<QString>("create");
        QTest::addColumn<QString>("keep");
        QTest::addColumn<QString>("bookmarkName");
        QTest::addColumn<bool>("keepChecked");
        QTest::addColumn<bool>("nameChecked");
        QTest::addColumn<QString>("createOut");
        QTest::addColumn<QString>("keepOut");
        QTest::addColumn<QString>("nameOut");
        QTest::newRow("empty texts") << ""
                                     << ""
                                     << "" << true << false << "N"
                                     << "Y"
                                     << "N";
        QTest::newRow("create, name") << "Y"
                                      << "N"
                                      << "Y" << false << true << "Y"
                                      << "N"
                                      << "Y";
        QTest::newRow("lower case is not set") << "y"
                                               << "n"
                                               << "y" << true << false << "N"
                                               << "Y"
                                               << "N";
        QTest::newRow("both bookmark flags") << "N"
                                             << "Y"
                                             << "Y" << true << true << "N"
                                             << "Y"
                                             << "Y";
    }
    void entryTextsShowAndComeBack() {
        QFETCH(QString, create);
        QFETCH(QString, keep);
        QFETCH(QString, bookmarkName);
        QFETCH(bool, keepChecked);
        QFETCH(bool, nameChecked);
        QFETCH(QString, createOut);
        QFETCH(QString, keepOut);
        QFETCH(QString, nameOut);
        CScriptedPrompt prompt;
        CAppendParamsDlg dlg(prompt, nullptr);
        FillValid(dlg);
        dlg.m_strCreate = create.toStdString();
        dlg.m_strKeepBookmarks = keep.toStdString();
        dlg.m_strBookmarkFilename = bookmarkName.toStdString();
        dlg.m_strAppend = "keep me";
        bool seen = false;
        test::OnNextModal([&](QDialog*) {
            seen = true;
            QCOMPARE(Find<QRadioButton>(dlg, "createRadio")->isChecked(), create == "Y");
            QCOMPARE(Find<QRadioButton>(dlg, "appendRadio")->isChecked(), create != "Y");
            QCOMPARE(Find<QCheckBox>(dlg, "keepBookmarksCheck")->isChecked(), keepChecked);
            QCOMPARE(Find<QCheckBox>(dlg, "filenameBookmarkCheck")->isChecked(), nameChecked);
            QCOMPARE(Find<QLineEdit>(dlg, "pagesEdit")->text(), QStringLiteral("10"));
            QCOMPARE(Find<QLineEdit>(dlg, "filenameEdit")->text(), QStringLiteral("/in/a.pdf"));
            Find<QPushButton>(dlg, "saveExitButton")->click();
        });
        QCOMPARE(dlg.DoModal(), 1);
        QVERIFY(seen);
        QCOMPARE(QString::fromStdString(dlg.m_strCreate), createOut);
        QCOMPARE(QString::fromStdString(dlg.m_strKeepBookmarks), keepOut);
        QCOMPARE(QString::fromStdString(dlg.m_strBookmarkFilename), nameOut);
        QCOMPARE(dlg.m_strAppend, std::string("keep me"));
        QVERIFY(prompt.messages.empty());
    }

    // A click on either bookmark box, ticking or clearing it, clears the other.
    void bookmarkBoxesExcludeEachOther() {
        CScriptedPrompt prompt;
        CAppendParamsDlg dlg(prompt, nullptr);
        FillValid(dlg);
        dlg.m_strKeepBookmarks = "Y";
        dlg.m_strBookmarkFilename = "Y";
        test::OnNextModal([&](QDialog*) {
            auto* keep = Find<QCheckBox>(dlg, "keepBookmarksCheck");
            auto* name = Find<QCheckBox>(dlg, "filenameBookmarkCheck");
            QVERIFY(keep->isChecked() && name->isChecked());
            keep->click(); // clears itself and the other
            QVERIFY(!keep->isChecked() && !name->isChecked());
            name->click(); // ticks itself, clears keep
            QVERIFY(!keep->isChecked() && name->isChecked());
            keep->click(); // ticks itself, clears name
            QVERIFY(keep->isChecked() && !name->isChecked());
            Find<QPushButton>(dlg, "saveExitButton")->click();
        });
        QCOMPARE(dlg.DoModal(), 1);
        QCOMPARE(dlg.m_strKeepBookmarks, std::string("Y"));
        QCOMPARE(dlg.m_strBookmarkFilename, std::string("N"));
    }

    // Choosing the append mode writes Append "Y"; choosing create writes
    // Create "Y" and leaves Append alone; clicking the chosen one changes
    // nothing.
    void outputModeRadios() {
        CScriptedPrompt prompt;
        CAppendParamsDlg dlg(prompt, nullptr);
        FillValid(dlg);
        dlg.m_strCreate = "N";
        dlg.m_strAppend = "N";
        test::OnNextModal([&](QDialog*) {
            Find<QRadioButton>(dlg, "createRadio")->click();
            Find<QRadioButton>(dlg, "createRadio")->click();
            QVERIFY(dlg.m_bCreate && !dlg.m_bAppend);
            Find<QPushButton>(dlg, "saveExitButton")->click();
        });
        QCOMPARE(dlg.DoModal(), 1);
        QCOMPARE(dlg.m_strCreate, std::string("Y"));
        QCOMPARE(dlg.m_strAppend, std::string("N"));

        test::OnNextModal([&](QDialog*) {
            Find<QRadioButton>(dlg, "appendRadio")->click();
            Find<QPushButton>(dlg, "saveExitButton")->click();
        });
        QCOMPARE(dlg.DoModal(), 1);
        QCOMPARE(dlg.m_strCreate, std::string("N"));
        QCOMPARE(dlg.m_strAppend, std::string("Y"));
    }

    // "Save & Exit" runs the validation: a refused entry shows its one
    // message and the dialog stays open with the input.
    void validationRefusesAndStaysOpen_data() {
        QTest::addColumn<QString>("params");
        QTest::addColumn<QString>("output");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("caption");
        QTest::newRow("no output file")
            << "all"
            << "" << AppendParamsText::kNoOutputFile << AppendParamsText::kCaptionDestination;
        QTest::newRow("page beyond the file")
            << "12"
            << "/out/o.pdf"
            << "parameter: 12 higher than pages: 10" << AppendParamsText::kCaptionParameters;
    }
    void validationRefusesAndStaysOpen() {
        QFETCH(QString, params);
        QFETCH(QString, output);
        QFETCH(QString, text);
        QFETCH(QString, caption);
        CScriptedPrompt prompt;
        CAppendParamsDlg dlg(prompt, nullptr);
        FillValid(dlg);
        bool stayedOpen = false;
        test::OnNextModal([&](QDialog*) {
            Find<QLineEdit>(dlg, "paramsEdit")->setText(params);
            Find<QLineEdit>(dlg, "outputFileEdit")->setText(output);
            Find<QPushButton>(dlg, "saveExitButton")->click();
            stayedOpen = dlg.isVisible();
            Find<QPushButton>(dlg, "cancelButton")->click();
        });
        QCOMPARE(dlg.DoModal(), 0);
        QVERIFY(stayedOpen);
        QCOMPARE(prompt.messages.size(), size_t(1));
        QCOMPARE(QString::fromStdString(prompt.messages[0].text), text);
        QCOMPARE(QString::fromStdString(prompt.messages[0].caption), caption);
    }

    // Enter in an edit box confirms through the validation; Esc ends with 2,
    // Cancel with 0, neither reading the boxes.
    void keysAndCancel() {
        CScriptedPrompt prompt;
        CAppendParamsDlg dlg(prompt, nullptr);
        FillValid(dlg);
        test::OnNextModal([&](QDialog*) {
            Find<QLineEdit>(dlg, "paramsEdit")->setText(QStringLiteral("1-3"));
            QTest::keyClick(Find<QLineEdit>(dlg, "paramsEdit"), Qt::Key_Return);
        });
        QCOMPARE(dlg.DoModal(), 1);
        QCOMPARE(dlg.m_strParams, std::string("1-3"));

        test::OnNextModal([&](QDialog*) {
            Find<QLineEdit>(dlg, "paramsEdit")->setText(QStringLiteral("odd"));
            QTest::keyClick(Find<QLineEdit>(dlg, "paramsEdit"), Qt::Key_Escape);
        });
        QCOMPARE(dlg.DoModal(), 2);
        QCOMPARE(dlg.m_strParams, std::string("1-3"));

        PressOnNextModal("cancelButton");
        QCOMPARE(dlg.DoModal(), 0);
        QVERIFY(prompt.messages.empty());
    }

    // With the owner's flag off the dialog confirms itself and is never seen
    // when the previous values fit the new file; otherwise the validation's
    // message comes first and then the dialog.
    void confirmsItselfWhenNotAlwaysShown() {
        CScriptedPrompt prompt;
        bool showBox = false;
        CAppendParamsDlg dlg(prompt, &showBox);
        FillValid(dlg);
        dlg.m_strParams = "12";
        dlg.m_nPages = 20;
        CShowCounter shows(dlg);
        QCOMPARE(dlg.DoModal(), 1);
        QCOMPARE(shows.count, 0);
        QVERIFY(prompt.messages.empty());

        dlg.m_nPages = 10;
        PressOnNextModal("cancelButton");
        QCOMPARE(dlg.DoModal(), 0);
        QCOMPARE(prompt.messages.size(), size_t(1));
        QCOMPARE(prompt.messages[0].text, std::string("parameter: 12 higher than pages: 10"));

        showBox = true;
        dlg.m_nPages = 20;
        PressOnNextModal("cancelButton");
        QCOMPARE(dlg.DoModal(), 0); // shown again, so Cancel could be pressed
    }

    // Browse for the output file: a chosen name goes into the box and stays
    // in the dialog after a Cancel; cancelling the file dialog changes
    // nothing. The folder Browse fills its box.
    void browseButtons() {
        CScriptedPrompt prompt;
        CAppendParamsDlg dlg(prompt, nullptr);
        FillValid(dlg);
        prompt.saveAnswers = {"/out/chosen.pdf", ""};
        prompt.folderAnswers = {"/moved"};
        test::OnNextModal([&](QDialog*) {
            Find<QPushButton>(dlg, "browseOutputButton")->click();
            QCOMPARE(Find<QLineEdit>(dlg, "outputFileEdit")->text(),
                     QStringLiteral("/out/chosen.pdf"));
            Find<QPushButton>(dlg, "browseOutputButton")->click();
            QCOMPARE(Find<QLineEdit>(dlg, "outputFileEdit")->text(),
                     QStringLiteral("/out/chosen.pdf"));
            Find<QPushButton>(dlg, "browseMoveDirButton")->click();
            QCOMPARE(Find<QLineEdit>(dlg, "moveDirEdit")->text(), QStringLiteral("/moved"));
            Find<QPushButton>(dlg, "cancelButton")->click();
        });
        QCOMPARE(dlg.DoModal(), 0);
        QCOMPARE(dlg.m_strOutputFile, std::string("/out/chosen.pdf"));
        QCOMPARE(prompt.fileTitles, (std::vector<std::string>{"Append To PDF File or New PDF File",
                                                              "Append To PDF File or New PDF File",
                                                              "Move To Directory..."}));
    }
};

QTEST_MAIN(AppendParamsDlgTest)
#include "AppendParamsDlg_guitest.moc"
