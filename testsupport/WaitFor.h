#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <functional>

// Runs the event loop until `done` holds or `ms` milliseconds have passed; returns `done()`.
inline bool WaitFor(const std::function<bool()>& done, int ms = 5000) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

// As WaitFor, but the thread sleeps in the event loop between events (looking at `done` at least
// every `pollMs`), so that it takes no processor time of its own and, on a busy machine too, wakes
// when its timers fall due: for tests that time what the event loop shows.
inline bool WaitSleepingFor(const std::function<bool()>& done, int ms = 5000, int pollMs = 5) {
    QElapsedTimer clock;
    clock.start();
    QTimer poll;
    poll.start(pollMs);
    while (!done() && clock.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return done();
}
