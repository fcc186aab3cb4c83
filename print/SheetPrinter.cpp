#include "print/SheetPrinter.h"

#include "document/SheetDocument.h"
#include "print/PrintCanvas.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr std::int32_t kBodySize = 9;
constexpr std::int32_t kTitleSize = 12;
constexpr double kFrameColumnWidth = 0.5; // inches
constexpr double kLayerColumnWidth = 1.5;
} // namespace

TSheetPrinter::TSheetPrinter(const TSheetDocument& sheet, std::string documentName, std::string date)
    : Sheet(sheet), DocumentName(std::move(documentName)), Date(std::move(date)) {}

std::int32_t TSheetPrinter::RowsToPrint(const TSheetDocument& sheet) {
    std::int32_t rows = 0;
    for (std::int32_t layer = 1; layer <= sheet.LayerCount(); ++layer) {
        for (std::int32_t frame = sheet.FrameCount(); frame > rows; --frame) {
            if (sheet.CelAt(layer, frame)) {
                rows = frame;
                break;
            }
        }
    }
    return rows;
}

std::int32_t TSheetPrinter::Len(double inches) const {
    return static_cast<std::int32_t>(std::lround(Metrics.Resolution * inches));
}

std::int32_t TSheetPrinter::ColumnLeft(std::int32_t layer) const {
    return layer == 0 ? GridLeft : GridLeft + Len(kFrameColumnWidth) + (layer - 1) * Len(kLayerColumnWidth);
}

std::int32_t TSheetPrinter::ColumnWidth(std::int32_t layer) const {
    return layer == 0 ? Len(kFrameColumnWidth) : Len(kLayerColumnWidth);
}

void TSheetPrinter::Layout(TPrintCanvas& canvas) {
    Canvas = &canvas;
    Metrics = canvas.Metrics();
    LayerCount = Sheet.LayerCount();
    canvas.SetFont(kTitleSize, true);
    H12 = canvas.TextHeight();
    canvas.SetFont(kBodySize, false);
    H9 = canvas.TextHeight();
    RowHeight = H9 + static_cast<std::int32_t>(std::lround(H9 * 0.1));
    Inset = Len(0.063);
    TitleTop = Len(0.5) - Metrics.OffsetY;
    GridLeft = Len(0.75) - Metrics.OffsetX;
    GridTop = TitleTop + H12 + (LayerCount + 3) * H9;
    FirstRowTop = GridTop + 1;
    BottomLimit = Metrics.PhysicalHeight - Len(0.75) - Metrics.OffsetY;
}

void TSheetPrinter::TextRight(std::int32_t x, std::int32_t y, const std::string& text) {
    Canvas->TextOut(x - Len(0.1) - Canvas->TextWidth(text), y, text);
}

void TSheetPrinter::ColumnHeadings() {
    Canvas->SetFont(kBodySize, false);
    for (std::int32_t layer = 1; layer <= LayerCount; ++layer)
        Canvas->TextOut(ColumnLeft(layer) + Inset, GridTop - RowHeight, Sheet.LayerCaption(layer));
}

void TSheetPrinter::FirstPageHeader() {
    Canvas->SetFont(kTitleSize, true);
    Canvas->TextOut(Len(0.5), TitleTop, DocumentName + " - Celwright Exposure Sheet");
    TextRight(Metrics.PageWidth - Len(0.5), TitleTop, Date);
    Canvas->SetFont(kBodySize, false);
    std::int32_t y = TitleTop + H12 + H9;
    for (std::int32_t layer = 1; layer <= LayerCount; ++layer, y += H9)
        Canvas->TextOut(Len(0.5) + Len(0.25), y, Sheet.LayerCaption(layer) + ": " + Sheet.LayerFolder(layer));
    ColumnHeadings();
}

void TSheetPrinter::ContinuationHeader(std::int32_t page) {
    Canvas->SetFont(kTitleSize, true);
    Canvas->TextOut(Len(0.5), TitleTop, DocumentName);
    TextRight(Metrics.PageWidth - Len(0.5), TitleTop, std::to_string(page));
    ColumnHeadings();
}

void TSheetPrinter::HorizontalLine(std::int32_t y) {
    Canvas->Line(GridLeft, y, GridRight(), y);
}

void TSheetPrinter::VerticalLines(std::int32_t bottom, std::int32_t penWidth) {
    Canvas->SetPenWidth(penWidth);
    Canvas->Line(GridLeft, FirstRowTop, GridLeft, bottom);
    for (std::int32_t layer = 0; layer <= LayerCount; ++layer) {
        const std::int32_t right = ColumnLeft(layer) + ColumnWidth(layer);
        Canvas->Line(right, FirstRowTop, right, bottom);
    }
}

void TSheetPrinter::Row(std::int32_t frame, std::int32_t y) {
    Canvas->SetFont(kBodySize, true);
    TextRight(ColumnLeft(1), y, std::to_string(frame));
    Canvas->SetFont(kBodySize, false);
    for (std::int32_t layer = 1; layer <= LayerCount; ++layer) {
        const TCel* cel = Sheet.CelAt(layer, frame);
        if (!cel)
            continue;
        // A hold that goes on over a page break is named again at the top of the new page.
        if (cel->Row == frame - 1 || y == FirstRowTop) {
            Canvas->TextOut(ColumnLeft(layer) + Inset, y, cel->Name);
        } else {
            const std::int32_t middle = ColumnLeft(layer) + ColumnWidth(layer) / 2;
            Canvas->TextOut(middle - Canvas->TextWidth("|") / 2, y, "|");
        }
    }
    Canvas->SetPenWidth(1);
    HorizontalLine(y);
}

void TSheetPrinter::Print(TPrintCanvas& canvas) {
    Layout(canvas);
    FirstPageHeader();
    const std::int32_t rows = RowsToPrint(Sheet);
    if (rows == 0)
        return;
    canvas.SetPenWidth(1);
    HorizontalLine(GridTop);
    std::int32_t y = FirstRowTop;
    std::int32_t page = 1;
    for (std::int32_t frame = 1; frame <= rows; ++frame) {
        Row(frame, y);
        y += RowHeight;
        HorizontalLine(y);
        // A page is only started when rows remain for it.
        if (y + RowHeight > BottomLimit && frame < rows) {
            VerticalLines(y, 1);
            y = FirstRowTop;
            canvas.NewPage();
            ContinuationHeader(++page);
        }
    }
    VerticalLines(y, 3);
}
