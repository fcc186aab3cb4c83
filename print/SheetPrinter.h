#pragma once

#include "print/PrintCanvas.h"

#include <cstdint>
#include <string>

class TSheetDocument;

// Lays out and draws the exposure sheet as a paper X-sheet: a header with the document's name,
// the date and the layers' folders, then a ruled table with one row per frame and one column per
// layer. Each cel's drawing name stands on the frame where the cel starts (and again at the top of
// a page) and "|" marks every further frame it is held. A sheet with phonemes gets a dialogue
// column left of the layers and its sound file named in the header. Long sheets go on over further
// pages, each with a short header carrying the page number; layers that do not fit the paper's
// width go on over pages beside them, the frame and dialogue columns repeated.
class TSheetPrinter {
public:
    // `date` is today's date as the user writes it; the document name is shown in the headers.
    TSheetPrinter(const TSheetDocument& sheet, std::string documentName, std::string date);

    // Draws every page on the canvas, whose job the caller has started and ends afterwards.
    void Print(TPrintCanvas& canvas);

    // The rows of the table: up to the last frame any layer's cels cover or a phoneme stands on; 0
    // without either.
    static std::int32_t RowsToPrint(const TSheetDocument& sheet);

private:
    // An inch measure in device units; vertical distances use the horizontal resolution too.
    std::int32_t Len(double inches) const;
    // Left edge of a layer's column on the page (from FirstLayer to one past LastLayer).
    std::int32_t ColumnLeft(std::int32_t layer) const;
    std::int32_t DialogueLeft() const;
    std::int32_t LayersLeft() const;
    std::int32_t GridRight() const { return ColumnLeft(LastLayer + 1); }
    void Layout(TPrintCanvas& canvas);
    void TextRight(std::int32_t x, std::int32_t y, const std::string& text);
    // "2", or on a sheet whose layers span pages "page 2 of 6, layers 6 to 10".
    std::string PageText(std::int32_t page) const;
    void FirstPageHeader();
    void ContinuationHeader(std::int32_t page);
    void ColumnHeadings();
    void Row(std::int32_t frame, std::int32_t y);
    void VerticalLines(std::int32_t bottom, std::int32_t penWidth);
    void HorizontalLine(std::int32_t y);
    // Draws rows first..last of the layers in [FirstLayer, LastLayer] on the current page.
    void Band(std::int32_t first, std::int32_t last, bool lastPage);

    const TSheetDocument& Sheet;
    std::string DocumentName;
    std::string Date;
    TPrintCanvas* Canvas = nullptr;

    TPrinterMetrics Metrics;
    std::int32_t LayerCount = 0;
    bool HasDialogue = false;
    std::int32_t LayersPerPage = 1;
    std::int32_t PagesAcross = 1;
    std::int32_t PageCount = 1;
    std::int32_t FirstLayer = 1; // the layers of the page being drawn
    std::int32_t LastLayer = 0;
    std::int32_t H9 = 0;
    std::int32_t H12 = 0;
    std::int32_t RowHeight = 0;
    std::int32_t Inset = 0;
    std::int32_t TitleTop = 0;
    std::int32_t GridLeft = 0;
    std::int32_t GridTop = 0;
    std::int32_t FirstRowTop = 0;
    std::int32_t BottomLimit = 0;
};
