// quorvel-window-scan-bench FOLDER [show]: times the main window's grouping
// bulk load over FOLDER as the window runs it (Scanning window, pumps,
// repaints, column fitting, page counts through the helper), with the main
// window hidden, or shown with "show". Prints "rows=N seconds=S". Meant for
// the offscreen platform (QT_QPA_PLATFORM=offscreen).

#include "app/ui/AppendMainDlg.h"
#include "bench/BenchPrompt.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <cstdio>
#include <string>

namespace {

using quorvel::bench::CBenchPrompt;

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: quorvel-window-scan-bench FOLDER [show]\n");
        return 2;
    }
    CBenchPrompt prompt(argv[1]);
    quorvel::CAppendMainDlg dlg(&prompt);
    if (argc > 2 && std::string(argv[2]) == "show")
        dlg.show();
    // Fills in the grouping dialog as soon as it is up, and presses OK.
    QTimer::singleShot(0, [] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        modal->findChild<QLineEdit*>("outputDirEdit")->setText("/out");
        modal->findChild<QLineEdit*>("suffixEdit")->setText("_b");
        modal->findChild<QPushButton*>("okButton")->click();
    });
    QElapsedTimer timer;
    timer.start();
    dlg.CommandAction(quorvel::Cmd::kBulkLoadGrouping)->trigger();
    std::printf("rows=%d seconds=%.3f\n", dlg.JobList().RowCount(), timer.elapsed() / 1000.0);
    return 0;
}
