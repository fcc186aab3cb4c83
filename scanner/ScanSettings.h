#pragma once

#include "settings/IniFile.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

// The scanner window's settings as they are saved under a name in "scan.ini": the indexes of its
// four lists and the selection rectangle in preview pixels. An index of -1 stands for a value the
// file held that is not one of the known names.
struct TScanSettings {
    std::int32_t Orientation = 0; // 0 landscape, 1 portrait
    std::int32_t Rotation = 0;    // 0 none, 1 90 clockwise, 2 90 counter-clockwise, 3 180
    std::int32_t ImageSize = 0;   // index in the size table
    std::int32_t ColorMode = 0;   // 0 "Black and White" (grey), 1 "Color"
    std::int32_t ScanRectLeft = 0;
    std::int32_t ScanRectTop = 0;
    std::int32_t ScanRectRight = 0;
    std::int32_t ScanRectBottom = 0;
    bool operator==(const TScanSettings&) const = default;
};

// The Image Size list: item text and target size in pixels (width x height, landscape).
struct TScanSize {
    std::string_view Text;
    std::int32_t Width;
    std::int32_t Height;
};
inline constexpr std::array<TScanSize, 7> kScanSizes{{{"640x480", 640, 480},
                                                      {"320x240", 320, 240},
                                                      {"160x120", 160, 120},
                                                      {"720x540-DV(NTSC)", 720, 540},
                                                      {"360x270-DV(NTSC)", 360, 270},
                                                      {"768x576-DV(PAL)", 768, 576},
                                                      {"384x288-DV(PAL)", 384, 288}}};

// "scan.ini" in the user settings folder.
std::string ScanSettingsPath();

// Writes the eight keys of `settings` into the section `name`, replacing values already there.
void WriteScanSettings(TIniFile& ini, std::string_view name, const TScanSettings& settings);
// Reads the section `name` into `settings`: each key present replaces its field (an unknown name
// gives -1), each absent key leaves its field as it was.
void ReadScanSettings(const TIniFile& ini, std::string_view name, TScanSettings& settings);
