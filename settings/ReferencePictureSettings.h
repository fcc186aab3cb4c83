#pragma once

#include <cstdint>
#include <string>

// The reference picture shown over the live picture of a sheet, kept per sheet in celwright.ini in
// a section [reference picture <hash of the sheet's path>] that names the sheet. Places and sizes
// are in ten-thousandths of the live picture's width and height, so they hold at any live size.
struct TReferencePictureSettings {
    static constexpr std::int32_t kWhole = 10000;

    std::string File;          // the picture's path; empty when the sheet has none
    bool Shown = true;
    std::int32_t Opacity = 50; // percent, 0..100
    bool Difference = false;   // show where live and the picture differ instead of the picture
    std::int32_t CentreX = kWhole / 2;
    std::int32_t CentreY = kWhole / 2;
    std::int32_t Width = kWhole; // the picture's width; its height follows its aspect ratio

    bool operator==(const TReferencePictureSettings&) const = default;
};

// The settings of the sheet `sheetPath` in the file `path`; defaults for a missing file, sheet or
// key; values out of range are brought into it.
TReferencePictureSettings LoadReferencePictureSettings(const std::string& path, const std::string& sheetPath);
// Writes the settings of the sheet into the file `path`, keeping everything else in it; a sheet
// without a reference picture loses its section. Nothing is written for an empty path or sheet
// path, nor into a file that is there but cannot be read. Throws ECwError when the file cannot be
// written.
void SaveReferencePictureSettings(const std::string& path, const std::string& sheetPath,
                                  const TReferencePictureSettings& settings);
// Removes the reference pictures of every sheet from the file `path`; throws ECwError when it
// cannot be written.
void ForgetReferencePictureSettings(const std::string& path);
