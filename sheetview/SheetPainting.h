#pragma once

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QString>
#include <cstdint>

// Drawing primitives of the sheet's painted parts. Coordinates are device-independent pixels;
// rectangles are given as left, top and an exclusive right and bottom edge. Lines and outlines
// are filled one-pixel strips, so they stay whole pixels at any integer scale factor.

// 0xRRGGBB as a colour.
inline QColor SheetColor(std::uint32_t rgb) {
    return QColor::fromRgb(rgb);
}

// A picture of w x h device-independent pixels for a screen of `pixelRatio`; null when either
// side is 0 or less.
QImage MakeSheetPicture(int w, int h, qreal pixelRatio);

void FillArea(QPainter& p, int left, int top, int right, int bottom, const QColor& color);
// A horizontal line from x0 to x1 at y, both ends included.
void HorzLine(QPainter& p, int x0, int x1, int y, const QColor& color);
// A vertical line from y0 to y1 at x, both ends included.
void VertLine(QPainter& p, int x, int y0, int y1, const QColor& color);
// A filled rectangle with a one-pixel outline on its outermost pixels.
void OutlinedRect(QPainter& p, int left, int top, int right, int bottom, const QColor& fill,
                  const QColor& edge);
// A one-pixel frame on the outermost pixels, dotted: every other pixel is set, starting at the
// top-left corner.
void DottedFrame(QPainter& p, int left, int top, int right, int bottom, const QColor& color);
// One line of text with its top-left corner at (x, y), clipped to the rectangle; text wider than
// from x to the right edge is cut short with an ellipsis.
void ClippedText(QPainter& p, int x, int y, int left, int top, int right, int bottom, const QString& text,
                 const QColor& color);
// One line of text starting at x, centred vertically between top and bottom, not clipped.
void VCentredText(QPainter& p, int x, int top, int bottom, const QString& text, const QColor& color);
