#pragma once

#include <QDialog>
#include <QTimer>

namespace quorvel {

// The borderless start-up picture; it closes itself after three seconds.
class CSplashDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kShowMilliseconds = 3000;

    explicit CSplashDlg(QWidget* owner);

private:
    QTimer m_closeTimer;
};

} // namespace quorvel
