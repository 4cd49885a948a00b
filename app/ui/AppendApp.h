#pragma once

#include <QApplication>
#include <QStringList>

#include <cstdio>

namespace quorvel {

class CAppendMainDlg;

// The application object: its only work is starting the main window and
// returning the process's exit code when the window ends.
class CAppendApp : public QApplication {
    Q_OBJECT
public:
    CAppendApp(int& argc, char** argv);

    // Runs the main window as a modal dialog; returns the process exit code.
    int InitInstance();

    // Relative name of the help file, resolved against the working folder.
    QString m_strHelpFilePath;
    // Files named on the command line; the window adds them once it is up.
    QStringList m_startFiles;
};

// Makes the icons and the splash picture of the program available; needed
// once per process by code that shows the windows.
void InitResources();

// Adds `files` to the job list of `window` as a drop of them would: made
// absolute against the working folder now, handed to AddDroppedFiles from the
// event loop once no other modal window (the splash, a message) stands over
// the main window, because a drop cannot reach it before.
void AddStartUpFiles(CAppendMainDlg& window, const QStringList& files);

// Writes the window program's usage to `out`.
void PrintWindowUsage(std::FILE* out);

} // namespace quorvel
