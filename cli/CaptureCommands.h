#pragma once

#include "cli/CliArguments.h"
#include "document/SheetRecords.h"
#include "imaging/Picture.h"

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

class TSheetDocument;
struct TSettings;

// celwright-cli cameras and capture: the cameras, and one capture placed on a sheet.

// Work on an opened sheet with the settings in force; `save` writes the sheet back to its file.
using TCaptureWork =
    std::function<int(TSheetDocument& sheet, const TSettings& settings, const std::function<void()>& save)>;
using TCaptureOpener =
    std::function<int(const std::string& path, std::ostream& err, const TCaptureWork& work)>;

// Where capture and scan put a new picture: the cell, the hold, and the file name's parts; what is
// left out comes from the layer (caption), the frame (padded number) and the preferences.
struct TNewCelPlacement {
    std::int32_t Layer = 0; // 1-based
    std::int32_t Frame = 0; // 1-based
    std::optional<std::int32_t> Hold;
    std::optional<std::string> Name;
    std::optional<std::string> Number;
    std::optional<TcwImageFormat> Format;
    bool Overwrite = false;
};

// Reads the options capture and scan share: --layer, --frame, --hold, --name, --number and
// --overwrite (--format is each command's own usage error). Numbers that are not whole throw the
// number-conversion error.
TNewCelPlacement ReadNewCelPlacement(const TArguments& parsed);
// Throws ECwError when the frame is outside 1 to 1637.
void CheckNewCelFrame(const TNewCelPlacement& placement);

// What else is written beside a new picture, given the layer's folder and the picture's file name.
using TBesidePicture = std::function<void(const std::string& folder, const std::string& fileName)>;

// Checks the placement against the sheet (the layer, its folder, the frame limit, a picture of the
// same name), then writes the picture `produce` makes into the layer's folder as Name_Number (and
// what `beside` writes), places it held for its frames, saves the sheet and prints the picture's
// path on `out`. A new picture is removed again when the sheet cannot take it. Failures throw
// ECwError with the message to show.
int PlaceNewPicture(TSheetDocument& sheet, const TSettings& settings, const std::function<void()>& save,
                    const TNewCelPlacement& placement, bool blackAndWhite,
                    const std::function<TPicture()>& produce, std::ostream& out,
                    const TBesidePicture& beside = {});

extern const char* const kCamerasHelp;
extern const char* const kCaptureHelp;

int RunCameras(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int RunCapture(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
               const TCaptureOpener& open);
