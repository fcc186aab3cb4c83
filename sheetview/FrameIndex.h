#pragma once

#include "sheetview/SheetPart.h"

#include <cstdint>

// The frame-number column: one numbered row per frame row shown, scrolling with the grid.
class TFrameIndex : public TSheetPart {
public:
    explicit TFrameIndex(TSheetView& sheet);

    QColor GridColor = QColor(0xFF, 0xFF, 0xFF);
    QColor GridLineColor = QColor(0xC0, 0xC0, 0xC0);

    // Shows n frame rows; rows that come into being are drawn.
    void SetRowCount(std::int32_t rows);
    std::int32_t RowCount() const { return RowH() > 0 ? PictureHeight() / RowH() : 0; }
    // Makes the picture n rows high and the column's width, and draws every row.
    void Rebuild(std::int32_t rows);
    // Redraws the rows between two heights of the picture, in pixels.
    void DrawRows(int fromY, int toY);

private:
    int RowH() const; // the sheet control's row height
};
