#pragma once

#include "settings/ReferencePictureSettings.h"

#include <QImage>
#include <QPointF>
#include <QRectF>

class QPainter;

// A picture shown over the live picture to line up a set or trace a move: blended in at its own
// opacity, or in difference mode where the live picture differs from it; moved by dragging it and
// scaled by dragging a corner. Its place and size are kept as shares of the live picture's, so it
// stays over the same part of the picture at any size.
class TReferencePicture {
public:
    static constexpr double kHandle = 8.0; // pixels around a corner that take a scaling drag

    TReferencePictureSettings Settings;

    // The picture to show; a null image shows nothing.
    void SetImage(const QImage& image) { Image = image; }
    const QImage& Picture() const { return Image; }
    // True when the picture is there and switched on.
    bool Visible() const { return Settings.Shown && !Image.isNull(); }
    // Back to the whole width of the live picture, centred.
    void ResetPlace();

    // Where the picture lies over the live picture painted in `picture`.
    QRectF Area(const QRectF& picture) const;
    // Paints it over the live picture: live + (picture - live) x opacity, or in difference mode
    // live + (|live - picture| - live) x opacity, as the onion skin does.
    void Paint(QPainter& painter, const QRectF& picture) const;

    // Dragging with the mouse at `at` (in the painter's coordinates): Press starts a drag when `at`
    // is on the visible picture (near a corner it scales, elsewhere it moves) and says so; Drag
    // follows the mouse; Release ends it and says whether anything changed.
    bool Press(const QPointF& at, const QRectF& picture);
    void Drag(const QPointF& at, const QRectF& picture);
    bool Release();
    bool Dragging() const { return DragKind != TDrag::None; }
    // True when `at` is near a corner of the visible picture.
    bool OnCorner(const QPointF& at, const QRectF& picture) const;

private:
    enum class TDrag { None, Move, Scale };

    QImage Image;
    TDrag DragKind = TDrag::None;
    QPointF DragStart;
    TReferencePictureSettings AtDragStart;
};
