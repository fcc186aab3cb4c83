#include "sheetview/SheetPart.h"

#include "sheetview/SheetPainting.h"
#include "sheetview/SheetView.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

TSheetPart::TSheetPart(TSheetView& sheet) : QWidget(&sheet), Sheet(sheet) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TSheetPart::SetColor(const QColor& color) {
    FillColor = color;
    update();
}

void TSheetPart::SetPictureSize(int w, int h) {
    Pic = MakeSheetPicture(w, h, devicePixelRatioF());
}

int TSheetPart::PictureWidth() const {
    return Pic.isNull() ? 0 : static_cast<int>(Pic.width() / Pic.devicePixelRatio());
}

int TSheetPart::PictureHeight() const {
    return Pic.isNull() ? 0 : static_cast<int>(Pic.height() / Pic.devicePixelRatio());
}

QPoint TSheetPart::SourceOffset() const {
    return {0, Sheet.VertPos()};
}

void TSheetPart::paintEvent(QPaintEvent* event) {
    // Pictures made for another screen are made again before they are shown.
    if (!Pic.isNull() && Pic.devicePixelRatio() != devicePixelRatioF())
        Sheet.RefreshAll();

    QPainter p(this);
    const QRect area = event->rect();
    if (Pic.isNull()) {
        p.fillRect(area, FillColor);
        return;
    }
    const QPoint offset = SourceOffset();
    const QRect shown = area & QRect(-offset, QSize(PictureWidth(), PictureHeight()));
    if (shown != area)
        p.fillRect(area, FillColor);
    if (shown.isEmpty())
        return;
    const qreal ratio = Pic.devicePixelRatio();
    const QRectF source((shown.x() + offset.x()) * ratio, (shown.y() + offset.y()) * ratio,
                        shown.width() * ratio, shown.height() * ratio);
    p.drawImage(QRectF(shown), Pic, source);
}

void TSheetPart::mousePressEvent(QMouseEvent* event) {
    if (!Sheet.EditorShowing())
        Sheet.setFocus(Qt::MouseFocusReason);
    event->accept();
}
