// Mouse input in the grid: selecting, dragging blocks, stretching holds, double clicks.
#include "SheetNotation.h"
#include "SheetViewFixture.h"

#include <QTest>
#include <functional>

namespace {
using Layers = std::vector<std::string>;
}

TEST_F(SheetViewTest, DraggingASelectedCelMovesItsWholeHold) {
    struct Case {
        const char* what;
        Layers before;
        int toRow;
        Layers after;
        size_t snapshots;
    } cases[] = {
        {"two rows down into empty cells", {"a|....."}, 2, {"..a|..."}, 1},
        {"another cel in the way", {"a|b...."}, 2, {"a|b...."}, 0},
        {"one row up", {".a|...."}, -1, {"a|....."}, 1},
    };
    for (const Case& c : cases) {
        Build(c.before);
        const int row = static_cast<int>(c.before[0].find('a'));
        Sheet->Document().UndoManager().ClearHistory();
        Drag(CellPoint(0, row, 30, 5), CellPoint(0, row + c.toRow, 30, 5));
        EXPECT_EQ(Described(), c.after) << c.what;
        EXPECT_EQ(CheckInvariants(Data()), "") << c.what;
        EXPECT_EQ(Sheet->Document().UndoManager().UndoCount(), c.snapshots) << c.what;
    }
    // The selection and the cursor came along with the block.
    Build({"a|....."});
    Drag(CellPoint(0, 0, 30, 5), CellPoint(0, 2, 30, 5));
    EXPECT_EQ(Data().Selection, (TCellRect{0, 2, 0, 3}));
    EXPECT_EQ(Data().CurFrame, 2);
    Sheet->Undo();
    EXPECT_EQ(Described(), (Layers{"a|....."}));

    // A selection reaching into a cel is widened to the whole cel when the drag starts.
    Build({"a|b|.....", "c........"});
    Press(CellPoint(1, 2), Qt::ShiftModifier);
    Release(CellPoint(1, 2));
    Drag(CellPoint(0, 0, 30, 5), CellPoint(0, 2, 30, 5)); // not on a's last row: that would stretch it
    EXPECT_EQ(Described(), (Layers{"..a|b|...", "..c......"}));
    EXPECT_EQ(Data().Selection, (TCellRect{0, 2, 1, 5}));
}

TEST_F(SheetViewTest, DraggingABlockAcrossLayersReportsTheNewLayer) {
    Build({"a|..", "....", "...."});
    std::vector<std::pair<int, int>> selects;
    QObject* sender = nullptr;
    Sheet->OnSelect = [&](QObject& from, std::int32_t layer, std::int32_t frame) {
        sender = &from;
        selects.emplace_back(layer, frame);
    };
    Drag(CellPoint(0, 0, 30, 5), CellPoint(2, 0, 30, 5));
    EXPECT_EQ(Described(), (Layers{"....", "....", "a|.."}));
    EXPECT_EQ(sender, &Grid());
    ASSERT_FALSE(selects.empty());
    EXPECT_EQ(selects.back(), std::make_pair(3, 1));
}

TEST_F(SheetViewTest, DraggingTheLastRowOfACelStretchesItsHold) {
    struct Case {
        const char* what;
        Layers before;
        int pressRow;
        int toRow;
        Layers after;
    } cases[] = {
        {"down by two", {"a||...."}, 2, 4, {"a||||.."}},
        {"up by one", {"a||...."}, 2, 1, {"a|....."}},
        {"up to its first frame", {"a||...."}, 2, 0, {"a......"}},
        {"stops before another cel", {"a|...b.."}, 1, 7, {"a||||b.."}},
        {"not past the last frame", {"a|..."}, 1, 9, {"a||||"}},
        {"grip of a one-frame cel", {"a...."}, 0, 2, {"a||.."}},
    };
    for (const Case& c : cases) {
        Build(c.before);
        Sheet->Document().UndoManager().ClearHistory();
        // One-frame cels are stretched by the square at the right end of their box.
        const int dx = c.before[0].size() > 1 && c.before[0][1] == '|' ? 30 : W - 5;
        Drag(CellPoint(0, c.pressRow, dx, 10), CellPoint(0, c.toRow, dx, 10));
        EXPECT_EQ(Described(), c.after) << c.what;
        EXPECT_EQ(CheckInvariants(Data()), "") << c.what;
        EXPECT_EQ(Sheet->Document().UndoManager().UndoCount(), 1u) << c.what;
        EXPECT_EQ(Data().CurFrame, Data().CelAt(0, 0)->LastFrame()) << c.what;
    }
}

TEST_F(SheetViewTest, AStretchThatJumpsPastAnotherCelStopsBeforeItAndStaysStopped) {
    Build({"a|...b....."});
    Press(CellPoint(0, 1, 30, 10));
    MoveTo(CellPoint(0, 1, 30, 17)); // out of the dead zone
    MoveTo(CellPoint(0, 9, 30, 10)); // one jump over b
    EXPECT_EQ(Described(), (Layers{"a||||b....."}));
    MoveTo(CellPoint(0, 10, 30, 10));
    EXPECT_EQ(Described(), (Layers{"a||||b....."}));
    MoveTo(CellPoint(0, 2, 30, 10)); // back up still works
    Release(CellPoint(0, 2, 30, 10));
    EXPECT_EQ(Described(), (Layers{"a||..b....."}));
}

TEST_F(SheetViewTest, APressWithoutMovementTakesNoSnapshot) {
    Build({"a||...."});
    int canUndo = 0;
    Sheet->Document().OnCanUndo = [&](TSheetDocument&) { ++canUndo; };
    for (const QPoint wiggle : {QPoint(0, 0), QPoint(5, 5), QPoint(-5, -5)}) {
        const QPoint at = CellPoint(0, 2, 30, 10);
        Press(at);
        MoveTo(at + wiggle);
        Release(at + wiggle);
    }
    EXPECT_EQ(canUndo, 0);
    EXPECT_EQ(Described(), (Layers{"a||...."}));
}

TEST_F(SheetViewTest, ReleasingNextToACelOfTheSameNameJoinsThem) {
    Build({"a.a|..", "b....."});
    Drag(CellPoint(0, 0, 30, 5), CellPoint(0, 1, 30, 5));
    EXPECT_EQ(Described(), (Layers{".a||..", "b....."}));
    EXPECT_EQ(Data().CelAt(0, 1)->Duration, 3);
    EXPECT_EQ(Data().Cels.Count(), 2u);
    // The joined cel is drawn as one box: no outline across it where the two met.
    EXPECT_EQ(PicturePixel(30, 40), Rgb(0xFBAC3A));
}

TEST_F(SheetViewTest, ShiftAndCtrlPressesSpanSelections) {
    Build({"a|.b|..", "......."});
    Sheet->SelectCell(1, 2);
    Press(CellPoint(1, 4), Qt::ShiftModifier);
    Release(CellPoint(1, 4));
    EXPECT_EQ(Data().Selection, (TCellRect{0, 1, 1, 4}));
    EXPECT_EQ(Data().CurFrame, 1); // the cursor stays

    std::pair<int, int> selected;
    Sheet->OnSelect = [&](QObject&, std::int32_t layer, std::int32_t frame) { selected = {layer, frame}; };
    Press(CellPoint(0, 1), Qt::ControlModifier);
    Release(CellPoint(0, 1));
    EXPECT_EQ(Data().Selection, (TCellRect{0, 1, 0, 4})); // down to the layer's last drawing
    EXPECT_EQ(selected, std::make_pair(1, 2));
}

TEST_F(SheetViewTest, APlainPressMovesTheCursorAndTellsAboutANewLayer) {
    Build({"a|..", "....", "...."});
    int layerChanges = 0;
    Sheet->OnLayerChange = [&](QObject& sender) {
        EXPECT_EQ(&sender, Sheet.get());
        ++layerChanges;
    };
    QTest::mouseClick(&Grid(), Qt::LeftButton, {}, CellPoint(0, 2));
    EXPECT_EQ(layerChanges, 0);
    QTest::mouseClick(&Grid(), Qt::LeftButton, {}, CellPoint(2, 3));
    EXPECT_EQ(layerChanges, 1);
    EXPECT_EQ(Sheet->CurrentLayer(), 3);
    EXPECT_EQ(Sheet->CurrentFrame(), 4);
    // Outside the sheet's cells a press does nothing.
    QTest::mouseClick(&Grid(), Qt::LeftButton, {}, CellPoint(4, 1));
    EXPECT_EQ(Sheet->CurrentLayer(), 3);
}

TEST_F(SheetViewTest, DoubleClickInsideAHoldSelectsItAndOnItsFirstFrameEditsTheName) {
    Build({"a||||.", "......"});
    DoubleClick(CellPoint(0, 2));
    EXPECT_FALSE(Sheet->Editor().Editing);
    EXPECT_EQ(Data().Selection, (TCellRect{0, 0, 0, 4}));
    EXPECT_EQ(Data().CurFrame, 0);

    DoubleClick(CellPoint(0, 0));
    ASSERT_TRUE(Sheet->Editor().Editing);
    EXPECT_EQ(Sheet->Editor().text(), "a");
    EXPECT_EQ(Sheet->Editor().geometry(), QRect(40 + 1, 20, W - 1, H));
    QTest::keyClick(&Sheet->Editor(), Qt::Key_Escape);

    DoubleClick(CellPoint(1, 3));
    ASSERT_TRUE(Sheet->Editor().Editing);
    EXPECT_EQ(Sheet->Editor().text(), "");
    EXPECT_EQ(Sheet->Editor().Col, 1);
    EXPECT_EQ(Sheet->Editor().Row, 3);
    // A press on another cell closes it without a change.
    QTest::mouseClick(&Grid(), Qt::LeftButton, {}, CellPoint(1, 1));
    EXPECT_FALSE(Sheet->Editor().Editing);
}

TEST_F(SheetViewTest, PointerEditsRepaintFromTheDocumentsReportAndAreOneUndoStep) {
    struct Case {
        const char* what;
        Layers before;
        std::function<void()> edit;
        Layers after;
        size_t steps;
    } cases[] = {
        {"a block dragged",
         {"a|....."},
         [&] { Drag(CellPoint(0, 0, 30, 5), CellPoint(0, 2, 30, 5)); },
         {"..a|..."},
         1},
        {"a hold stretched",
         {"a||...."},
         [&] { Drag(CellPoint(0, 2, 30, 10), CellPoint(0, 4, 30, 10)); },
         {"a||||.."},
         1},
        {"a layer's cels selected from its header",
         {"..a|.b|.."},
         [&] { QTest::mouseClick(&Sheet->Header(), Qt::LeftButton, Qt::ShiftModifier, QPoint(30, 10)); },
         {"..a|.b|.."},
         0},
    };
    for (const Case& c : cases) {
        Build(c.before);
        TSheetDocument& doc = Sheet->Document();
        doc.UndoManager().ClearHistory();
        int reports = 0;
        const TSheetDocument::TChangeEvent shown = doc.OnChange;
        doc.OnChange = [&](TSheetDocument& sender, const TSheetChange& change) {
            ++reports;
            shown(sender, change);
        };
        c.edit();
        doc.OnChange = shown;
        EXPECT_EQ(Described(), c.after) << c.what;
        EXPECT_GT(reports, 0) << c.what;
        EXPECT_EQ(doc.UndoManager().UndoCount(), c.steps) << c.what;
        // Nothing but the report told the grid: its picture is what a full redraw gives.
        ExpectSameAsRedrawn(c.what);
    }
}
