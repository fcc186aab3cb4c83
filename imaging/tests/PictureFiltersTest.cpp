#include "imaging/PictureFilters.h"

#include "imaging/tests/PictureTestSupport.h"

#include <gtest/gtest.h>

TEST(ConvertToBw, GreyLevelsRoundToNearestTiesToEven) {
    struct TCase {
        TRgb Colour;
        int Grey;
    };
    const TCase cases[] = {
        {{255, 0, 0}, 76},                                               // 76.5 rounds to even
        {{0, 255, 0}, 150},     {{0, 0, 255}, 28}, {{5, 0, 0}, 2},       // 1.5
        {{15, 0, 0}, 4},                                                 // 4.5
        {{255, 255, 255}, 255}, {{0, 0, 0}, 0},    {{10, 200, 90}, 131}, // 3 + 118 + 9.9 = 130.9
    };
    TPicture picture(static_cast<int>(std::size(cases)), 1, TPixelFormat::pf24bit);
    for (std::size_t i = 0; i < std::size(cases); ++i)
        SetPixel(picture, static_cast<int>(i), 0, cases[i].Colour);
    const TPicture* before = &picture;
    ASSERT_TRUE(ConvertToBw(picture));
    EXPECT_EQ(&picture, before);
    ASSERT_EQ(picture.PixelFormat(), TPixelFormat::pf8bit);
    EXPECT_TRUE(IsGrayPalette(picture.Palette));
    for (std::size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(picture.Row(0)[i], cases[i].Grey) << cases[i].Colour;
}

TEST(ConvertToBw, GreyPixelsKeepTheirLevel) {
    TPicture picture = MakePicture(256, 1, [](int x, int) { return TRgb{x, x, x}; });
    ASSERT_TRUE(GrayscaleRgb24(picture));
    for (int x = 0; x < 256; ++x)
        ASSERT_EQ(PixelAt(picture, x, 0), (TRgb{x, x, x}));
}

TEST(ConvertToBw, RefusesPicturesThatAreNot24Bit) {
    for (const TPixelFormat format : {TPixelFormat::pf8bit, TPixelFormat::pf32bit}) {
        TPicture picture(2, 2, format);
        picture.Fill(100);
        const TPicture original = picture;
        std::vector<std::string> shown;
        EXPECT_FALSE(ConvertToBw(picture, [&](const std::string& message) { shown.push_back(message); }));
        EXPECT_EQ(shown, std::vector<std::string>{"Not a 24Bit color bitmap!"});
        EXPECT_EQ(picture, original);
    }
}

TEST(SquarePixelResize, NewSizeDependsOnTheHeightAlone) {
    struct TCase {
        int Width, Height, NewWidth, NewHeight;
    };
    const TCase cases[] = {{88, 66, 88, 66},
                           {80, 72, 96, 72},
                           {160, 120, 180, 134},
                           {176, 144, 192, 144},
                           {320, 240, 360, 267},
                           {352, 288, 384, 288},
                           {720, 480, 720, 534},
                           {720, 576, 768, 576},
                           // Heights not in the table are left alone.
                           {640, 360, 640, 360},
                           {100, 100, 100, 100}};
    for (const TCase& c : cases) {
        TPicture picture = Solid(c.Width, c.Height, {30, 60, 90});
        SquarePixelResize(picture);
        EXPECT_EQ(picture.Width(), c.NewWidth) << c.Height;
        EXPECT_EQ(picture.Height(), c.NewHeight) << c.Height;
        // A plain colour stays that colour everywhere, edges included.
        EXPECT_EQ(PixelAt(picture, 0, 0), (TRgb{30, 60, 90}));
        EXPECT_EQ(PixelAt(picture, c.NewWidth - 1, c.NewHeight - 1), (TRgb{30, 60, 90}));
    }
}

TEST(SquarePixelResize, InterpolatesBetweenNeighbours) {
    // Two columns, black and white, widened to four: the inner columns mix them.
    const TPicture source = MakePicture(2, 1, [](int x, int) { return x == 0 ? TRgb{0, 0, 0} : kWhite; });
    const TPicture wide = ResizeBilinear(source, 4, 1);
    EXPECT_EQ(PixelAt(wide, 0, 0), (TRgb{0, 0, 0}));
    EXPECT_EQ(PixelAt(wide, 1, 0), (TRgb{64, 64, 64}));
    EXPECT_EQ(PixelAt(wide, 2, 0), (TRgb{191, 191, 191}));
    EXPECT_EQ(PixelAt(wide, 3, 0), kWhite);

    // 8-bit frames with a colour palette come out in colour.
    TPicture indexed(4, 240, TPixelFormat::pf8bit);
    indexed.Palette[0] = {255, 0, 0};
    indexed.Fill(0);
    SquarePixelResize(indexed);
    EXPECT_EQ(indexed.PixelFormat(), TPixelFormat::pf24bit);
    EXPECT_EQ(PixelAt(indexed, 100, 100), (TRgb{255, 0, 0}));
}

TEST(ScaleToFill, KeepsTheShapeCutsTheMiddleAndAveragesBlocks) {
    // A frame around a middle: columns (or rows) outside the frame's shape are cut off.
    const TPicture wide = MakePicture(400, 100, [](int x, int) {
        return x < 50 || x >= 350 ? TRgb{255, 0, 0} : kWhite;
    });
    const TPicture cut = ScaleToFill(wide, 150, 50); // 3:1 of 4:1 keeps x 50 to 349
    EXPECT_EQ(cut.Width(), 150);
    EXPECT_EQ(cut.Height(), 50);
    EXPECT_EQ(PixelAt(cut, 0, 25), kWhite);
    EXPECT_EQ(PixelAt(cut, 149, 25), kWhite);
    const TPicture tall = MakePicture(100, 400, [](int, int y) {
        return y < 100 ? TRgb{0, 0, 255} : kWhite;
    });
    const TPicture square = ScaleToFill(tall, 10, 10); // the middle 100 x 100: y 150 to 249
    EXPECT_EQ(PixelAt(square, 5, 0), kWhite);

    // Shrinking by whole blocks averages them: fine stripes become their mean, not one of them.
    const TPicture stripes = MakePicture(64, 64, [](int x, int) { return x % 2 ? kWhite : TRgb{0, 0, 0}; });
    const TPicture small = ScaleToFill(stripes, 8, 8);
    EXPECT_EQ(PixelAt(small, 3, 3), (TRgb{128, 128, 128}));

    // Growing works too, and an 8-bit picture comes out in its palette's colours.
    TPicture indexed(4, 3, TPixelFormat::pf8bit);
    indexed.Palette[0] = {0, 255, 0};
    indexed.Fill(0);
    const TPicture grown = ScaleToFill(indexed, 40, 30);
    EXPECT_EQ(grown.PixelFormat(), TPixelFormat::pf24bit);
    EXPECT_EQ(PixelAt(grown, 39, 29), (TRgb{0, 255, 0}));
}
