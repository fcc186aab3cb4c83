#include "audio/Scrubbing.h"

#include <gtest/gtest.h>

namespace {

// A row is 20 pixels; at 24 fps a frame is 416,666.67 units of 100 ns.
TEST(Scrubbing, EveryFrameEnteredPlaysItsOwnSliceUpOrDown) {
    struct TStep {
        std::int32_t Pos;
        std::int32_t Frame;
        bool Play; // also: the frame changed
        TMediaTime Start, Stop;
    };
    TScrubState scrub;
    const TScrubStep pressed = scrub.Begin(30, 20, 24);
    EXPECT_EQ(pressed.Frame, 2);
    EXPECT_TRUE(pressed.FrameChanged);
    EXPECT_TRUE(pressed.Play);
    EXPECT_EQ(pressed.Start, 416'666);
    EXPECT_EQ(pressed.Stop, 833'333);
    const TStep drag[] = {
        {39, 2, false, 0, 0},              // within the frame: nothing new
        {40, 3, true, 833'333, 1'250'000}, // down a row
        {130, 7, true, 2'500'000, 2'916'666}, // a fast move: the frame under the pointer
        {70, 4, true, 1'250'000, 1'666'666},  // up
        {65, 4, false, 0, 0},
        {0, 1, true, 0, 416'666},
        // 214 s at 24 fps is frame 5136: past 2^31 units.
        {103'000, 5151, true, 2'145'833'333, 2'146'250'000},
    };
    for (const TStep& s : drag) {
        SCOPED_TRACE(s.Pos);
        const TScrubStep step = scrub.Move(s.Pos, 20, 24);
        EXPECT_EQ(step.Frame, s.Frame);
        EXPECT_EQ(step.FrameChanged, s.Play);
        EXPECT_EQ(step.Play, s.Play);
        EXPECT_EQ(step.Start, s.Start);
        EXPECT_EQ(step.Stop, s.Stop);
    }
    scrub.End();
    EXPECT_EQ(scrub.Frame(), 0);
    EXPECT_FALSE(scrub.Begin(30, 20, 0).Play); // no rate, no sound
}

TEST(Volume, SliderMapping) {
    const std::pair<std::int32_t, std::int32_t> table[] = {
        {0, 10000}, {24, 10000}, {25, 9999}, {30, 9994}, {40, 9890},
        {50, 8976}, {60, 3660},  {62, 1199}, {63, -328}, {100, -1038576},
    };
    for (const auto& [p, v] : table)
        EXPECT_EQ(VolumeFromSlider(p), v) << p;
    // Opening the window puts the slider where it maps back to the level.
    for (const std::int32_t p : {24, 25, 30, 40, 50, 60, 62})
        EXPECT_EQ(VolumeFromSlider(SliderFromVolume(VolumeFromSlider(p))), VolumeFromSlider(p)) << p;
    EXPECT_EQ(SliderFromVolume(10000), 24);
    EXPECT_EQ(SliderFromVolume(0), 62);
}

} // namespace
