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

// The state of one drag down the audio column. Positions are pixels from the top of frame 1,
// scrolling included; a row is `rowHeight` pixels and one frame long.
class TScrubState {
public:
    TScrubStep Begin(std::int32_t pos, std::int32_t rowHeight);
    // Plays only once the pointer has moved more than one row below where sound last ended, and
    // then everything passed over in one stretch; moving up plays nothing.
    TScrubStep Move(std::int32_t pos, std::int32_t rowHeight, std::int32_t fps);
    void End();

    std::int32_t LastPos() const { return LastScrubPos; }
    std::int32_t Frame() const { return ScrubFrame; }

private:
    std::int32_t LastScrubPos = 0;
    std::int32_t ScrubFrame = 0;
};

// The volume window's slider, 0 (top, full level) to 100: the level 0..10000 of a position,
// 10000 above position 25, then 10000 - round((p / 25)^10); positions from 63 ask for more than 100 dB down
// and give a negative level, which the graph refuses.
std::int32_t VolumeFromSlider(std::int32_t position);
// The slider position (0 to 62, the levels the graph accepts) whose level is nearest `volume`,
// preferring the lowest-placed such position.
std::int32_t SliderFromVolume(std::int32_t volume);
