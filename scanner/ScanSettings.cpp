#include "scanner/ScanSettings.h"

#include "settings/Folders.h"

namespace {

constexpr std::array<std::string_view, 2> kOrientations{"landscape", "portrait"};
constexpr std::array<std::string_view, 4> kRotations{"none", "r90clock", "r90cclock", "r180clock"};
constexpr std::array<std::string_view, 7> kSizes{"res640x480", "res320x240", "res160x120", "NtscDvFull",
                                                 "NtscDvHalf", "PalDvFull",  "PalDvHalf"};
// Stored files name the colour modes by index, not by meaning: index 0 ("Black and White") is
// "ccmColor" and index 1 ("Color") is "ccmBw".
constexpr std::array<std::string_view, 2> kColorModes{"ccmColor", "ccmBw"};

template <std::size_t N>
void WriteName(TIniFile& ini, std::string_view section, std::string_view key,
               const std::array<std::string_view, N>& names, std::int32_t index) {
    if (index >= 0 && index < static_cast<std::int32_t>(N))
        ini.WriteString(section, key, names[static_cast<std::size_t>(index)]);
    else
        ini.WriteString(section, key, "");
}

template <std::size_t N>
void ReadName(const TIniFile& ini, std::string_view section, std::string_view key,
              const std::array<std::string_view, N>& names, std::int32_t& index) {
    if (!ini.ValueExists(section, key))
        return;
    const std::string value = ini.ReadString(section, key, "");
    index = -1;
    for (std::size_t i = 0; i < N; ++i)
        if (value == names[i])
            index = static_cast<std::int32_t>(i);
}

void ReadNumber(const TIniFile& ini, std::string_view section, std::string_view key, std::int32_t& value) {
    value = ini.ReadInteger(section, key, value);
}

} // namespace

std::string ScanSettingsPath() {
    return UserFolder() + "scan.ini";
}

void WriteScanSettings(TIniFile& ini, std::string_view name, const TScanSettings& s) {
    WriteName(ini, name, "orientation", kOrientations, s.Orientation);
    WriteName(ini, name, "rotation", kRotations, s.Rotation);
    WriteName(ini, name, "image size", kSizes, s.ImageSize);
    WriteName(ini, name, "color mode", kColorModes, s.ColorMode);
    ini.WriteInteger(name, "scan rect left", s.ScanRectLeft);
    ini.WriteInteger(name, "scan rect top", s.ScanRectTop);
    ini.WriteInteger(name, "scan rect right", s.ScanRectRight);
    ini.WriteInteger(name, "scan rect bottom", s.ScanRectBottom);
}

void ReadScanSettings(const TIniFile& ini, std::string_view name, TScanSettings& s) {
    ReadName(ini, name, "orientation", kOrientations, s.Orientation);
    ReadName(ini, name, "rotation", kRotations, s.Rotation);
    ReadName(ini, name, "image size", kSizes, s.ImageSize);
    ReadName(ini, name, "color mode", kColorModes, s.ColorMode);
    ReadNumber(ini, name, "scan rect left", s.ScanRectLeft);
    ReadNumber(ini, name, "scan rect top", s.ScanRectTop);
    ReadNumber(ini, name, "scan rect right", s.ScanRectRight);
    ReadNumber(ini, name, "scan rect bottom", s.ScanRectBottom);
}
