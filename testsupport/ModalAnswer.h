#pragma once

#include <QApplication>
#include <QDeadlineTimer>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <gtest/gtest.h>

// Acts on the next modal window of type T once it shows, as a user would: call it before the command
// that opens the window. It watches the application's active modal window every few milliseconds;
// when none of type T shows within five seconds the test fails and the modal window in the way is
// closed, so that a test never hangs.
template <class T> void WhenShown(std::function<void(T&)> act) {
    auto* timer = new QTimer(qApp);
    timer->setInterval(5);
    const QDeadlineTimer deadline(5000);
    QObject::connect(timer, &QTimer::timeout, [timer, act, deadline] {
        QWidget* modal = QApplication::activeModalWidget();
        auto* window = qobject_cast<T*>(modal);
        if (window && window->isVisible()) {
            timer->stop();
            timer->deleteLater();
            act(*window);
            return;
        }
        if (deadline.hasExpired()) {
            timer->stop();
            timer->deleteLater();
            ADD_FAILURE() << "no " << T::staticMetaObject.className() << " showed";
            if (modal)
                modal->close();
        }
    });
    timer->start();
}
