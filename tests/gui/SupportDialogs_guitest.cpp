// The Setup dialog and the log viewer, driven through their widgets.
#include "support/AppendLog.h"
#include "support/ScriptedSupportPrompt.h"
#include "support/ui/SetupDlg.h"
#include "support/ui/ViewLogDlg.h"

#include <QCheckBox>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

using namespace quorvel;
using quorvel::testing::CScriptedSupportPrompt;

namespace {

QByteArray ReadBytes(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return "<missing>";
    return f.readAll();
}

void WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

std::string Record(const std::string& dateTime, std::int64_t size, const std::string& output,
                   const std::string& source) {
    LogRecordValues v;
    v.dateTime = dateTime;
    v.size = size;
    v.outputPath = output;
    v.creationTime = "2011-03-07 14:05:01";
    v.modifiedTime = "2011-03-07 14:05:08";
    v.sourcePath = source;
    return FormatLogRecord(v);
}

QStringList RowTexts(QTableWidget* list, int row) {
    QStringList texts;
    for (int c = 0; c < list->columnCount(); ++c)
        texts << (list->item(row, c) ? list->item(row, c)->text() : QString("<null>"));
    return texts;
}

QStringList ColumnTexts(QTableWidget* list, int column) {
    QStringList texts;
    for (int r = 0; r < list->rowCount(); ++r)
        texts << list->item(r, column)->text();
    return texts;
}

void ClickHeader(QTableWidget* list, int column) {
    QHeaderView* header = list->horizontalHeader();
    QPoint pos(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
               header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, pos);
}

} // namespace

class SupportDialogsTest : public QObject {
    Q_OBJECT

private slots:
    void setupRoundTripThroughIniBytes();
    void setupSavesThreeLinesWhenEverythingIsEmpty();
    void setupCancelKeepsWhatBrowseAndCheckBoxRead();
    void setupReportsUnwritableIniAndStillCloses();
    void setupControlsCarryTheirIds();
    void setupWorksOnSettingsItsOwnerKeeps();

    void viewerShowsRecordsInFileOrderCutAtFixedOffsets();
    void viewerOnEmptyAndMissingLog();
    void viewerSortsFileSizeAsTextAndMovesWholeRows();
    void viewerClearEmptiesOnlyTheList();

private:
    QTemporaryDir m_dir;
    QString Path(const char* name) const { return m_dir.filePath(QString::fromLatin1(name)); }
};

void SupportDialogsTest::setupRoundTripThroughIniBytes() {
    const QString ini = Path("setup-roundtrip.ini");
    WriteBytes(ini, "ODDEVERY;/pad/odd.pdf\r\nODDFINAL;\r\nONEACH;/pad/each.pdf\r\nNOSPLASH\r\n");
    CScriptedSupportPrompt prompt;
    CSetupDlg dlg(nullptr, &prompt);
    dlg.SetIniPath(ini.toStdString());
    dlg.LoadSettings();
    dlg.show();

    auto* check = dlg.findChild<QCheckBox*>("noSplashCheck");
    auto* oddEvery = dlg.findChild<QLineEdit*>("oddEveryEdit");
    auto* oddFinal = dlg.findChild<QLineEdit*>("oddFinalEdit");
    auto* onEach = dlg.findChild<QLineEdit*>("onEachEdit");
    QVERIFY(check && oddEvery && oddFinal && onEach);
    QVERIFY(check->isChecked());
    QCOMPARE(oddEvery->text(), QString("/pad/odd.pdf"));
    QCOMPARE(oddFinal->text(), QString(""));
    QCOMPARE(onEach->text(), QString("/pad/each.pdf"));

    oddFinal->setText("/pad/final.pdf");
    check->click();
    dlg.findChild<QPushButton*>("saveButton")->click();

    QCOMPARE(dlg.result(), 1);
    QVERIFY(!dlg.isVisible());
    QCOMPARE(ReadBytes(ini),
             QByteArray("ODDEVERY;/pad/odd.pdf\r\nODDFINAL;/pad/final.pdf\r\nONEACH;/pad/"
                        "each.pdf\r\n"));
    QVERIFY(prompt.messages.empty());

    // What was saved loads back into a fresh dialog.
    CSetupDlg again(nullptr, &prompt);
    again.SetIniPath(ini.toStdString());
    again.LoadSettings();
    QCOMPARE(again.m_settings.m_strOddFinal, std::string("/pad/final.pdf"));
    QCOMPARE(again.m_settings.m_bNoSplash, 0);
}

void SupportDialogsTest::setupSavesThreeLinesWhenEverythingIsEmpty() {
    const QString ini = Path("setup-empty.ini");
    CScriptedSupportPrompt prompt;
    CSetupDlg dlg(nullptr, &prompt);
    dlg.SetIniPath(ini.toStdString());
    dlg.show();
    dlg.findChild<QPushButton*>("saveButton")->click();
    QCOMPARE(ReadBytes(ini), QByteArray("ODDEVERY;\r\nODDFINAL;\r\nONEACH;\r\n"));
}

void SupportDialogsTest::setupCancelKeepsWhatBrowseAndCheckBoxRead() {
    const QString ini = Path("setup-cancel.ini");
    CScriptedSupportPrompt prompt;
    prompt.files = {"/chosen/final.pdf", ""};
    CSetupDlg dlg(nullptr, &prompt);
    dlg.SetIniPath(ini.toStdString());
    dlg.show();
    auto* oddEvery = dlg.findChild<QLineEdit*>("oddEveryEdit");
    auto* oddFinal = dlg.findChild<QLineEdit*>("oddFinalEdit");
    auto* onEach = dlg.findChild<QLineEdit*>("onEachEdit");

    oddEvery->setText("/typed/every.pdf");
    dlg.findChild<QPushButton*>("oddFinalBrowse")->click();
    QCOMPARE(oddFinal->text(), QString("/chosen/final.pdf"));
    QCOMPARE(oddEvery->text(), QString("/typed/every.pdf"));
    QCOMPARE(prompt.openSpecs.size(), size_t(1));
    QCOMPARE(prompt.openSpecs[0].title, std::string("PDF file"));
    QCOMPARE(prompt.openSpecs[0].filters.size(), size_t(2));
    QCOMPARE(prompt.openSpecs[0].filters[0].label, std::string("*.pdf"));
    QCOMPARE(prompt.openSpecs[0].filters[0].patterns, std::string("*.pdf"));
    QCOMPARE(prompt.openSpecs[0].filters[1].label, std::string("All Files *.*"));
    QCOMPARE(prompt.openSpecs[0].filters[1].patterns, std::string("*.*"));
    QCOMPARE(prompt.openSpecs[0].defaultExtension, std::string("PDF"));

    // A cancelled Browse still reads the fields but changes nothing.
    onEach->setText("/typed/each.pdf");
    dlg.findChild<QPushButton*>("onEachBrowse")->click();
    QCOMPARE(onEach->text(), QString("/typed/each.pdf"));

    // Typed after the last read: lost on Cancel.
    oddEvery->setText("/typed/later.pdf");
    dlg.findChild<QPushButton*>("cancelButton")->click();
    QCOMPARE(dlg.result(), 0);

    QCOMPARE(dlg.m_settings.m_strOddEvery, std::string("/typed/every.pdf"));
    QCOMPARE(dlg.m_settings.m_strOddFinal, std::string("/chosen/final.pdf"));
    QCOMPARE(dlg.m_settings.m_strOnEach, std::string("/typed/each.pdf"));
    QVERIFY(!QFile::exists(ini));

    // The next opening shows the settings as they stand, not what was typed.
    dlg.show();
    QCOMPARE(oddEvery->text(), QString("/typed/every.pdf"));

    // The check box reads the fields too.
    onEach->setText("/typed/by-checkbox.pdf");
    dlg.findChild<QCheckBox*>("noSplashCheck")->click();
    dlg.findChild<QPushButton*>("cancelButton")->click();
    QCOMPARE(dlg.m_settings.m_strOnEach, std::string("/typed/by-checkbox.pdf"));
    QCOMPARE(dlg.m_settings.m_bNoSplash, 1);
    QVERIFY(!QFile::exists(ini));
}

void SupportDialogsTest::setupReportsUnwritableIniAndStillCloses() {
    CScriptedSupportPrompt prompt;
    CSetupDlg dlg(nullptr, &prompt);
    dlg.SetIniPath(Path("no/such/folder/setup.ini").toStdString());
    dlg.show();
    dlg.findChild<QLineEdit*>("onEachEdit")->setText("/kept/each.pdf");
    dlg.findChild<QPushButton*>("saveButton")->click();
    QCOMPARE(prompt.messages, std::vector<std::string>{"quorvel|can't save to setup.ini"});
    QCOMPARE(dlg.result(), 1);
    QVERIFY(!dlg.isVisible());
    QCOMPARE(dlg.m_settings.m_strOnEach, std::string("/kept/each.pdf"));
}

void SupportDialogsTest::setupControlsCarryTheirIds() {
    CSetupDlg dlg;
    QCOMPARE(dlg.windowTitle(), QString("Setup"));
    const struct {
        const char* name;
        int id;
        const char* text;
    } controls[] = {
        {"noSplashCheck", 1026, "Disable splash screen startup"},
        {"oddEveryEdit", 1022, nullptr},
        {"oddFinalEdit", 1024, nullptr},
        {"onEachEdit", 1025, nullptr},
        {"saveButton", 1014, "Save && Exit"},
        {"cancelButton", 1003, "&Cancel"},
        {"oddEveryBrowse", 1028, "Browse"},
        {"oddFinalBrowse", 1029, "Browse"},
        {"onEachBrowse", 1030, "Browse"},
    };
    for (const auto& c : controls) {
        QWidget* w = dlg.findChild<QWidget*>(c.name);
        QVERIFY2(w, c.name);
        QCOMPARE(w->property("controlId").toInt(), c.id);
        if (c.text)
            QCOMPARE(w->property("text").toString(), QString(c.text));
    }
}

void SupportDialogsTest::setupWorksOnSettingsItsOwnerKeeps() {
    SetupSettings owned;
    owned.m_strOnEach = "/owner/each.pdf";
    CScriptedSupportPrompt prompt;
    prompt.files = {"/chosen/every.pdf"};
    {
        CSetupDlg dlg(nullptr, &prompt, &owned);
        dlg.SetIniPath(Path("setup-owned.ini").toStdString());
        dlg.show();
        QCOMPARE(dlg.findChild<QLineEdit*>("onEachEdit")->text(), QString("/owner/each.pdf"));
        dlg.findChild<QPushButton*>("oddEveryBrowse")->click();
        dlg.findChild<QPushButton*>("cancelButton")->click();
    }
    QCOMPARE(owned.m_strOddEvery, std::string("/chosen/every.pdf"));
    QCOMPARE(owned.m_strOnEach, std::string("/owner/each.pdf"));
}

void SupportDialogsTest::viewerShowsRecordsInFileOrderCutAtFixedOffsets() {
    const QString log = Path("viewer.log");
    const std::string longOutput = "/out/" + std::string(85, 'o') + ".pdf"; // 94 characters
    WriteBytes(log, QByteArray::fromStdString(
                        Record("2011-03-07 14:05:09", 120, "/out/a.pdf", "/in/a.pdf") +
                        Record("2011-03-07 14:05:10", 123456789, longOutput, "/in/b.pdf") +
                        Record("2011-03-07 14:05:11", 95, "/out/c.pdf", "/in/c.pdf")));
    CScriptedSupportPrompt prompt;
    CViewLogDlg dlg(nullptr, &prompt, log.toStdString());
    dlg.show();
    QTableWidget* list = dlg.List();
    QCOMPARE(dlg.windowTitle(), QString("View Append Log"));
    QCOMPARE(list->property("controlId").toInt(), 1000);
    QCOMPARE(list->columnCount(), 6);
    const char* headers[] = {"Date/Time",     "File Size",     "Appended File",
                             "Creation Time", "Modified Time", "Source File"};
    const int widths[] = {110, 50, 200, 110, 110, 200};
    for (int c = 0; c < 6; ++c) {
        QCOMPARE(list->horizontalHeaderItem(c)->text(), QString(headers[c]));
        // Never narrower than designed, all columns grown alike.
        QVERIFY(list->columnWidth(c) >= widths[c]);
        QVERIFY(qAbs(list->columnWidth(c) * widths[0] - list->columnWidth(0) * widths[c]) <=
                widths[0] + widths[c]);
    }
    QVERIFY(list->columnWidth(0) >=
            list->fontMetrics().horizontalAdvance(QStringLiteral("2011-03-07 14:05:09")));
    QCOMPARE(list->rowCount(), 3);
    QCOMPARE(RowTexts(list, 0),
             QStringList({"2011-03-07 14:05:09", "120", "/out/a.pdf", "2011-03-07 14:05:01",
                          "2011-03-07 14:05:08", "/in/a.pdf"}));
    // The 9-digit size and the 94-character path push the later fields right;
    // the viewer still cuts at the fixed offsets.
    const QStringList overflow = RowTexts(list, 1);
    QCOMPARE(overflow[1], QString("12345678"));
    QCOMPARE(overflow[2], QString::fromStdString("\t" + longOutput.substr(0, 79)));
    QCOMPARE(overflow[3], QString::fromStdString(longOutput.substr(80) + "\t2011-03"));
    QCOMPARE(RowTexts(list, 2)[0], QString("2011-03-07 14:05:11"));
    QVERIFY(prompt.messages.empty());
}

void SupportDialogsTest::viewerOnEmptyAndMissingLog() {
    WriteBytes(Path("empty.log"), "");
    {
        CScriptedSupportPrompt prompt;
        CViewLogDlg dlg(nullptr, &prompt, Path("empty.log").toStdString());
        dlg.OnInitDialog();
        QCOMPARE(dlg.List()->rowCount(), 0);
        QCOMPARE(dlg.List()->columnCount(), 6);
        QVERIFY(prompt.messages.empty());
    }
    {
        CScriptedSupportPrompt prompt;
        CViewLogDlg dlg(nullptr, &prompt, Path("missing.log").toStdString());
        dlg.show();
        QCOMPARE(prompt.messages, std::vector<std::string>{"Log File Error|Can't open append.log"});
        QCOMPARE(dlg.List()->rowCount(), 0);
        QCOMPARE(dlg.List()->columnCount(), 6);
        QVERIFY(dlg.isVisible()); // the dialog still opens
    }
}

void SupportDialogsTest::viewerSortsFileSizeAsTextAndMovesWholeRows() {
    const QString log = Path("sort.log");
    WriteBytes(log, QByteArray::fromStdString(
                        Record("2011-03-07 14:05:03", 95, "/out/a.pdf", "/in/95.pdf") +
                        Record("2011-03-07 14:05:01", 120, "/out/b.pdf", "/in/120.pdf") +
                        Record("2011-03-07 14:05:02", 1000, "/out/c.pdf", "/in/1000.pdf")));
    CScriptedSupportPrompt prompt;
    CViewLogDlg dlg(nullptr, &prompt, log.toStdString());
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    QTableWidget* list = dlg.List();
    list->selectRow(0); // the "95" row

    ClickHeader(list, 1);
    QCOMPARE(ColumnTexts(list, 1), QStringList({"1000", "120", "95"}));
    QCOMPARE(ColumnTexts(list, 5), QStringList({"/in/1000.pdf", "/in/120.pdf", "/in/95.pdf"}));
    QVERIFY(list->selectionModel()->isRowSelected(2, QModelIndex()));
    QVERIFY(!list->selectionModel()->isRowSelected(0, QModelIndex()));

    ClickHeader(list, 1); // always ascending
    QCOMPARE(ColumnTexts(list, 1), QStringList({"1000", "120", "95"}));

    ClickHeader(list, 0);
    QCOMPARE(ColumnTexts(list, 0),
             QStringList({"2011-03-07 14:05:01", "2011-03-07 14:05:02", "2011-03-07 14:05:03"}));
    QCOMPARE(ColumnTexts(list, 1), QStringList({"120", "1000", "95"}));
}

void SupportDialogsTest::viewerClearEmptiesOnlyTheList() {
    const QString log = Path("clear.log");
    const QByteArray bytes =
        QByteArray::fromStdString(Record("2011-03-07 14:05:03", 95, "/out/a.pdf", "/in/a.pdf"));
    WriteBytes(log, bytes);
    CScriptedSupportPrompt prompt;
    {
        CViewLogDlg dlg(nullptr, &prompt, log.toStdString());
        dlg.show();
        QCOMPARE(dlg.List()->rowCount(), 1);
        dlg.findChild<QPushButton*>("clearButton")->click();
        QCOMPARE(dlg.List()->rowCount(), 0);
        QCOMPARE(dlg.List()->columnCount(), 6);
        QVERIFY(dlg.isVisible());
        dlg.findChild<QPushButton*>("closeButton")->click();
        QVERIFY(!dlg.isVisible());
    }
    QCOMPARE(ReadBytes(log), bytes);
    CViewLogDlg again(nullptr, &prompt, log.toStdString());
    again.OnInitDialog();
    QCOMPARE(again.List()->rowCount(), 1);
}

QTEST_MAIN(SupportDialogsTest)
#include "SupportDialogs_guitest.moc"
