#include "capture/ReferencePicture.h"

#include <QLineF>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace {
constexpr double kWhole = TReferencePictureSettings::kWhole;
} // namespace

void TReferencePicture::ResetPlace() {
    const TReferencePictureSettings defaults;
    Settings.CentreX = defaults.CentreX;
    Settings.CentreY = defaults.CentreY;
    Settings.Width = defaults.Width;
}

QRectF TReferencePicture::Area(const QRectF& picture) const {
    if (Image.isNull() || picture.isEmpty())
        return {};
    const double width = picture.width() * Settings.Width / kWhole;
    QRectF area(0, 0, width, width * Image.height() / Image.width());
    area.moveCenter(QPointF(picture.left() + picture.width() * Settings.CentreX / kWhole,
                            picture.top() + picture.height() * Settings.CentreY / kWhole));
    return area;
}

void TReferencePicture::Paint(QPainter& painter, const QRectF& picture) const {
    if (!Visible() || Settings.Opacity == 0)
        return;
    painter.save();
    painter.setClipRect(picture);
    painter.setOpacity(Settings.Opacity / 100.0);
    // With the source's alpha at the opacity, the difference mode gives live + (|live - picture| -
    // live) x opacity.
    painter.setCompositionMode(Settings.Difference ? QPainter::CompositionMode_Difference
                                                   : QPainter::CompositionMode_SourceOver);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(Area(picture), Image);
    painter.restore();
}

bool TReferencePicture::OnCorner(const QPointF& at, const QRectF& picture) const {
    if (!Visible())
        return false;
    const QRectF area = Area(picture);
    for (const QPointF& corner : {area.topLeft(), area.topRight(), area.bottomLeft(), area.bottomRight()}) {
        if (std::abs(at.x() - corner.x()) <= kHandle && std::abs(at.y() - corner.y()) <= kHandle)
            return true;
    }
    return false;
}

bool TReferencePicture::Press(const QPointF& at, const QRectF& picture) {
    if (!Visible() || picture.isEmpty())
        return false;
    if (OnCorner(at, picture))
        DragKind = TDrag::Scale;
    else if (Area(picture).contains(at))
        DragKind = TDrag::Move;
    else
        return false;
    DragStart = at;
    AtDragStart = Settings;
    return true;
}

void TReferencePicture::Drag(const QPointF& at, const QRectF& picture) {
    if (DragKind == TDrag::Move) {
        const QPointF moved = at - DragStart;
        Settings.CentreX = AtDragStart.CentreX + static_cast<std::int32_t>(std::lround(moved.x() * kWhole / picture.width()));
        Settings.CentreY =
            AtDragStart.CentreY + static_cast<std::int32_t>(std::lround(moved.y() * kWhole / picture.height()));
    } else if (DragKind == TDrag::Scale) {
        // The corner follows the mouse's distance from the centre, which stays where it is.
        const QPointF centre(picture.left() + picture.width() * AtDragStart.CentreX / kWhole,
                             picture.top() + picture.height() * AtDragStart.CentreY / kWhole);
        const double from = QLineF(centre, DragStart).length();
        if (from < 1.0)
            return;
        const double factor = QLineF(centre, at).length() / from;
        Settings.Width = std::clamp(static_cast<std::int32_t>(std::lround(AtDragStart.Width * factor)),
                                    TReferencePictureSettings::kWhole / 100, 3 * TReferencePictureSettings::kWhole);
    }
}

bool TReferencePicture::Release() {
    const bool changed = DragKind != TDrag::None && !(Settings == AtDragStart);
    DragKind = TDrag::None;
    return changed;
}
