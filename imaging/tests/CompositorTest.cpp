#include "imaging/Compositor.h"

#include "base/Error.h"
#include "imaging/tests/PictureTestSupport.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The colour a 1-pixel stage ends with after stacking the given colours bottom first.
TRgb Stack(TComp mode, std::initializer_list<TRgb> layers) {
    TSheetDocument sheet;
    TCompositor rostrum(sheet);
    rostrum.SetStageSize(1, 1);
    const auto alpha = static_cast<std::uint8_t>(255 / std::max<std::size_t>(layers.size(), 1));
    for (const TRgb& colour : layers)
        rostrum.AddLayerImage(Solid(1, 1, colour), mode, alpha);
    return PixelAt(*rostrum.Paint(), 0, 0);
}

} // namespace

TEST(Compositor, CombineRules) {
    const TRgb red{255, 0, 0}, green89{0, 89, 0}, grey100{100, 100, 100}, lightGrey{200, 200, 200},
        darkGrey{50, 50, 50};
    struct TCase {
        const char* Name;
        TComp Mode;
        std::initializer_list<TRgb> Layers;
        TRgb Expected;
    };
    const TCase cases[] = {
        {"nothing: white stage", TComp::cDarken, {}, kWhite},
        {"darken: white paper is transparent", TComp::cDarken, {darkGrey, kWhite}, darkGrey},
        {"darken: light line over dark keeps dark", TComp::cDarken, {darkGrey, lightGrey}, darkGrey},
        {"darken: dark line over light replaces", TComp::cDarken, {lightGrey, darkGrey}, darkGrey},
        // By intensity, not channel by channel: red (60) is darker than grey 100 and replaces it
        // whole, where a per-channel minimum would give (100, 0, 0).
        {"darken: by intensity", TComp::cDarken, {grey100, red}, red},
        // Red and (0, 89, 0) both have intensity 60: the lower layer stays.
        {"darken: equal intensity keeps the lower", TComp::cDarken, {red, green89}, red},
        {"darken: equal intensity, other order", TComp::cDarken, {green89, red}, green89},
        {"multiply: white over white", TComp::cMultiply, {kWhite}, {254, 254, 254}},
        {"multiply: two white layers", TComp::cMultiply, {kWhite, kWhite}, {253, 253, 253}},
        {"multiply: colours", TComp::cMultiply, {{200, 100, 50}}, {199, 99, 49}},
        {"blend: one layer unchanged", TComp::cBlend, {{12, 34, 56}}, {12, 34, 56}},
        // Two layers: the upper mixed in at 127/255.
        {"blend: two layers", TComp::cBlend, {{0, 0, 0}, kWhite}, {127, 127, 127}},
        {"blend: two layers, other way", TComp::cBlend, {kWhite, {0, 0, 0}}, {128, 128, 128}},
        // Three layers at 85: 4/9 bottom, 2/9 middle, 1/3 top.
        {"blend: three layers", TComp::cBlend, {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}}, {113, 57, 85}},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(Stack(c.Mode, c.Layers), c.Expected) << c.Name;
}

TEST(Compositor, ResamplesEachAxisByNearestNeighbour) {
    TSheetDocument sheet;
    TCompositor rostrum(sheet);
    rostrum.SetStageSize(320, 240);
    // Every pixel of the 640 x 480 drawing is different, so the sample positions show.
    const TPicture big = MakePicture(640, 480, [](int x, int y) {
        return TRgb{x % 256, y % 256, (x / 256) * 16 + y / 256};
    });
    rostrum.AddLayerImage(big, TComp::cBlend, 255);
    const auto halved = rostrum.Paint();
    for (int y = 0; y < 240; y += 7)
        for (int x = 0; x < 320; x += 5)
            ASSERT_EQ(PixelAt(*halved, x, y), PixelAt(big, 2 * x, 2 * y)) << x << ", " << y;

    // A square drawing fills the 4:3 stage: stretched, not letter-boxed.
    rostrum.SetStageSize(320, 240);
    const TPicture square = MakePicture(300, 300, [](int x, int y) {
        return TRgb{x % 256, y % 256, x / 256 + 2 * (y / 256)};
    });
    rostrum.AddLayerImage(square, TComp::cBlend, 255);
    const auto stretched = rostrum.Paint();
    for (int y = 0; y < 240; y += 3)
        for (int x = 0; x < 320; x += 3)
            ASSERT_EQ(PixelAt(*stretched, x, y), PixelAt(square, x * 300 / 320, y * 300 / 240))
                << x << ", " << y;
    EXPECT_EQ(PixelAt(*stretched, 319, 239), PixelAt(square, 299, 298));
}

TEST(Compositor, EightBitPicturesShowThroughTheirPalette) {
    TSheetDocument sheet;
    TCompositor rostrum(sheet);
    rostrum.SetStageSize(2, 1);
    TPicture indexed(2, 1, TPixelFormat::pf8bit);
    indexed.Palette[7] = {0, 0, 255};
    indexed.Row(0)[0] = 7;
    indexed.Row(0)[1] = 255; // white in the grey palette
    rostrum.AddLayerImage(indexed, TComp::cDarken, 255);
    const auto frame = rostrum.Paint();
    EXPECT_EQ(PixelAt(*frame, 0, 0), (TRgb{0, 0, 255}));
    EXPECT_EQ(PixelAt(*frame, 1, 0), kWhite);
}

class RenderFrameTest : public ::testing::Test {
protected:
    RenderFrameTest() {
        Rostrum.SetStageSize(8, 6);
        Rostrum.CompositeMode = [this] { return Mode; };
    }

    TRgb Render(std::int32_t frame, int x = 0, int y = 0) {
        const auto picture = Rostrum.RenderFrame(frame);
        EXPECT_EQ(picture->PixelFormat(), TPixelFormat::pf24bit);
        EXPECT_EQ(picture->Width(), 8);
        EXPECT_EQ(picture->Height(), 6);
        return PixelAt(*picture, x, y);
    }

    TSheetFixture Fixture;
    TCompositor Rostrum{Fixture.Sheet};
    TComp Mode = TComp::cDarken;
};

TEST_F(RenderFrameTest, StacksVisibleLayersWithDrawingsFromTheBottom) {
    const std::int32_t back = Fixture.AddLayer();
    const std::int32_t front = Fixture.AddLayer();
    const std::int32_t hidden = Fixture.AddLayer();
    Fixture.Place(back, 1, 2, "back.png", Solid(8, 6, {200, 200, 200}));
    Fixture.Place(front, 2, 1, "front.png", Solid(8, 6, {100, 100, 100}));
    Fixture.Place(hidden, 1, 4, "hidden.png", Solid(8, 6, {0, 0, 0}));
    Fixture.Sheet.SetLayerVisible(hidden, false);
    Fixture.Sheet.PlaceCelAt(front, 3, "missing.png", 1); // no file: the layer is skipped

    // The same whether the layers are decoded one by one or side by side.
    for (const std::int32_t threads : {1, 4}) {
        Rostrum.DecodeThreads = threads;
        EXPECT_EQ(Render(1), (TRgb{200, 200, 200}));
        EXPECT_EQ(Render(2), (TRgb{100, 100, 100}));
        EXPECT_EQ(Render(3), kWhite);  // only a missing file and a hidden layer
        EXPECT_EQ(Render(4), kWhite);  // only the hidden layer has a drawing
        EXPECT_EQ(Render(99), kWhite); // past the end of the sheet
    }

    // The mode is read at every frame: the front layer blends in at 127.
    Mode = TComp::cBlend;
    EXPECT_EQ(Render(2), (TRgb{150, 150, 150}));
    // On frame 3 only one visible layer has a picture, so it is drawn at full strength.
    Fixture.Sheet.PlaceCelAt(back, 3, "back.png", 1);
    EXPECT_EQ(Render(3), (TRgb{200, 200, 200}));
}

TEST_F(RenderFrameTest, ReadsIndexedPngsAsGreyAndFollowsLnkLinks) {
    const std::int32_t layer = Fixture.AddLayer();
    // An indexed drawing whose palette makes index 60 red: it shows grey 60.
    TPicture indexed(8, 6, TPixelFormat::pf8bit);
    indexed.Palette[60] = {255, 0, 0};
    indexed.Fill(60);
    Fixture.Place(layer, 1, 1, "indexed.png", indexed);
    EXPECT_EQ(Render(1), (TRgb{60, 60, 60}));

    // A linked drawing: "linked.png" is absent, "linked.png.lnk" points at a file whose own
    // name says nothing; the cel's name picks the PNG decoder.
    WritePng(Fixture.Folder / "elsewhere.dat", Solid(8, 6, {10, 20, 30}));
    ASSERT_EQ(::symlink((Fixture.Folder / "elsewhere.dat").c_str(),
                        (Fixture.LayerFolder(layer) + "linked.png.lnk").c_str()),
              0);
    Fixture.Sheet.PlaceCelAt(layer, 2, "linked.png", 1);
    EXPECT_EQ(Render(2), (TRgb{10, 20, 30}));
}

TEST_F(RenderFrameTest, AnUnreadableDrawingStopsTheFrameWithItsError) {
    // Layers are decoded side by side; the error is the lowest layer's, as if one by one.
    Rostrum.DecodeThreads = 3;
    const std::int32_t layer = Fixture.AddLayer();
    const std::int32_t above = Fixture.AddLayer();
    Fixture.Place(above, 1, 1, "fine.png", Solid(8, 6, kWhite));
    const std::int32_t top = Fixture.AddLayer();
    WriteText(Fixture.LayerFolder(layer) + "broken.png", "not a picture");
    WriteText(Fixture.LayerFolder(top) + "broken.jpg", "not a picture either");
    Fixture.Sheet.PlaceCelAt(layer, 1, "broken.png", 1);
    Fixture.Sheet.PlaceCelAt(top, 1, "broken.jpg", 1);
    try {
        Rostrum.RenderFrame(1);
        FAIL() << "no error";
    } catch (const ECwError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Cannot read the picture \"" + Fixture.LayerFolder(layer) + "broken.png\": not a PNG file");
    }
}

TEST(CompositorStage, ResetAndSizeClearTheStage) {
    TSheetDocument sheet;
    TCompositor rostrum(sheet);
    EXPECT_EQ(rostrum.StageWidth(), 200);
    EXPECT_EQ(rostrum.StageHeight(), 200);
    rostrum.AddLayerImage(Solid(4, 4, {0, 0, 0}), TComp::cDarken, 255);
    rostrum.ResetStage();
    EXPECT_EQ(rostrum.StageLayerCount(), 0);
    const auto stage = rostrum.Paint();
    EXPECT_EQ(stage->Width(), 320);
    EXPECT_EQ(stage->Height(), 240);
    EXPECT_EQ(PixelAt(*stage, 100, 100), kWhite);
    EXPECT_THROW(rostrum.SetStageSize(0, 240), ECwError);
}

namespace {

// The file's modification time, read and set to the nanosecond.
timespec ModifiedAt(const std::string& path) {
    struct stat info {};
    ::stat(path.c_str(), &info);
    return info.st_mtim;
}

void SetModifiedAt(const std::string& path, timespec when) {
    const timespec times[2] = {when, when};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

// Writes over the file in place (same inode), keeping its modification time.
void RewriteInPlace(const std::string& path, const TPicture& picture) {
    const timespec before = ModifiedAt(path);
    const std::vector<std::uint8_t> bytes = EncodeBmp(picture);
    WriteText(path, std::string(bytes.begin(), bytes.end()));
    SetModifiedAt(path, before);
}

} // namespace

TEST_F(RenderFrameTest, AHeldDrawingChangedOnDiskIsReadAgainAtOnce) {
    const TRgb before{90, 90, 90}, after{30, 60, 90};
    // Drawings as BMP files: the same size on disk for the same picture size, so each change below
    // alters one part of the file's identity only.
    struct TCase {
        const char* Name;
        std::function<void(const std::string& file)> Change;
        TRgb Expected;
    };
    const TCase cases[] = {
        {"rewritten in place to a new size",
         [&](const std::string& file) {
             const timespec at = ModifiedAt(file);
             const std::vector<std::uint8_t> bytes = EncodeBmp(Solid(4, 3, after));
             WriteText(file, std::string(bytes.begin(), bytes.end()));
             SetModifiedAt(file, at);
         },
         after},
        {"rewritten in place, new modification time",
         [&](const std::string& file) {
             timespec at = ModifiedAt(file);
             RewriteInPlace(file, Solid(8, 6, after));
             at.tv_nsec = (at.tv_nsec + 1) % 1'000'000'000;
             SetModifiedAt(file, at);
         },
         after},
        {"replaced through rename",
         [&](const std::string& file) {
             const std::string other = file + ".new";
             const std::vector<std::uint8_t> bytes = EncodeBmp(Solid(8, 6, after));
             WriteText(other, std::string(bytes.begin(), bytes.end()));
             SetModifiedAt(other, ModifiedAt(file));
             ASSERT_EQ(std::rename(other.c_str(), file.c_str()), 0);
         },
         after},
        {"deleted", [&](const std::string& file) { std::filesystem::remove(file); }, kWhite},
        // Size, time and inode all as they were: the drawing is taken from the cache.
        {"bytes changed behind its back",
         [&](const std::string& file) { RewriteInPlace(file, Solid(8, 6, after)); }, before},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TSheetFixture fixture;
        const std::int32_t layer = fixture.AddLayer();
        fixture.Place(layer, 1, 2, "cel.bmp", Solid(8, 6, before));
        TCompositor rostrum(fixture.Sheet);
        rostrum.SetStageSize(8, 6);
        EXPECT_EQ(PixelAt(*rostrum.RenderFrame(1), 3, 2), before);
        c.Change(fixture.LayerFolder(layer) + "cel.bmp");
        EXPECT_EQ(PixelAt(*rostrum.RenderFrame(2), 3, 2), c.Expected);
    }
}

TEST_F(RenderFrameTest, ARetargetedLnkShowsItsNewDrawing) {
    const std::int32_t layer = Fixture.AddLayer();
    const std::string first = Fixture.Folder / "first.bmp", second = Fixture.Folder / "second.bmp";
    WriteBmp(first, Solid(8, 6, {10, 10, 10}));
    WriteBmp(second, Solid(8, 6, {20, 20, 20}));
    SetModifiedAt(second, ModifiedAt(first));
    const std::string link = Fixture.LayerFolder(layer) + "cel.bmp.lnk";
    ASSERT_EQ(::symlink(first.c_str(), link.c_str()), 0);
    Fixture.Sheet.PlaceCelAt(layer, 1, "cel.bmp", 2);
    EXPECT_EQ(Render(1), (TRgb{10, 10, 10}));
    std::filesystem::remove(link);
    ASSERT_EQ(::symlink(second.c_str(), link.c_str()), 0);
    EXPECT_EQ(Render(2), (TRgb{20, 20, 20}));
}

TEST_F(RenderFrameTest, HeldCelsStayRightAsLayersAreHiddenAndShown) {
    Mode = TComp::cMultiply; // every layer leaves its mark
    const std::int32_t back = Fixture.AddLayer();
    const std::int32_t front = Fixture.AddLayer();
    Fixture.Place(back, 1, 4, "back.png", Solid(8, 6, {200, 200, 200}));
    Fixture.Place(front, 1, 4, "front.png", Solid(8, 6, {128, 128, 128}));
    // What a compositor that has never seen the sheet paints.
    auto fresh = [&](std::int32_t frame) {
        TCompositor other(Fixture.Sheet);
        other.SetStageSize(8, 6);
        other.CompositeMode = [this] { return Mode; };
        return PixelAt(*other.RenderFrame(frame), 0, 0);
    };
    EXPECT_EQ(Render(1), fresh(1));
    Fixture.Sheet.SetLayerVisible(back, false);
    EXPECT_EQ(Render(2), fresh(2));
    // Changed while hidden: read again when shown.
    WritePng(Fixture.LayerFolder(back) + "back.png", Solid(8, 6, {100, 100, 100}));
    Fixture.Sheet.SetLayerVisible(back, true);
    EXPECT_EQ(Render(3), fresh(3));
    EXPECT_EQ(Render(3), (TRgb{49, 49, 49})); // 254 * 100 / 256, then * 128 / 256
    Fixture.Sheet.SetLayerVisible(front, false);
    EXPECT_EQ(Render(4), fresh(4));
}

TEST(Compositor, DarkenOverLayersOfAnotherModeComparesTheirColours) {
    // Multiplied white is (254, 254, 254): darker than white, lighter than grey 200.
    TSheetDocument sheet;
    TCompositor rostrum(sheet);
    rostrum.SetStageSize(1, 1);
    rostrum.AddLayerImage(Solid(1, 1, kWhite), TComp::cMultiply, 255);
    rostrum.AddLayerImage(Solid(1, 1, kWhite), TComp::cDarken, 255);
    EXPECT_EQ(PixelAt(*rostrum.Paint(), 0, 0), (TRgb{254, 254, 254}));
    rostrum.AddLayerImage(Solid(1, 1, {200, 200, 200}), TComp::cDarken, 255);
    EXPECT_EQ(PixelAt(*rostrum.Paint(), 0, 0), (TRgb{200, 200, 200}));
}
