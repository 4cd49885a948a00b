#pragma once

#include <QApplication>

namespace quorvel {

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
};

// Makes the icons and the splash picture of the program available; needed
// once per process by code that shows the windows.
void InitResources();

} // namespace quorvel
