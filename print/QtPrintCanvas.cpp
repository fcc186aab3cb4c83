#include "print/QtPrintCanvas.h"

#include "base/Error.h"

#include <QFontMetrics>
#include <QPrinter>

namespace {
QString PrinterName(const QPrinter& printer) {
    return printer.outputFormat() == QPrinter::PdfFormat ? printer.outputFileName() : printer.printerName();
}
} // namespace

TQtPrintCanvas::TQtPrintCanvas(QPrinter& printer) : Printer(printer) {
    if (!Painter.begin(&Printer))
        throw ECwError("Cannot start printing on \"" + PrinterName(Printer).toStdString() + "\".");
    Painter.setRenderHint(QPainter::TextAntialiasing);
}

void TQtPrintCanvas::EndJob() {
    if (!Painter.end() || Printer.printerState() == QPrinter::Error)
        throw ECwError("Printing on \"" + PrinterName(Printer).toStdString() + "\" failed.");
}

TPrinterMetrics TQtPrintCanvas::Metrics() const {
    const int resolution = Printer.resolution();
    const QRect paper = Printer.paperRect(QPrinter::DevicePixel).toRect();
    const QRect page = Printer.pageRect(QPrinter::DevicePixel).toRect();
    TPrinterMetrics metrics;
    metrics.Resolution = resolution;
    metrics.PageWidth = page.width();
    metrics.PageHeight = page.height();
    metrics.PhysicalWidth = paper.width();
    metrics.PhysicalHeight = paper.height();
    metrics.OffsetX = page.left() - paper.left();
    metrics.OffsetY = page.top() - paper.top();
    return metrics;
}

void TQtPrintCanvas::SetFont(std::int32_t pointSize, bool bold) {
    QFont font = Painter.font();
    font.setStyleHint(QFont::SansSerif);
    // Ligatures would turn "fl" in a drawing's name into one glyph, which a PDF search does not find.
    font.setStyleStrategy(QFont::PreferNoShaping);
    // Point sizes follow the printer's resolution, so text keeps its size at any dpi.
    font.setPointSize(pointSize);
    font.setBold(bold);
    Painter.setFont(font);
}

std::int32_t TQtPrintCanvas::TextHeight() const {
    return Painter.fontMetrics().height();
}

std::int32_t TQtPrintCanvas::TextWidth(const std::string& text) const {
    return Painter.fontMetrics().horizontalAdvance(QString::fromStdString(text));
}

void TQtPrintCanvas::TextOut(std::int32_t x, std::int32_t y, const std::string& text) {
    Painter.drawText(x, y + Painter.fontMetrics().ascent(), QString::fromStdString(text));
}

void TQtPrintCanvas::SetPenWidth(std::int32_t width) {
    QPen pen(Qt::black);
    pen.setWidth(width);
    Painter.setPen(pen);
}

void TQtPrintCanvas::Line(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2) {
    Painter.drawLine(x1, y1, x2, y2);
}

void TQtPrintCanvas::NewPage() {
    if (!Printer.newPage())
        throw ECwError("Cannot start a new page on \"" + PrinterName(Printer).toStdString() + "\".");
}
