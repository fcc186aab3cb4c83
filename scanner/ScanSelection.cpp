#include "scanner/ScanSelection.h"

#include <algorithm>
#include <cmath>

namespace {
std::int32_t Round(double value) {
    return static_cast<std::int32_t>(std::nearbyint(value));
}
} // namespace

void TScanSelection::SetBounds(std::int32_t width, std::int32_t height) {
    Width_ = width;
    Height_ = height;
}

void TScanSelection::SetPortrait(bool portrait) {
    Portrait_ = portrait;
    HeightRatio_ = portrait ? 1.33 : 0.75;
    WidthRatio_ = portrait ? 0.75 : 1.33;
}

void TScanSelection::Press(std::int32_t x, std::int32_t y) {
    LastX_ = x;
    LastY_ = y;
    if (x > Rect.Left && x < Rect.Right && y > Rect.Top && y < Rect.Bottom) {
        Mode_ = TMode::Dragging;
        return;
    }
    Mode_ = TMode::Drawing;
    AnchorX_ = x;
    AnchorY_ = y;
    Upward_ = false;
    Rect = {x, y, x, y};
}

void TScanSelection::Move(std::int32_t x, std::int32_t y) {
    if (Mode_ == TMode::Drawing)
        Draw(x, y);
    else if (Mode_ == TMode::Dragging)
        Drag(x, y);
}

void TScanSelection::Release(std::int32_t x, std::int32_t y) {
    Move(x, y);
    Mode_ = TMode::None;
}

void TScanSelection::Drag(std::int32_t x, std::int32_t y) {
    const std::int32_t dx = std::clamp(x - LastX_, -Rect.Left, Width_ - 1 - Rect.Right);
    const std::int32_t dy = std::clamp(y - LastY_, -Rect.Top, Height_ - 1 - Rect.Bottom);
    Rect = {Rect.Left + dx, Rect.Top + dy, Rect.Right + dx, Rect.Bottom + dy};
    LastX_ = x;
    LastY_ = y;
}

void TScanSelection::Draw(std::int32_t x, std::int32_t y) {
    const bool leftward = x < AnchorX_;
    if (leftward) {
        Rect.Left = std::max(x, 0);
        Rect.Right = AnchorX_;
    } else {
        Rect.Left = AnchorX_;
        Rect.Right = std::min(x, Width_ - 1);
    }
    const std::int32_t h = Round((Rect.Right - Rect.Left) * HeightRatio_);
    // Where the height runs out at an edge, the width shrinks to keep the ratio.
    auto fitWidth = [&](std::int32_t available) {
        if (leftward)
            Rect.Left = Rect.Right - Round(WidthRatio_ * available);
        else
            Rect.Right = Rect.Left + Round((Rect.Bottom - Rect.Top) * WidthRatio_);
    };
    // Level with the anchor, the rectangle stays on the side it was last drawn on, still as high
    // as its width asks: it never keeps a height from before the pointer crossed back.
    if (y != AnchorY_)
        Upward_ = y < AnchorY_;
    if (Upward_) {
        Rect.Bottom = AnchorY_;
        Rect.Top = AnchorY_ - h;
        if (Rect.Top < 0) {
            Rect.Top = 0;
            fitWidth(AnchorY_);
        }
    } else {
        Rect.Top = AnchorY_;
        Rect.Bottom = AnchorY_ + h;
        if (Rect.Bottom > Height_ - 1) {
            Rect.Bottom = Height_ - 1;
            fitWidth(Height_ - 1 - AnchorY_);
        }
    }
}

void TScanSelection::LimitToBounds() {
    Rect.Left = std::max(Rect.Left, 0);
    Rect.Top = std::max(Rect.Top, 0);
    Rect.Right = std::min(Rect.Right, Width_ - 1);
    Rect.Bottom = std::min(Rect.Bottom, Height_ - 1);
}
