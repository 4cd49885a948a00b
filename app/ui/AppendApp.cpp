#include "app/ui/AppendApp.h"

#include "app/ui/AppendMainDlg.h"

#include <QIcon>

static void InitQuorvelResources() {
    Q_INIT_RESOURCE(quorvel);
}

namespace quorvel {

void InitResources() {
    static const bool done = [] {
        InitQuorvelResources();
        return true;
    }();
    (void)done;
}

CAppendApp::CAppendApp(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("quorvel"));
    InitResources();
    setWindowIcon(QIcon(QStringLiteral(":/quorvel.png")));
}

int CAppendApp::InitInstance() {
    m_strHelpFilePath = QStringLiteral("quorvel.chm");
    CAppendMainDlg dialog;
    dialog.DoModal();
    return 0;
}

} // namespace quorvel
