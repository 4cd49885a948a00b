#include "app/ui/AppendApp.h"

#include "app/ui/AppendMainDlg.h"

#include <QFileInfo>
#include <QIcon>
#include <QPointer>
#include <QTimer>

#include <cstdio>

static void InitQuorvelResources() {
    Q_INIT_RESOURCE(quorvel);
}

namespace quorvel {

namespace {

// Long enough for the splash, started 10 milliseconds after the window, to be
// up at the first look; short enough not to be noticed.
constexpr int kFirstLookMs = 50;
constexpr int kNextLookMs = 100;

void AddWhenNothingModalAbove(QPointer<CAppendMainDlg> window, QStringList paths, int delayMs) {
    QTimer::singleShot(delayMs, window, [window, paths] {
        if (!window)
            return;
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && modal != window.data()) {
            AddWhenNothingModalAbove(window, paths, kNextLookMs);
            return;
        }
        window->AddDroppedFiles(paths);
    });
}

} // namespace

void InitResources() {
    static const bool done = [] {
        InitQuorvelResources();
        return true;
    }();
    (void)done;
}

void AddStartUpFiles(CAppendMainDlg& window, const QStringList& files) {
    QStringList paths;
    for (const QString& file : files)
        paths << QFileInfo(file).absoluteFilePath();
    AddWhenNothingModalAbove(&window, paths, kFirstLookMs);
}

void PrintWindowUsage(std::FILE* out) {
    std::fputs("usage: quorvel [--help] [--version] [FILE...]\n"
               "Appends PDF files to one another.\n"
               "\n"
               "  FILE...    PDF files to add to the job list once the window is up, as if\n"
               "             they were dropped on it\n"
               "  --help     show this help and exit\n"
               "  --version  show the version and exit\n"
               "\n"
               "Qt's own options (-platform NAME, -style NAME ...) are accepted too.\n"
               "The settings (setup.ini) and the append log (append.log) are kept in the\n"
               "current folder. See quorvel(1).\n",
               out);
}

CAppendApp::CAppendApp(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("quorvel"));
    // Lets the desktop match the window to the installed entry and its icon.
    setDesktopFileName(QStringLiteral("example.brellwick.quorvel"));
    InitResources();
    setWindowIcon(QIcon(QStringLiteral(":/quorvel.png")));
}

int CAppendApp::InitInstance() {
    m_strHelpFilePath = QStringLiteral("quorvel.chm");
    CAppendMainDlg dialog;
    if (!m_startFiles.isEmpty())
        AddStartUpFiles(dialog, m_startFiles);
    dialog.DoModal();
    return 0;
}

} // namespace quorvel
