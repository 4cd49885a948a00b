#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <functional>

class QWidget;

namespace quorvel {

// Spaces the paints of one top-level window while long work runs on its
// thread. The work changes the job list row by row and pumps events between
// rows; painting after every change would cost a full paint per row, and more
// the larger the window. While pacing is on, an update request that comes
// sooner than one frame (16 ms) after the last paint, or sooner than
// kCostFactor times that paint's cost, is held back and sent again when that
// time is up, so a burst of changes costs one paint and the time spent
// painting stays a small share whatever the window's size. Nothing is lost:
// the window keeps collecting what needs painting until the held request is
// delivered.
class CPaintPacer : public QObject {
public:
    static constexpr qint64 kFrameNs = 16'000'000;
    static constexpr qint64 kCostFactor = 10;

    explicit CPaintPacer(QWidget* window);

    // On while long work runs; off, every request paints at once.
    void SetActive(bool active);
    bool IsActive() const { return m_bActive; }

    // Handles one update request of the window: runs `paint` (the window's
    // own handling of the request) now, or holds the request back. Returns
    // what the window's event handler returns.
    bool OnUpdateRequest(const std::function<bool()>& paint);

    // How many requests were painted and held back since construction.
    int Painted() const { return m_nPainted; }
    int HeldBack() const { return m_nHeldBack; }

private:
    void SendHeldRequest();

    QWidget* m_pWindow;
    QElapsedTimer m_clock;
    qint64 m_nNextPaintNs = 0;
    QTimer m_timer;
    bool m_bActive = false;
    int m_nPainted = 0;
    int m_nHeldBack = 0;
};

} // namespace quorvel
