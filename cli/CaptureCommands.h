#pragma once

#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

class TXsDocument;
struct TSettings;

// celwright-cli cameras and capture: the cameras, and one capture placed on a sheet.

// Work on an opened sheet with the settings in force; `save` writes the sheet back to its file.
using TCaptureWork =
    std::function<int(TXsDocument& sheet, const TSettings& settings, const std::function<void()>& save)>;
using TCaptureOpener =
    std::function<int(const std::string& path, std::ostream& err, const TCaptureWork& work)>;

extern const char* const kCamerasHelp;
extern const char* const kCaptureHelp;

int RunCameras(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int RunCapture(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
               const TCaptureOpener& open);
