#include "app/ui/ServerBusyWait.h"

#include "engine/AppendRun.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QEvent>
#include <QLabel>

#include <algorithm>

namespace quorvel {

namespace {

// A call this old is worth telling the user about.
constexpr int kShowBusyAfterMs = 3000;

bool IsUserInput(QEvent::Type type) {
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Shortcut:
    case QEvent::ContextMenu:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
    case QEvent::InputMethod:
        return true;
    default:
        return false;
    }
}

} // namespace

CServerBusyWait::CServerBusyWait(QAbstractButton* stopButton, QAbstractButton* closeButton,
                                 QWidget* beside)
    : m_pStopButton(stopButton), m_pCloseButton(closeButton), m_pBeside(beside),
      m_pLabel(new QLabel(beside->parentWidget())) {
    m_pLabel->setObjectName(QStringLiteral("serverBusyLabel"));
    m_pLabel->hide();
}

CServerBusyWait::~CServerBusyWait() {
    End();
}

QString CServerBusyWait::BusyText(int elapsedMs) {
    if (elapsedMs < kShowBusyAfterMs)
        return {};
    return QStringLiteral("Waiting for the document helper: busy for %1 s").arg(elapsedMs / 1000);
}

void CServerBusyWait::Pump(int elapsedMs) {
    if (!m_bFiltering) {
        QCoreApplication::instance()->installEventFilter(this);
        m_bFiltering = true;
    }
    const QString text = BusyText(elapsedMs);
    if (!text.isEmpty()) {
        // Placed afresh each time: the window may have been resized.
        const QRect beside = m_pBeside->geometry();
        const int left = beside.right() + 12;
        m_pLabel->setGeometry(left, beside.top(),
                              std::max(120, m_pLabel->parentWidget()->width() - left - 10),
                              beside.height());
        m_pLabel->setText(text);
        m_pLabel->show();
    }
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void CServerBusyWait::End() {
    if (m_bFiltering) {
        QCoreApplication::instance()->removeEventFilter(this);
        m_bFiltering = false;
    }
    m_pLabel->hide();
}

bool CServerBusyWait::Allowed(QObject* target) const {
    for (QObject* o = target; o; o = o->parent()) {
        if (o == m_pCloseButton)
            return true;
        if (o == m_pStopButton)
            return m_pStopButton->text() == QLatin1String(kLabelStop);
    }
    return false;
}

bool CServerBusyWait::eventFilter(QObject* watched, QEvent* event) {
    if (!IsUserInput(event->type()))
        return QObject::eventFilter(watched, event);
    // Keys bound to commands and menu items run nothing now.
    if (event->type() == QEvent::Shortcut)
        return true;
    // The window system hands input to the window object, which passes it on
    // to the widget it is for: that widget is where it is judged.
    if (!watched->isWidgetType())
        return QObject::eventFilter(watched, event);
    return !Allowed(watched);
}

} // namespace quorvel
