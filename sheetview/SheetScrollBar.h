#pragma once

#include <QScrollBar>
#include <functional>

// A scroll bar over a range of pixels with a floating-point position from 0 to Range minus the
// visible length. The thumb and the arrows move it in whole pixels, SetPosition in any step.
class TSheetScrollBar : public QScrollBar {
public:
    TSheetScrollBar(Qt::Orientation kind, QWidget* parent);

    // Raised on every change of Position, whoever made it.
    std::function<void(TSheetScrollBar& sender)> OnChange;

    void SetKind(Qt::Orientation kind) { setOrientation(kind); }
    double Range() const { return RangePx; }
    // Length of the scrolled content in pixels.
    void SetRange(double range);
    // Length of the visible part in pixels.
    void SetPageSize(double page);
    double Position() const { return Pos; }
    // Moves to `position`, kept within 0 to MaxPosition().
    void SetPosition(double position);
    double MaxPosition() const;
    // Step of the arrows and of ScrollWheel, in pixels.
    double Increment() const { return Step; }

private:
    void Sync();

    double RangePx = 0;
    double PagePx = 0;
    double Pos = 0;
    double Step = 8;
};
