#include "support/ui/HelpWindow.h"

#include <QHBoxLayout>
#include <QPointer>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

// The help pages are built into the support library; a static library's
// resources register only when asked by name.
static void InitHelpResources() {
    static bool done = false;
    if (!done) {
        Q_INIT_RESOURCE(help);
        done = true;
    }
}

namespace quorvel {

QString HelpPageForContext(int context) {
    switch (context) {
    case kHelpMainWindow:
        return QStringLiteral("qrc:/help/main.html");
    case kHelpAppendParams:
        return QStringLiteral("qrc:/help/params.html");
    default:
        return QStringLiteral("qrc:/help/index.html");
    }
}

CHelpWindow::CHelpWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    InitHelpResources();
    setObjectName(QStringLiteral("helpWindow"));
    setWindowTitle(QStringLiteral("Quorvel Desktop Edition Help"));

    m_pContents = new QPushButton(tr("Contents"), this);
    m_pContents->setObjectName(QStringLiteral("contentsButton"));
    m_pBack = new QPushButton(tr("Back"), this);
    m_pBack->setObjectName(QStringLiteral("backButton"));
    m_pForward = new QPushButton(tr("Forward"), this);
    m_pForward->setObjectName(QStringLiteral("forwardButton"));
    m_pBrowser = new QTextBrowser(this);
    m_pBrowser->setObjectName(QStringLiteral("helpBrowser"));
    // Pages link to each other; addresses outside the help go to the desktop.
    m_pBrowser->setOpenExternalLinks(true);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_pContents);
    buttons->addWidget(m_pBack);
    buttons->addWidget(m_pForward);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(m_pBrowser);

    m_pBack->setEnabled(false);
    m_pForward->setEnabled(false);
    connect(m_pContents, &QPushButton::clicked, this, [this] { ShowTopic(kHelpContents); });
    connect(m_pBack, &QPushButton::clicked, m_pBrowser, &QTextBrowser::backward);
    connect(m_pForward, &QPushButton::clicked, m_pBrowser, &QTextBrowser::forward);
    connect(m_pBrowser, &QTextBrowser::backwardAvailable, m_pBack, &QPushButton::setEnabled);
    connect(m_pBrowser, &QTextBrowser::forwardAvailable, m_pForward, &QPushButton::setEnabled);
    resize(720, 640);
}

void CHelpWindow::ShowTopic(int context) {
    m_pBrowser->setSource(QUrl(HelpPageForContext(context)));
}

CHelpWindow* ShowHelp(QWidget* owner, int context) {
    static QPointer<CHelpWindow> window;
    if (!window) {
        window = new CHelpWindow(owner);
        window->setAttribute(Qt::WA_DeleteOnClose);
    }
    window->ShowTopic(context);
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

} // namespace quorvel
