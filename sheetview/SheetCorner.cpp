#include "sheetview/SheetCorner.h"

#include "sheetview/SheetPainting.h"
#include "sheetview/SheetView.h"

#include <QPainter>

namespace {
const QColor kEdgeGrey(0x80, 0x80, 0x80);
} // namespace

TSheetCorner::TSheetCorner(TSheetView& sheet) : TSheetPart(sheet) {}

void TSheetCorner::DrawCorner() {
    SetPictureSize(width(), height());
    if (Pic.isNull())
        return;
    const int indexWidth = Sheet.IndexWidth();
    const int hh = Sheet.HeaderHeight();
    const int w = PictureWidth();
    QPainter p(&Pic);
    FillArea(p, 0, 0, w, PictureHeight(), Qt::white);
    OutlinedRect(p, 0, 0, indexWidth, hh, Qt::white, kEdgeGrey);
    ClippedText(p, 4, 4, 4, 4, indexWidth - 1, hh - 1, Caption, Qt::black);
    if (Sheet.Document().AudioShown()) {
        OutlinedRect(p, indexWidth - 1, 0, w, hh, Qt::white, kEdgeGrey);
        ClippedText(p, indexWidth + 3, 4, indexWidth + 3, 4, w - 1, hh - 1, Sheet.AudioHeadText(), Qt::black);
    }
    p.end();
    update();
}
