#pragma once

#include "capture/DueTimer.h"

#include <cstdint>
#include <functional>

// Play with Live: the last frames before the capture frame at the sheet's frame rate, then the live
// picture for one frame, over and over until stopped, so the next step is seen in motion. Steps
// are timed against one clock from the start, so they do not drift. Needs a running Qt event loop.
class TPlayWithLive {
public:
    // A step to show: `framesBack` >= 1 is that many frames before the capture frame, 0 the live
    // picture.
    std::function<void(std::int32_t framesBack)> OnStep;

    TPlayWithLive();
    // Plays `frames` (>= 1) frames back, oldest first, and then live at `fps` (>= 1) frames a
    // second; the first step is shown at once. Starting again restarts.
    void Start(std::int32_t frames, std::int32_t fps);
    // Stops; the caller puts the live picture back.
    void Stop();
    bool Playing() const { return Steps.Waiting(); }

private:
    void ShowStep();

    TDueTimer Steps;
    std::int32_t Frames = 1;
    std::int32_t Fps = 24;
    std::int64_t Step = 0;
};
