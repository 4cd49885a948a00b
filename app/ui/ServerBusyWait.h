#pragma once

#include <QObject>

class QAbstractButton;
class QLabel;
class QWidget;

namespace quorvel {

// Keeps the main window alive while it waits for a call to its document
// helper: paints, timers and the window system's own events go through, but
// of the user's input only what reaches the "Stop" button (while it says so)
// and the Close button. After a few seconds a line under the buttons says
// that the helper is busy and for how long.
class CServerBusyWait : public QObject {
    Q_OBJECT
public:
    // The line is placed right of `beside`, in `beside`'s parent.
    CServerBusyWait(QAbstractButton* stopButton, QAbstractButton* closeButton, QWidget* beside);
    ~CServerBusyWait() override;

    // One pump while a call has been under way for `elapsedMs`.
    void Pump(int elapsedMs);
    // The call ended: input goes everywhere again and the line goes away.
    void End();

    // The line's text for a call under way for `elapsedMs`; empty while it
    // is not shown yet.
    static QString BusyText(int elapsedMs);
    QLabel* BusyLabel() const { return m_pLabel; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool Allowed(QObject* target) const;

    QAbstractButton* m_pStopButton;
    QAbstractButton* m_pCloseButton;
    QWidget* m_pBeside;
    QLabel* m_pLabel;
    bool m_bFiltering = false;
};

} // namespace quorvel
