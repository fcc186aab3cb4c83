#pragma once

#include "print/PrintCanvas.h"

#include <QFont>
#include <QPainter>

class QPrinter;

// The printer canvas over Qt's printer: text is drawn as text, so a PDF printout stays selectable
// and searchable.
class TQtPrintCanvas : public TPrintCanvas {
public:
    // Starts the print job; throws ECwError when the printer cannot start one.
    explicit TQtPrintCanvas(QPrinter& printer);
    // Ends the print job; throws ECwError when the printer reports a failure.
    void EndJob();

    TPrinterMetrics Metrics() const override;
    void SetFont(std::int32_t pointSize, bool bold) override;
    std::int32_t TextHeight() const override;
    std::int32_t TextWidth(const std::string& text) const override;
    void TextOut(std::int32_t x, std::int32_t y, const std::string& text) override;
    void SetPenWidth(std::int32_t width) override;
    void Line(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2) override;
    void NewPage() override;

private:
    QPrinter& Printer;
    QPainter Painter;
};
