// quorvel-window-bench run BATCH.app [WxH]
// quorvel-window-bench bulk FOLDER [WxH]
//
// Times the shown main window at work, as a user drives it: "run" loads the
// batch file (not timed) and times "Append Files" over it; "bulk" times
// "Bulk Load (Grouping)" over FOLDER (outputs under /out, suffix _b). The
// window is shown at its own size, or resized to WxH. Every message box is
// answered with OK. Prints "rows=N size=WxH seconds=S" (the size of the
// window's frame). Meant for the offscreen platform (QT_QPA_PLATFORM=offscreen)
// or Xvfb.

#include "app/ui/AppendApp.h"
#include "app/ui/AppendMainDlg.h"
#include "bench/BenchPrompt.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

using quorvel::bench::CBenchPrompt;

int Usage() {
    std::fprintf(stderr, "usage: quorvel-window-bench run BATCH.app [WxH]\n"
                         "       quorvel-window-bench bulk FOLDER [WxH]\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    quorvel::InitResources();
    if (argc < 3)
        return Usage();
    const std::string mode = argv[1];
    const bool run = mode == "run";
    if (!run && mode != "bulk")
        return Usage();
    int width = 0;
    int height = 0;
    if (argc > 3 && std::sscanf(argv[3], "%dx%d", &width, &height) != 2)
        return Usage();

    CBenchPrompt prompt(run ? std::string() : argv[2]);
    quorvel::CAppendMainDlg dlg(&prompt);
    dlg.show();
    if (width > 0 && height > 0)
        dlg.resize(width - (dlg.frameGeometry().width() - dlg.width()),
                   height - (dlg.frameGeometry().height() - dlg.height()));
    QTest::qWait(200);
    if (run) {
        dlg.ReadBatchFile(argv[2]);
        QTest::qWait(200);
    }

    QElapsedTimer timer;
    timer.start();
    if (run) {
        dlg.findChild<QPushButton*>(QStringLiteral("appendFilesButton"))->click();
    } else {
        // Fills in the grouping dialog as soon as it is up, and presses OK.
        QTimer::singleShot(0, [] {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal)
                return;
            modal->findChild<QLineEdit*>(QStringLiteral("outputDirEdit"))->setText("/out");
            modal->findChild<QLineEdit*>(QStringLiteral("suffixEdit"))->setText("_b");
            modal->findChild<QPushButton*>(QStringLiteral("okButton"))->click();
        });
        dlg.CommandAction(quorvel::Cmd::kBulkLoadGrouping)->trigger();
    }
    const double seconds = timer.elapsed() / 1000.0;
    const QRect frame = dlg.frameGeometry();
    std::printf("rows=%d size=%dx%d seconds=%.3f\n", dlg.JobList().RowCount(), frame.width(),
                frame.height(), seconds);
    return 0;
}
