#include "preview/PreviewRules.h"

#include <gtest/gtest.h>

TEST(PreviewRulesTest, FrameTimeTruncates) {
    struct Case {
        std::int32_t Fps;
        std::int64_t FrameTime;
    };
    for (const Case& c : {Case{12, 833'333}, Case{15, 666'666}, Case{16, 625'000}, Case{24, 416'666},
                          Case{25, 400'000}, Case{30, 333'333}})
        EXPECT_EQ(PreviewFrameTime(c.Fps), c.FrameTime) << c.Fps;
}

// The clock never drifts: whatever the rate and however long the sheet, each frame is due at its
// own exact time and shown from then until the next is due; a timer ticking every rounded
// millisecond count (42 ms at 24 fps) would be 0.8 % late, 0.55 s by the end of 1637 frames.
TEST(PreviewRulesTest, EveryFrameIsDueAtItsOwnTimeAtAnyRateToTheEndOfALongSheet) {
    for (std::int32_t fps = 1; fps <= 120; ++fps) {
        for (std::int64_t n = 0; n <= 1637; ++n) {
            const std::int64_t due = FrameDueNs(n, fps);
            ASSERT_EQ(FramesElapsed(due, fps), n) << fps << " fps, frame " << n;
            if (n > 0) {
                ASSERT_EQ(FramesElapsed(due - 1, fps), n - 1) << fps << " fps, frame " << n;
            }
            ASSERT_LT(due * fps - n * 1'000'000'000, fps) << "within a nanosecond of n / fps";
        }
    }
    struct Case {
        std::int32_t Fps;
        std::int64_t ElapsedNs, Frames;
    };
    for (const Case& c :
         {Case{24, 68'166'666'666, 1635}, Case{24, 68'166'666'667, 1636}, Case{30, 54'533'333'333, 1635},
          Case{30, 54'533'333'334, 1636}, Case{24, -5, 0}, Case{120, 3'600'000'000'000, 432'000}})
        EXPECT_EQ(FramesElapsed(c.ElapsedNs, c.Fps), c.Frames) << c.Fps << " fps at " << c.ElapsedNs;
}

TEST(PreviewRulesTest, PlaybackRunsOutPastEitherEndOfTheRange) {
    struct Case {
        std::int32_t Start;
        std::int64_t Frames;
        std::int32_t Count;
        bool Reverse;
        std::int32_t Position;
    };
    for (const Case& c : {Case{0, 3, 4, false, 3}, Case{1, 3, 4, false, -1}, Case{3, 3, 4, true, 0},
                          Case{2, 3, 4, true, -1}, Case{0, 0, 1, false, 0}, Case{0, 1, 1, true, -1}})
        EXPECT_EQ(PlayPosition(c.Start, c.Frames, c.Count, c.Reverse), c.Position)
            << c.Start << " + " << c.Frames << (c.Reverse ? " back" : "");
}

TEST(PreviewRulesTest, MovieSizesOfTheChoices) {
    const TMovieSize image{500, 300};
    EXPECT_EQ(PreviewMovieSize(0, &image).Width, 500);
    EXPECT_EQ(PreviewMovieSize(0, nullptr).Width, 320);
    // The second entry is labelled "180 x 120" but renders 160 x 120.
    EXPECT_EQ(PreviewMovieSize(1, &image).Width, 160);
    EXPECT_EQ(PreviewMovieSize(1, &image).Height, 120);
    EXPECT_EQ(PreviewMovieSize(4, &image).Height, 540);
}

TEST(PreviewRulesTest, LayoutCentresSmallMoviesAndGrowsForLargeOnes) {
    const TPreviewLayout small = PreviewLayout({160, 120});
    EXPECT_EQ(small.AreaWidth, 374);
    EXPECT_EQ(small.PictureLeft, 107);
    EXPECT_EQ(small.PictureTop, 67);
    const TPreviewLayout wide = PreviewLayout({640, 480});
    EXPECT_EQ(wide.AreaWidth, 654);
    EXPECT_EQ(wide.AreaHeight, 494);
    EXPECT_EQ(wide.PictureLeft, 5);
    const TPreviewLayout narrow = PreviewLayout({320, 240});
    EXPECT_EQ(narrow.PictureLeft, 27);
    EXPECT_EQ(narrow.PictureTop, 5);
}

TEST(PreviewRulesTest, AudioSliceOfAForwardStepIsTheFrameJustShown) {
    const std::int64_t ft = PreviewFrameTime(24);
    TAudioSlice slice = PreviewAudioSlice(4, 5, ft, 0);
    EXPECT_EQ(slice.Start, 5 * ft);
    EXPECT_EQ(slice.Stop, 6 * ft);
    // Backwards, standing still and the wrap to 0 are silent.
    EXPECT_TRUE(PreviewAudioSlice(5, 4, ft, 0).Empty());
    EXPECT_TRUE(PreviewAudioSlice(5, 5, ft, 0).Empty());
    EXPECT_TRUE(PreviewAudioSlice(47, 0, ft, 0).Empty());
    // A range from frame 11 hears the sound under frame 11 onwards.
    slice = PreviewAudioSlice(0, 1, ft, 10);
    EXPECT_EQ(slice.Start, 11 * ft);
    // Past 214 s (2^31 units) the positions stay exact.
    slice = PreviewAudioSlice(1599, 1600, PreviewFrameTime(1), 0);
    EXPECT_EQ(slice.Start, 16'000'000'000LL);
}
