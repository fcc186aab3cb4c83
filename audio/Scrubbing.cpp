#include "audio/Scrubbing.h"

#include <cmath>
#include <cstdlib>

namespace {

std::int32_t FrameAt(std::int32_t pos, std::int32_t rowHeight) {
    return rowHeight > 0 ? pos / rowHeight + 1 : 1;
}

// The lowest position whose level the graph accepts.
constexpr std::int32_t kLastAudiblePosition = 62;

} // namespace

TScrubStep TScrubState::Begin(std::int32_t pos, std::int32_t rowHeight) {
    LastScrubPos = pos;
    ScrubFrame = FrameAt(pos, rowHeight);
    return {ScrubFrame, true, false, 0, 0};
}

TScrubStep TScrubState::Move(std::int32_t pos, std::int32_t rowHeight, std::int32_t fps) {
    TScrubStep step;
    step.Frame = FrameAt(pos, rowHeight);
    if (step.Frame != ScrubFrame) {
        ScrubFrame = step.Frame;
        step.FrameChanged = true;
    }
    if (pos <= LastScrubPos + rowHeight || fps <= 0 || rowHeight <= 0)
        return step;
    const TMediaTime unitsPerPixel = 10'000'000 / (static_cast<TMediaTime>(fps) * rowHeight);
    step.Play = true;
    step.Start = LastScrubPos * unitsPerPixel;
    step.Stop = pos * unitsPerPixel;
    LastScrubPos = pos;
    return step;
}

void TScrubState::End() {
    LastScrubPos = 0;
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
