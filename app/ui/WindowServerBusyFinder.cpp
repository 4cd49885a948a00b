#include "app/ui/WindowServerBusyFinder.h"

#include "engine/Watchdog.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMetaObject>
#include <QWidget>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>

namespace quorvel {

bool CWindowServerBusyFinder::PressServerBusyRetryNow() {
    const QString title = QString::fromLatin1(kServerBusyTitle);
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (!window->isVisible() || window->windowTitle() != title)
            continue;
        for (QAbstractButton* button : window->findChildren<QAbstractButton*>()) {
            if (button->property("controlId").toInt() == kServerBusyRetryControlId) {
                button->click();
                return true;
            }
        }
    }
    return false;
}

bool CWindowServerBusyFinder::PressServerBusyRetry() {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app)
        return false;
    // Shared with the queued call, which may run after this function gave up.
    struct Outcome {
        std::mutex mutex;
        std::condition_variable done;
        bool finished = false;
        bool pressed = false;
    };
    auto outcome = std::make_shared<Outcome>();
    QMetaObject::invokeMethod(
        app,
        [outcome] {
            const bool pressed = PressServerBusyRetryNow();
            std::lock_guard<std::mutex> lock(outcome->mutex);
            outcome->pressed = pressed;
            outcome->finished = true;
            outcome->done.notify_all();
        },
        Qt::QueuedConnection);
    std::unique_lock<std::mutex> lock(outcome->mutex);
    outcome->done.wait_for(lock, std::chrono::seconds(1), [&] { return outcome->finished; });
    return outcome->pressed;
}

} // namespace quorvel
