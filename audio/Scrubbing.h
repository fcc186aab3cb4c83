#pragma once

#include <cstdint>

// Media time: 64-bit counts of 100 ns.
using TMediaTime = std::int64_t;

// What one scrub event asks of the main window.
struct TScrubStep {
    std::int32_t Frame = 0;    // the frame under the pointer, from 1
    bool FrameChanged = false; // the thumbnail should show Frame
    bool Play = false;         // play Start..Stop
    TMediaTime Start = 0;
    TMediaTime Stop = 0;
};

// The state of one drag along the audio column. Positions are pixels from the top of frame 1,
// scrolling included; a row is `rowHeight` pixels and one frame long. The pressed frame, and then
// every frame the pointer enters, up or down, plays its own slice of the sound: from the frame's
// start to the next frame's.
class TScrubState {
public:
    TScrubStep Begin(std::int32_t pos, std::int32_t rowHeight, std::int32_t fps);
    TScrubStep Move(std::int32_t pos, std::int32_t rowHeight, std::int32_t fps);
    void End();

    std::int32_t Frame() const { return ScrubFrame; }

private:
    TScrubStep Enter(std::int32_t frame, std::int32_t fps);

    std::int32_t ScrubFrame = 0;
};

// The volume window's slider, 0 (top, full level) to 100: the level 0..10000 of a position,
// 10000 above position 25, then 10000 - round((p / 25)^10); positions from 63 ask for more than 100 dB down
// and give a negative level, which the output refuses.
std::int32_t VolumeFromSlider(std::int32_t position);
// The slider position (0 to 62, the levels the output accepts) whose level is nearest `volume`,
// preferring the lowest-placed such position.
std::int32_t SliderFromVolume(std::int32_t volume);
// The gain a level 0 (silent) to 10000 (full) applies: an attenuation of 10000 - volume hundredths
// of a decibel, 1.0 at full level.
double VolumeGain(std::int32_t volume);
