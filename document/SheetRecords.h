#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Records and enumerations shared by the sheet, the XPS reader and the preferences.
// Frames and layers in these records count from 1, as in the file.

// File format of captured images; files and settings store the value's name.
enum class TcwImageFormat : std::uint8_t { png = 0, jpg = 1, bmp = 2 };

// "png", "jpg" or "bmp".
std::string_view ImageFormatName(TcwImageFormat format);
// The format whose name matches `name` regardless of letter case; nothing for any other text.
std::optional<TcwImageFormat> ImageFormatFromName(std::string_view name);

// The frame rates a sheet can have; a file's rate outside them reads as the caller's.
inline constexpr std::int32_t kMinFps = 1;
inline constexpr std::int32_t kMaxFps = 120;
inline constexpr bool IsFrameRate(std::int64_t fps) {
    return fps >= kMinFps && fps <= kMaxFps;
}

// The settings a sheet carries with it.
struct TXpsSettings {
    std::int32_t Fps = 24;
    std::int32_t Step = 2;                // image hold for captured and dropped images
    std::string Numbering = "sequential"; // "frame" or "sequential"
    std::int32_t Color = 0;               // scheme index for new layers: 0 Orange, 1 Blue, 2 Green
    TcwImageFormat Format = TcwImageFormat::png;
    std::string Path; // default storage folder for images
};

struct TCelData {
    std::string Caption;       // the cel's image file name
    std::int32_t Duration = 0; // frames held; -1 when missing from the file
    std::int32_t Col = 0;      // layer number as stored; not used when loading
    std::int32_t Row = 0;      // first frame, 1-based; -1 when missing from the file
};

struct TLayerData {
    std::int32_t Col = 0; // layer number as stored; not used when loading
    std::string Caption;
    std::string Dir; // image folder, ending with the path separator
    std::int32_t CelCount = 0;
    std::int32_t Color = 0;   // scheme index; -1 when missing from the file
    std::int32_t Visible = 1; // 0 hidden, any other value visible
    std::vector<TCelData> Cels;
};

using TLayersData = std::vector<TLayerData>;

struct TPhonemeData {
    std::string Text;
    std::int32_t Row = 0; // frame, 1-based
};

struct TAudioInfo {
    std::string AudioFile;
    std::string Reserved; // always left empty by the reader
    std::vector<TPhonemeData> Phonemes;
};
