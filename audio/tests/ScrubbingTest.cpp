#include "audio/Scrubbing.h"

#include <gtest/gtest.h>

namespace {

TEST(Scrubbing, MovesAtTwentyFourFps) {
    struct TCase {
        const char* Name;
        std::int32_t From, To;
        bool Play;
        TMediaTime Start, Stop;
        std::int32_t Frame;
    };
    // 10,000,000 div (24 x 20) = 20833 units per pixel; a row is 20 pixels.
    const TCase cases[] = {
        {"three rows down", 0, 45, true, 0, 937'485, 3},
        {"less than a row", 0, 15, false, 0, 0, 1},
        {"exactly one row", 0, 20, false, 0, 0, 2},
        {"upwards", 200, 100, false, 0, 0, 6},
        // 214 s at 24 fps and 20 pixels a row is pixel 102,720: past 2^31 units.
        {"past 214 seconds", 103'000, 103'100, true, 2'145'799'000, 2'147'882'300, 5156},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TScrubState scrub;
        scrub.Begin(c.From, 20);
        const TScrubStep step = scrub.Move(c.To, 20, 24);
        EXPECT_EQ(step.Play, c.Play);
        EXPECT_EQ(step.Start, c.Start);
        EXPECT_EQ(step.Stop, c.Stop);
        EXPECT_EQ(step.Frame, c.Frame);
    }
}

TEST(Scrubbing, SoundContinuesFromWhereItEnded) {
    TScrubState scrub;
    EXPECT_EQ(scrub.Begin(30, 20).Frame, 2);
    EXPECT_FALSE(scrub.Move(45, 20, 24).Play); // a small move shows the frame but plays nothing
    const TScrubStep fast = scrub.Move(130, 20, 24);
    EXPECT_TRUE(fast.Play);
    EXPECT_EQ(fast.Start, 624'990);
    EXPECT_EQ(fast.Stop, 2'708'290);
    EXPECT_TRUE(fast.FrameChanged);
    EXPECT_EQ(fast.Frame, 7);
    const TScrubStep back = scrub.Move(70, 20, 24); // up: the drawing follows, no sound
    EXPECT_FALSE(back.Play);
    EXPECT_TRUE(back.FrameChanged);
    EXPECT_EQ(back.Frame, 4);
    EXPECT_FALSE(scrub.Move(75, 20, 24).FrameChanged);
    scrub.End();
    EXPECT_EQ(scrub.LastPos(), 0);
    EXPECT_EQ(scrub.Frame(), 0);
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
