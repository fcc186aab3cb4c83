#include "document/TimesheetExchange.h"

#include "base/TextUtil.h"
#include "document/SheetDocument.h"
#include "document/SheetLoading.h"

#include <algorithm>

namespace fs = std::filesystem;

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

} // namespace

std::string DescribeTimesheetLeftOut(const TTimesheetLeftOut& item) {
    return DescribeLeftOutCel({.Name = item.Name, .Layer = item.Layer, .Frame = item.Frame}, item.Reason);
}

std::string CelDrawingNumber(std::string_view celName) {
    std::string_view stem = celName.substr(0, celName.rfind('.'));
    std::size_t end = stem.size();
    if (end > 0 && stem[end - 1] >= 'a' && stem[end - 1] <= 'z')
        --end;
    std::size_t start = end;
    while (start > 0 && IsDigit(stem[start - 1]))
        --start;
    if (start == end)
        return {};
    return DrawingNumber(stem.substr(start));
}

std::string ColumnFolderName(std::string_view column, std::size_t index) {
    std::string name(column);
    for (char& c : name) {
        if (c == '/' || c == '\\' || static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            c = '_';
    }
    // A sheet cannot store '"' in a folder; its writer would turn it into this.
    std::replace(name.begin(), name.end(), '"', '\'');
    if (name.find_first_not_of('.') == std::string::npos)
        return "Column " + std::to_string(index + 1);
    return name;
}

std::string DrawingCelName(const fs::path& layerFolder, std::string_view folderName, std::string_view drawing,
                           TcwImageFormat format) {
    const std::size_t digits =
        static_cast<std::size_t>(std::find_if_not(drawing.begin(), drawing.end(), IsDigit) - drawing.begin());
    const std::string stem = std::string(folderName) + "_" + std::string(digits < 4 ? 4 - digits : 0, '0') +
                             std::string(drawing);
    const std::string wanted = stem + "." + std::string(ImageFormatName(format));
    std::error_code error;
    if (fs::exists(layerFolder / wanted, error))
        return wanted;
    for (const char* extension : {".png", ".jpg", ".jpeg", ".bmp"}) {
        if (fs::is_regular_file(layerFolder / (stem + extension), error))
            return stem + extension;
    }
    return wanted;
}

TTimesheet SheetToTimesheet(const TSheetDocument& document, std::vector<TTimesheetLeftOut>& leftOut) {
    TTimesheet timesheet;
    const std::int32_t frames = document.FrameCount();
    timesheet.Duration = std::max(frames, 1);
    for (std::int32_t layer = 1; layer <= document.LayerCount(); ++layer) {
        TTimesheetColumn& column = timesheet.Columns.emplace_back();
        column.Name = document.LayerCaption(layer);
        for (std::int32_t frame = 1; frame <= frames; ++frame) {
            const TCel* cel = document.CelAt(layer, frame);
            if (!cel || cel->Row != frame - 1)
                continue;
            std::string number = CelDrawingNumber(cel->Name);
            if (number.empty())
                leftOut.push_back({cel->Name, layer, frame, "no number at the end of its name"});
            else
                column.Exposures.push_back(
                    {frame - 1, std::min(cel->Duration, frames - frame + 1), std::move(number)});
        }
    }
    return timesheet;
}

void TimesheetToSheet(const TTimesheet& timesheet, TSheetDocument& document, const fs::path& sheetFolder,
                      TcwImageFormat format, std::vector<TTimesheetLeftOut>& leftOut) {
    document.ClearSheet();
    for (std::size_t index = 0; index < timesheet.Columns.size(); ++index) {
        const TTimesheetColumn& column = timesheet.Columns[index];
        const std::string folderName = ColumnFolderName(column.Name, index);
        const fs::path folder = sheetFolder / folderName;
        document.AddLayer(column.Name, FolderPath(folder.string()), document.DefaultColors);
        const auto layer = static_cast<std::int32_t>(index + 1);
        for (const TTimesheetExposure& exposure : column.Exposures)
            document.PlaceCelAt(layer, exposure.Frame + 1, DrawingCelName(folder, folderName, exposure.Drawing, format),
                                exposure.Duration);
    }
    if (document.LayerCount() > 0 && document.FrameCount() < timesheet.Duration)
        document.AddFrames(timesheet.Duration - document.FrameCount());
    for (const TTimesheetOddValue& odd : timesheet.OddValues)
        leftOut.push_back({odd.Value, odd.Column + 1, odd.Frame + 1, "names no drawing"});
    if (document.LayerCount() > 0)
        document.SelectCell(1, 1);
}

TTimesheet ReadTimesheetFile(const fs::path& file) {
    std::error_code error;
    if (fs::is_regular_file(file, error) && fs::file_size(file, error) > TXdtsFile::kMaxFileSize)
        throw TSheetLoadError(file, "The file is too large for a timesheet.", "");
    const std::optional<std::string> bytes = ReadFileBytes(file);
    if (!bytes)
        throw TSheetLoadError(file, "The file cannot be read.", "");
    try {
        return TXdtsFile::Read(*bytes);
    } catch (const ECwError& failure) {
        throw TSheetLoadError(file, std::string("This is no timesheet: ") + failure.what() + ".", "");
    }
}

void ImportTimesheet(TSheetDocument& document, const fs::path& file, const fs::path& sheetFolder,
                     TcwImageFormat format, std::vector<TTimesheetLeftOut>& leftOut) {
    TimesheetToSheet(ReadTimesheetFile(file), document, sheetFolder, format, leftOut);
}

void ExportTimesheet(const TSheetDocument& document, const fs::path& file, std::vector<TTimesheetLeftOut>& leftOut) {
    TTimesheet timesheet = SheetToTimesheet(document, leftOut);
    timesheet.Name = file.stem().string();
    WriteFileAtomically(file, TXdtsFile::Text(timesheet));
}
