#pragma once

#include <cstdint>
#include <string>

// How the capture window shows earlier frames over the live picture, kept in celwright.ini under
// [onion skin].
struct TOnionSkinSettings {
    static constexpr std::int32_t kMaxFrames = 5;      // onion frames
    static constexpr std::int32_t kMaxPlayFrames = 24; // frames Play with Live shows before live

    bool Enabled = false;
    std::int32_t Opacity = 50; // percent, 0..100
    std::int32_t Frames = 1;   // frames back, 1..kMaxFrames
    bool Difference = false;   // show where live and the last frame differ instead of the frames
    std::int32_t PlayFrames = 6;

    bool operator==(const TOnionSkinSettings&) const = default;
};

// The settings in the file `path`; defaults for a missing file or key, values out of range are
// brought into it.
TOnionSkinSettings LoadOnionSkinSettings(const std::string& path);
// Writes the settings into the file `path`, keeping everything else in it. A file that is there
// but cannot be read is left alone. Throws ECwError when the file cannot be written.
void SaveOnionSkinSettings(const std::string& path, const TOnionSkinSettings& settings);
