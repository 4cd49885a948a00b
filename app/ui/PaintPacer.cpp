#include "app/ui/PaintPacer.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

#include <algorithm>

namespace quorvel {

CPaintPacer::CPaintPacer(QWidget* window) : QObject(window), m_pWindow(window) {
    m_clock.start();
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, [this] { SendHeldRequest(); });
}

void CPaintPacer::SetActive(bool active) {
    m_bActive = active;
    // A request held back while the work ran is painted as soon as it ends.
    if (!active && m_timer.isActive()) {
        m_timer.stop();
        SendHeldRequest();
    }
}

bool CPaintPacer::OnUpdateRequest(const std::function<bool()>& paint) {
    const qint64 now = m_clock.nsecsElapsed();
    if (m_bActive && now < m_nNextPaintNs) {
        // Qt sends no further request until this one is handled, so the
        // window asks for nothing more; the timer sends it again.
        ++m_nHeldBack;
        if (!m_timer.isActive())
            m_timer.start(static_cast<int>((m_nNextPaintNs - now + 999'999) / 1'000'000));
        return true;
    }
    m_timer.stop();
    const bool handled = paint();
    const qint64 end = m_clock.nsecsElapsed();
    ++m_nPainted;
    m_nNextPaintNs = end + std::max(kFrameNs, kCostFactor * (end - now));
    return handled;
}

void CPaintPacer::SendHeldRequest() {
    QCoreApplication::postEvent(m_pWindow, new QEvent(QEvent::UpdateRequest), Qt::LowEventPriority);
}

} // namespace quorvel
