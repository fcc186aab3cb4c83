#include "sheetview/SheetScrollBar.h"

#include <QSignalBlocker>
#include <algorithm>
#include <cmath>

TSheetScrollBar::TSheetScrollBar(Qt::Orientation kind, QWidget* parent) : QScrollBar(kind, parent) {
    // Clicking a bar leaves the keyboard with the sheet.
    setFocusPolicy(Qt::NoFocus);
    setSingleStep(static_cast<int>(Step));
    setRange(0, 0);
    connect(this, &QScrollBar::valueChanged, this, [this](int value) {
        // The thumb moves in whole pixels; keep a finer position that rounds to the same pixel.
        if (value == static_cast<int>(std::trunc(Pos)))
            return;
        Pos = value;
        if (OnChange)
            OnChange(*this);
    });
}

double TSheetScrollBar::MaxPosition() const {
    return std::max(0.0, RangePx - PagePx);
}

void TSheetScrollBar::SetRange(double range) {
    RangePx = std::max(0.0, range);
    Sync();
}

void TSheetScrollBar::SetPageSize(double page) {
    PagePx = std::max(0.0, page);
    Sync();
}

void TSheetScrollBar::SetPosition(double position) {
    position = std::clamp(position, 0.0, MaxPosition());
    if (position == Pos)
        return;
    Pos = position;
    {
        const QSignalBlocker blocker(this);
        setValue(static_cast<int>(std::trunc(Pos)));
    }
    if (OnChange)
        OnChange(*this);
}

void TSheetScrollBar::Sync() {
    {
        const QSignalBlocker blocker(this);
        setRange(0, static_cast<int>(std::trunc(MaxPosition())));
        setPageStep(std::max(1, static_cast<int>(PagePx)));
        setValue(static_cast<int>(std::trunc(std::min(Pos, MaxPosition()))));
    }
    // A shorter range pulls the position back inside it.
    if (Pos > MaxPosition())
        SetPosition(MaxPosition());
}
