// The link label, the About box and the help window.
#include "support/ScriptedSupportPrompt.h"
#include "support/ui/AboutDlg.h"
#include "support/ui/DesktopOpener.h"
#include "support/ui/HelpWindow.h"
#include "support/ui/LinkLabel.h"

#include <QDirIterator>
#include <QEnterEvent>
#include <QPushButton>
#include <QRegularExpression>
#include <QTextBrowser>
#include <QtTest>

using namespace quorvel;
using quorvel::testing::CScriptedSupportPrompt;

class SupportLinksTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { SetDesktopOpener({}); }

    void linkColourStatesFollowHoverAndVisit();
    void linkFailureShowsTheCodeText_data();
    void linkFailureShowsTheCodeText();
    void linkTakesTextAsUrlAndUrlAsText();
    void aboutBoxLinksAndTexts();
    void helpContextOpensItsTopic_data();
    void helpContextOpensItsTopic();
    void helpPagesLinkOnlyToPagesThatExist();

private:
    static void Enter(QWidget* w) {
        QEnterEvent e(QPointF(1, 1), QPointF(1, 1), w->mapToGlobal(QPointF(1, 1)));
        QApplication::sendEvent(w, &e);
    }
    static void Leave(QWidget* w) {
        QEvent e(QEvent::Leave);
        QApplication::sendEvent(w, &e);
    }
    static QColor TextColor(const QWidget* w) {
        return w->palette().color(QPalette::Active, QPalette::WindowText);
    }
};

void SupportLinksTest::linkColourStatesFollowHoverAndVisit() {
    QStringList opened;
    SetDesktopOpener([&](const QString& url) {
        opened << url;
        return 42;
    });
    CScriptedSupportPrompt prompt;
    QWidget parent;
    auto* link = new CLinkLabel(&parent);
    link->SetPrompt(&prompt);
    link->setText("Go to the site");
    link->AssignUrl("https://www.brellwick.example/");
    link->Attach();
    parent.show();

    const QColor linkColor(100, 10, 14), visited(200, 200, 200);
    const QColor hover = QApplication::palette().color(QPalette::Active, QPalette::Highlight);
    QCOMPARE(TextColor(link), linkColor);
    QCOMPARE(link->cursor().shape(), Qt::PointingHandCursor);
    QCOMPARE(link->toolTip(), QString("https://www.brellwick.example/"));
    QVERIFY(link->font().underline());
    QCOMPARE(link->size(), link->sizeHint()); // fitted to its text

    Enter(link);
    QVERIFY(link->IsOverControl());
    QCOMPARE(TextColor(link), hover);
    Leave(link);
    QVERIFY(!link->IsOverControl());
    QCOMPARE(TextColor(link), linkColor);

    QTest::mouseClick(link, Qt::LeftButton, {}, QPoint(2, 2));
    QCOMPARE(opened, QStringList{"https://www.brellwick.example/"});
    QVERIFY(link->IsVisited());
    QCOMPARE(TextColor(link), visited);
    Enter(link); // hover wins over visited
    QCOMPARE(TextColor(link), hover);
    Leave(link);
    QCOMPARE(TextColor(link), visited);
    QVERIFY(prompt.messages.empty());

    link->EnableUnderline(false);
    QVERIFY(!link->font().underline());
}

void SupportLinksTest::linkFailureShowsTheCodeText_data() {
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("text");
    QTest::newRow("sharing") << 26 << "A sharing violation occurred. ";
    QTest::newRow("unknown") << 4 << "Unknown Error (4) occurred.";
    QTest::newRow("no program")
        << 31 << "There is no application associated\nwith the given filename extension.";
}

void SupportLinksTest::linkFailureShowsTheCodeText() {
    QFETCH(int, code);
    QFETCH(QString, text);
    SetDesktopOpener([code](const QString&) { return code; });
    CScriptedSupportPrompt prompt;
    CLinkLabel link;
    link.SetPrompt(&prompt);
    link.AssignUrl("mailto:support@brellwick.example");
    link.Attach();
    link.OnClicked();
    QCOMPARE(prompt.messages.size(), size_t(1));
    QCOMPARE(QString::fromStdString(prompt.messages[0]),
             "quorvel|Unable to open hyperlink:\n\n" + text);
    QCOMPARE(prompt.messageIcons[0], MsgIcon::Warning);
    QVERIFY(!link.IsVisited());
    QCOMPARE(TextColor(&link), QColor(100, 10, 14));
}

void SupportLinksTest::linkTakesTextAsUrlAndUrlAsText() {
    CLinkLabel fromText;
    fromText.setText("https://text.example/");
    fromText.Attach();
    QCOMPARE(fromText.Url(), QString("https://text.example/"));
    QCOMPARE(fromText.toolTip(), QString("https://text.example/"));

    CLinkLabel fromUrl;
    fromUrl.AssignUrl("https://url.example/");
    fromUrl.Attach();
    QCOMPARE(fromUrl.text(), QString("https://url.example/"));
}

void SupportLinksTest::aboutBoxLinksAndTexts() {
    QStringList opened;
    SetDesktopOpener([&](const QString& url) {
        opened << url;
        return 42;
    });
    CAboutDlg dlg;
    dlg.show();
    QCOMPARE(dlg.windowTitle(), QString("About Quorvel Desktop Edition"));
    QVERIFY(dlg.findChild<QLabel*>("versionLabel"));
    QCOMPARE(dlg.findChild<QLabel*>("versionLabel")->text(),
             QString("Quorvel Desktop Edition v1.15"));
    QVERIFY(dlg.findChild<QLabel*>("iconLabel")->pixmap().isNull() == false);
    QCOMPARE(dlg.WebsiteLink()->property("controlId").toInt(), 1024);
    QCOMPARE(dlg.EmailLink()->property("controlId").toInt(), 1013);
    QCOMPARE(dlg.WebsiteLink()->Url(), QString("https://www.brellwick.example/"));
    QCOMPARE(dlg.EmailLink()->Url(), QString("mailto:support@brellwick.example"));

    QTest::mouseClick(dlg.EmailLink(), Qt::LeftButton, {}, QPoint(2, 2));
    QCOMPARE(opened, QStringList{"mailto:support@brellwick.example"});
    QVERIFY(dlg.EmailLink()->IsVisited());
    QVERIFY(!dlg.WebsiteLink()->IsVisited());

    auto* ok = dlg.findChild<QPushButton*>("okButton");
    QCOMPARE(ok->text(), QString("OK"));
    ok->click();
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
}

void SupportLinksTest::helpContextOpensItsTopic_data() {
    QTest::addColumn<int>("context");
    QTest::addColumn<QString>("page");
    QTest::addColumn<QString>("heading");
    QTest::newRow("main window") << 131174 << "main.html"
                                 << "The main window";
    QTest::newRow("parameters dialog") << 131201 << "params.html"
                                       << "The Append Parameters dialog";
    QTest::newRow("contents") << 0 << "index.html"
                              << "Quorvel Desktop Edition Help";
    QTest::newRow("unknown") << 131999 << "index.html"
                             << "Quorvel Desktop Edition Help";
}

void SupportLinksTest::helpContextOpensItsTopic() {
    QFETCH(int, context);
    QFETCH(QString, page);
    QFETCH(QString, heading);
    CHelpWindow* window = ShowHelp(nullptr, context);
    QVERIFY(window);
    QVERIFY(window->isVisible());
    QCOMPARE(window->Browser()->source().fileName(), page);
    QVERIFY2(window->Browser()->toPlainText().startsWith(heading),
             qPrintable(window->Browser()->toPlainText().left(80)));
    QCOMPARE(ShowHelp(nullptr, 0), window); // one help window, reused
}

void SupportLinksTest::helpPagesLinkOnlyToPagesThatExist() {
    ShowHelp(nullptr, 0); // registers the help resources
    static const QRegularExpression href(QStringLiteral("href=\"([^\"#:]+)(#[^\"]*)?\""));
    int pages = 0;
    QDirIterator it(QStringLiteral(":/help"));
    while (it.hasNext()) {
        const QString path = it.next();
        if (!path.endsWith(".html"))
            continue;
        ++pages;
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QString html = QString::fromUtf8(f.readAll());
        QVERIFY2(html.contains("<h1>"), qPrintable(path));
        for (auto m = href.globalMatch(html); m.hasNext();) {
            const QString target = m.next().captured(1);
            QVERIFY2(QFile::exists(":/help/" + target),
                     qPrintable(path + " links to missing " + target));
        }
    }
    QVERIFY(pages >= 8);
}

QTEST_MAIN(SupportLinksTest)
#include "SupportLinks_guitest.moc"
