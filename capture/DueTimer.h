#pragma once

#include <QElapsedTimer>
#include <QTimer>
#include <cstdint>
#include <functional>

// Calls back when a step of a schedule falls due. Due times count in milliseconds on one clock from
// RestartClock(), so a step handled late does not push back the ones after it. Needs a running Qt
// event loop.
class TDueTimer {
public:
    explicit TDueTimer(std::function<void()> onDue);
    // Due times count from now.
    void RestartClock() { Clock.start(); }
    std::int64_t ElapsedMs() const { return Clock.elapsed(); }
    // Calls back `dueMs` after the clock's start, or as soon as the event loop runs when that has
    // passed; a call waiting is replaced.
    void CallAt(std::int64_t dueMs);
    void Stop() { Timer.stop(); }
    bool Waiting() const { return Timer.isActive(); }

private:
    QTimer Timer;
    QElapsedTimer Clock;
};
