#pragma once

#include <QWidget>

class QTextBrowser;
class QPushButton;

namespace quorvel {

// Help context numbers: the main window, the Append Parameters dialog, and 0
// for the table of contents.
inline constexpr int kHelpContents = 0;
inline constexpr int kHelpMainWindow = 131174;
inline constexpr int kHelpAppendParams = 131201;

// The help page a context number selects (unknown numbers: contents).
QString HelpPageForContext(int context);

// The help window: the program's help pages with Contents, Back and Forward.
class CHelpWindow : public QWidget {
    Q_OBJECT
public:
    explicit CHelpWindow(QWidget* parent = nullptr);

    void ShowTopic(int context);
    QTextBrowser* Browser() const { return m_pBrowser; }

private:
    QTextBrowser* m_pBrowser;
    QPushButton* m_pContents;
    QPushButton* m_pBack;
    QPushButton* m_pForward;
};

// Shows the help window with the topic of `context`, raising the one already
// open; returns it.
CHelpWindow* ShowHelp(QWidget* owner, int context);

} // namespace quorvel
