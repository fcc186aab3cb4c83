#pragma once

#include "sheetview/SheetGrid.h"
#include "sheetview/LayerHeader.h"
#include "sheetview/FrameIndex.h"
#include "sheetview/SheetCorner.h"
#include "sheetview/SheetView.h"
#include "testsupport/SheetTestAccess.h"

#include <QColor>
#include <QImage>
#include <QPoint>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

// A sheet control of a fixed size, shown off-screen, holding a small sheet written in the
// notation of SheetNotation.h. Cells are 110 x 20 pixels as by default.
class SheetViewTest : public testing::Test {
protected:
    static constexpr int W = 110;
    static constexpr int H = 20;

    void SetUp() override;
    // Replaces the sheet with `layers` and redraws everything; the cursor goes to cell (0, 0).
    void Build(const std::vector<std::string>& layers);
    std::vector<std::string> Described() const;

    TSheetData& Data() { return WritableData(Sheet->Document()); }
    TSheetGrid& Grid() { return Sheet->Grid(); }
    // The grid's off-screen picture, and a pixel of it.
    QColor PicturePixel(int x, int y) { return Grid().Picture().pixelColor(x, y); }
    // What the grid shows on screen.
    QImage GridOnScreen() { return Grid().grab().toImage(); }

    // A point of the grid inside cell (col, row) at (dx, dy) from its top-left corner, taking the
    // scroll positions into account.
    QPoint CellPoint(int col, int row, int dx = W / 2, int dy = H / 2) const;
    void Press(const QPoint& at, Qt::KeyboardModifiers modifiers = {});
    void MoveTo(const QPoint& at);
    void Release(const QPoint& at);
    // Press, moves in steps of a few pixels to `to`, release.
    void Drag(const QPoint& from, const QPoint& to);
    void DoubleClick(const QPoint& at);
    // Fails at the first pixel of the grid's picture that a full redraw would draw otherwise.
    void ExpectSameAsRedrawn(const char* after);

    std::unique_ptr<TSheetView> Sheet;
};

inline QColor Rgb(std::uint32_t rgb) {
    return QColor::fromRgb(rgb);
}
