#pragma once

#include "print/PrintCanvas.h"

#include <cstdint>
#include <string>

class TSheetDocument;

// Lays out and draws the exposure sheet as a paper X-sheet: a header with the document's name,
// the date and the layers' folders, then a ruled table with one row per frame and one column per
// layer. Each cel's drawing name stands on the frame where the cel starts (and again at the top of
// a page) and "|" marks every further frame it is held. Long sheets go on over further pages,
// each with a short header carrying the page number. Columns that do not fit the paper are cut
// off by the printer.
class TSheetPrinter {
public:
    // `date` is today's date as the user writes it; the document name is shown in the headers.
    TSheetPrinter(const TSheetDocument& sheet, std::string documentName, std::string date);

    // Draws every page on the canvas, whose job the caller has started and ends afterwards.
    void Print(TPrintCanvas& canvas);

    // The rows of the table: up to the last frame any layer's cels cover; 0 without cels.
    static std::int32_t RowsToPrint(const TSheetDocument& sheet);

private:
    // An inch measure in device units; vertical distances use the horizontal resolution too.
    std::int32_t Len(double inches) const;
    std::int32_t ColumnLeft(std::int32_t layer) const; // layer 0 is the frame-number column
    std::int32_t ColumnWidth(std::int32_t layer) const;
    std::int32_t GridRight() const { return ColumnLeft(LayerCount + 1); }
    void Layout(TPrintCanvas& canvas);
    void TextRight(std::int32_t x, std::int32_t y, const std::string& text);
    void FirstPageHeader();
    void ContinuationHeader(std::int32_t page);
    void ColumnHeadings();
    void Row(std::int32_t frame, std::int32_t y);
    void VerticalLines(std::int32_t bottom, std::int32_t penWidth);
    void HorizontalLine(std::int32_t y);

    const TSheetDocument& Sheet;
    std::string DocumentName;
    std::string Date;
    TPrintCanvas* Canvas = nullptr;

    TPrinterMetrics Metrics;
    std::int32_t LayerCount = 0;
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
