#include "capture/OnionSkin.h"

#include "document/SheetDocument.h"
#include "imaging/PictureCodecs.h"
#include "testsupport/TempFolder.h"
#include "testsupport/SheetTestAccess.h"

#include <array>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>

namespace {
using TColor = std::array<std::uint8_t, 3>; // B, G, R

TPicture Solid(std::int32_t width, std::int32_t height, TColor color) {
    TPicture picture(width, height, TPixelFormat::pf24bit);
    for (std::int32_t y = 0; y < height; ++y)
        for (std::int32_t x = 0; x < width; ++x)
            std::copy(color.begin(), color.end(), picture.Row(y) + 3 * x);
    return picture;
}

TColor At(const TPicture& picture, std::int32_t x, std::int32_t y) {
    const std::size_t bytes = picture.PixelFormat() == TPixelFormat::pf32bit ? 4 : 3;
    const std::uint8_t* p = picture.Row(y) + bytes * static_cast<std::size_t>(x);
    return {p[0], p[1], p[2]};
}

constexpr TColor kRed{0, 0, 255};
constexpr TColor kGreen{0, 255, 0};
constexpr TColor kBlue{255, 0, 0};
constexpr TColor kWhite{255, 255, 255};

// A sheet of ten frames whose layer "Ink" keeps its drawings (small solid pictures) in a temporary
// folder.
class OnionSkinTest : public ::testing::Test {
protected:
    OnionSkinTest() { WritableData(Sheet).AddLayer("Ink", Ink / "", LayerColorScheme(0), 10); }

    void Draw(const std::string& name, TColor color, std::int32_t frame, std::int32_t hold = 1) {
        WritePng(Ink / name, Solid(8, 6, color));
        Sheet.PlaceCelAt(1, frame, name, hold);
    }

    TTempFolder Ink;
    TSheetDocument Sheet;
};
} // namespace

TEST_F(OnionSkinTest, FramesAreTheLayerAsExposedBeforeTheCaptureFrame) {
    Draw("a.png", kRed, 1, 2); // held over frames 1 and 2
    Draw("b.png", kGreen, 3);
    // frame 4 is empty; frame 5 names a drawing that cannot be read
    std::ofstream(Ink / "broken.png") << "not a picture";
    Sheet.PlaceCelAt(1, 5, "broken.png", 1);
    Draw("c.png", kBlue, 6);

    TLayerFrames frames(Sheet);
    frames.Update(1, 7, 5, 16, 12);
    ASSERT_EQ(frames.Held(), 5);
    const TColor expected[] = {kBlue, kWhite, kWhite, kGreen, kRed}; // frames 6 down to 2
    for (std::int32_t k = 1; k <= 5; ++k) {
        EXPECT_EQ(frames.Frame(k).Width(), 16);
        EXPECT_EQ(frames.Frame(k).Height(), 12);
        EXPECT_EQ(At(frames.Frame(k), 15, 11), expected[k - 1]) << k << " back";
    }
    // Before frame 3 only two frames exist, and frame 1 has none before it.
    frames.Update(1, 3, 5, 16, 12);
    EXPECT_EQ(frames.Held(), 2);
    EXPECT_EQ(At(frames.Frame(2), 0, 0), kRed);
    frames.Update(1, 1, 5, 16, 12);
    EXPECT_EQ(frames.Held(), 0);
}

TEST_F(OnionSkinTest, FramesAreRenderedAgainOnlyWhenWhatTheyShowChanges) {
    Draw("a.png", kRed, 1);
    Draw("b.png", kGreen, 2);
    TLayerFrames frames(Sheet);
    frames.Update(1, 3, 2, 16, 12);
    for (int i = 0; i < 10; ++i)
        EXPECT_FALSE(frames.Update(1, 3, 2, 16, 12)); // a live frame after another
    EXPECT_EQ(frames.Renders(), 1);

    struct TChange {
        const char* What;
        std::function<void()> Change;
        std::array<std::int32_t, 5> Update; // layer, frame, count, width, height
    };
    const TChange changes[] = {
        {"the count", [] {}, {1, 3, 1, 16, 12}},
        {"the capture frame", [] {}, {1, 4, 1, 16, 12}},
        {"the live picture's size", [] {}, {1, 4, 1, 32, 24}},
        {"a cel on the sheet", [&] { Draw("c.png", kBlue, 3); }, {1, 4, 1, 32, 24}},
        {"the drawing's file", [&] { WritePng(Ink / "c.png", Solid(8, 6, kRed)); }, {1, 4, 1, 32, 24}},
    };
    for (const TChange& change : changes) {
        change.Change();
        const auto [layer, frame, count, width, height] = change.Update;
        EXPECT_TRUE(frames.Update(layer, frame, count, width, height)) << change.What;
        EXPECT_FALSE(frames.Update(layer, frame, count, width, height)) << change.What;
    }
    EXPECT_EQ(At(frames.Frame(1), 0, 0), kRed);
}

TEST_F(OnionSkinTest, TheGhostWeighsTheNearerFramesMoreAndComposeBlendsItByOpacity) {
    Draw("a.png", kRed, 1);
    Draw("b.png", kGreen, 2);
    Draw("c.png", kBlue, 3);
    TOnionSkin onion(Sheet);
    onion.SetCount(3);
    onion.Update(1, 4, 4, 2);
    // Weights 3 : 2 : 1 for frames 3, 2 and 1.
    const TColor ghost = At(onion.Ghost(), 0, 0);
    EXPECT_NEAR(ghost[0], 255 * 3 / 6, 1);
    EXPECT_NEAR(ghost[1], 255 * 2 / 6, 1);
    EXPECT_NEAR(ghost[2], 255 * 1 / 6, 1);

    TPicture live(4, 2, TPixelFormat::pf32bit);
    live.Fill(0x80); // every channel 128, alpha 128
    TPicture out;
    for (const int opacity : {0, 50, 100}) {
        onion.SetOpacity(opacity);
        onion.Compose(live, out);
        ASSERT_EQ(out.PixelFormat(), TPixelFormat::pf32bit);
        for (std::size_t c = 0; c < 3; ++c)
            EXPECT_NEAR(At(out, 3, 1)[c], 128 + (ghost[c] - 128) * opacity / 100, 1) << opacity << "% " << c;
        EXPECT_EQ(out.Row(1)[3 * 4 + 3], 0x80); // alpha kept
    }
    // Difference against the last frame alone (blue): |128 - 255|, |128 - 0|, |128 - 0|.
    onion.Difference = true;
    onion.Compose(live, out);
    EXPECT_EQ(At(out, 0, 0), (TColor{127, 128, 128}));
    // A live picture of another size than the frames passes unchanged.
    const TPicture other = Solid(3, 3, kGreen);
    onion.Compose(other, out);
    EXPECT_EQ(out, other);
}
