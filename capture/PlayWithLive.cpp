#include "capture/PlayWithLive.h"

#include <algorithm>

TPlayWithLive::TPlayWithLive() : Steps([this] { ShowStep(); }) {}

void TPlayWithLive::Start(std::int32_t frames, std::int32_t fps) {
    Frames = std::max(frames, 1);
    Fps = std::max(fps, 1);
    Step = 0;
    Steps.RestartClock();
    ShowStep();
}

void TPlayWithLive::Stop() {
    Steps.Stop();
}

void TPlayWithLive::ShowStep() {
    const std::int64_t loop = Frames + 1;
    const auto position = static_cast<std::int32_t>(Step % loop);
    ++Step;
    // Step s is due s / fps seconds after the start, whenever this one was shown.
    Steps.CallAt(Step * 1000 / Fps);
    if (OnStep)
        OnStep(position == Frames ? 0 : Frames - position);
}
