#include "SheetNotation.h"
#include "document/SheetData.h"

#include <gtest/gtest.h>

using Layers = std::vector<std::string>;

namespace {
void Place(TSheetData& sheet, std::int32_t col, std::int32_t row, const char* name, std::int32_t duration) {
    TCellRect changed;
    sheet.AddCel(col, row, name, duration, changed);
}
} // namespace

TEST(SheetData, PlacingCelsCutsMergesAndGrowsTheSheet) {
    struct Case {
        const char* what;
        Layers before;
        std::int32_t row;
        const char* name;
        std::int32_t duration;
        Layers after;
    };
    const Case cases[] = {
        {"equal name below a hold joins it", {"a||....."}, 3, "a", 2, {"a||||..."}},
        {"equal name above a hold joins it", {"...a|..."}, 1, "a", 2, {".a|||..."}},
        {"names differ in letter case", {"a||....."}, 3, "A", 2, {"a||A|..."}},
        {"joins both neighbours", {"a|.a|..."}, 2, "a", 1, {"a||||..."}},
        {"splits a hold around the new cel", {"a||||..."}, 2, "b", 1, {"a|ba|..."}},
        {"cuts the start of a hold", {"a||||..."}, 0, "b", 2, {"b|a||..."}},
        {"ending on the last frame adds one empty frame", {"........"}, 6, "b", 2, {"......b|."}},
        {"reaching past the end grows the sheet", {"....", "...."}, 2, "b", 4, {"..b|||.", "......."}},
    };
    for (const auto& c : cases) {
        TSheetData sheet;
        BuildSheet(sheet, c.before);
        Place(sheet, 0, c.row, c.name, c.duration);
        EXPECT_EQ(DescribeSheet(sheet), c.after) << c.what;
        EXPECT_EQ(CheckInvariants(sheet), "") << c.what;
    }
}

TEST(SheetData, SplitHoldKeepsTheOldObjectAboveAndMakesANewOneBelow) {
    TSheetData sheet;
    BuildSheet(sheet, {"a||||..."});
    TCel* original = sheet.CelAt(0, 0);
    Place(sheet, 0, 2, "b", 1);
    EXPECT_EQ(sheet.CelAt(0, 0), original);
    EXPECT_EQ(original->Duration, 2);
    EXPECT_NE(sheet.CelAt(0, 3), original);
    EXPECT_EQ(sheet.CelAt(0, 3)->Duration, 2);
    EXPECT_EQ(sheet.Cels.Count(), 3u);
}

TEST(SheetData, TheFrameLimitCutsHoldsAndStopsGrowth) {
    TSheetData sheet;
    sheet.AddLayer("", "", LayerColorScheme(0), 40);
    TCellRect changed;
    ASSERT_NE(sheet.AddCel(0, 1636, "a", 5, changed), nullptr);
    EXPECT_EQ(sheet.CelAt(0, 1636)->Duration, 1);
    EXPECT_EQ(sheet.FrameCount(), kMaxFrames);
    EXPECT_EQ(sheet.AddCel(0, 1637, "b", 1, changed), nullptr);
    EXPECT_EQ(sheet.AddCel(0, -1, "b", 1, changed), nullptr);
    EXPECT_EQ(sheet.AddCel(0, 3, "b", 0, changed), nullptr);
    EXPECT_EQ(sheet.AddCel(1, 3, "b", 1, changed), nullptr);

    TSheetData exact;
    exact.AddLayer("", "", LayerColorScheme(0), 40);
    exact.AddCel(0, 1630, "a", 7, changed);
    EXPECT_EQ(exact.FrameCount(), kMaxFrames);
    EXPECT_EQ(CheckInvariants(exact), "");
}

TEST(SheetData, ClearRegionRemovesCoverageAndSplitsWhatSticksOut) {
    struct Case {
        Layers before;
        TCellRect rect;
        Layers after;
        bool removed;
    };
    const Case cases[] = {
        {{"a||||...", "b|||||||"}, {0, 1, 1, 3}, {"a...a...", "b...b|||"}, true},
        {{"a|b|c..."}, {0, 1, 0, 4}, {"a......."}, true},
        {{"a||b|..."}, {0, 5, 0, 7}, {"a||b|..."}, false},
        {{"..a|||.."}, {0, 0, 0, 3}, {"....a|.."}, true},
    };
    for (const auto& c : cases) {
        TSheetData sheet;
        BuildSheet(sheet, c.before);
        EXPECT_EQ(sheet.ClearRegion(c.rect), c.removed);
        // A split tail is a cel of its own, so it starts with its letter again.
        EXPECT_EQ(DescribeSheet(sheet), c.after);
        EXPECT_EQ(CheckInvariants(sheet), "");
    }
}

TEST(SheetData, CopyStoresThePartsInsideTheRectangle) {
    TSheetData sheet;
    BuildSheet(sheet, {"a||||b..", "..c|...."});
    sheet.CopyRegion({0, 2, 1, 3});
    ASSERT_EQ(sheet.ClipCount, 2);
    EXPECT_EQ(sheet.Clipboard[0], (TCopyCel{"a", 2, 0, 0}));
    EXPECT_EQ(sheet.Clipboard[1], (TCopyCel{"c", 2, 1, 0}));
    EXPECT_EQ(sheet.ClipRect, (TCellRect{0, 0, 1, 1}));

    sheet.CopyRegion({0, 2, 0, 6});
    ASSERT_EQ(sheet.ClipCount, 2);
    EXPECT_EQ(sheet.Clipboard[0], (TCopyCel{"a", 3, 0, 0}));
    EXPECT_EQ(sheet.Clipboard[1], (TCopyCel{"b", 1, 0, 3}));
    EXPECT_EQ(DescribeSheet(sheet), (Layers{"a||||b..", "..c|...."}));
}

TEST(SheetData, ClipboardGrowsPastItsFirstTenEntries) {
    TSheetData sheet;
    BuildSheet(sheet, {"abababababababab"});
    sheet.CopyRegion({0, 0, 0, 15});
    EXPECT_EQ(sheet.ClipCount, 16);
    EXPECT_EQ(sheet.Clipboard[15].Name, "b");
}

TEST(SheetData, PasteClearsTheTargetMergesAndSelectsTheBlock) {
    TSheetData sheet;
    BuildSheet(sheet, {"a|b.....", "c|d....."});
    sheet.CopyRegion({0, 0, 1, 1});
    EXPECT_EQ(sheet.PasteAt(0, 2), 0);
    EXPECT_EQ(DescribeSheet(sheet), (Layers{"a|||....", "c|||...."}));
    EXPECT_EQ(sheet.Selection, (TCellRect{0, 2, 1, 3}));
    EXPECT_EQ(sheet.CurFrame, 2);
    EXPECT_EQ(CheckInvariants(sheet), "");
}

TEST(SheetData, PasteAtTheLastLayerKeepsTheFirstColumnAndGrowsTheSheet) {
    TSheetData sheet;
    BuildSheet(sheet, {"a|..", "b|.."});
    sheet.CopyRegion({0, 0, 1, 1});
    EXPECT_EQ(sheet.PasteAt(1, 3), 2);
    EXPECT_EQ(DescribeSheet(sheet), (Layers{"a|....", "b|.a|."}));
    EXPECT_EQ(sheet.Selection, (TCellRect{1, 3, 1, 4}));
    EXPECT_EQ(sheet.PasteAt(5, 0), 0) << "outside the sheet nothing is pasted";
    EXPECT_EQ(CheckInvariants(sheet), "");
}

TEST(SheetData, MoveBlockMovesWholeCelsEvenWhenAreasOverlap) {
    TSheetData sheet;
    BuildSheet(sheet, {"a|.c||..", "d|e|...."});
    TCellRect rect{0, 0, 1, 1};
    sheet.CurFrame = 1;
    EXPECT_FALSE(sheet.CanDropBlock(rect, 0, 1)) << "e is in the way";
    EXPECT_FALSE(sheet.CanDropBlock({0, 0, 1, 2}, 0, 1)) << "c is in the way";
    sheet.DeleteCel(sheet.CelAt(1, 2));
    ASSERT_TRUE(sheet.CanDropBlock(rect, 0, 1));
    sheet.MoveBlock(rect, 0, true, 1);
    EXPECT_EQ(DescribeSheet(sheet), (Layers{".a|c||..", ".d|....."}));
    EXPECT_EQ(rect, (TCellRect{0, 1, 1, 2}));
    EXPECT_EQ(sheet.CurFrame, 2);
    EXPECT_EQ(CheckInvariants(sheet), "");

    // A cel sticking out below the block stays where it is.
    TSheetData other;
    BuildSheet(other, {"a|b||", "....."});
    rect = {0, 0, 0, 2};
    other.MoveBlock(rect, 1, false, 0);
    EXPECT_EQ(DescribeSheet(other), (Layers{"..b||", "a|..."}));
    EXPECT_EQ(rect, (TCellRect{0, 0, 0, 2}));
    EXPECT_EQ(CheckInvariants(other), "");
}

TEST(SheetData, CanDropBlockNeedsRoomInsideTheSheet) {
    TSheetData sheet;
    BuildSheet(sheet, {"a|..b", "....."});
    EXPECT_TRUE(sheet.CanDropBlock({0, 0, 0, 1}, 0, 2));
    EXPECT_FALSE(sheet.CanDropBlock({0, 0, 0, 1}, 0, 3));
    EXPECT_FALSE(sheet.CanDropBlock({0, 0, 0, 1}, 0, 4)) << "past the last frame";
    EXPECT_FALSE(sheet.CanDropBlock({0, 0, 0, 1}, 2, 0)) << "past the last layer";
    EXPECT_FALSE(sheet.CanDropBlock({0, 0, 0, 1}, -1, 0));
    EXPECT_TRUE(sheet.CanDropBlock({0, 0, 0, 1}, 1, 3));
}

TEST(SheetData, DeleteLayerMovesSelectionAndCursor) {
    struct Case {
        std::int32_t deleted;
        TCellRect selection;
        std::int32_t cursor;
        TCellRect selectionAfter;
        std::int32_t cursorAfter;
    };
    const Case cases[] = {
        {2, {1, 0, 2, 0}, 2, {1, 0, 1, 0}, 1}, // the last layer
        {2, {0, 0, 1, 0}, 1, {0, 0, 1, 0}, 1}, {0, {1, 0, 2, 0}, 2, {0, 0, 1, 0}, 1},
        {1, {1, 0, 1, 0}, 1, {1, 0, 1, 0}, 1}, // the cursor stays, now on the right neighbour
        {1, {0, 0, 2, 0}, 0, {0, 0, 1, 0}, 0},
    };
    for (const auto& c : cases) {
        TSheetData sheet;
        BuildSheet(sheet, {"a..", "b|.", "c.."});
        sheet.Selection = c.selection;
        sheet.CurLayer = c.cursor;
        sheet.DeleteLayer(c.deleted);
        EXPECT_EQ(sheet.Selection, c.selectionAfter) << c.deleted;
        EXPECT_EQ(sheet.CurLayer, c.cursorAfter) << c.deleted;
        EXPECT_EQ(sheet.Cels.Count(), 2u);
        EXPECT_EQ(CheckInvariants(sheet), "");
    }
}

TEST(SheetData, DeletingTheOnlyLayerEmptiesTheSheet) {
    TSheetData sheet;
    BuildSheet(sheet, {"a|.b"});
    sheet.Selection = {0, 1, 0, 2};
    sheet.DeleteLayer(0);
    EXPECT_EQ(sheet.FrameCount(), 0);
    EXPECT_EQ(sheet.Selection, (TCellRect{}));
    EXPECT_EQ(sheet.Cels.Count(), 0u);
    sheet.AddLayer("", "", LayerColorScheme(0), 40);
    EXPECT_EQ(sheet.FrameCount(), 40);
}

TEST(SheetData, SnapSelectionWidensToWholeCels) {
    TSheetData sheet;
    BuildSheet(sheet, {"a|||b||.."});
    sheet.Selection = {0, 2, 0, 5};
    sheet.CurFrame = 2;
    EXPECT_TRUE(sheet.SnapSelectionToCels());
    EXPECT_EQ(sheet.Selection, (TCellRect{0, 0, 0, 6}));
    EXPECT_EQ(sheet.CurFrame, 0);

    sheet.Selection = {0, 1, 0, 5};
    sheet.CurFrame = 5;
    EXPECT_TRUE(sheet.SnapSelectionToCels());
    EXPECT_EQ(sheet.CurFrame, 6);
    EXPECT_FALSE(sheet.SnapSelectionToCels());
}

TEST(SheetData, MergeAtEdgesJoinsEqualNamesAtTopAndBottom) {
    TSheetData sheet;
    BuildSheet(sheet, {"a|a|b|a.", "c|d|c..."});
    const auto merged = sheet.MergeAtEdges({0, 2, 1, 3});
    EXPECT_EQ(DescribeSheet(sheet), (Layers{"a|||b|a.", "c|d|c..."}));
    ASSERT_EQ(merged.size(), 2u);
    EXPECT_EQ(merged[0], (TCellRect{0, 0, 0, 3}));
    EXPECT_EQ(CheckInvariants(sheet), "");
}

TEST(SheetData, SetDurationAndFpsKeepSlotsAndPhonemesInStep) {
    TSheetData sheet;
    BuildSheet(sheet, {"a|....."});
    TCellRect changed;
    sheet.SetCelDuration(sheet.CelAt(0, 0), 4, changed);
    EXPECT_EQ(DescribeSheet(sheet), (Layers{"a|||..."}));
    EXPECT_EQ(changed, (TCellRect{0, 0, 0, 3}));
    sheet.SetCelDuration(sheet.CelAt(0, 0), 1, changed);
    EXPECT_EQ(DescribeSheet(sheet), (Layers{"a......"}));
    EXPECT_EQ(changed, (TCellRect{0, 0, 0, 3}));
    EXPECT_EQ(CheckInvariants(sheet), "");

    sheet.Audio.DurationMs = 10000;
    sheet.SetFps(12);
    EXPECT_EQ(sheet.Audio.PhonemeCount(), 121);
    EXPECT_EQ(sheet.FrameCount(), 121);
    sheet.SetFps(24);
    EXPECT_EQ(sheet.Audio.PhonemeCount(), 241);
    sheet.Audio.DurationMs = 100 * 60 * 1000;
    sheet.SetFps(25);
    EXPECT_EQ(sheet.FrameCount(), kMaxFrames);
}

TEST(SheetData, CountsOfLayersAndAudio) {
    TSoundTrack audio;
    audio.DurationMs = 10000;
    EXPECT_EQ(audio.FramesCovered(24), 241);
    EXPECT_EQ(audio.FramesCovered(0), 0);
    audio.DurationMs = 0;
    EXPECT_EQ(audio.FramesCovered(24), 0);

    TSheetData sheet;
    BuildSheet(sheet, {"....", "a...", ".b|."});
    EXPECT_EQ(sheet.Layer(0).UsedFrameCount(), 0);
    EXPECT_EQ(sheet.Layer(1).UsedFrameCount(), 1);
    EXPECT_EQ(sheet.Layer(2).UsedFrameCount(), 3);
    EXPECT_EQ(sheet.FirstUsedFrame(2), 1);
    EXPECT_EQ(sheet.LastUsedFrame(2), 2);
}

TEST(SheetData, LayerColorSchemesByIndexAndName) {
    EXPECT_EQ(LayerColorScheme(1).Name, "Blue");
    EXPECT_EQ(LayerColorScheme(2).CelTextColor, 0x3C4433u);
    EXPECT_EQ(LayerColorScheme(-1).Name, "Orange");
    EXPECT_EQ(LayerColorScheme(3).Name, "Orange");
    EXPECT_EQ(LayerColorIndex(LayerColorScheme(2)), 2);
    TLayerColors custom = LayerColorScheme(1);
    custom.Name = "Purple";
    EXPECT_EQ(LayerColorIndex(custom), 0);
}
