#include "ui/WindowPlacement.h"

#include "testsupport/TempFolder.h"

#include <QCoreApplication>
#include <QDialog>
#include <gtest/gtest.h>

namespace {
// The sheet's layer columns start 176 + 40 + 60 pixels into the main window: the thumbnail panel,
// the frame numbers and the audio column.
constexpr int kColumnsInside = 276;
} // namespace

TEST(WindowPlacement, BesideTheMainWindowWhenThereIsRoomElseOverTheThumbnailPanel) {
    const struct {
        const char* Case;
        QRect Screen, Main;
        QSize Wanted;
        int Least;
        QRect Placed;
    } cases[] = {
        {"1600 x 1000, sheet on the left: on its right", {0, 0, 1600, 1000}, {0, 0, 900, 1000}, {500, 650}, 480,
         {904, 0, 500, 650}},
        {"1600 x 1000, sheet on the right: on its left", {0, 0, 1600, 1000}, {700, 50, 900, 900}, {500, 650}, 480,
         {196, 50, 500, 650}},
        {"1600 x 1000, some room on each side: the wider, narrowed", {0, 0, 1600, 1000}, {300, 0, 1000, 1000},
         {500, 650}, 200, {1304, 0, 296, 650}},
        {"1600 x 1000, sheet full screen: over the thumbnail panel", {0, 0, 1600, 1000}, {0, 0, 1600, 1000},
         {500, 650}, 240, {0, 0, 276, 650}},
        {"1280 x 800, taller than the screen: as high as the screen", {0, 0, 1280, 800}, {0, 100, 700, 700},
         {500, 900}, 480, {704, 0, 500, 800}},
        {"1024 x 768, sheet full screen: narrowed to end at the columns", {0, 0, 1024, 768}, {0, 0, 1024, 768},
         {500, 400}, 240, {0, 0, 276, 400}},
        {"1024 x 768 right of a screen beside it", {1600, 0, 1024, 768}, {1700, 0, 924, 700}, {500, 400}, 200,
         {1700, 0, 276, 400}},
    };
    for (const auto& c : cases) {
        const QRect placed = PlaceBesideSheet(c.Screen, c.Main, c.Main.left() + kColumnsInside, c.Wanted, c.Least);
        EXPECT_EQ(placed, c.Placed) << c.Case << ": " << placed.x() << "," << placed.y() << " " << placed.width()
                                    << "x" << placed.height();
        EXPECT_TRUE(c.Screen.contains(placed)) << c.Case;
        const bool overColumns = placed.right() >= c.Main.left() + kColumnsInside && placed.left() <= c.Main.right();
        EXPECT_FALSE(overColumns) << c.Case;
    }
}

TEST(WindowPlacement, AWindowComesBackWhereItWas) {
    TTempFolder user;
    const std::string ini = user / "celwright.ini";
    WriteText(ini, "[window places]\nbroken=1,2,x,4\nflat=1,2,3,0\n");
    EXPECT_EQ(RememberedPlace(ini, "capture"), std::nullopt);
    EXPECT_EQ(RememberedPlace(ini, "broken"), std::nullopt);
    EXPECT_EQ(RememberedPlace(ini, "flat"), std::nullopt);

    QWidget main;
    main.setGeometry(0, 0, 700, 600);
    QDialog window(&main);
    window.resize(200, 150);
    new TWindowPlaceKeeper(window, main, "scanner", ini, [&] { return main.x() + kColumnsInside; });
    main.show();
    window.show();
    EXPECT_GE(window.x(), main.geometry().right()); // beside the main window
    const QRect moved(300, 200, 150, 120);
    window.setGeometry(moved);
    QCoreApplication::processEvents();
    window.hide();
    EXPECT_EQ(RememberedPlace(ini, "scanner"), moved);
    window.show();
    EXPECT_EQ(window.geometry(), moved);
}
