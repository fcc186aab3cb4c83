#include "sheetview/SheetGrid.h"

#include "sheetview/SheetPainting.h"
#include "sheetview/SheetView.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPolygon>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {
int FloorDiv(int a, int b) {
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

int CeilDiv(int a, int b) {
    return (a + b - 1) / b;
}

bool Intersect(const TCellRect& a, const TCellRect& b, TCellRect& out) {
    out = {std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right),
           std::min(a.Bottom, b.Bottom)};
    return out.Left <= out.Right && out.Top <= out.Bottom;
}
} // namespace

TSheetGrid::TSheetGrid(TSheetView& sheet) : TSheetPart(sheet), AutoScroll(new QTimer(this)) {
    FillColor = GridColor;
    AutoScroll->setInterval(60);
    connect(AutoScroll, &QTimer::timeout, this, [this] { AutoScrollStep(); });
}

const TSheetData& TSheetGrid::Data() const {
    return Sheet.Document().Data();
}

int TSheetGrid::CellW() const {
    return Sheet.GridWidth();
}

int TSheetGrid::CellH() const {
    return Sheet.GridHeight();
}

TCellRect TSheetGrid::VisibleCells() const {
    // One column and one row more than the part shows whole, so a partly scrolled first cell
    // still leaves the far edge covered.
    const int cols = std::max(CeilDiv(width(), CellW()), 1);
    const int rows = CeilDiv(std::max(height(), 0), CellH());
    const int left = Sheet.HorzPos() / CellW();
    const int top = Sheet.VertPos() / CellH();
    return {left, top, left + cols, top + rows};
}

void TSheetGrid::BoundsChanged() {
    const TCellRect cells = VisibleCells();
    SetPictureSize((cells.Right - cells.Left + 1) * CellW(), (cells.Bottom - cells.Top + 1) * CellH());
    RedrawVisible();
}

void TSheetGrid::Scrolled() {
    const TCellRect cells = VisibleCells();
    const int dCols = cells.Left - Origin.x();
    const int dRows = cells.Top - Origin.y();
    if (dCols != 0 || dRows != 0) {
        const qreal ratio = Pic.devicePixelRatio();
        const bool wholePixels = ratio == std::floor(ratio);
        const int cols = PictureWidth() / CellW();
        const int rows = PictureHeight() / CellH();
        if (Pic.isNull() || !wholePixels || std::abs(dCols) >= cols || std::abs(dRows) >= rows ||
            Data().ClampRect(cells) == TCellRect{})
            RedrawVisible();
        else
            ShiftPicture(dCols, dRows);
    }
    update();
}

void TSheetGrid::ShiftPicture(int dCols, int dRows) {
    // Cells still in view keep their pixels; only the cells coming into view are drawn.
    const auto ratio = static_cast<int>(Pic.devicePixelRatio());
    const int sx = dCols * CellW() * ratio;
    const int sy = dRows * CellH() * ratio;
    const int w = Pic.width();
    const int h = Pic.height();
    const qsizetype line = Pic.bytesPerLine();
    uchar* bits = Pic.bits();
    if (sy > 0)
        std::memmove(bits, bits + sy * line, static_cast<std::size_t>((h - sy) * line));
    else if (sy < 0)
        std::memmove(bits - sy * line, bits, static_cast<std::size_t>((h + sy) * line));
    if (sx != 0) {
        constexpr int kPixel = 4;
        for (int y = 0; y < h; ++y) {
            uchar* row = bits + y * line;
            if (sx > 0)
                std::memmove(row, row + sx * kPixel, static_cast<std::size_t>((w - sx) * kPixel));
            else
                std::memmove(row - sx * kPixel, row, static_cast<std::size_t>((w + sx) * kPixel));
        }
    }
    Origin += QPoint(dCols, dRows);

    const int cols = PictureWidth() / CellW();
    const int rows = PictureHeight() / CellH();
    std::vector<TCellRect> exposed;
    if (dRows > 0)
        exposed.push_back(
            {Origin.x(), Origin.y() + rows - dRows, Origin.x() + cols - 1, Origin.y() + rows - 1});
    else if (dRows < 0)
        exposed.push_back({Origin.x(), Origin.y(), Origin.x() + cols - 1, Origin.y() - dRows - 1});
    if (dCols > 0)
        exposed.push_back(
            {Origin.x() + cols - dCols, Origin.y(), Origin.x() + cols - 1, Origin.y() + rows - 1});
    else if (dCols < 0)
        exposed.push_back({Origin.x(), Origin.y(), Origin.x() - dCols - 1, Origin.y() + rows - 1});
    for (const TCellRect& cells : exposed) {
        {
            QPainter p(&Pic);
            FillArea(p, (cells.Left - Origin.x()) * CellW(), (cells.Top - Origin.y()) * CellH(),
                     (cells.Right + 1 - Origin.x()) * CellW(), (cells.Bottom + 1 - Origin.y()) * CellH(),
                     GridColor);
        }
        RepaintCells(cells);
    }
    DrawSelectionFrame();
}

QPoint TSheetGrid::SourceOffset() const {
    return {Sheet.HorzPos() - Origin.x() * CellW(), Sheet.VertPos() - Origin.y() * CellH()};
}

void TSheetGrid::RedrawVisible() {
    const TCellRect visible = VisibleCells();
    Origin = {visible.Left, visible.Top};
    if (Pic.isNull())
        return;
    QPainter p(&Pic);
    FillArea(p, 0, 0, PictureWidth(), PictureHeight(), GridColor);

    const TSheetData& data = Data();
    const TCellRect cut = data.ClampRect(visible);
    if (cut == TCellRect{})
        return;
    const int x0 = (cut.Left - Origin.x()) * CellW();
    const int y0 = (cut.Top - Origin.y()) * CellH();
    const int x1 = x0 + (cut.Right - cut.Left + 1) * CellW();
    const int y1 = y0 + (cut.Bottom - cut.Top + 1) * CellH();
    for (int y = y0; y <= y1; y += CellH())
        HorzLine(p, x0, x1, y, GridLineColor);
    for (int x = x0; x <= x1; x += CellW())
        VertLine(p, x, y0, y1, GridLineColor);
    // Cels of the cells just outside the picture's first row and column own the outline on its
    // edge; they are drawn too, so the edge looks the same whatever cell the view starts at.
    TCellRect around;
    if (data.LayerCount() > 0 && Intersect({cut.Left - 1, cut.Top - 1, cut.Right + 1, cut.Bottom + 1},
                                           {0, 0, data.LayerCount() - 1, data.FrameCount() - 1}, around))
        DrawCels(p, around);
    p.end();
    DrawSelectionFrame();
}

void TSheetGrid::RepaintCells(const TCellRect& cells) {
    const TSheetData& data = Data();
    if (Pic.isNull() || data.LayerCount() == 0 || data.FrameCount() == 0)
        return;
    const TCellRect shown{Origin.x(), Origin.y(), Origin.x() + PictureWidth() / CellW() - 1,
                          Origin.y() + PictureHeight() / CellH() - 1};
    const TCellRect sheet{0, 0, data.LayerCount() - 1, data.FrameCount() - 1};
    TCellRect inView;
    TCellRect r;
    if (!Intersect(shown, sheet, inView) || !Intersect(inView, cells, r))
        return;

    QPainter p(&Pic);
    const int x0 = (r.Left - Origin.x()) * CellW();
    const int y0 = (r.Top - Origin.y()) * CellH();
    const int x1 = (r.Right + 1 - Origin.x()) * CellW();
    const int y1 = (r.Bottom + 1 - Origin.y()) * CellH();
    // The left edge stays: it is the neighbour's right outline.
    FillArea(p, x0 + 1, y0, x1 + 1, y1 + 1, GridColor);
    for (int y = y0; y <= y1; y += CellH())
        HorzLine(p, x0, x1, y, GridLineColor);
    for (int x = x0; x <= x1; x += CellW())
        VertLine(p, x, y0, y1, GridLineColor);
    // Neighbours share their outlines with these cells: draw them again too, but only inside
    // the area just cleared, where nothing drawn later than them in a full redraw is lost.
    p.setClipRect(QRect(x0, y0, x1 - x0 + 1, y1 - y0 + 1));
    TCellRect around;
    if (Intersect({r.Left - 1, r.Top - 1, r.Right + 1, r.Bottom + 1}, sheet, around))
        DrawCels(p, around);
}

void TSheetGrid::DrawCels(QPainter& p, const TCellRect& cells) {
    const TSheetData& data = Data();
    for (std::int32_t col = cells.Left; col <= cells.Right; ++col) {
        std::int32_t frame = cells.Top;
        while (frame <= cells.Bottom) {
            const TCel* cel = data.CelAt(col, frame);
            if (!cel) {
                ++frame;
                continue;
            }
            DrawCel(p, *cel);
            frame = cel->LastFrame() + 1;
        }
    }
}

void TSheetGrid::DrawCel(QPainter& p, const TCel& cel) {
    const TLayerColors& colors = Data().Layer(cel.Col).Colors;
    const int x = cel.Bounds.Left - Origin.x() * CellW();
    const int y = cel.Bounds.Top - Origin.y() * CellH();
    const int r = x + CellW() + 1;
    const int b = y + cel.Duration * CellH() + 1;
    // Only cels that reach into the picture cost any drawing.
    if (b < 0 || y > PictureHeight() || r < 0 || x > PictureWidth())
        return;

    const QColor holdEdge = SheetColor(colors.HoldEdgeColor);
    const QColor celEdge = SheetColor(colors.CelEdgeColor);
    OutlinedRect(p, x, y, r, b, SheetColor(colors.CelColor), celEdge);
    ClippedText(p, x + 4, y + 4, x + 4, y + 4, r - 5, y + CellH(), QString::fromStdString(cel.Name),
                Qt::black);
    if (Sheet.Document().CelDrawingMissing(cel.Col + 1, cel.Row + 1))
        DrawMissingMark(p, r, y);

    if (cel.Duration == 1) {
        const QPolygon triangle({QPoint(r - 10, b - 3), QPoint(r - 3, b - 10), QPoint(r - 3, b - 3)});
        p.setPen(QPen(holdEdge, 1));
        p.setBrush(celEdge);
        p.drawPolygon(triangle);
        return;
    }
    // On narrow cells the bar's ends cross; it is then drawn between them.
    const int barLeft = std::min(x + 40, r - 40);
    const int barRight = std::max(x + 40, r - 40);
    OutlinedRect(p, barLeft, b - 15, barRight, b - 5, celEdge, holdEdge);
    if (cel.Duration >= 3)
        VertLine(p, x + CellW() / 2, y + CellH(), b - CellH() - 1, holdEdge);
}

void TSheetGrid::DrawMissingMark(QPainter& p, int right, int top) {
    // A red corner inside the outline: the cel's drawing is not on disk and renders as white.
    const QPolygon corner({QPoint(right - kMissingMarkSize - 1, top + 1), QPoint(right - 1, top + 1),
                           QPoint(right - 1, top + kMissingMarkSize + 1)});
    p.setPen(Qt::NoPen);
    p.setBrush(MissingMarkColor);
    p.drawPolygon(corner);
}

void TSheetGrid::DrawSelection(const TCellRect& cells) {
    if (Pic.isNull() || Data().LayerCount() == 0)
        return;
    const int x0 = (cells.Left - Origin.x()) * CellW();
    const int y0 = (cells.Top - Origin.y()) * CellH();
    const int x1 = (cells.Right + 1 - Origin.x()) * CellW();
    const int y1 = (cells.Bottom + 1 - Origin.y()) * CellH();
    QPainter p(&Pic);
    DottedFrame(p, x0 + 1, y0 + 1, x1 - 1, y1 - 1, SelectionColor);
}

void TSheetGrid::DrawSelectionFrame() {
    if (!Sheet.EditingCelName())
        DrawSelection(Data().Selection);
}

QPoint TSheetGrid::SheetPixel(const QPoint& point) const {
    return point + QPoint(Sheet.HorzPos(), Sheet.VertPos());
}

TSheetGrid::TCell TSheetGrid::CellAt(const QPoint& point) const {
    const QPoint s = SheetPixel(point);
    return {FloorDiv(s.x(), CellW()), FloorDiv(s.y(), CellH())};
}

bool TSheetGrid::OnStretchGrip(const TCel& cel, const QPoint& s) const {
    const int x = cel.Origin.X;
    const int y = cel.Origin.Y;
    const int right = x + CellW();
    const int bottom = y + cel.Duration * CellH();
    // A one-frame cel is stretched by the square at its right end, a longer one by its last row.
    if (cel.Duration == 1)
        return s.x() >= right - CellH() && s.x() <= right && s.y() >= y && s.y() <= bottom;
    return s.x() >= x && s.x() <= right && s.y() >= bottom - CellH() && s.y() <= bottom;
}

void TSheetGrid::mousePressEvent(QMouseEvent* event) {
    TSheetPart::mousePressEvent(event);
    if (event->button() == Qt::LeftButton || event->button() == Qt::RightButton)
        Press(event->position().toPoint(), event->modifiers(), event->button() == Qt::LeftButton);
}

void TSheetGrid::mouseDoubleClickEvent(QMouseEvent* event) {
    // The second press of a double click acts on the cell the first click was released on, and
    // then counts as a press of its own.
    if (event->button() == Qt::LeftButton)
        DoubleClick();
    mousePressEvent(event);
}

void TSheetGrid::Press(const QPoint& point, Qt::KeyboardModifiers modifiers, bool left) {
    const TSheetData& data = Data();
    TSheetDocument& doc = Sheet.Document();
    const TCell c = CellAt(point);
    if (!data.InSheet(c.Col, c.Row))
        return;
    Sheet.CloseEditorUnlessOn(c.Col, c.Row);
    MoveMode = true;
    Dragging = false;
    StopFrame = 0;
    const TCellRect old = data.Selection;

    if (modifiers & Qt::ShiftModifier) {
        Sheet.RunPointerCommand([&] { doc.ExtendSelectionTo(c.Col + 1, c.Row + 1); });
    } else if (modifiers & Qt::ControlModifier) {
        Sheet.RunPointerCommand([&] { doc.SelectToLayerEnd(c.Col + 1, c.Row + 1); });
        Sheet.RaiseSelect(*this, c.Col + 1, c.Row + 1);
    } else {
        const QPoint s = SheetPixel(point);
        const TCel* cel = data.CelAt(c.Col, c.Row);
        const bool inSelection = s.x() >= old.Left * CellW() && s.x() < (old.Right + 1) * CellW() &&
                                 s.y() >= old.Top * CellH() && s.y() < (old.Bottom + 1) * CellH();
        if (!inSelection) {
            const bool layerChanged = data.CurLayer != c.Col;
            Sheet.RunPointerCommand([&] { doc.MoveCursorTo(c.Col + 1, c.Row + 1); });
            Sheet.RaiseSelect(*this, c.Col + 1, c.Row + 1);
            if (layerChanged)
                Sheet.RaiseLayerChange();
        }
        if (cel && OnStretchGrip(*cel, s))
            MoveMode = false;
    }
    Pressed = c;
    PressPoint = point;
    ButtonDown = left;
}

void TSheetGrid::mouseMoveEvent(QMouseEvent* event) {
    if (!ButtonDown)
        return;
    const QPoint point = event->position().toPoint();
    if (!Dragging) {
        const QPoint d = point - PressPoint;
        if (std::abs(d.x()) <= 5 && std::abs(d.y()) < 6)
            return;
        if (MoveMode)
            Sheet.RunPointerCommand([this] { Sheet.Document().SnapSelectionToCels(); });
        Dragging = true;
        return;
    }
    DragTo(point);
    if (!EdgeDirection(point).isNull())
        AutoScroll->start();
    else
        AutoScroll->stop();
}

void TSheetGrid::DragTo(const QPoint& point) {
    DragPoint = point;
    if (MoveMode)
        DragMove(point);
    else
        DragStretch(CellAt(point));
}

QPoint TSheetGrid::EdgeDirection(const QPoint& point) const {
    const auto side = [](int at, int size) { return at < 0 ? -1 : at >= size ? 1 : 0; };
    return {side(point.x(), width()), side(point.y(), height())};
}

void TSheetGrid::AutoScrollStep() {
    const QPoint direction = EdgeDirection(DragPoint);
    if (!ButtonDown || !Dragging || direction.isNull()) {
        AutoScroll->stop();
        return;
    }
    if (direction.x() != 0) {
        TSheetScrollBar& bar = Sheet.HorzBar();
        bar.SetPosition(bar.Position() + direction.x() * CellW());
    }
    if (direction.y() != 0) {
        TSheetScrollBar& bar = Sheet.VertBar();
        bar.SetPosition(bar.Position() + direction.y() * CellH());
    }
    DragTo(DragPoint);
}

void TSheetGrid::DragMove(const QPoint& point) {
    const TSheetData& data = Data();
    const TCell c = CellAt(point);
    if (c == Pressed)
        return;
    const std::int32_t layer = data.Selection.Left + c.Col - Pressed.Col + 1;
    const std::int32_t frame = data.Selection.Top + c.Row - Pressed.Row + 1;
    const std::int32_t oldLayer = data.CurLayer;
    bool moved = false;
    Sheet.RunPointerCommand([&] { moved = Sheet.Document().DragBlockTo(layer, frame); });
    if (!moved)
        return;
    if (data.CurLayer != oldLayer)
        Sheet.RaiseSelect(*this, data.CurLayer + 1, data.CurFrame + 1);
    Pressed = c;
}

void TSheetGrid::DragStretch(const TCell& cell) {
    const TSheetData& data = Data();
    if (data.FrameCount() == 0)
        return;
    const std::int32_t col = Pressed.Col;
    const TCel* cel = data.CelAt(col, Pressed.Row);
    if (!cel)
        return;
    // A stretch follows the pointer within the sheet; it never adds frames.
    std::int32_t f = std::clamp(cell.Row, 0, data.FrameCount() - 1);
    if (f == cel->LastFrame() || f < cel->Row || (StopFrame != 0 && f > StopFrame))
        return;
    for (std::int32_t frame = cel->LastFrame() + 1; frame <= f; ++frame) {
        if (data.CelAt(col, frame)) {
            StopFrame = frame;
            f = frame - 1;
            break;
        }
    }
    if (f == cel->LastFrame())
        return;
    Sheet.RunPointerCommand([&] { Sheet.Document().StretchHold(col + 1, Pressed.Row + 1, f + 1); });
    Pressed.Row = f;
}

void TSheetGrid::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    ButtonDown = false;
    AutoScroll->stop();
    TSheetDocument& doc = Sheet.Document();
    if (Dragging)
        doc.EndDrag();
    Dragging = false;
    Sheet.RunPointerCommand([&] { doc.MergeSelectionEdges(); });

    const TSheetData& data = Data();
    const TCell c = CellAt(event->position().toPoint());
    if (data.InSheet(c.Col, c.Row))
        DoubleClickCell = c;
    else
        DoubleClickCell.reset();
}

void TSheetGrid::DoubleClick() {
    if (!DoubleClickCell)
        return;
    const TSheetData& data = Data();
    const TCell c = *DoubleClickCell;
    if (!data.InSheet(c.Col, c.Row))
        return;
    const TCel* cel = data.CelAt(c.Col, c.Row);
    if (!cel || cel->Row == c.Row) {
        Sheet.EditCelName(c.Col + 1, c.Row + 1);
        return;
    }
    Sheet.RunPointerCommand([&] { Sheet.Document().SelectCel(c.Col + 1, c.Row + 1); });
}
