// Protected sources in the window: the password dialog when a file is added
// (right, wrong, Skip), "Skip all protected files" in a bulk load, and a run
// whose rows open with the remembered password and write it nowhere.

#include "GuiTestSupport.h"
#include "app/ui/AppendApp.h"
#include "app/ui/AppendMainDlg.h"
#include "bulk/BulkMessages.h"
#include "engine/RunMessages.h"
#include "support/PageCountProbe.h"

#include <QDirIterator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <cstdlib>

using namespace quorvel;
using quorvel::test::CScriptedPrompt;

namespace {

const char* const kUserPassword = "gui-user-Pw7";
const char* const kOwnerPassword = "gui-owner-Pw8";

// Writes `pages` pages encrypted with qpdf: AES-256, or RC4 128 with `rc4`.
bool WriteProtectedPdf(const QString& path, int pages, bool rc4 = false) {
    const QString plain = path + QStringLiteral(".plain");
    if (!test::WritePdf(plain, pages))
        return false;
    const std::string command = std::string("qpdf") + (rc4 ? " --allow-weak-crypto" : "") +
                                " --encrypt " + kUserPassword + " " + kOwnerPassword +
                                (rc4 ? " 128 --use-aes=n" : " 256") + " -- '" +
                                plain.toStdString() + "' '" + path.toStdString() + "'";
    const bool ok = std::system(command.c_str()) == 0;
    QFile::remove(plain);
    return ok;
}

template <class T> T* Child(QDialog* d, const char* name) {
    return d->findChild<T*>(QString::fromLatin1(name));
}

// Answers the next password dialog: records what it showed, types
// `password` (null: presses Skip, "*": Skip all) and runs `then` first, to
// set up the answer to the dialog after it.
struct Shown {
    QString file;
    bool wrongLine = false;
    bool skipAll = false;
};
void AnswerPassword(std::vector<Shown>& shown, const char* password,
                    std::function<void()> then = {}) {
    test::OnNextModal([&shown, password, then](QDialog* d) {
        QVERIFY(Child<QLineEdit>(d, "passwordEdit"));
        QCOMPARE(Child<QLineEdit>(d, "passwordEdit")->echoMode(), QLineEdit::Password);
        shown.push_back({Child<QLabel>(d, "fileLabel")->text(),
                         Child<QLabel>(d, "wrongLabel")->isVisible(),
                         Child<QPushButton>(d, "skipAllButton")->isVisible()});
        if (then)
            then();
        if (!password) {
            Child<QPushButton>(d, "skipButton")->click();
        } else if (std::string(password) == "*") {
            Child<QPushButton>(d, "skipAllButton")->click();
        } else {
            Child<QLineEdit>(d, "passwordEdit")->setText(QString::fromLatin1(password));
            Child<QPushButton>(d, "okButton")->click();
        }
    });
}

// While it lives, closes every modal dialog that comes up and notes it.
class CDialogGuard {
public:
    CDialogGuard() {
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (dialog && dialog->isVisible()) {
                m_bRefused = true;
                dialog->done(0);
            }
        });
        m_timer.start(10);
    }
    bool Refused() const { return m_bRefused; }

private:
    QTimer m_timer;
    bool m_bRefused = false;
};

} // namespace

class PasswordsTest : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

    JobEntryFields Entry(const QString& file, const char* create) {
        JobEntryFields f;
        f.filename = file.toStdString();
        f.parameters = "all";
        f.outputFile = m_dir.filePath(QStringLiteral("out.pdf")).toStdString();
        f.keepBookmarks = "N";
        f.create = create;
        f.append = "N";
        f.bookmarkFilename = "N";
        return f;
    }

private Q_SLOTS:
    void initTestCase() {
        InitResources();
        QVERIFY(m_dir.isValid());
        QDir::setCurrent(m_dir.path());
        QFile ini(m_dir.filePath(QStringLiteral("setup.ini")));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("NOSPLASH\r\n");
    }

    // A wrong password asks again, the right one gives the count; the same
    // file added again and the run's rows use the remembered password, and
    // the password reaches no file.
    void wrongThenRightIsRememberedForTheRun() {
        const QString secret = m_dir.filePath(QStringLiteral("secret.pdf"));
        QVERIFY(WriteProtectedPdf(secret, 2));
        CScriptedPrompt prompt;
        CAppendMainDlg dlg(&prompt);
        dlg.OnInitDialog();
        dlg.show();
        std::vector<Shown> shown;
        AnswerPassword(shown, "not-it", [&] { AnswerPassword(shown, kUserPassword); });
        QCOMPARE(dlg.AddJobEntry(Entry(secret, "Y")), 1);
        QCOMPARE(shown.size(), size_t(2));
        QCOMPARE(shown[0].file, secret);
        QVERIFY(!shown[0].wrongLine);
        QVERIFY(shown[1].wrongLine);
        QVERIFY(!shown[0].skipAll && !shown[1].skipAll);
        QCOMPARE(dlg.JobList().Text(0, Pages), std::string("2"));

        CDialogGuard guard;
        QCOMPARE(dlg.AddJobEntry(Entry(secret, "N")), 1);
        QCOMPARE(dlg.JobList().Text(1, Pages), std::string("2"));
        dlg.CommandAction(Cmd::kRefreshPageCounts)->trigger();
        QCOMPARE(dlg.JobList().Text(1, Pages), std::string("2"));
        dlg.findChild<QPushButton*>(QStringLiteral("appendFilesButton"))->click();
        QVERIFY(!guard.Refused());
        QCOMPARE(prompt.messages.size(), size_t(1));
        QCOMPARE(prompt.messages[0].text, std::string(RunMessages::kDone));
        QCOMPARE(dlg.JobList().Text(1, Status), std::string("Done"));
        const std::string out = m_dir.filePath(QStringLiteral("out.pdf")).toStdString();
        QCOMPARE(ProbePdfPageCount(out), 4); // opens without a password

        QDirIterator files(m_dir.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        int checked = 0;
        while (files.hasNext()) {
            QFile file(files.next());
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QByteArray bytes = file.readAll();
            QVERIFY2(!bytes.contains(kUserPassword), qPrintable(file.fileName()));
            ++checked;
        }
        QVERIFY(checked >= 3); // the source, the output, append.log
        dlg.hide();
    }

    // Skip leaves the file unopened: the server is asked without the
    // password, fails, and the count is 0, as for any file it cannot open.
    void skipGivesErrorOpeningFile() {
        const QString secret = m_dir.filePath(QStringLiteral("skipped.pdf"));
        QVERIFY(WriteProtectedPdf(secret, 2, true));
        CScriptedPrompt prompt;
        CAppendMainDlg dlg(&prompt);
        std::vector<Shown> shown;
        AnswerPassword(shown, nullptr);
        QCOMPARE(dlg.AddJobEntry(Entry(secret, "Y")), 1);
        QCOMPARE(shown.size(), size_t(1));
        QCOMPARE(dlg.JobList().Text(0, Pages), std::string("0"));
        QCOMPARE(prompt.messages.size(), size_t(1));
        QCOMPARE(prompt.messages[0].text, "Error Opening File : " + secret.toStdString());
    }

    // A bulk load offers "Skip all protected files"; once chosen, the other
    // protected files of the load are not asked for, and a later single add
    // asks again, without the offer.
    void bulkLoadSkipAll() {
        QStringList names;
        for (const char* name : {"p1.pdf", "p2.pdf", "plain.pdf", "p3.pdf"})
            names << m_dir.filePath(QString::fromLatin1(name));
        QVERIFY(WriteProtectedPdf(names[0], 1));
        QVERIFY(WriteProtectedPdf(names[1], 1, true));
        QVERIFY(test::WritePdf(names[2], 3));
        QVERIFY(WriteProtectedPdf(names[3], 1));
        const QString list = m_dir.filePath(QStringLiteral("files.lst"));
        QFile listFile(list);
        QVERIFY(listFile.open(QIODevice::WriteOnly));
        listFile.write((names.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toUtf8());
        listFile.close();

        CScriptedPrompt prompt;
        CAppendMainDlg dlg(&prompt);
        std::vector<Shown> shown;
        test::OnNextModal([&](QDialog* d) {
            Child<QLineEdit>(d, "listFileEdit")->setText(list);
            Child<QLineEdit>(d, "outputFileEdit")->setText(m_dir.filePath("bulk.pdf"));
            AnswerPassword(shown, "*");
            Child<QPushButton>(d, "okButton")->click();
        });
        dlg.CommandAction(Cmd::kBulkLoadListFile)->trigger();
        QCOMPARE(shown.size(), size_t(1));
        QVERIFY(shown[0].skipAll);
        QCOMPARE(dlg.JobList().RowCount(), 4);
        QCOMPARE(dlg.JobList().Text(2, Pages), std::string("3"));
        for (int row : {0, 1, 3})
            QCOMPARE(dlg.JobList().Text(row, Pages), std::string("0"));

        AnswerPassword(shown, kOwnerPassword);
        QCOMPARE(dlg.AddJobEntry(Entry(names[3], "N")), 1);
        QCOMPARE(shown.size(), size_t(2));
        QVERIFY(!shown[1].skipAll);
        QCOMPARE(dlg.JobList().Text(4, Pages), std::string("1"));
    }
};

QTEST_MAIN(PasswordsTest)
#include "Passwords_guitest.moc"
