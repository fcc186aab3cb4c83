// What the grid draws: cel boxes, hold markers, grid lines and the selection frame.
#include "SheetViewFixture.h"

#include "testsupport/TempFolder.h"

#include <QTest>

namespace {
const QColor kWhite(0xFF, 0xFF, 0xFF);
const QColor kLine(0xC0, 0xC0, 0xC0);
const QColor kBlack(0, 0, 0);
// The "Orange" scheme.
const QColor kCel = Rgb(0xFBAC3A);
const QColor kCelEdge = Rgb(0xD78B1D);
const QColor kHoldEdge = Rgb(0xB77513);
} // namespace

TEST_F(SheetViewTest, CelsAreBoxesWithAHoldMarker) {
    // Layer 1: a held 4 frames, b held 1 at frame 6. Layer 2: c held 2.
    Build({"a|||.b.", "c|....."});
    struct Probe {
        const char* what;
        QPoint at;
        QColor color;
    } probes[] = {
        {"fill of a", {30, 30}, kCel},
        {"left outline of a", {0, 50}, kCelEdge},
        {"top outline of a", {30, 0}, kCelEdge},
        {"bottom outline of a", {30, 80}, kCelEdge},
        {"right outline of a", {110, 70}, kCelEdge},
        // The hold bar spans x + 40 to r - 41 and b - 15 to b - 6 (b = 81, r = 111).
        {"hold bar outline, left", {40, 70}, kHoldEdge},
        {"hold bar outline, right", {70, 70}, kHoldEdge},
        {"hold bar outline, top", {50, 66}, kHoldEdge},
        {"hold bar outline, bottom", {50, 75}, kHoldEdge},
        {"hold bar fill", {50, 70}, kCelEdge},
        {"beside the hold bar", {39, 70}, kCel},
        // The hold line runs down the middle from the second row to H above the box's bottom.
        {"hold line, top end", {55, 20}, kHoldEdge},
        {"hold line, bottom end", {55, 60}, kHoldEdge},
        {"below the hold line", {55, 61}, kCel},
        {"above the hold line", {55, 19}, kCel},
        // A cel held 2 frames has the bar but no line.
        {"hold bar of c", {160, 30}, kCelEdge},
        {"no hold line in c", {165, 22}, kCel},
        // b, held 1 frame at y = 100: a triangle in the bottom-right corner (r = 111, b = 121).
        {"triangle corner", {108, 118}, kHoldEdge},
        {"triangle inside", {105, 116}, kCelEdge},
        {"left of the triangle", {98, 116}, kCel},
        // Empty cells and the plain area right of the last layer.
        {"row line of an empty cell", {150, 60}, kLine},
        {"column line of an empty cell", {220, 50}, kLine},
        {"inside an empty cell", {150, 70}, kWhite},
        {"right of the last layer", {260, 40}, kWhite},
        {"below the last frame", {50, 7 * 20 + 10}, kWhite},
    };
    for (const Probe& probe : probes)
        EXPECT_EQ(PicturePixel(probe.at.x(), probe.at.y()), probe.color) << probe.what;
}

TEST_F(SheetViewTest, SelectionIsADottedFrameJustInsideItsCells) {
    Build({"a|...", "....."});
    Sheet->SelectCell(2, 4); // cells x 110..220, y 60..80: the frame runs x 111..218, y 61..78
    EXPECT_EQ(PicturePixel(111, 61), kBlack);
    EXPECT_EQ(PicturePixel(112, 61), kWhite);
    EXPECT_EQ(PicturePixel(113, 61), kBlack);
    EXPECT_EQ(PicturePixel(218, 62), kBlack);
    EXPECT_EQ(PicturePixel(219, 70), kWhite);
    EXPECT_EQ(PicturePixel(111, 62), kWhite);
    EXPECT_EQ(PicturePixel(111, 63), kBlack);
    EXPECT_EQ(PicturePixel(120, 79), kWhite); // nothing on the next row's line
    int dots = 0;
    for (int x = 111; x <= 218; ++x)
        dots += PicturePixel(x, 78) == kBlack;
    EXPECT_EQ(dots, 54);

    // Moving the selection takes the old frame away.
    Sheet->MoveCursor(TCursorDirection::Down);
    EXPECT_EQ(PicturePixel(111, 61), kWhite);
    EXPECT_EQ(PicturePixel(113, 61), kWhite);
    EXPECT_EQ(PicturePixel(111, 81), kBlack);
    // Over a cel the frame lies on the cel's fill.
    Sheet->SelectCell(1, 1);
    EXPECT_EQ(PicturePixel(1, 1), kBlack);
    EXPECT_EQ(PicturePixel(2, 1), kCel);
}

TEST_F(SheetViewTest, HalfACellOfScrollShiftsTheCellsByHalfACell) {
    Build(std::vector<std::string>(10, std::string(80, '.')));
    Data().Selection = {5, 50, 5, 50}; // keep the frame out of the way
    Sheet->RefreshAll();
    Sheet->VertBar().SetPosition(10);
    Sheet->HorzBar().SetPosition(55);
    QImage screen = GridOnScreen();
    // Row lines now at y = 10, 30, ...; column lines at x = 55, 165, ...
    EXPECT_EQ(screen.pixelColor(80, 10), kLine);
    EXPECT_EQ(screen.pixelColor(80, 30), kLine);
    EXPECT_EQ(screen.pixelColor(80, 20), kWhite);
    EXPECT_EQ(screen.pixelColor(55, 15), kLine);
    EXPECT_EQ(screen.pixelColor(165, 15), kLine);
    EXPECT_EQ(screen.pixelColor(110, 15), kWhite);
    // The lines stay whole to the far edges, also where the picture's last cell is cut.
    for (int y = 0; y < screen.height(); ++y)
        ASSERT_EQ(screen.pixelColor(55, y), kLine) << y;
    for (int x = 0; x < screen.width(); ++x)
        ASSERT_EQ(screen.pixelColor(x, 10), kLine) << x;
    // A whole cell further, the picture starts at the next cell and shows the same.
    Sheet->VertBar().SetPosition(30);
    Sheet->HorzBar().SetPosition(165);
    EXPECT_EQ(Grid().PictureOrigin(), QPoint(1, 1));
    EXPECT_EQ(GridOnScreen(), screen);
}

TEST_F(SheetViewTest, ASheetOfOneLayerAndOneFrameShowsNoGridLines) {
    Build({"."});
    const QImage& picture = Grid().Picture();
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x)
            ASSERT_EQ(picture.pixelColor(x, y), kWhite) << x << "," << y;
    }
}

TEST_F(SheetViewTest, RepaintingChangedCellsGivesTheSamePictureAsRedrawingAll) {
    Build({"a|b.c||..d", "e..f|||...", "g|h|......"});
    Sheet->SetLayerColors(2, LayerColorScheme(1));
    Sheet->SetLayerColors(3, LayerColorScheme(2));
    Sheet->VertBar().SetPosition(7);

    auto expectWhole = [&](const char* after) { ExpectSameAsRedrawn(after); };
    Sheet->SelectCell(2, 3);
    expectWhole("select");
    Sheet->ExtendHold(false);
    expectWhole("extend hold");
    Sheet->SelectCell(1, 2);
    Sheet->CutSelection();
    expectWhole("cut");
    Sheet->SelectCell(3, 2);
    Sheet->PasteAtSelection();
    expectWhole("paste");
    Sheet->EditCelName(2, 1);
    Sheet->Editor().setText("zz");
    QTest::keyClick(&Sheet->Editor(), Qt::Key_Return);
    expectWhole("typed name");
    Sheet->SelectCell(1, 5);
    Sheet->ShortenHold(true);
    expectWhole("shorten hold");
    Drag(CellPoint(1, 4), CellPoint(1, 6));
    expectWhole("drag");
}

TEST_F(SheetViewTest, ScrollingKeepsThePictureAFullRedrawWouldDraw) {
    std::vector<std::string> layers;
    for (int i = 0; i < 12; ++i)
        layers.push_back(std::string(i % 3, '.') + "a||b.c|||||d|e.f|||g" + std::string(80, '.') + "h||");
    Build(layers);
    for (int layer = 1; layer <= 12; ++layer)
        Sheet->SetLayerColors(layer, LayerColorScheme(layer % 3));
    Data().Selection = {3, 4, 5, 9};
    Sheet->RefreshAll();
    struct Step {
        double x;
        double y;
    } steps[] = {{0, 20},   {0, 60},  {0, 67}, {0, 47},     {0, 8},      {110, 8},     {330, 8}, {330, 48},
                 {200, 90}, {90, 25}, {0, 0},  {400, 1400}, {380, 1380}, {1500, 1800}, {0, 0}};
    for (const Step& step : steps) {
        Sheet->HorzBar().SetPosition(step.x);
        Sheet->VertBar().SetPosition(step.y);
        ExpectSameAsRedrawn(("scroll to " + std::to_string(static_cast<int>(Sheet->HorzBar().Position())) +
                             "," + std::to_string(static_cast<int>(Sheet->VertBar().Position())))
                                .c_str());
    }
}

TEST_F(SheetViewTest, ACelWhoseDrawingIsNotOnDiskHasARedCorner) {
    const TTempFolder folder;
    Build({"a|.b.", "c...."});
    Data().Layer(0).Folder = folder / "";
    WriteText(folder / Sheet->CelName(1, 1), "drawn");
    Sheet->RefreshAll();
    const QColor red = Grid().MissingMarkColor;
    EXPECT_EQ(PicturePixel(108, 3), kCel) << "a is on disk";
    EXPECT_EQ(PicturePixel(108, 63), red) << "b is not";
    EXPECT_EQ(PicturePixel(98, 63), kCel) << "the mark stays in the corner";
    EXPECT_EQ(PicturePixel(218, 3), red) << "a layer without a folder has no drawings";
}
