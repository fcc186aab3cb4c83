#pragma once

#include "document/SheetObjects.h"
#include "sheetview/SheetPart.h"

#include <cstdint>
#include <optional>

class QTimer;

class TSheetData;

// The cel grid: one column per layer, one row per frame, each cel a box over the frames it is
// held with its name and a hold marker. Its picture holds only the cells in view plus one row and
// one column, and is copied to the screen with the scroll offset inside the first cell. Mouse
// input selects cells, drags blocks of cels and stretches holds, each through a document command
// whose change report repaints the grid.
class TSheetGrid : public TSheetPart {
public:
    explicit TSheetGrid(TSheetView& sheet);

    QColor GridColor = QColor(0xFF, 0xFF, 0xFF);
    QColor GridLineColor = QColor(0xC0, 0xC0, 0xC0);
    QColor SelectionColor = QColor(0, 0, 0);
    // The corner that marks a cel whose drawing is not on disk, and its side in pixels.
    QColor MissingMarkColor = QColor(0xE0, 0x10, 0x10);
    static constexpr int kMissingMarkSize = 9;

    // Takes the cell size in pixels.
    // The cells the picture shows at the current scroll positions and size (0-based; may reach
    // past the sheet).
    TCellRect VisibleCells() const;
    // The cell at the picture's top-left pixel.
    QPoint PictureOrigin() const { return Origin; }
    // Sizes the picture for the part's bounds and redraws it.
    void BoundsChanged();
    // Brings the picture in line with the scroll positions: redrawn when another cell comes to
    // the top-left corner, otherwise only shown at a new offset.
    void Scrolled();
    // Redraws the whole picture from the document.
    void RedrawVisible();
    // Redraws the part of the picture that shows these cells (0-based), and their neighbours' edges.
    void RepaintCells(const TCellRect& cells);
    // Draws the dotted frame around the cells (0-based).
    void DrawSelection(const TCellRect& cells);
    // Draws the frame around the document's selection, unless a cel name is being typed.
    void DrawSelectionFrame();

protected:
    QPoint SourceOffset() const override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    struct TCell {
        std::int32_t Col = 0;
        std::int32_t Row = 0;
        bool operator==(const TCell&) const = default;
    };

    const TSheetData& Data() const;
    // The cell under a point of the part, in sheet cells (may lie outside the sheet).
    TCell CellAt(const QPoint& point) const;
    // Sheet pixels of a point of the part.
    QPoint SheetPixel(const QPoint& point) const;
    bool OnStretchGrip(const TCel& cel, const QPoint& sheetPixel) const;
    // Moves the picture's pixels by whole cells and draws the cells that come into view.
    void ShiftPicture(int dCols, int dRows);
    void DrawCel(QPainter& p, const TCel& cel);
    // The missing drawing's mark in the top-right corner of a cel whose outline ends at `right`.
    void DrawMissingMark(QPainter& p, int right, int top);
    // Draws every cel covering a cell of `cells` (cut to the sheet), layer by layer, top to bottom.
    void DrawCels(QPainter& p, const TCellRect& cells);
    void Press(const QPoint& point, Qt::KeyboardModifiers modifiers, bool left);
    void DragMove(const QPoint& point);
    void DragStretch(const TCell& cell);
    // One drag step at the pointer's place, moving or stretching.
    void DragTo(const QPoint& point);
    // Per axis, -1 when the pointer is left of (above) the grid, 1 right of (below) it, else 0.
    QPoint EdgeDirection(const QPoint& point) const;
    // While a drag rests past an edge: scrolls one column or row that way (both past a corner)
    // and drags on.
    void AutoScrollStep();
    void DoubleClick();

    // The cell size, as the sheet control has it.
    int CellW() const;
    int CellH() const;
    QPoint Origin;     // cell at the picture's top-left pixel
    TCell Pressed;     // cell of the last press or drag step
    QPoint PressPoint; // pointer at the last press, in the part's pixels
    QPoint DragPoint;  // pointer at the last drag step
    QTimer* AutoScroll;
    std::optional<TCell> DoubleClickCell;
    bool MoveMode = true;  // a drag moves the selected block; otherwise it stretches a hold
    bool Dragging = false; // the pointer has left the dead zone since the press
    bool ButtonDown = false;
    std::int32_t StopFrame = 0; // first frame of the cel a stretch ran into; 0 when none
};
