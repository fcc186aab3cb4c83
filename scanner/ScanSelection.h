#pragma once

#include "scanner/ScanRules.h"

#include <cstdint>

// The selection rectangle over the scanner's preview, drawn and dragged with the mouse: it keeps
// the frame's ratio (landscape 4:3, portrait 3:4) and stays inside the preview.
class TScanSelection {
public:
    // The preview's size in pixels.
    void SetBounds(std::int32_t width, std::int32_t height);
    std::int32_t Width() const { return Width_; }
    std::int32_t Height() const { return Height_; }
    // Landscape: height = 0.75 x width, width = 1.33 x height; portrait the other way round. An
    // existing rectangle keeps its shape until it is drawn again.
    void SetPortrait(bool portrait);
    bool Portrait() const { return Portrait_; }

    // Left button pressed at (x, y): inside the rectangle (strictly between its edges) starts
    // dragging it, anywhere else starts a new rectangle of no size anchored there. Drawn, the
    // rectangle runs from the anchor to the pointer on whichever side of it the pointer is.
    void Press(std::int32_t x, std::int32_t y);
    // The mouse moved (or was released) at (x, y) with the button down.
    void Move(std::int32_t x, std::int32_t y);
    void Release(std::int32_t x, std::int32_t y);

    TScanRect Rect;
    // Limits a rectangle set from outside (loaded settings) to the preview.
    void LimitToBounds();

private:
    void Draw(std::int32_t x, std::int32_t y);
    void Drag(std::int32_t x, std::int32_t y);

    std::int32_t Width_ = 0;
    std::int32_t Height_ = 0;
    bool Portrait_ = false;
    double HeightRatio_ = 0.75;
    double WidthRatio_ = 1.33;
    enum class TMode { None, Drawing, Dragging } Mode_ = TMode::None;
    std::int32_t AnchorX_ = 0, AnchorY_ = 0;
    bool Upward_ = false; // drawn above the anchor
    std::int32_t LastX_ = 0, LastY_ = 0;
};
