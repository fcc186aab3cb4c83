#include "print/SheetPrinting.h"

#include "base/Error.h"
#include "base/TemporaryFolders.h"
#include "base/TextUtil.h"
#include "document/SheetInputs.h"
#include "print/QtPrintCanvas.h"
#include "print/SheetPrinter.h"

#include <QDate>
#include <QDir>
#include <QLocale>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTemporaryDir>

QString ShortDateToday() {
    return QLocale().toString(QDate::currentDate(), QLocale::ShortFormat);
}

void PrintSheet(const TSheetDocument& sheet, const QString& documentName, QPrinter& printer) {
    TQtPrintCanvas canvas(printer);
    TSheetPrinter(sheet, documentName.toStdString(), ShortDateToday().toStdString()).Print(canvas);
    canvas.EndJob();
}

void PrintSheetToPdf(const TSheetDocument& sheet, const QString& documentName, const QString& path,
                     const QPageSize& paper, const std::filesystem::path& sheetFile) {
    RefuseSheetInputAsOutput(sheet, sheetFile, path.toStdString());
    // The printer writes its file as it goes; it writes a private copy, which then replaces the
    // target in one step.
    const QTemporaryDir work(QDir::tempPath() + "/" + QString::fromStdString(TemporaryFolderPrefix()) + "XXXXXX");
    if (!work.isValid())
        throw ECwError("Cannot write \"" + path.toStdString() + "\": no temporary folder for the printout.");
    const QString draft = work.filePath("printout.pdf");
    {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(draft);
        printer.setPageSize(paper);
        printer.setDocName(documentName);
        PrintSheet(sheet, documentName, printer);
    }
    const auto bytes = ReadFileBytes(draft.toStdString());
    if (!bytes)
        throw ECwError("Cannot write \"" + path.toStdString() + "\": the printout could not be made.");
    WriteFileAtomically(path.toStdString(), *bytes);
}

void RunPrintCommand(QWidget* parent, const TSheetDocument& sheet, const QString& documentName,
                     const std::filesystem::path& sheetFile, const std::function<QString()>& askPdfPath) {
    if (QPrinterInfo::availablePrinters().isEmpty()) {
        const QString path = askPdfPath();
        if (!path.isEmpty())
            PrintSheetToPdf(sheet, documentName, path, QPageSize(QPageSize::Letter), sheetFile);
        return;
    }
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(documentName);
    QPrintDialog dialog(&printer, parent);
    // The whole sheet is always printed.
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    if (dialog.exec() != QDialog::Accepted)
        return;
    if (printer.outputFormat() == QPrinter::PdfFormat)
        PrintSheetToPdf(sheet, documentName, printer.outputFileName(), printer.pageLayout().pageSize(),
                        sheetFile);
    else
        PrintSheet(sheet, documentName, printer);
}
