#pragma once

#include "capture/DueTimer.h"

#include <cstdint>
#include <functional>

// Time-lapse: a picture every few seconds, a set number of them or until stopped. Each shot is
// taken by the owner (OnShoot) and answered with ShotEnded; the next is due one interval after
// the last was due, or at once when a shot took longer than the interval. Needs a running Qt event
// loop.
class TTimeLapse {
public:
    static constexpr std::int32_t kMinInterval = 1;    // seconds
    static constexpr std::int32_t kMaxInterval = 3600; // seconds

    // Take a picture now; false when the camera cannot yet, and the shot is tried again shortly.
    std::function<bool()> OnShoot;
    // A shot was taken, or the time-lapse stopped.
    std::function<void()> OnProgress;

    TTimeLapse();
    // Starts with the first shot at once. `intervalSeconds` is kept within kMinInterval to
    // kMaxInterval; `count` 0 shoots until stopped.
    void Start(std::int32_t intervalSeconds, std::int32_t count);
    void Stop();
    // The shot OnShoot began has ended; a shot that placed no picture stops the time-lapse. Ignored
    // when no shot is waiting (a capture of the user's own).
    void ShotEnded(bool placed);

    bool Running() const { return Active; }
    std::int32_t Taken() const { return TakenCount; }
    std::int32_t Count() const { return Total; }

private:
    void Shoot();

    TDueTimer Shots;
    std::int64_t NextDueMs = 0;
    std::int32_t IntervalMs = 1000;
    std::int32_t Total = 0;
    std::int32_t TakenCount = 0;
    bool Active = false;
    bool Waiting = false; // a shot was begun and has not ended
};
