#pragma once

#include "document/SheetRecords.h"
#include "document/XdtsFile.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

class TSheetDocument;

// The sheet and the exchange timesheet (.xdts) into each other. Naming rule, both ways: drawing
// "7" of the column "Anim" is the cel "Anim_0007.png" in the layer folder "Anim/" beside the sheet.

// A cel or a cell value that has no place on the other side; layer and frame count from 1.
struct TTimesheetLeftOut {
    std::string Name;
    std::int32_t Layer = 0;
    std::int32_t Frame = 0;
    std::string Reason;
};

// "walk.png, layer 2, frame 5: no number at the end of its name".
std::string DescribeTimesheetLeftOut(const TTimesheetLeftOut& item);

// The number at the end of a cel name's stem, leading zeros dropped, with one lower-case letter
// after it kept: "Anim_0012a.png" gives "12a". Empty when the stem ends in no number.
std::string CelDrawingNumber(std::string_view celName);

// A column name as a folder name: folder separators and control characters become "_", and a
// name of only dots or none at all becomes "Column N" (N counted from 1).
std::string ColumnFolderName(std::string_view column, std::size_t index);

// The cel name of a drawing: the column's folder name, "_", the number padded to four digits with
// its letter, and the extension of `format`; when the layer folder holds that drawing under another
// picture extension, that file's name.
std::string DrawingCelName(const std::filesystem::path& layerFolder, std::string_view folderName,
                           std::string_view drawing, TcwImageFormat format);

// The sheet as a timesheet: a column per layer in layer order, named by its caption, lasting the
// sheet's frame count. Cels without a number are left out and listed in `leftOut`.
TTimesheet SheetToTimesheet(const TSheetDocument& document, std::vector<TTimesheetLeftOut>& leftOut);

// Replaces the document's sheet with the timesheet: a layer per column, its folder in
// `sheetFolder`, and at least as many frames as the timesheet lasts. Values that name no drawing
// are listed in `leftOut`. The frame rate stays as it was.
void TimesheetToSheet(const TTimesheet& timesheet, TSheetDocument& document,
                      const std::filesystem::path& sheetFolder, TcwImageFormat format,
                      std::vector<TTimesheetLeftOut>& leftOut);

// Reads a timesheet file. Throws TSheetLoadError "FILE: WHAT IS WRONG" when it cannot be read or
// is no timesheet.
TTimesheet ReadTimesheetFile(const std::filesystem::path& file);

// Reads the file into the document as TimesheetToSheet does. Throws as ReadTimesheetFile; the
// document is then as it was.
void ImportTimesheet(TSheetDocument& document, const std::filesystem::path& file,
                     const std::filesystem::path& sheetFolder, TcwImageFormat format,
                     std::vector<TTimesheetLeftOut>& leftOut);

// Writes the sheet as a timesheet file, replacing it in one step; the time table is named after
// the file. Throws ECwError naming the file when it cannot be written.
void ExportTimesheet(const TSheetDocument& document, const std::filesystem::path& file,
                     std::vector<TTimesheetLeftOut>& leftOut);
