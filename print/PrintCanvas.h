#pragma once

#include <cstdint>
#include <string>

// What the sheet printer needs of a printer, in the printer's device units.
struct TPrinterMetrics {
    std::int32_t Resolution = 0; // dots per inch across
    std::int32_t PageWidth = 0;  // the printable area
    std::int32_t PageHeight = 0;
    std::int32_t PhysicalWidth = 0; // the whole sheet of paper
    std::int32_t PhysicalHeight = 0;
    std::int32_t OffsetX = 0; // the unprintable margin at the left and top
    std::int32_t OffsetY = 0;
};

// A printer's page as the sheet printer draws on it: text in one font at a time, straight lines
// and page breaks. Coordinates are device units from the top-left of the printable area; text is
// placed by the top-left corner of its line.
class TPrintCanvas {
public:
    virtual ~TPrintCanvas() = default;

    virtual TPrinterMetrics Metrics() const = 0;
    virtual void SetFont(std::int32_t pointSize, bool bold) = 0;
    // Height of a line of the current font.
    virtual std::int32_t TextHeight() const = 0;
    virtual std::int32_t TextWidth(const std::string& text) const = 0;
    virtual void TextOut(std::int32_t x, std::int32_t y, const std::string& text) = 0;
    virtual void SetPenWidth(std::int32_t width) = 0;
    virtual void Line(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2) = 0;
    virtual void NewPage() = 0;
};
