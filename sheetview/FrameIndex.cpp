#include "sheetview/FrameIndex.h"

#include "sheetview/SheetPainting.h"
#include "sheetview/SheetView.h"

#include <QPainter>
#include <algorithm>

namespace {
const QColor kEdgeGrey(0x80, 0x80, 0x80);
} // namespace

TFrameIndex::TFrameIndex(TSheetView& sheet) : TSheetPart(sheet) {}

void TFrameIndex::Rebuild(std::int32_t rows) {
    SetPictureSize(width(), std::max(rows, 0) * RowH());
    DrawRows(0, PictureHeight());
    update();
}

void TFrameIndex::SetRowCount(std::int32_t rows) {
    if (rows == RowCount())
        return;
    const int oldHeight = PictureHeight();
    const QImage old = Pic;
    SetPictureSize(width(), std::max(rows, 0) * RowH());
    if (!Pic.isNull() && !old.isNull()) {
        QPainter p(&Pic);
        p.drawImage(QPoint(0, 0), old);
    }
    if (PictureHeight() > oldHeight)
        DrawRows(oldHeight, PictureHeight());
    update();
}

void TFrameIndex::DrawRows(int fromY, int toY) {
    if (Pic.isNull() || RowH() <= 0)
        return;
    const int w = PictureWidth();
    const int y0 = RowH() * (fromY / RowH());
    QPainter p(&Pic);
    FillArea(p, 0, y0, w, toY, GridColor);
    for (int y = y0; y <= toY; y += RowH())
        HorzLine(p, 0, w - 1, y, GridLineColor);
    for (int n = fromY / RowH() + 1; n <= toY / RowH(); ++n) {
        const int y = (n - 1) * RowH();
        VCentredText(p, 5, y + 3, y + RowH(), QString::number(n), Qt::black);
    }
    VertLine(p, w - 1, 0, PictureHeight() - 1, kEdgeGrey);
    VertLine(p, 0, fromY, toY - 1, kEdgeGrey);
}

int TFrameIndex::RowH() const {
    return Sheet.GridHeight();
}
