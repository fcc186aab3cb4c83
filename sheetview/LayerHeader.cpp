#include "sheetview/LayerHeader.h"

#include "sheetview/SheetPainting.h"
#include "sheetview/SheetView.h"

#include <QMouseEvent>
#include <QPainter>

TLayerHeader::TLayerHeader(TSheetView& sheet) : TSheetPart(sheet) {
    FillColor = sheet.palette().color(QPalette::Window);
}

void TLayerHeader::Resize() {
    const std::int32_t layers = Sheet.LayerCount();
    SetPictureSize(layers > 0 ? layers * CellW() + 1 : 0, Sheet.HeaderHeight());
}

QPoint TLayerHeader::SourceOffset() const {
    return {Sheet.HorzPos(), 0};
}

void TLayerHeader::DrawHeaders(std::int32_t first, std::int32_t last) {
    for (std::int32_t layer = first; layer <= last; ++layer)
        DrawHeader(layer);
}

void TLayerHeader::DrawHeader(std::int32_t layer) {
    if (Pic.isNull() || layer < 0 || layer >= Sheet.LayerCount())
        return;
    const TLayerColors colors = Sheet.LayerColors(layer + 1);
    const int hh = Sheet.HeaderHeight();
    const int left = layer * CellW();
    const int right = (layer + 1) * CellW();
    QPainter p(&Pic);
    OutlinedRect(p, left, 0, right + 1, hh, SheetColor(colors.HeadColor), SheetColor(colors.HeadEdgeColor));
    ClippedText(p, left + 5, 3, left + 5, 3, right, hh - 4,
                QString::fromStdString(Sheet.LayerCaption(layer + 1)), Qt::black);
    // The box goes over a caption that runs into it.
    const bool visible = Sheet.LayerVisible(layer + 1);
    OutlinedRect(p, right - hh + 4, 4, right - 4, hh - 4,
                 SheetColor(visible ? colors.HeadEdgeColor : colors.HeadColor),
                 SheetColor(colors.HeadMarkColor));
}

void TLayerHeader::mousePressEvent(QMouseEvent* event) {
    TSheetPart::mousePressEvent(event);
    NotePress(*event);
    Clicking = event->button() == Qt::LeftButton;
}

void TLayerHeader::mouseDoubleClickEvent(QMouseEvent* event) {
    TSheetPart::mousePressEvent(event);
    NotePress(*event);
    // The second press of a double click makes no click of its own.
    Clicking = false;
    if (event->button() == Qt::LeftButton && PressedLayer >= 0 && PressedLayer < Sheet.LayerCount())
        Sheet.EditLayerCaption(PressedLayer + 1);
}

void TLayerHeader::NotePress(const QMouseEvent& event) {
    const int x = event.position().toPoint().x() + Sheet.HorzPos();
    PressedLayer = x >= 0 ? x / CellW() : -1;
    PressedBox = x > (PressedLayer + 1) * CellW() - Sheet.HeaderHeight() - 4;
    PressedModifiers = event.modifiers();
    TCellEditor& editor = Sheet.Editor();
    if (editor.Editing && !(editor.Mode == TCellEditor::TMode::emLayerCaption && editor.Col == PressedLayer))
        Sheet.CloseEditor();
}

void TLayerHeader::mouseReleaseEvent(QMouseEvent* event) {
    const bool click =
        Clicking && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    Clicking = false;
    if (click)
        Click();
}

void TLayerHeader::Click() {
    if (PressedLayer < 0 || PressedLayer >= Sheet.LayerCount())
        return;
    if (PressedBox) {
        Sheet.SetLayerVisible(PressedLayer + 1, !Sheet.LayerVisible(PressedLayer + 1));
        return;
    }
    if (PressedModifiers & Qt::ShiftModifier) {
        Sheet.RunPointerCommand([this] { Sheet.Document().SelectLayerCels(PressedLayer + 1); });
        Sheet.RaiseLayerChange();
    }
}

int TLayerHeader::CellW() const {
    return Sheet.GridWidth();
}
