#include "scanner/ScanRules.h"

#include "scanner/ScanSelection.h"
#include "scanner/ScanSettings.h"
#include "twain/TwainSession.h"

#include <gtest/gtest.h>

namespace {

TEST(ScanRules, ResolutionCoversTwiceTheTargetWidthInTheSourcesSteps) {
    struct Case {
        TResolutionRange range;
        std::int32_t rectPixels, target, expected;
    };
    for (const Case& c : {Case{{50, 1200, 1}, 320, 640, 161}, Case{{300, 1200, 1}, 320, 640, 300},
                          Case{{50, 1200, 25}, 320, 640, 175}, Case{{-1, -1, 1}, 160, 320, 161}}) {
        EXPECT_EQ(ScanResolution(c.range, c.rectPixels * kInchesPerPreviewPixel, c.target), c.expected)
            << c.range.Minimum << " step " << c.range.Step;
    }
}

TEST(ScanRules, ParsesTheResolutionRangeText) {
    const TResolutionRange range = ParseResolutionRange("Min: 50 Max: 1200 Step: 25");
    EXPECT_EQ(range.Minimum, 50);
    EXPECT_EQ(range.Maximum, 1200);
    EXPECT_EQ(range.Step, 25);
    EXPECT_EQ(ParseResolutionRange("").Minimum, -1);
}

TEST(ScanRules, PreviewRectangleMapsBackOntoTheGlass) {
    // Preview 440 wide (a Letter page turned): the rectangle's top edge is the glass's left edge.
    const TW_FRAME frame = PreviewRectToFrame({40, 80, 200, 200}, 440);
    auto cm = [](std::int32_t pixels) { return pixels * 0.025 * 2.54; };
    EXPECT_NEAR(Fix32ToFloat(frame.Left), cm(80), 1e-4);
    EXPECT_NEAR(Fix32ToFloat(frame.Top), cm(240), 1e-4);
    EXPECT_NEAR(Fix32ToFloat(frame.Right), cm(200), 1e-4);
    EXPECT_NEAR(Fix32ToFloat(frame.Bottom), cm(400), 1e-4);
}

TEST(ScanRules, FinishedScanIsUprightAtTheTargetSizeAndRotated) {
    // A scan as it comes off the glass: 30 wide, 40 high, its bottom left quarter white.
    TPicture scanned(30, 40, TPixelFormat::pf8bit);
    for (std::int32_t y = 20; y < 40; ++y)
        for (std::int32_t x = 0; x < 15; ++x)
            scanned.Row(y)[x] = 255;
    struct Case {
        TScanRotation rotation;
        std::int32_t width, height;
        bool whiteTopLeft;
    };
    // Turned upright the white corner is at the top left; a half turn takes it to the bottom right.
    for (const Case& c : {Case{TScanRotation::None, 8, 6, true}, Case{TScanRotation::Clockwise, 6, 8, false},
                          Case{TScanRotation::Half, 8, 6, false}}) {
        const TPicture cel = FinishScan(scanned, 8, 6, c.rotation);
        EXPECT_EQ(cel.Width(), c.width);
        EXPECT_EQ(cel.Height(), c.height);
        EXPECT_EQ(cel.Row(0)[0] > 0, c.whiteTopLeft) << static_cast<int>(c.rotation);
    }
    const TPicture half = FinishScan(scanned, 8, 6, TScanRotation::Half);
    EXPECT_GT(half.Row(5)[7], 0);
    // Portrait sizes are passed height first.
    EXPECT_EQ(FinishScan(scanned, 240, 320, TScanRotation::None).Width(), 240);
}

TEST(ScanSelection, DrawnRectangleKeepsItsRatioAndStaysInside) {
    TScanSelection selection;
    selection.SetBounds(440, 340);
    selection.Press(100, 100);
    selection.Release(180, 160);
    EXPECT_EQ(selection.Rect, (TScanRect{100, 100, 180, 160}));

    // Drawn upward from near the top: cut at the top, the width shrinks to keep the ratio.
    selection.Press(300, 30);
    selection.Release(400, 0);
    EXPECT_EQ(selection.Rect, (TScanRect{300, 0, 340, 30}));
    // Leftward and downward past the bottom edge.
    selection.Press(200, 300);
    selection.Release(20, 339);
    EXPECT_EQ(selection.Rect, (TScanRect{148, 300, 200, 339}));

    selection.SetPortrait(true);
    selection.Press(10, 10);
    selection.Release(70, 200);
    EXPECT_EQ(selection.Rect, (TScanRect{10, 10, 70, 90}));

    // Dragged from inside, it stops at the edges.
    selection.Press(40, 50);
    selection.Move(0, 40);
    EXPECT_EQ(selection.Rect, (TScanRect{0, 0, 60, 80}));
    selection.Release(1000, 1000);
    EXPECT_EQ(selection.Rect, (TScanRect{379, 259, 439, 339}));
}

TEST(ScanSettings, SavedSetsReadBackAndKeepTheIndexBasedColourNames) {
    TIniFile ini;
    const TScanSettings saved{1, 3, 5, 0, 10, 20, 110, 95};
    WriteScanSettings(ini, "pencil", saved);
    WriteScanSettings(ini, "pencil", saved); // saving again replaces the values
    EXPECT_EQ(ini.ReadString("pencil", "color mode", ""), "ccmColor");
    EXPECT_EQ(ini.ReadString("pencil", "image size", ""), "PalDvFull");
    EXPECT_EQ(ini.ReadSectionKeys("pencil").size(), 8u);
    TScanSettings loaded;
    ReadScanSettings(ini, "pencil", loaded);
    EXPECT_EQ(loaded, saved);

    // A set written by hand with one key changes only that field; unknown names give -1.
    ini.LoadFromText("[by hand]\nrotation=r180clock\n[odd]\norientation=sideways\ncolor mode=ccmBw\n");
    TScanSettings partial = saved;
    ReadScanSettings(ini, "by hand", partial);
    TScanSettings expected = saved;
    expected.Rotation = 3;
    EXPECT_EQ(partial, expected);
    ReadScanSettings(ini, "odd", partial);
    EXPECT_EQ(partial.Orientation, -1);
    EXPECT_EQ(partial.ColorMode, 1);
}

} // namespace
