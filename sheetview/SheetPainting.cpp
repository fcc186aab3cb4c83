#include "sheetview/SheetPainting.h"

#include <QFontMetrics>
#include <cmath>

QImage MakeSheetPicture(int w, int h, qreal pixelRatio) {
    if (w <= 0 || h <= 0)
        return {};
    QImage picture(static_cast<int>(std::ceil(w * pixelRatio)), static_cast<int>(std::ceil(h * pixelRatio)),
                   QImage::Format_RGB32);
    picture.setDevicePixelRatio(pixelRatio);
    return picture;
}

void FillArea(QPainter& p, int left, int top, int right, int bottom, const QColor& color) {
    if (right > left && bottom > top)
        p.fillRect(QRect(left, top, right - left, bottom - top), color);
}

void HorzLine(QPainter& p, int x0, int x1, int y, const QColor& color) {
    FillArea(p, x0, y, x1 + 1, y + 1, color);
}

void VertLine(QPainter& p, int x, int y0, int y1, const QColor& color) {
    FillArea(p, x, y0, x + 1, y1 + 1, color);
}

void OutlinedRect(QPainter& p, int left, int top, int right, int bottom, const QColor& fill,
                  const QColor& edge) {
    if (right <= left || bottom <= top)
        return;
    FillArea(p, left, top, right, bottom, fill);
    HorzLine(p, left, right - 1, top, edge);
    HorzLine(p, left, right - 1, bottom - 1, edge);
    VertLine(p, left, top, bottom - 1, edge);
    VertLine(p, right - 1, top, bottom - 1, edge);
}

void DottedFrame(QPainter& p, int left, int top, int right, int bottom, const QColor& color) {
    if (right <= left || bottom <= top)
        return;
    // Walk the frame once around so the dots keep their rhythm across the corners.
    const int w = right - left;
    const int h = bottom - top;
    const int perimeter = w == 1 || h == 1 ? w * h : 2 * (w + h) - 4;
    for (int i = 0; i < perimeter; i += 2) {
        int x;
        int y;
        if (i < w) {
            x = left + i;
            y = top;
        } else if (i < w + h - 1) {
            x = right - 1;
            y = top + (i - w + 1);
        } else if (i < 2 * w + h - 2) {
            x = right - 1 - (i - (w + h - 2));
            y = bottom - 1;
        } else {
            x = left;
            y = bottom - 1 - (i - (2 * w + h - 3));
        }
        p.fillRect(QRect(x, y, 1, 1), color);
    }
}

void ClippedText(QPainter& p, int x, int y, int left, int top, int right, int bottom, const QString& text,
                 const QColor& color) {
    if (text.isEmpty() || right <= left || bottom <= top)
        return;
    p.save();
    p.setClipRect(QRect(left, top, right - left, bottom - top), Qt::IntersectClip);
    p.setPen(color);
    // Text that does not fit ends in an ellipsis, so a cut name does not pass for a whole one.
    p.drawText(QPoint(x, y + p.fontMetrics().ascent()), p.fontMetrics().elidedText(text, Qt::ElideRight, right - x));
    p.restore();
}

void VCentredText(QPainter& p, int x, int top, int bottom, const QString& text, const QColor& color) {
    const QFontMetrics metrics = p.fontMetrics();
    const int y = top + (bottom - top - metrics.height()) / 2 + metrics.ascent();
    p.setPen(color);
    p.drawText(QPoint(x, y), text);
}
