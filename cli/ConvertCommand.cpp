#include "cli/ConvertCommand.h"

#include "cli/CliArguments.h"
#include "base/TextUtil.h"
#include "document/SheetDocument.h"
#include "document/SheetInputs.h"
#include "document/TimesheetExchange.h"
#include "document/XpsFile.h"
#include "settings/Folders.h"
#include "settings/Preferences.h"

#include <filesystem>
#include <ostream>

namespace fs = std::filesystem;

const char* const kConvertHelp = R"(Usage: celwright-cli convert IN OUT

Converts between an exposure sheet (.xps) and an exchange timesheet (.xdts), both ways, by the
files' suffixes. Drawing "7" of the column "Anim" is the cel Anim_0007.png in the layer folder
Anim/ beside the sheet: the number has at least four digits, a letter after it is kept ("12a" is
Anim_0012a.png), the picture format in force from your preferences gives the extension, and a
drawing the folder already holds under another picture extension keeps it. From a sheet, a cel's
number is the number at the end of its file name's stem; the timesheet lasts the sheet's frame
count and has a column per layer, in layer order, named by its caption. Only the cells of the
first time table are read; dialogue and camerawork are neither read nor written.

OUT is replaced in one step and only when complete; a file that is no timesheet or no sheet is
refused with nothing written. Cels the sheet cannot place, cels without a number (from a sheet),
and timesheet values that name no drawing, are left out, each named on stderr with its layer and
frame; the exit status is then 3.
)";

namespace {

enum class TSheetKind { Other, Sheet, Timesheet };

TSheetKind KindOf(const fs::path& path) {
    const std::string suffix = ToLowerAscii(path.extension().string());
    return suffix == ".xps" ? TSheetKind::Sheet : suffix == ".xdts" ? TSheetKind::Timesheet : TSheetKind::Other;
}

int ReportLeftOut(const std::vector<TTimesheetLeftOut>& leftOut, std::ostream& err) {
    for (const TTimesheetLeftOut& item : leftOut)
        err << "Left out: " << DescribeTimesheetLeftOut(item) << '\n';
    return leftOut.empty() ? kCliExitOk : kCliExitLeftOut;
}

int TimesheetToSheetFile(const fs::path& in, const fs::path& out, std::ostream& err) {
    TSettingsManager settings(UserFolder());
    settings.LoadFromFile();
    settings.ResetCurrent();
    TXpsSettings documentSettings;
    settings.GetDocumentSettings(documentSettings);
    TSheetDocument sheet;
    sheet.SetUpdateMode(TSheetDocument::TUpdateMode::Bulk);
    std::vector<TTimesheetLeftOut> leftOut;
    ImportTimesheet(sheet, in, fs::absolute(out).parent_path(), documentSettings.Format, leftOut);
    sheet.SetFps(documentSettings.Fps);
    RefuseSheetInputAsOutput(sheet, in, out);
    TXpsFile::SaveSheet(out, sheet, documentSettings);
    return ReportLeftOut(leftOut, err);
}

} // namespace

int RunConvert(const std::vector<std::string>& args, std::ostream&, std::ostream& err, const TSheetOpener& open) {
    const TArguments parsed = ParseArguments(args, {}, {});
    if (!parsed.Error.empty())
        return UsageError("convert", parsed.Error, kConvertHelp, err);
    if (parsed.Positional.size() != 2)
        return UsageError("convert", "give an input and an output file", kConvertHelp, err);
    const fs::path in = parsed.Positional[0], out = parsed.Positional[1];
    const TSheetKind from = KindOf(in), to = KindOf(out);
    if (from == TSheetKind::Timesheet && to == TSheetKind::Sheet)
        return TimesheetToSheetFile(in, out, err);
    if (from != TSheetKind::Sheet || to != TSheetKind::Timesheet)
        return UsageError("convert", "convert IN.xps OUT.xdts or IN.xdts OUT.xps", kConvertHelp, err);
    return open(in.string(), err, [&](TSheetDocument& sheet, const TSettings&) {
        RefuseSheetInputAsOutput(sheet, in, out);
        std::vector<TTimesheetLeftOut> leftOut;
        ExportTimesheet(sheet, out, leftOut);
        return ReportLeftOut(leftOut, err);
    });
}
