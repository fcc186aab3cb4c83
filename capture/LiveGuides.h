#pragma once

#include "settings/LiveGuideSettings.h"

#include <QLineF>
#include <QRectF>
#include <vector>

class QPainter;

// The guides over the live picture: the movie's aspect mask with the picture outside it shaded,
// the grid, the title- and action-safe frames and the centre cross. The geometry works on the
// rectangle the live picture is painted in, so the guides follow the picture at any size; grid,
// safe frames and cross lie within the movie's frame (the mask's area, or the whole picture).
class TLiveGuides {
public:
    static constexpr double kActionSafe = 0.9; // share of the movie's frame, in each direction
    static constexpr double kTitleSafe = 0.8;
    static constexpr int kShadeAlpha = 160;    // of the black laid over the picture outside the mask
    static constexpr double kCrossArm = 0.05;  // arm length as a share of the frame's smaller side

    TLiveGuideSettings Settings;

    // True when any guide is switched on.
    bool AnyShown() const;

    // The largest rectangle of the mask's aspect ratio centred in `picture`; `picture` for amNone.
    static QRectF MovieFrame(const QRectF& picture, TAspectMask mask);
    // The parts of `picture` outside `movie` (none, or two bands).
    static std::vector<QRectF> ShadedAreas(const QRectF& picture, const QRectF& movie);
    // `movie` shrunk to `share` of its width and height about its centre.
    static QRectF SafeFrame(const QRectF& movie, double share);
    // The inner lines dividing `movie` into rows and columns: columns - 1 upright, then rows - 1 level.
    static std::vector<QLineF> GridLines(const QRectF& movie, int rows, int columns);
    // The two arms of the centre cross: level, then upright.
    static std::vector<QLineF> CrossLines(const QRectF& movie);

    // Paints the guides switched on over the live picture painted in `picture`.
    void Paint(QPainter& painter, const QRectF& picture) const;
};
