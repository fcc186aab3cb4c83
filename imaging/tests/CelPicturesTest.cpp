// The document's cel picture lookup: which file a cel shows, and decoding it.
#include "document/CelPictures.h"

#include "base/Error.h"
#include "imaging/tests/PictureTestSupport.h"

#include <gtest/gtest.h>
#include <unistd.h>

namespace {

class CelPicturesTest : public ::testing::Test {
protected:
    CelPicturesTest() {
        Layer = Fixture.AddLayer();
        Fixture.Place(Layer, 1, 3, "a.png", Solid(4, 2, {1, 2, 3}));
    }

    TRgb ShownAt(std::int32_t frame) {
        const TPicture* picture = Sheet().GetCelImage(Layer, frame);
        return picture ? PixelAt(*picture, 0, 0) : TRgb{-1, -1, -1};
    }
    TSheetDocument& Sheet() { return Fixture.Sheet; }

    TSheetFixture Fixture;
    std::int32_t Layer = 0;
};

} // namespace

TEST_F(CelPicturesTest, FindsTheCelCoveringTheFrame) {
    const TPicture* first = Sheet().GetCelImage(Layer, 3); // the last frame of the hold
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->Width(), 4);
    EXPECT_EQ(PixelAt(*first, 0, 0), (TRgb{1, 2, 3}));

    // Each picture format by the cel name's extension, letter case ignored.
    Fixture.Place(Layer, 5, 1, "b.BMP", Solid(3, 3, {9, 8, 7}));
    Fixture.WriteDrawing(Layer, "c.JPEG", Solid(16, 16, {0, 0, 0}));
    Sheet().PlaceCelAt(Layer, 6, "c.JPEG", 1);
    EXPECT_EQ(ShownAt(5), (TRgb{9, 8, 7}));
    EXPECT_EQ(Sheet().GetCelImage(Layer, 6)->Width(), 16);
    // One shared picture, refilled by every lookup.
    EXPECT_EQ(Sheet().GetCelImage(Layer, 1), Sheet().GetCelImage(Layer, 5));

    const TRgb none{-1, -1, -1};
    EXPECT_EQ(ShownAt(4), none);                           // no cel
    EXPECT_EQ(Sheet().GetCelImage(Layer + 1, 1), nullptr); // no such layer
    EXPECT_EQ(ShownAt(0), none);
    EXPECT_EQ(ShownAt(Sheet().FrameCount() + 1), none);
}

TEST_F(CelPicturesTest, MissingFilesAndOtherNamesShowNothing) {
    const TRgb none{-1, -1, -1};
    Sheet().PlaceCelAt(Layer, 4, "gone.png", 1);
    EXPECT_EQ(ShownAt(4), none);
    EXPECT_FALSE(Sheet().CelImageExists(Layer, 4));

    // A file that is there but is no picture by its name shows nothing, whatever was shown before.
    WritePng(Fixture.LayerFolder(Layer) + "notes.txt", Solid(4, 2, {5, 5, 5}));
    Sheet().PlaceCelAt(Layer, 5, "notes.txt", 1);
    EXPECT_EQ(ShownAt(1), (TRgb{1, 2, 3}));
    EXPECT_EQ(ShownAt(5), none);
    EXPECT_TRUE(Sheet().CelImageExists(Layer, 5)); // the file exists all the same

    // Without the layer's folder nothing shows, even a file of the same path.
    Sheet().SetLayerFolder(Layer, Fixture.LayerFolder(Layer) + "nowhere/");
    EXPECT_EQ(ShownAt(1), none);
    EXPECT_FALSE(Sheet().CelImageExists(Layer, 1));
}

TEST_F(CelPicturesTest, FollowsLnkLinksDecodedByTheCelName) {
    const std::string folder = Fixture.LayerFolder(Layer);
    WritePng(Fixture.Folder / "drawing.data", Solid(2, 2, {40, 50, 60}));
    // A relative link, resolved from the link's own folder.
    ASSERT_EQ(::symlink("../drawing.data", (folder + "linked.png.lnk").c_str()), 0);
    Sheet().PlaceCelAt(Layer, 5, "linked.png", 1);
    EXPECT_EQ(ShownAt(5), (TRgb{40, 50, 60}));
    EXPECT_EQ(Sheet().CelImageFile(Layer, 5), folder + "../drawing.data");
    EXPECT_FALSE(Sheet().CelImageExists(Layer, 5)); // no link fallback here

    // A link whose target is gone, or a ".lnk" that is no link, gives nothing.
    ASSERT_EQ(::symlink((Fixture.Folder / "gone.png").c_str(), (folder + "dangling.png.lnk").c_str()), 0);
    WriteText(folder + "plain.png.lnk", "a shortcut file, not a link");
    Sheet().PlaceCelAt(Layer, 6, "dangling.png", 1);
    Sheet().PlaceCelAt(Layer, 7, "plain.png", 1);
    EXPECT_EQ(Sheet().GetCelImage(Layer, 6), nullptr);
    EXPECT_EQ(Sheet().GetCelImage(Layer, 7), nullptr);

    // The cel's extension decides: a JPEG cel name over a PNG file fails as a JPEG.
    ASSERT_EQ(::symlink((Fixture.Folder / "drawing.data").c_str(), (folder + "wrong.jpg.lnk").c_str()), 0);
    Sheet().PlaceCelAt(Layer, 8, "wrong.jpg", 1);
    EXPECT_THROW(Sheet().GetCelImage(Layer, 8), ECwError);
}

TEST_F(CelPicturesTest, CelImagePathsListsEachCelOnceLayerByLayer) {
    const std::int32_t second = Fixture.AddLayer();
    Sheet().PlaceCelAt(Layer, 4, "b.png", 2);
    Sheet().PlaceCelAt(second, 2, "x.png", 1);
    Sheet().PlaceCelAt(second, 3, "y.png", 4);
    std::vector<std::string> list = {"left over"};
    Sheet().CelImagePaths({1, 2, 5, 5}, list); // past the last layer: cut to the sheet
    const std::string a = Fixture.LayerFolder(Layer), b = Fixture.LayerFolder(second);
    EXPECT_EQ(list, (std::vector<std::string>{a + "a.png", a + "b.png", b + "x.png", b + "y.png"}));
}

TEST_F(CelPicturesTest, FirstImageInfoLooksFrameByFrameIncludingHiddenLayers) {
    std::int32_t width = -1, height = -1;
    TPixelFormat format = TPixelFormat::pf32bit;
    // An empty frame 1 on layer 1; layer 2 (hidden) has an 8-bit drawing on frame 1, so it wins
    // over layer 1's drawing on frame 2.
    TSheetFixture fixture;
    const std::int32_t one = fixture.AddLayer();
    const std::int32_t two = fixture.AddLayer();
    EXPECT_FALSE(GetFirstImageInfo(fixture.Sheet, width, height, format));
    EXPECT_EQ(width, -1); // untouched
    fixture.Place(one, 2, 1, "wide.png", Solid(30, 10, kWhite));
    fixture.Sheet.PlaceCelAt(one, 1, "missing.png", 1);
    TPicture grey(12, 20, TPixelFormat::pf8bit);
    fixture.Place(two, 1, 1, "tall.png", grey);
    fixture.Sheet.SetLayerVisible(two, false);
    ASSERT_TRUE(GetFirstImageInfo(fixture.Sheet, width, height, format));
    EXPECT_EQ(width, 12);
    EXPECT_EQ(height, 20);
    EXPECT_EQ(format, TPixelFormat::pf8bit);
}
