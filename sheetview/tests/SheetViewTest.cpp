// The control as a whole: properties, layout, scrolling, context menus, lifecycle.
#include "SheetViewFixture.h"
#include "testsupport/TempFolder.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>

TEST_F(SheetViewTest, StartsWithTheDefaultProperties) {
    TSheetView fresh;
    EXPECT_EQ(fresh.IndexWidth(), 40);
    EXPECT_EQ(fresh.HeaderHeight(), 20);
    EXPECT_EQ(fresh.GridWidth(), 110);
    EXPECT_EQ(fresh.GridHeight(), 20);
    EXPECT_EQ(fresh.AudioWidth(), 50);
    EXPECT_EQ(fresh.ScrollWidth(), 16);
    EXPECT_EQ(fresh.GridColor(), QColor(0xFF, 0xFF, 0xFF));
    EXPECT_EQ(fresh.GridLineColor(), QColor(0xC0, 0xC0, 0xC0));
    EXPECT_EQ(fresh.DefaultLayerText(), "Layer");
    EXPECT_EQ(fresh.AudioHeadText(), "Audio");
    EXPECT_EQ(fresh.IndexHeadText(), "Frame");
    EXPECT_EQ(fresh.VertBar().Increment(), 8);
    EXPECT_EQ(fresh.Fps(), 24);
    EXPECT_EQ(fresh.Document().DefaultColors.Name, "Orange");
    EXPECT_FALSE(fresh.Document().AudioShown());
}

TEST_F(SheetViewTest, CellSizesBelowTheirMinimumAreIgnoredAndEachKeepsToItsOwnSide) {
    struct Case {
        int width;
        int height;
        int expectWidth;
        int expectHeight;
    } cases[] = {{50, 20, 110, 20}, {110, 9, 110, 20}, {120, 20, 120, 20}, {55, 10, 55, 10}};
    for (const Case& c : cases) {
        TSheetView sheet;
        sheet.SetGridWidth(c.width);
        sheet.SetGridHeight(c.height);
        EXPECT_EQ(sheet.GridWidth(), c.expectWidth) << c.width << "x" << c.height;
        EXPECT_EQ(sheet.GridHeight(), c.expectHeight) << c.width << "x" << c.height;
        EXPECT_EQ(sheet.Document().Data().CellWidth, c.expectWidth);
        EXPECT_EQ(sheet.Document().Data().CellHeight, c.expectHeight);
    }
}

TEST_F(SheetViewTest, ANewCellWidthMovesTheCelsDrawnAlready) {
    Build({"a|.", "b.."});
    Sheet->SetGridWidth(120);
    // The second layer's cel now starts at x = 120: its outline there, its fill just right of it.
    EXPECT_EQ(PicturePixel(120, 10), Rgb(0xD78B1D));
    EXPECT_EQ(PicturePixel(125, 30), Rgb(0xFFFFFF)); // b is held one frame: row 1 is empty
    EXPECT_EQ(Sheet->Header().PictureWidth(), 2 * 120 + 1);
}

TEST_F(SheetViewTest, LayoutKeepsTheBarsOnTheEdgesAndTheGridFillingTheRest) {
    for (const QSize size : {QSize(600, 400), QSize(803, 517), QSize(300, 200)}) {
        Sheet->resize(size);
        const QRect grid = Grid().geometry();
        EXPECT_EQ(grid, QRect(40, 20, size.width() - 40 - 16, size.height() - 20 - 16)) << size.width();
        EXPECT_EQ(Sheet->HorzBar().geometry(), QRect(40, size.height() - 16, grid.width(), 16));
        EXPECT_EQ(Sheet->VertBar().geometry(), QRect(size.width() - 16, 20, 16, grid.height()));
        EXPECT_EQ(Sheet->Header().geometry(), QRect(40, 0, grid.width(), 20));
        EXPECT_EQ(Sheet->Index().geometry(), QRect(0, 20, 40, grid.height()));
        EXPECT_EQ(Sheet->Corner().geometry(), QRect(0, 0, 40, 20));
    }
    // The audio column takes its place between the frame numbers and the cels.
    Sheet->resize(600, 400);
    Sheet->ShowAudio();
    EXPECT_EQ(Grid().geometry(), QRect(90, 20, 600 - 90 - 16, 400 - 36));
    EXPECT_EQ(Sheet->Corner().geometry(), QRect(0, 0, 90, 20));
    EXPECT_EQ(Sheet->HorzBar().x(), 90);
    Sheet->HideAudio();
    EXPECT_EQ(Grid().x(), 40);
}

TEST_F(SheetViewTest, CellFromPointCountsFromOneAndFollowsTheScroll) {
    Build(std::vector<std::string>(8, std::string(60, '.')));
    std::int32_t layer = 0;
    std::int32_t frame = 0;
    EXPECT_FALSE(Sheet->CellFromPoint({10, 10}, layer, frame));  // the corner
    EXPECT_FALSE(Sheet->CellFromPoint({100, 10}, layer, frame)); // a header
    ASSERT_TRUE(Sheet->CellFromPoint({40, 20}, layer, frame));
    EXPECT_EQ(layer, 1);
    EXPECT_EQ(frame, 1);
    ASSERT_TRUE(Sheet->CellFromPoint({40 + 110, 20 + 39}, layer, frame));
    EXPECT_EQ(layer, 2);
    EXPECT_EQ(frame, 2);
    Sheet->HorzBar().SetPosition(105);
    Sheet->VertBar().SetPosition(30.7);
    ASSERT_TRUE(Sheet->CellFromPoint({40 + 5, 20 + 10}, layer, frame));
    EXPECT_EQ(layer, 2);
    EXPECT_EQ(frame, 3);
}

TEST_F(SheetViewTest, AWheelNotchMovesTheDesktopsRowsAndStopsAtBothEnds) {
    Build({std::string(100, '.')});
    TSheetScrollBar& bar = Sheet->VertBar();
    ASSERT_EQ(QApplication::wheelScrollLines(), 3);
    Sheet->ScrollWheel(120);
    EXPECT_EQ(bar.Position(), 0);
    Sheet->ScrollWheel(-120);
    EXPECT_EQ(bar.Position(), 3 * 20);
    Sheet->ScrollWheel(-60); // half a notch of a fine wheel
    EXPECT_EQ(bar.Position(), 3 * 20 + 30);
    EXPECT_EQ(bar.Range(), 100 * 20);
    bar.SetPosition(bar.MaxPosition() - 3);
    Sheet->ScrollWheel(-120);
    EXPECT_EQ(bar.Position(), bar.MaxPosition());
    EXPECT_EQ(bar.MaxPosition(), 100 * 20 - Grid().height());
    bar.SetPosition(5);
    Sheet->ScrollWheel(120);
    EXPECT_EQ(bar.Position(), 0);
}

TEST_F(SheetViewTest, UndoEventsAreTakenWhenTheControlLoads) {
    int before = 0;
    int after = 0;
    TSheetView sheet;
    sheet.OnCanUndo = [&](QObject& sender) {
        EXPECT_EQ(&sender, &sheet);
        ++before;
    };
    sheet.Loaded();
    sheet.OnCantRedo = [&](QObject&) { ++after; };
    sheet.AddLayer("", "", sheet.Document().DefaultColors);
    sheet.AddFrames(1);
    EXPECT_EQ(before, 1);
    EXPECT_EQ(after, 0);
}

TEST_F(SheetViewTest, ClearSheetClosesTheEditorScrollsHomeAndShowsFortyRows) {
    Build(std::vector<std::string>(8, std::string(100, '.')));
    Sheet->HorzBar().SetPosition(200);
    Sheet->VertBar().SetPosition(300);
    Sheet->EditCelName(3, 20);
    ASSERT_TRUE(Sheet->Editor().Editing);
    Sheet->ClearSheet();
    EXPECT_FALSE(Sheet->Editor().Editing);
    EXPECT_FALSE(Sheet->Editor().isVisible());
    EXPECT_EQ(Sheet->HorzBar().Position(), 0);
    EXPECT_EQ(Sheet->VertBar().Position(), 0);
    EXPECT_EQ(Sheet->Index().RowCount(), 40);
    EXPECT_EQ(Sheet->Header().PictureWidth(), 0);
}

namespace {
void RightClick(TSheetView& sheet, const QPoint& at) {
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, sheet.mapToGlobal(at));
    QApplication::sendEvent(&sheet, &event);
}
} // namespace

TEST_F(SheetViewTest, RightClickOnAHeaderSelectsItsFirstFrameBeforeTheMenu) {
    QMenu menu;
    menu.addAction("Layer Name");
    Sheet->PopupMenuHeader = &menu;
    Build({"a|..", "....", "b..."});
    Data().Selection = {0, 2, 0, 2};
    int selects = 0;
    Sheet->OnSelect = [&](QObject&, std::int32_t layer, std::int32_t frame) {
        EXPECT_EQ(layer, 2);
        EXPECT_EQ(frame, 1);
        ++selects;
    };

    RightClick(*Sheet, {40 + 3 * 110 + 5, 10}); // right of the last header
    EXPECT_FALSE(menu.isVisible());
    EXPECT_EQ(Data().Selection, (TCellRect{0, 2, 0, 2}));
    EXPECT_EQ(selects, 0);

    RightClick(*Sheet, {40 + 110 + 30, 10});
    EXPECT_EQ(Data().Selection, (TCellRect{1, 0, 1, 0}));
    EXPECT_EQ(selects, 1);
    EXPECT_TRUE(menu.isVisible());
    menu.hide();
}

TEST_F(SheetViewTest, RightClickOverTheGridOpensTheGridMenu) {
    QMenu menu;
    menu.addAction("Paste");
    Sheet->PopupMenu = &menu;
    Build({"a|.."});
    RightClick(*Sheet, {40 + 300, 20 + 100}); // also beyond the sheet's cells
    EXPECT_TRUE(menu.isVisible());
    menu.hide();
}

TEST_F(SheetViewTest, TempFolderMustBeAnExistingFolder) {
    TTempFolder folder;
    Sheet->SetTempFolder(folder.Path().string());
    EXPECT_EQ(Sheet->TempFolder(), folder.Path().string());
    Sheet->SetTempFolder(folder / "missing");
    EXPECT_EQ(Sheet->TempFolder(), folder.Path().string());
}

TEST_F(SheetViewTest, TheViewFollowsTheCursorAndADragAtTheEdgeScrolls) {
    Build({std::string(100, '.'), std::string(100, '.'), std::string(100, '.'), std::string(100, '.'),
           std::string(100, '.'), std::string(100, '.')});
    auto cursorShown = [&] {
        const QRect cell((Sheet->CurrentLayer() - 1) * W, (Sheet->CurrentFrame() - 1) * H, W, H);
        return QRect(Sheet->HorzPos(), Sheet->VertPos(), Grid().width(), Grid().height()).contains(cell);
    };
    const int rows = Grid().height() / H;
    for (int i = 0; i < rows + 5; ++i)
        QTest::keyClick(Sheet.get(), Qt::Key_Down);
    EXPECT_EQ(Sheet->CurrentFrame(), rows + 6);
    EXPECT_TRUE(cursorShown()) << Sheet->VertPos();
    for (int i = 0; i < 5; ++i)
        QTest::keyClick(Sheet.get(), Qt::Key_Right);
    EXPECT_TRUE(cursorShown()) << Sheet->HorzPos();
    for (int i = 0; i < rows + 5; ++i)
        QTest::keyClick(Sheet.get(), Qt::Key_Up);
    EXPECT_EQ(Sheet->VertPos(), 0);

    // A drag that leaves the grid at the bottom keeps scrolling while the button is held.
    Sheet->VertBar().SetPosition(0);
    Press(CellPoint(0, 2));
    MoveTo(CellPoint(0, 4));
    MoveTo(QPoint(W / 2, Grid().height() + 10));
    QTest::qWait(300);
    EXPECT_GT(Sheet->VertPos(), 2 * H);
    Release(QPoint(W / 2, Grid().height() + 10));
    const int stopped = Sheet->VertPos();
    QTest::qWait(150);
    EXPECT_EQ(Sheet->VertPos(), stopped);
}

// Past the right edge a drag scrolls a column a tick, past the left edge back, until the button is
// let go; the drag follows, carrying the selected cel along.
TEST_F(SheetViewTest, ADragPastTheLeftOrRightEdgeScrollsSideways) {
    Build(std::vector<std::string>(12, "a..."));
    const int y = H + H / 2;
    Press(CellPoint(0, 1, W / 2, H / 2));
    MoveTo(CellPoint(0, 1, W / 2 + 20, H / 2));
    MoveTo(QPoint(Grid().width() + 10, y));
    EXPECT_TRUE(QTest::qWaitFor([&] { return Sheet->HorzPos() >= 3 * W; }, 5000)) << Sheet->HorzPos();
    EXPECT_EQ(Sheet->HorzPos() % W, 0);
    EXPECT_EQ(Sheet->VertPos(), 0);
    EXPECT_GT(Sheet->SelectedCells().Left, 3);

    MoveTo(QPoint(-10, y));
    EXPECT_TRUE(QTest::qWaitFor([&] { return Sheet->HorzPos() == 0; }, 5000)) << Sheet->HorzPos();
    Release(QPoint(-10, y));
    Sheet->HorzBar().SetPosition(2 * W);
    QTest::qWait(150);
    EXPECT_EQ(Sheet->HorzPos(), 2 * W);
}

TEST_F(SheetViewTest, SignalsTellWindowsWhatTheSheetDid) {
    Build({"a|..", "...."});
    QSignalSpy selections(Sheet.get(), &TSheetView::SelectionChanged);
    QSignalSpy layers(Sheet.get(), &TSheetView::CurrentLayerChanged);
    QSignalSpy undo(Sheet.get(), &TSheetView::UndoAvailable);
    QSignalSpy redo(Sheet.get(), &TSheetView::RedoAvailable);
    QSignalSpy modified(Sheet.get(), &TSheetView::ModifiedChanged);
    QSignalSpy added(Sheet.get(), &TSheetView::LayerAdded);
    QSignalSpy deleted(Sheet.get(), &TSheetView::LayerDeleted);

    QTest::mouseClick(&Grid(), Qt::LeftButton, {}, CellPoint(1, 2));
    ASSERT_EQ(selections.count(), 1);
    EXPECT_EQ(selections.at(0), (QList<QVariant>{2, 3}));
    ASSERT_EQ(layers.count(), 1);
    EXPECT_EQ(layers.at(0).at(0).toInt(), 2);

    Sheet->SelectCell(1, 2);
    Sheet->ExtendHold(false);
    Sheet->ExtendHold(false);
    EXPECT_EQ(undo.count(), 2);
    EXPECT_TRUE(undo.last().at(0).toBool());
    ASSERT_EQ(modified.count(), 1) << "modified once, until its owner clears it";
    EXPECT_TRUE(modified.at(0).at(0).toBool());
    Sheet->SetModified(false);
    EXPECT_FALSE(modified.last().at(0).toBool());

    Sheet->Undo();
    Sheet->Undo();
    EXPECT_FALSE(undo.last().at(0).toBool());
    EXPECT_TRUE(redo.last().at(0).toBool());

    Sheet->AddLayer("", "", Sheet->Document().DefaultColors);
    Sheet->DeleteLayer(3);
    EXPECT_EQ(added.count(), 1);
    EXPECT_EQ(deleted.count(), 1);
}
