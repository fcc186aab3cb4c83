#include "audio/Scrubbing.h"

#include <cmath>
#include <cstdlib>

namespace {

std::int32_t FrameAt(std::int32_t pos, std::int32_t rowHeight) {
    return rowHeight > 0 ? pos / rowHeight + 1 : 1;
}

// The lowest position whose level the output accepts.
constexpr std::int32_t kLastAudiblePosition = 62;

} // namespace

TScrubStep TScrubState::Begin(std::int32_t pos, std::int32_t rowHeight, std::int32_t fps) {
    return Enter(FrameAt(pos, rowHeight), fps);
}

TScrubStep TScrubState::Move(std::int32_t pos, std::int32_t rowHeight, std::int32_t fps) {
    const std::int32_t frame = FrameAt(pos, rowHeight);
    if (frame == ScrubFrame)
        return {frame, false, false, 0, 0};
    return Enter(frame, fps);
}

TScrubStep TScrubState::Enter(std::int32_t frame, std::int32_t fps) {
    ScrubFrame = frame;
    TScrubStep step{frame, true, false, 0, 0};
    if (fps <= 0 || frame < 1)
        return step;
    // Whole units from the start of the sound, so neighbouring slices meet without a gap.
    step.Play = true;
    step.Start = static_cast<TMediaTime>(frame - 1) * 10'000'000 / fps;
    step.Stop = static_cast<TMediaTime>(frame) * 10'000'000 / fps;
    return step;
}

void TScrubState::End() {
    ScrubFrame = 0;
}

std::int32_t VolumeFromSlider(std::int32_t position) {
    // Everything above a quarter of the way down is full level: (24 / 25)^10 would round to a
    // hundredth of a decibel that nobody hears.
    if (position < 25)
        return 10000;
    const auto attenuation = static_cast<std::int64_t>(std::llround(std::pow(position / 25.0, 10.0)));
    return static_cast<std::int32_t>(10000 - attenuation);
}

std::int32_t SliderFromVolume(std::int32_t volume) {
    std::int32_t best = 0;
    std::int64_t bestDistance = std::llabs(static_cast<std::int64_t>(VolumeFromSlider(0)) - volume);
    for (std::int32_t p = 1; p <= kLastAudiblePosition; ++p) {
        const std::int64_t distance = std::llabs(static_cast<std::int64_t>(VolumeFromSlider(p)) - volume);
        if (distance <= bestDistance) {
            best = p;
            bestDistance = distance;
        }
    }
    return best;
}

// An attenuation of a hundredths of a decibel is a gain of 10^(-a / 2000).
double VolumeGain(std::int32_t volume) {
    return volume <= 0 ? 0.0 : std::pow(10.0, -(10000 - volume) / 2000.0);
}
