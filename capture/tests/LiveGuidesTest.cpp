// Where the guides lie over live pictures of several sizes.
#include "capture/LiveGuides.h"

#include <gtest/gtest.h>

namespace {
void ExpectNear(const QRectF& actual, const QRectF& expected) {
    EXPECT_NEAR(actual.left(), expected.left(), 0.01);
    EXPECT_NEAR(actual.top(), expected.top(), 0.01);
    EXPECT_NEAR(actual.width(), expected.width(), 0.01);
    EXPECT_NEAR(actual.height(), expected.height(), 0.01);
}
} // namespace

TEST(LiveGuides, TheMaskFramesTheMovieAndShadesTheRestOnAnyLiveSize) {
    struct TCase {
        QRectF Live;
        TAspectMask Mask;
        QRectF Movie;
    };
    const TCase cases[] = {
        {{0, 0, 640, 480}, TAspectMask::amNone, {0, 0, 640, 480}},
        {{0, 0, 640, 480}, TAspectMask::am4x3, {0, 0, 640, 480}}, // the same shape: nothing shaded
        {{0, 0, 640, 480}, TAspectMask::am16x9, {0, 60, 640, 360}},
        {{0, 0, 640, 480}, TAspectMask::am185, {0, 67.027, 640, 345.946}},
        {{0, 0, 640, 480}, TAspectMask::am239, {0, 106.109, 640, 267.782}},
        {{0, 0, 1280, 720}, TAspectMask::am4x3, {160, 0, 960, 720}}, // bands left and right
        {{0, 0, 1280, 720}, TAspectMask::am16x9, {0, 0, 1280, 720}},
        {{0, 0, 1280, 720}, TAspectMask::am239, {0, 92.218, 1280, 535.565}},
        {{0, 0, 1920, 1080}, TAspectMask::am185, {0, 21.081, 1920, 1037.838}},
        {{0, 0, 720, 576}, TAspectMask::am16x9, {0, 85.5, 720, 405}},
        {{0, 0, 480, 640}, TAspectMask::am4x3, {0, 140, 480, 360}}, // an upright camera
        {{10, 11, 320, 240}, TAspectMask::am16x9, {10, 41, 320, 180}}, // the picture's place counts
        {{0, 0, 0, 0}, TAspectMask::am16x9, {0, 0, 0, 0}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.Live.width() << " x " << c.Live.height() << ", mask "
                                        << static_cast<int>(c.Mask));
        const QRectF movie = TLiveGuides::MovieFrame(c.Live, c.Mask);
        ExpectNear(movie, c.Movie);
        // The shaded bands and the movie cover the picture without overlapping.
        double covered = movie.width() * movie.height();
        for (const QRectF& area : TLiveGuides::ShadedAreas(c.Live, movie)) {
            EXPECT_FALSE(area.intersects(movie));
            EXPECT_TRUE(c.Live.contains(area));
            covered += area.width() * area.height();
        }
        EXPECT_NEAR(covered, c.Live.width() * c.Live.height(), 0.1);
    }
}

TEST(LiveGuides, GridSafeFramesAndCrossLieInTheMoviesFrame) {
    const QRectF movie = TLiveGuides::MovieFrame({0, 0, 640, 480}, TAspectMask::am16x9);
    const auto grid = TLiveGuides::GridLines(movie, 2, 3);
    ASSERT_EQ(grid.size(), 3u); // two upright, one level
    EXPECT_EQ(grid[0], QLineF(640.0 / 3, 60, 640.0 / 3, 420));
    EXPECT_EQ(grid[1], QLineF(1280.0 / 3, 60, 1280.0 / 3, 420));
    EXPECT_EQ(grid[2], QLineF(0, 240, 640, 240));
    EXPECT_TRUE(TLiveGuides::GridLines(movie, 1, 1).empty());

    ExpectNear(TLiveGuides::SafeFrame(movie, TLiveGuides::kActionSafe), {32, 78, 576, 324});
    ExpectNear(TLiveGuides::SafeFrame(movie, TLiveGuides::kTitleSafe), {64, 96, 512, 288});
    const auto cross = TLiveGuides::CrossLines(movie);
    ASSERT_EQ(cross.size(), 2u);
    EXPECT_EQ(cross[0], QLineF(302, 240, 338, 240));
    EXPECT_EQ(cross[1], QLineF(320, 222, 320, 258));
}
