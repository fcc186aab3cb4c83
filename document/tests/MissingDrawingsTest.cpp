#include "document/MissingDrawings.h"
#include "document/SheetDocument.h"
#include "testsupport/TempFolder.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {

// Ink: a.png on 1-2, b.png (missing) on 3-5 and 9-11, a working and a broken link on 6 and 7;
// Paint: c.png missing on 2; the hidden layer's d.png is missing too.
struct MissingFixture {
    TTempFolder Root;
    TSheetDocument Doc;
    MissingFixture() {
        for (const char* folder : {"Ink", "Paint", "Hidden"})
            std::filesystem::create_directory(Root / folder);
        WriteText(Root / "Ink/a.png", "x");
        WriteText(Root / "drawn.png", "x");
        std::filesystem::create_symlink(Root / "drawn.png", Root / "Ink/linked.png.lnk");
        std::filesystem::create_symlink(Root / "gone.png", Root / "Ink/broken.png.lnk");
        Doc.AddLayer("Ink", Root / "Ink/", Doc.DefaultColors);
        Doc.AddLayer("Paint", Root / "Paint/", Doc.DefaultColors);
        Doc.AddLayer("Hidden", Root / "Hidden/", Doc.DefaultColors);
        Doc.PlaceCelAt(1, 1, "a.png", 2);
        Doc.PlaceCelAt(1, 3, "b.png", 2);
        Doc.PlaceCelAt(1, 5, "b.png", 1); // right after the same drawing: one run 3-5
        Doc.PlaceCelAt(1, 6, "linked.png", 1);
        Doc.PlaceCelAt(1, 7, "broken.png", 1);
        Doc.PlaceCelAt(1, 9, "b.png", 3);
        Doc.PlaceCelAt(2, 2, "c.png", 1);
        Doc.PlaceCelAt(3, 1, "d.png", 1);
        Doc.SetLayerVisible(3, false);
    }
};

} // namespace

TEST(MissingDrawings, ListsEachMissingFileOfAVisibleLayerWithItsFrames) {
    MissingFixture f;
    const auto missing = FindMissingDrawings(f.Doc, 1, f.Doc.FrameCount());
    ASSERT_EQ(missing.size(), 3u);
    EXPECT_EQ(missing[0].File, f.Root / "Ink/b.png");
    EXPECT_EQ(FrameRunsText(missing[0].Frames), "3-5, 9-11");
    EXPECT_EQ(missing[1].File, f.Root / "Ink/broken.png");
    EXPECT_EQ(missing[2].LayerCaption, "Paint");
    EXPECT_EQ(missing[2].Layer, 2);
    EXPECT_EQ(MissingDrawingsReport(missing),
              f.Root / "Ink/b.png" + " (layer 1 \"Ink\", frames 3-5, 9-11)\n" + f.Root / "Ink/broken.png" +
                  " (layer 1 \"Ink\", frame 7)\n" + f.Root / "Paint/c.png" + " (layer 2 \"Paint\", frame 2)\n");
}

TEST(MissingDrawings, OnlyTheFramesAskedForCount) {
    MissingFixture f;
    // Frame 4 lies inside a cel that starts before the range; 10 inside one that runs past it.
    const auto missing = FindMissingDrawings(f.Doc, 4, 10);
    ASSERT_EQ(missing.size(), 2u);
    EXPECT_EQ(FrameRunsText(missing[0].Frames), "4-5, 9-10");
    EXPECT_TRUE(FindMissingDrawings(f.Doc, 6, 6).empty());
    EXPECT_TRUE(f.Doc.CelDrawingMissing(3, 1)); // hidden, yet missing all the same
    EXPECT_FALSE(f.Doc.CelDrawingMissing(1, 8)); // no cel there
}
