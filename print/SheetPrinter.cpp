#include "print/SheetPrinter.h"

#include "document/SheetDocument.h"
#include "print/PrintCanvas.h"

#include <algorithm>
#include <cmath>
#include <filesystem>

namespace {
constexpr std::int32_t kBodySize = 9;
constexpr std::int32_t kTitleSize = 12;
constexpr double kFrameColumnWidth = 0.5; // inches
constexpr double kDialogueColumnWidth = 0.75;
constexpr double kLayerColumnWidth = 1.5;

std::int32_t LastPhonemeFrame(const TSheetDocument& sheet) {
    for (std::int32_t frame = sheet.AudioRows(); frame >= 1; --frame) {
        if (!sheet.Phoneme(frame).empty())
            return frame;
    }
    return 0;
}
} // namespace

TSheetPrinter::TSheetPrinter(const TSheetDocument& sheet, std::string documentName, std::string date)
    : Sheet(sheet), DocumentName(std::move(documentName)), Date(std::move(date)) {}

std::int32_t TSheetPrinter::RowsToPrint(const TSheetDocument& sheet) {
    std::int32_t rows = LastPhonemeFrame(sheet);
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

std::int32_t TSheetPrinter::DialogueLeft() const {
    return GridLeft + Len(kFrameColumnWidth);
}

std::int32_t TSheetPrinter::LayersLeft() const {
    return DialogueLeft() + (HasDialogue ? Len(kDialogueColumnWidth) : 0);
}

std::int32_t TSheetPrinter::ColumnLeft(std::int32_t layer) const {
    return LayersLeft() + (layer - FirstLayer) * Len(kLayerColumnWidth);
}

void TSheetPrinter::Layout(TPrintCanvas& canvas) {
    Canvas = &canvas;
    Metrics = canvas.Metrics();
    LayerCount = Sheet.LayerCount();
    HasDialogue = LastPhonemeFrame(Sheet) > 0;
    canvas.SetFont(kTitleSize, true);
    H12 = canvas.TextHeight();
    canvas.SetFont(kBodySize, false);
    H9 = canvas.TextHeight();
    RowHeight = H9 + static_cast<std::int32_t>(std::lround(H9 * 0.1));
    Inset = Len(0.063);
    TitleTop = Len(0.5) - Metrics.OffsetY;
    GridLeft = Len(0.75) - Metrics.OffsetX;
    // The sound file's line follows the layer list.
    GridTop = TitleTop + H12 + (LayerCount + 3 + (HasDialogue ? 1 : 0)) * H9;
    FirstRowTop = GridTop + 1;
    BottomLimit = Metrics.PhysicalHeight - Len(0.75) - Metrics.OffsetY;
    LayersPerPage = std::max(1, (Metrics.PageWidth - LayersLeft()) / std::max(1, Len(kLayerColumnWidth)));
    PagesAcross = LayerCount <= LayersPerPage ? 1 : (LayerCount + LayersPerPage - 1) / LayersPerPage;
    FirstLayer = 1;
    LastLayer = std::min(LayerCount, LayersPerPage);
}

void TSheetPrinter::TextRight(std::int32_t x, std::int32_t y, const std::string& text) {
    Canvas->TextOut(x - Len(0.1) - Canvas->TextWidth(text), y, text);
}

std::string TSheetPrinter::PageText(std::int32_t page) const {
    if (PagesAcross == 1)
        return std::to_string(page);
    return "page " + std::to_string(page) + " of " + std::to_string(PageCount) + ", layers " +
           std::to_string(FirstLayer) + " to " + std::to_string(LastLayer);
}

void TSheetPrinter::ColumnHeadings() {
    Canvas->SetFont(kBodySize, false);
    if (HasDialogue)
        Canvas->TextOut(DialogueLeft() + Inset, GridTop - RowHeight, "Dialogue");
    for (std::int32_t layer = FirstLayer; layer <= LastLayer; ++layer)
        Canvas->TextOut(ColumnLeft(layer) + Inset, GridTop - RowHeight, Sheet.LayerCaption(layer));
}

void TSheetPrinter::FirstPageHeader() {
    Canvas->SetFont(kTitleSize, true);
    Canvas->TextOut(Len(0.5), TitleTop, DocumentName + " - Celwright Exposure Sheet");
    TextRight(Metrics.PageWidth - Len(0.5), TitleTop, Date);
    Canvas->SetFont(kBodySize, false);
    if (PagesAcross > 1)
        TextRight(Metrics.PageWidth - Len(0.5), TitleTop + H12, PageText(1));
    std::int32_t y = TitleTop + H12 + H9;
    for (std::int32_t layer = 1; layer <= LayerCount; ++layer, y += H9)
        Canvas->TextOut(Len(0.5) + Len(0.25), y, Sheet.LayerCaption(layer) + ": " + Sheet.LayerFolder(layer));
    const std::string sound = Sheet.StoredAudioFileName();
    if (HasDialogue && !sound.empty())
        Canvas->TextOut(Len(0.5) + Len(0.25), y, "Sound: " + std::filesystem::path(sound).filename().string());
    ColumnHeadings();
}

void TSheetPrinter::ContinuationHeader(std::int32_t page) {
    Canvas->SetFont(kTitleSize, true);
    Canvas->TextOut(Len(0.5), TitleTop, DocumentName);
    TextRight(Metrics.PageWidth - Len(0.5), TitleTop, PageText(page));
    ColumnHeadings();
}

void TSheetPrinter::HorizontalLine(std::int32_t y) {
    Canvas->Line(GridLeft, y, GridRight(), y);
}

void TSheetPrinter::VerticalLines(std::int32_t bottom, std::int32_t penWidth) {
    Canvas->SetPenWidth(penWidth);
    std::vector<std::int32_t> edges{GridLeft, DialogueLeft()};
    if (HasDialogue)
        edges.push_back(LayersLeft());
    for (std::int32_t layer = FirstLayer; layer <= LastLayer; ++layer)
        edges.push_back(ColumnLeft(layer + 1));
    for (const std::int32_t x : edges)
        Canvas->Line(x, FirstRowTop, x, bottom);
}

void TSheetPrinter::Row(std::int32_t frame, std::int32_t y) {
    Canvas->SetFont(kBodySize, true);
    TextRight(DialogueLeft(), y, std::to_string(frame));
    Canvas->SetFont(kBodySize, false);
    if (HasDialogue && !Sheet.Phoneme(frame).empty())
        Canvas->TextOut(DialogueLeft() + Inset, y, Sheet.Phoneme(frame));
    for (std::int32_t layer = FirstLayer; layer <= LastLayer; ++layer) {
        const TCel* cel = Sheet.CelAt(layer, frame);
        if (!cel)
            continue;
        // A hold that goes on over a page break is named again at the top of the new page.
        if (cel->Row == frame - 1 || y == FirstRowTop) {
            Canvas->TextOut(ColumnLeft(layer) + Inset, y, cel->Name);
        } else {
            const std::int32_t middle = ColumnLeft(layer) + Len(kLayerColumnWidth) / 2;
            Canvas->TextOut(middle - Canvas->TextWidth("|") / 2, y, "|");
        }
    }
    Canvas->SetPenWidth(1);
    HorizontalLine(y);
}

void TSheetPrinter::Band(std::int32_t first, std::int32_t last, bool lastPage) {
    Canvas->SetPenWidth(1);
    HorizontalLine(GridTop);
    std::int32_t y = FirstRowTop;
    for (std::int32_t frame = first; frame <= last; ++frame) {
        Row(frame, y);
        y += RowHeight;
        HorizontalLine(y);
    }
    VerticalLines(y, lastPage ? 3 : 1);
}

void TSheetPrinter::Print(TPrintCanvas& canvas) {
    Layout(canvas);
    const std::int32_t rows = RowsToPrint(Sheet);
    const std::int32_t rowsPerPage = std::max(1, (BottomLimit - FirstRowTop) / std::max(1, RowHeight));
    const std::int32_t bands = std::max(1, (rows + rowsPerPage - 1) / rowsPerPage);
    PageCount = bands * PagesAcross;
    FirstPageHeader();
    if (rows == 0)
        return;
    // Pages go across first, so the pages of one stretch of frames lie side by side.
    std::int32_t page = 1;
    for (std::int32_t band = 0; band < bands; ++band) {
        for (std::int32_t across = 0; across < PagesAcross; ++across, ++page) {
            FirstLayer = across * LayersPerPage + 1;
            LastLayer = std::min(LayerCount, FirstLayer + LayersPerPage - 1);
            if (page > 1) {
                canvas.NewPage();
                ContinuationHeader(page);
            }
            const std::int32_t first = band * rowsPerPage + 1;
            Band(first, std::min(rows, first + rowsPerPage - 1), page == PageCount);
        }
    }
}
