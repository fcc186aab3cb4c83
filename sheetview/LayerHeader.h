#pragma once

#include "sheetview/SheetPart.h"

#include <cstdint>

// The layer header row: one cell per layer with its caption and a visibility box, scrolling
// sideways with the grid. A click on the box shows or hides the layer, Shift-click selects the
// layer's cels and a double click edits the caption.
class TLayerHeader : public TSheetPart {
public:
    explicit TLayerHeader(TSheetView& sheet);

    // Sizes the picture for the document's layers: LayerCount x cell width + 1 wide, empty
    // without layers.
    void Resize();
    // Redraws the header cell of a layer (0-based).
    void DrawHeader(std::int32_t layer);
    // Redraws the header cells first..last (0-based); nothing when last < first.
    void DrawHeaders(std::int32_t first, std::int32_t last);

protected:
    QPoint SourceOffset() const override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    // Notes the layer, zone and modifier keys of a press, and closes an editor on another layer.
    void NotePress(const QMouseEvent& event);
    void Click();

    int CellW() const; // the sheet control's column width
    std::int32_t PressedLayer = -1;
    bool PressedBox = false; // the press hit the visibility-box zone
    Qt::KeyboardModifiers PressedModifiers;
    bool Clicking = false; // a left press that may end in a click
};
