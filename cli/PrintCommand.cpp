#include "cli/PrintCommand.h"

#include "cli/CliArguments.h"
#include "base/TextUtil.h"
#include "print/SheetPrinting.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <memory>
#include <optional>
#include <ostream>

const char* const kPrintHelp = R"(Usage: celwright-cli print SHEET.xps OUT.pdf [--paper A4|Letter]

Prints the exposure sheet as Celwright's Print command does, into the PDF file OUT.pdf: the
header with the sheet's file name, today's date and the layers' folders, then one row per frame
up to the last frame a cel covers, over as many pages as it takes. A sheet with phonemes gets a
dialogue column left of the layers and its sound file named in the header. Layers that do not fit
the paper's width go on over pages beside, the frame column repeated and each such page headed
"page 2 of 6, layers 6 to 10". The text in the PDF is text, so it can be searched and copied.
OUT.pdf is replaced only when the printout is complete; one that is the sheet, its sound file or
one of its drawings is refused, and nothing is written. Cels that cannot be placed on a sheet (no
first frame, a hold below 1 frame, or passing frame 1637) are left out, each named on stderr; the
sheet is printed without them and the exit status is then 3.

  --paper P       A4 or Letter (default Letter)
)";

namespace {

std::optional<QPageSize> ParsePaper(const std::string& text) {
    const std::string name = ToLowerAscii(text);
    if (name == "a4")
        return QPageSize(QPageSize::A4);
    if (name == "letter")
        return QPageSize(QPageSize::Letter);
    return std::nullopt;
}

// Fonts and the printer need a GUI application; without a display it draws off screen.
std::unique_ptr<QGuiApplication> HeadlessApplication() {
    if (QCoreApplication::instance())
        return nullptr;
    static char name[] = "celwright-cli";
    static char platform[] = "-platform";
    static char offscreen[] = "offscreen";
    // The application takes the options it understands out of argc and argv, so both are set
    // afresh for each one a process makes (a second print in one process must draw off screen too).
    static int argc;
    static char* argv[4];
    argc = 3;
    argv[0] = name;
    argv[1] = platform;
    argv[2] = offscreen;
    argv[3] = nullptr;
    return std::make_unique<QGuiApplication>(argc, argv);
}

} // namespace

int RunPrint(const std::vector<std::string>& args, std::ostream&, std::ostream& err,
             const TSheetOpener& open) {
    const TArguments parsed = ParseArguments(args, {"--paper"}, {});
    std::optional<QPageSize> paper = QPageSize(QPageSize::Letter);
    if (parsed.Error.empty() && parsed.Values.count("--paper"))
        paper = ParsePaper(parsed.Values.at("--paper"));
    if (!parsed.Error.empty() || parsed.Positional.size() != 2 || !paper) {
        if (!parsed.Error.empty())
            err << "celwright-cli print: " << parsed.Error << "\n\n";
        else if (!paper)
            err << "celwright-cli print: --paper is A4 or Letter\n\n";
        err << kPrintHelp;
        return kCliExitUsage;
    }
    const std::string& sheetPath = parsed.Positional[0];
    const QString pdfPath = QString::fromStdString(parsed.Positional[1]);
    const auto application = HeadlessApplication();
    return open(sheetPath, err, [&](TSheetDocument& sheet, const TSettings&) {
        // The document's name as the main window shows it: the sheet's file name.
        const QString name = QFileInfo(QString::fromStdString(sheetPath)).fileName();
        PrintSheetToPdf(sheet, name, pdfPath, *paper, sheetPath);
        return kCliExitOk;
    });
}
