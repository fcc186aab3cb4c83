#include "capture/TimeLapse.h"

#include <algorithm>

namespace {
// How soon a shot the camera was not ready for is tried again.
constexpr int kRetryMs = 100;
} // namespace

TTimeLapse::TTimeLapse() : Shots([this] { Shoot(); }) {}

void TTimeLapse::Start(std::int32_t intervalSeconds, std::int32_t count) {
    IntervalMs = std::clamp(intervalSeconds, kMinInterval, kMaxInterval) * 1000;
    Total = std::max(0, count);
    TakenCount = 0;
    Waiting = false;
    Active = true;
    NextDueMs = 0;
    Shots.RestartClock();
    if (OnProgress)
        OnProgress();
    Shoot();
}

void TTimeLapse::Stop() {
    const bool wasActive = Active;
    Shots.Stop();
    Active = false;
    Waiting = false;
    if (wasActive && OnProgress)
        OnProgress();
}

void TTimeLapse::Shoot() {
    if (!Active || Waiting)
        return;
    Waiting = true;
    if (OnShoot && OnShoot())
        return;
    if (!Active)
        return; // OnShoot stopped it
    Waiting = false;
    Shots.CallAt(Shots.ElapsedMs() + kRetryMs);
}

void TTimeLapse::ShotEnded(bool placed) {
    if (!Active || !Waiting)
        return;
    Waiting = false;
    if (!placed) {
        Stop();
        return;
    }
    ++TakenCount;
    if (Total > 0 && TakenCount >= Total) {
        Stop();
        return;
    }
    if (OnProgress)
        OnProgress();
    // A shot that overran its interval is followed at once, without making up for the lost time.
    NextDueMs = std::max<std::int64_t>(NextDueMs + IntervalMs, Shots.ElapsedMs());
    Shots.CallAt(NextDueMs);
}
