#include "platform/UiThread.h"

#include <QCoreApplication>

void PostToUi(const std::weak_ptr<bool>& alive, std::function<void()> work) {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app)
        return;
    QMetaObject::invokeMethod(
        app,
        [alive, work = std::move(work)] {
            if (alive.lock())
                work();
        },
        Qt::QueuedConnection);
}
