#pragma once

#include <QPageSize>
#include <QString>
#include <filesystem>
#include <functional>

class QPrinter;
class QWidget;
class TSheetDocument;

// Today's date in the short date format of the user's locale.
QString ShortDateToday();

// Prints the exposure sheet on a printer the caller has set up (a printer or a PDF file): one
// print job with every page. Throws ECwError when the printer fails.
void PrintSheet(const TSheetDocument& sheet, const QString& documentName, QPrinter& printer);

// Writes the printout as a PDF file on the given paper. The file is replaced in one step: when
// printing fails, an existing file is left as it was. Throws ECwError naming the file, also when it
// is the sheet file `sheetFile`, its sound file or one of its drawings.
void PrintSheetToPdf(const TSheetDocument& sheet, const QString& documentName, const QString& path,
                     const QPageSize& paper, const std::filesystem::path& sheetFile);

// The Print command: the print dialog, then the printout on the chosen printer, or into a PDF file
// when the user picks one in the dialog. Without any printer installed, `askPdfPath` asks where to
// write the PDF instead (an empty answer prints nothing). Cancelling prints nothing.
void RunPrintCommand(QWidget* parent, const TSheetDocument& sheet, const QString& documentName,
                     const std::filesystem::path& sheetFile, const std::function<QString()>& askPdfPath);
