#pragma once

#include <cstdint>
#include <string>

// The aspect ratio of the movie the live picture is framed for; the live picture outside it is shaded.
enum class TAspectMask : std::int32_t { amNone, am4x3, am16x9, am185, am239 };

// Width over height of a mask; 0 for amNone.
double AspectRatioOf(TAspectMask mask);

// The guides drawn over a camera's live picture, kept per camera in celwright.ini under
// [live guides: <camera>].
struct TLiveGuideSettings {
    static constexpr std::int32_t kMaxGridLines = 24; // rows or columns of the grid

    bool Grid = false;
    std::int32_t GridRows = 3;              // 1..kMaxGridLines
    std::int32_t GridColumns = 3;           // 1..kMaxGridLines
    std::uint32_t GuideColor = 0xFFFFFF;    // 0xRRGGBB, the grid's, the safe frames' and the cross's
    TAspectMask Mask = TAspectMask::amNone;
    bool TitleSafe = false;
    bool ActionSafe = false;
    bool CentreCross = false;

    bool operator==(const TLiveGuideSettings&) const = default;
};

// The settings of `camera` in the file `path`; defaults for a missing file, camera or key; values
// out of range are brought into it.
TLiveGuideSettings LoadLiveGuideSettings(const std::string& path, const std::string& camera);
// Writes the settings of `camera` into the file `path`, keeping everything else in it. Nothing is
// written for an empty path or camera, nor into a file that is there but cannot be read. Throws
// ECwError when the file cannot be written.
void SaveLiveGuideSettings(const std::string& path, const std::string& camera, const TLiveGuideSettings& settings);
// Removes the guides of every camera from the file `path`; throws ECwError when it cannot be written.
void ForgetLiveGuideSettings(const std::string& path);
