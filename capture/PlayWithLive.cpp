#include "capture/PlayWithLive.h"

#include <algorithm>

TPlayWithLive::TPlayWithLive() {
    Timer.setSingleShot(true);
    Timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&Timer, &QTimer::timeout, [this] { ShowStep(); });
}

void TPlayWithLive::Start(std::int32_t frames, std::int32_t fps) {
    Frames = std::max(frames, 1);
    Fps = std::max(fps, 1);
    Step = 0;
    Clock.start();
    ShowStep();
}

void TPlayWithLive::Stop() {
    Timer.stop();
}

void TPlayWithLive::ShowStep() {
    const std::int64_t loop = Frames + 1;
    const auto position = static_cast<std::int32_t>(Step % loop);
    ++Step;
    // Step s is due s / fps seconds after the start, whenever this one was shown.
    const std::int64_t due = Step * 1000 / Fps;
    Timer.start(static_cast<int>(std::max<std::int64_t>(0, due - Clock.elapsed())));
    if (OnStep)
        OnStep(position == Frames ? 0 : Frames - position);
}
