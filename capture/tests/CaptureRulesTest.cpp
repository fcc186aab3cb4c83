#include "capture/CaptureRules.h"

#include "base/Error.h"
#include "document/SheetDocument.h"
#include "imaging/PictureCodecs.h"
#include "testsupport/TempFolder.h"
#include "testsupport/SheetTestAccess.h"

#include <gtest/gtest.h>

TEST(CaptureRules, AveragingDropsTheRemainderAndStaysInRange) {
    std::array<TPicture, kAveragedFrames> frames;
    for (std::int32_t i = 0; i < kAveragedFrames; ++i) {
        frames[static_cast<std::size_t>(i)] = TPicture(2, 1, TPixelFormat::pf24bit);
        std::uint8_t* row = frames[static_cast<std::size_t>(i)].Row(0);
        row[0] = i < 7 ? 1 : 0; // seven ones and a zero
        row[3] = 255;
        row[4] = static_cast<std::uint8_t>(i * 10); // 0..70: mean 35
    }
    const TPicture mean = AverageFrames(frames);
    EXPECT_EQ(mean.Row(0)[0], 0);
    EXPECT_EQ(mean.Row(0)[3], 255);
    EXPECT_EQ(mean.Row(0)[4], 35);

    frames[3] = TPicture(3, 1, TPixelFormat::pf24bit);
    EXPECT_THROW(AverageFrames(frames), ECwError);
}

TEST(CaptureRules, UpsideDownComesBeforeBlackAndWhite) {
    // 3 x 2: a red pixel top left, a blue one bottom right; the rest black.
    TPicture picture(3, 2, TPixelFormat::pf24bit);
    picture.Row(0)[2] = 255;     // red at (0, 0)
    picture.Row(1)[2 * 3] = 255; // blue at (2, 1)
    ProcessCapture(picture, {.SquarePixels = false, .UpsideDown = true, .BlackAndWhite = true});
    ASSERT_EQ(picture.PixelFormat(), TPixelFormat::pf8bit);
    EXPECT_EQ(picture.Row(1)[2], 76); // the red pixel, now bottom right, grey 0.3 * 255
    EXPECT_EQ(picture.Row(0)[0], 28); // the blue pixel, now top left, grey 0.11 * 255
    EXPECT_EQ(picture.Row(0)[1] + picture.Row(1)[0], 0);
}

TEST(CaptureRules, WritesEachFormatUnderItsName) {
    TTempFolder folder;
    TPicture colour(8, 6, TPixelFormat::pf24bit);
    colour.Fill(200);
    TPicture grey = colour;
    ProcessCapture(grey, {.BlackAndWhite = true});

    EXPECT_EQ(CaptureFileName("", "0001", TcwImageFormat::png), "_0001.png");
    const struct {
        TcwImageFormat Format;
        const TPicture& Picture;
        bool Bw;
        const char* Name;
        TPixelFormat ReadBack;
    } cases[] = {
        {TcwImageFormat::png, colour, false, "Ink_0001.png", TPixelFormat::pf24bit},
        {TcwImageFormat::jpg, grey, true, "Ink_0002.jpg", TPixelFormat::pf8bit},
        {TcwImageFormat::jpg, colour, false, "Ink_0003.jpg", TPixelFormat::pf24bit},
        {TcwImageFormat::bmp, colour, false, "Ink_0004.bmp", TPixelFormat::pf24bit},
    };
    std::int32_t number = 1;
    for (const auto& c : cases) {
        const std::string name = CaptureFileName("Ink", PadNumber(number++), c.Format);
        ASSERT_EQ(name, c.Name);
        WriteCapture(folder / name, c.Picture, c.Format, c.Bw);
        TPicture back;
        if (c.Format == TcwImageFormat::png)
            ReadPng(folder / name, back);
        else if (c.Format == TcwImageFormat::jpg)
            ReadJpeg(folder / name, back);
        else
            ReadBmp(folder / name, back);
        EXPECT_EQ(back.PixelFormat(), c.ReadBack) << name;
        EXPECT_EQ(back.Width(), 8);
    }
    // Quality 70: libjpeg scales the first luminance quantiser (16) to 10.
    const std::string jpeg = ReadText(folder / "Ink_0002.jpg");
    const std::size_t dqt = jpeg.find("\xFF\xDB");
    ASSERT_NE(dqt, std::string::npos);
    EXPECT_EQ(static_cast<unsigned char>(jpeg[dqt + 5]), 10);
}

TEST(CaptureRules, PlacingGrowsTheSheetSelectsAfterTheCelAndUndoesInOneStep) {
    TSheetDocument doc;
    WritableData(doc).AddLayer("Ink", "/ink/", LayerColorScheme(0), 10);
    ASSERT_EQ(doc.FrameCount(), 10);
    PlaceCapture(doc, 1, 10, "Ink_0010.png", 2);
    EXPECT_EQ(doc.FrameCount(), 12);
    for (const std::int32_t frame : {10, 11})
        EXPECT_EQ(doc.CelName(1, frame), "Ink_0010.png");
    EXPECT_EQ(doc.CelName(1, 12), "");
    EXPECT_EQ(doc.CurrentFrame(), 12);
    doc.Undo();
    EXPECT_EQ(doc.CelName(1, 10), "");

    PlaceCapture(doc, 1, 3, "Ink_0003.png", 0); // a hold below 1 counts as 1
    EXPECT_EQ(doc.CelName(1, 3), "Ink_0003.png");
    EXPECT_EQ(doc.CelName(1, 4), "");
    EXPECT_EQ(doc.CurrentFrame(), 4);
}
