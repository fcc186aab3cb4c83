// The layer headers, the frame-number column and the corner.
#include "SheetViewFixture.h"

#include <QTest>

namespace {
const QColor kGrey(0x80, 0x80, 0x80);

void HeaderClick(TSheetView& sheet, int x, Qt::KeyboardModifiers modifiers = {}) {
    QTest::mouseClick(&sheet.Header(), Qt::LeftButton, modifiers, QPoint(x, 10));
}
} // namespace

TEST_F(SheetViewTest, HeaderCellShowsCaptionColoursAndVisibilityBox) {
    Build({"a..", "..."});
    Sheet->SetLayerColors(2, LayerColorScheme(1));
    const QImage& header = Sheet->Header().Picture();
    EXPECT_EQ(Sheet->Header().PictureWidth(), 2 * W + 1);
    // Orange header: outline, fill, and the box at x 94..105, y 4..15 filled while visible.
    EXPECT_EQ(header.pixelColor(0, 10), Rgb(0xD78B1D));
    EXPECT_EQ(header.pixelColor(70, 18), Rgb(0xFBAC3A));
    EXPECT_EQ(header.pixelColor(94, 10), Rgb(0xB77513));
    EXPECT_EQ(header.pixelColor(105, 10), Rgb(0xB77513));
    EXPECT_EQ(header.pixelColor(100, 4), Rgb(0xB77513));
    EXPECT_EQ(header.pixelColor(100, 10), Rgb(0xD78B1D));
    EXPECT_EQ(header.pixelColor(106, 10), Rgb(0xFBAC3A));
    // The blue header of layer 2.
    EXPECT_EQ(header.pixelColor(W + 100, 10), Rgb(0x447CA6));
    Sheet->SetLayerVisible(1, false);
    EXPECT_EQ(Sheet->Header().Picture().pixelColor(100, 10), Rgb(0xFBAC3A));
}

TEST_F(SheetViewTest, ALongCaptionIsClippedAndTheBoxDrawnOverIt) {
    Build({"a.."});
    Sheet->SetLayerCaption(1, std::string(60, 'W'));
    const QImage& header = Sheet->Header().Picture();
    // The box's fill is untouched by the text running under it.
    for (int x = 95; x <= 104; ++x)
        ASSERT_EQ(header.pixelColor(x, 10), Rgb(0xD78B1D)) << x;
    bool inked = false;
    for (int x = 5; x < 90; ++x)
        inked = inked || qGray(header.pixel(x, 10)) < 100;
    EXPECT_TRUE(inked);
}

TEST_F(SheetViewTest, HeaderClicksNearTheBoxToggleVisibility) {
    struct Case {
        int x;
        bool toggles;
    } cases[] = {
        {100, true},              // on the box
        {91, true},               // 3 pixels left of it
        {87, true},               // the zone's first pixel
        {86, false}, {55, false}, // the middle of the header
        {109, true},
    };
    Build({"a..", "..."});
    for (const Case& c : cases) {
        const bool before = Sheet->LayerVisible(1);
        HeaderClick(*Sheet, c.x);
        EXPECT_EQ(Sheet->LayerVisible(1), before != c.toggles) << c.x;
        EXPECT_EQ(Sheet->Header().Picture().pixelColor(100, 10),
                  Sheet->LayerVisible(1) ? Rgb(0xD78B1D) : Rgb(0xFBAC3A))
            << c.x;
    }
    // No undo snapshot, and a click right of the last header does nothing.
    EXPECT_EQ(Sheet->Document().UndoManager().UndoCount(), 0u);
    HeaderClick(*Sheet, 2 * W + 50);
    EXPECT_TRUE(Sheet->LayerVisible(2));
}

TEST_F(SheetViewTest, ShiftClickOnAHeaderSelectsTheLayersCels) {
    Build({"..a|.b|..", "........."});
    HeaderClick(*Sheet, 30, Qt::ShiftModifier);
    EXPECT_EQ(Data().Selection, (TCellRect{0, 2, 0, 6}));
    EXPECT_EQ(Data().CurFrame, 2);
    // An empty layer: its first frame alone.
    HeaderClick(*Sheet, W + 30, Qt::ShiftModifier);
    EXPECT_EQ(Data().Selection, (TCellRect{1, 0, 1, 0}));
    EXPECT_EQ(Data().CurLayer, 1);
    // The grid shows the new frame.
    EXPECT_EQ(PicturePixel(W + 1, 1), QColor(0, 0, 0));
}

TEST_F(SheetViewTest, HeadersScrollWithTheGrid) {
    Build(std::vector<std::string>(8, "a...."));
    Sheet->HorzBar().SetPosition(2 * W);
    HeaderClick(*Sheet, 100); // the box of the first header in view
    EXPECT_FALSE(Sheet->LayerVisible(3));
    EXPECT_TRUE(Sheet->LayerVisible(1));
    const QImage shown = Sheet->Header().grab().toImage();
    EXPECT_EQ(shown.pixelColor(100, 10), Rgb(0xFBAC3A));
    EXPECT_EQ(shown.pixelColor(W + 100, 10), Rgb(0xD78B1D));
}

TEST_F(SheetViewTest, DoubleClickOnAHeaderEditsTheCaption) {
    Build({"a..", "..."});
    QTest::mouseDClick(&Sheet->Header(), Qt::LeftButton, {}, QPoint(W + 20, 10));
    TCellEditor& editor = Sheet->Editor();
    ASSERT_TRUE(editor.Editing);
    EXPECT_EQ(editor.text(), "L2");
    EXPECT_EQ(editor.geometry(), QRect(40 + W, 0, W, H));
    editor.setText("Ball");
    QTest::keyClick(&editor, Qt::Key_Return);
    EXPECT_FALSE(editor.Editing);
    EXPECT_EQ(Sheet->LayerCaption(2), "Ball");
    EXPECT_EQ(Sheet->Document().UndoManager().UndoCount(), 1u);
    EXPECT_TRUE(Sheet->hasFocus());
}

TEST_F(SheetViewTest, FrameNumbersFollowTheRowsShown) {
    Build({std::string(60, '.')});
    EXPECT_EQ(Sheet->Index().RowCount(), 60);
    Sheet->ClearSheet();
    EXPECT_EQ(Sheet->Index().RowCount(), 40);
    EXPECT_EQ(Sheet->Index().PictureHeight(), 40 * H);
    Sheet->AddLayer("", "", Sheet->Document().DefaultColors);
    Sheet->AddFrames(10);
    EXPECT_EQ(Sheet->Index().RowCount(), 50);
    EXPECT_EQ(Sheet->VertBar().Range(), 50 * H);

    const QImage& index = Sheet->Index().Picture();
    EXPECT_EQ(index.pixelColor(39, 5), kGrey);         // right edge
    EXPECT_EQ(index.pixelColor(0, 45 * H + 5), kGrey); // left edge, also on the rows added
    EXPECT_EQ(index.pixelColor(20, 45 * H), QColor(0xC0, 0xC0, 0xC0));
    EXPECT_EQ(index.pixelColor(30, 45 * H + 10), QColor(0xFF, 0xFF, 0xFF));
    // Each row has its number: ink to the right of x = 5 in every row.
    for (int row = 0; row < 50; ++row) {
        bool inked = false;
        for (int y = row * H + 4; y < (row + 1) * H && !inked; ++y) {
            for (int x = 5; x < 30 && !inked; ++x)
                inked = qGray(index.pixel(x, y)) < 100;
        }
        ASSERT_TRUE(inked) << "row " << row + 1;
    }
}

TEST_F(SheetViewTest, CornerShowsItsHeadingsInGreyBoxes) {
    Sheet->SetIndexHeadText("Fr");
    const QImage& corner = Sheet->Corner().Picture();
    EXPECT_EQ(corner.size(), QSize(40, 20));
    EXPECT_EQ(corner.pixelColor(0, 10), kGrey);
    EXPECT_EQ(corner.pixelColor(39, 10), kGrey);
    EXPECT_EQ(corner.pixelColor(20, 19), kGrey);
    Sheet->ShowAudio();
    const QImage& wide = Sheet->Corner().Picture();
    EXPECT_EQ(wide.size(), QSize(90, 20));
    EXPECT_EQ(wide.pixelColor(89, 10), kGrey);
    EXPECT_EQ(wide.pixelColor(60, 0), kGrey);
}
