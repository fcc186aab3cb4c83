#include "capture/DueTimer.h"

#include <algorithm>
#include <climits>

TDueTimer::TDueTimer(std::function<void()> onDue) {
    Timer.setSingleShot(true);
    Timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&Timer, &QTimer::timeout, std::move(onDue));
}

void TDueTimer::CallAt(std::int64_t dueMs) {
    Timer.start(static_cast<int>(std::clamp<std::int64_t>(dueMs - Clock.elapsed(), 0, INT_MAX)));
}
