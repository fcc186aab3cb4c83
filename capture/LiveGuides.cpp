#include "capture/LiveGuides.h"

#include <QColor>
#include <QPainter>
#include <algorithm>
#include <cmath>

bool TLiveGuides::AnyShown() const {
    return Settings.Grid || Settings.Mask != TAspectMask::amNone || Settings.TitleSafe || Settings.ActionSafe ||
           Settings.CentreCross;
}

QRectF TLiveGuides::MovieFrame(const QRectF& picture, TAspectMask mask) {
    const double ratio = AspectRatioOf(mask);
    if (ratio <= 0.0 || picture.isEmpty())
        return picture;
    QSizeF size(picture.width(), picture.width() / ratio);
    if (size.height() > picture.height())
        size = QSizeF(picture.height() * ratio, picture.height());
    QRectF movie(QPointF(), size);
    movie.moveCenter(picture.center());
    return movie;
}

std::vector<QRectF> TLiveGuides::ShadedAreas(const QRectF& picture, const QRectF& movie) {
    std::vector<QRectF> areas;
    if (movie.width() < picture.width()) {
        areas.emplace_back(QPointF(picture.left(), picture.top()), QPointF(movie.left(), picture.bottom()));
        areas.emplace_back(QPointF(movie.right(), picture.top()), QPointF(picture.right(), picture.bottom()));
    } else if (movie.height() < picture.height()) {
        areas.emplace_back(QPointF(picture.left(), picture.top()), QPointF(picture.right(), movie.top()));
        areas.emplace_back(QPointF(picture.left(), movie.bottom()), QPointF(picture.right(), picture.bottom()));
    }
    return areas;
}

QRectF TLiveGuides::SafeFrame(const QRectF& movie, double share) {
    QRectF frame(QPointF(), movie.size() * share);
    frame.moveCenter(movie.center());
    return frame;
}

std::vector<QLineF> TLiveGuides::GridLines(const QRectF& movie, int rows, int columns) {
    std::vector<QLineF> lines;
    for (int i = 1; i < columns; ++i) {
        const double x = movie.left() + movie.width() * i / columns;
        lines.emplace_back(x, movie.top(), x, movie.bottom());
    }
    for (int i = 1; i < rows; ++i) {
        const double y = movie.top() + movie.height() * i / rows;
        lines.emplace_back(movie.left(), y, movie.right(), y);
    }
    return lines;
}

std::vector<QLineF> TLiveGuides::CrossLines(const QRectF& movie) {
    const double arm = std::min(movie.width(), movie.height()) * kCrossArm;
    const QPointF centre = movie.center();
    return {QLineF(centre.x() - arm, centre.y(), centre.x() + arm, centre.y()),
            QLineF(centre.x(), centre.y() - arm, centre.x(), centre.y() + arm)};
}

void TLiveGuides::Paint(QPainter& painter, const QRectF& picture) const {
    if (!AnyShown())
        return;
    painter.save();
    const QRectF movie = MovieFrame(picture, Settings.Mask);
    for (const QRectF& area : ShadedAreas(picture, movie))
        painter.fillRect(area, QColor(0, 0, 0, kShadeAlpha));
    // One device pixel wide at any scale, on whole pixels so the lines stay crisp.
    QPen pen(QColor::fromRgb(Settings.GuideColor), 0);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    auto snapped = [](const QLineF& line) {
        return QLineF(std::floor(line.x1()), std::floor(line.y1()), std::floor(line.x2()), std::floor(line.y2()));
    };
    auto frameLines = [&](const QRectF& frame) {
        painter.drawRect(QRectF(std::floor(frame.left()), std::floor(frame.top()),
                                std::floor(frame.right()) - std::floor(frame.left()) - 1,
                                std::floor(frame.bottom()) - std::floor(frame.top()) - 1));
    };
    if (Settings.Grid) {
        for (const QLineF& line : GridLines(movie, Settings.GridRows, Settings.GridColumns))
            painter.drawLine(snapped(line));
    }
    if (Settings.ActionSafe)
        frameLines(SafeFrame(movie, kActionSafe));
    if (Settings.TitleSafe) {
        pen.setStyle(Qt::DashLine);
        painter.setPen(pen);
        frameLines(SafeFrame(movie, kTitleSafe));
        pen.setStyle(Qt::SolidLine);
        painter.setPen(pen);
    }
    if (Settings.CentreCross) {
        for (const QLineF& line : CrossLines(movie))
            painter.drawLine(snapped(line));
    }
    painter.restore();
}
