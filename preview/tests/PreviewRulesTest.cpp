#include "preview/PreviewRules.h"

#include <gtest/gtest.h>

TEST(PreviewRulesTest, TimerIntervalRoundsToNearestEvenAndFrameTimeTruncates) {
    struct Case {
        std::int32_t Fps, Interval;
        std::int64_t FrameTime;
    };
    for (const Case& c : {Case{12, 83, 833'333}, Case{15, 67, 666'666}, Case{16, 62, 625'000},
                          Case{24, 42, 416'666}, Case{25, 40, 400'000}, Case{30, 33, 333'333}}) {
        EXPECT_EQ(PreviewTimerInterval(c.Fps), c.Interval) << c.Fps;
        EXPECT_EQ(PreviewFrameTime(c.Fps), c.FrameTime) << c.Fps;
    }
}

TEST(PreviewRulesTest, PlaybackWrapsAroundInBothDirections) {
    EXPECT_EQ(NextPlayPosition(3, 4, false), 0);
    EXPECT_EQ(NextPlayPosition(1, 4, false), 2);
    EXPECT_EQ(NextPlayPosition(0, 4, true), 3);
    EXPECT_EQ(NextPlayPosition(2, 4, true), 1);
    EXPECT_EQ(NextPlayPosition(0, 1, false), 0);
    EXPECT_EQ(NextPlayPosition(0, 1, true), 0);
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
