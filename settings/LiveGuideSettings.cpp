#include "settings/LiveGuideSettings.h"

#include "settings/IniFile.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

namespace {
// A section name cannot hold brackets; a camera's name may.
constexpr const char* kSectionPrefix = "live guides: ";

std::string SectionOf(const std::string& camera) {
    std::string section = kSectionPrefix + camera;
    std::replace(section.begin(), section.end(), '[', '(');
    std::replace(section.begin(), section.end(), ']', ')');
    return section;
}

std::uint32_t ParseColor(const std::string& text, std::uint32_t fallback) {
    if (text.size() != 7 || text[0] != '#')
        return fallback;
    std::uint32_t value = 0;
    const auto [end, error] = std::from_chars(text.data() + 1, text.data() + text.size(), value, 16);
    return error == std::errc() && end == text.data() + text.size() ? value : fallback;
}
} // namespace

double AspectRatioOf(TAspectMask mask) {
    switch (mask) {
    case TAspectMask::am4x3:
        return 4.0 / 3.0;
    case TAspectMask::am16x9:
        return 16.0 / 9.0;
    case TAspectMask::am185:
        return 1.85;
    case TAspectMask::am239:
        return 2.39;
    case TAspectMask::amNone:
        break;
    }
    return 0.0;
}

TLiveGuideSettings LoadLiveGuideSettings(const std::string& path, const std::string& camera) {
    TLiveGuideSettings settings;
    TIniFile ini;
    if (path.empty() || camera.empty() || !ini.LoadFromFile(path))
        return settings;
    const std::string section = SectionOf(camera);
    settings.Grid = ini.ReadBool(section, "grid", settings.Grid);
    settings.GridRows =
        std::clamp(ini.ReadInteger(section, "grid rows", settings.GridRows), 1, TLiveGuideSettings::kMaxGridLines);
    settings.GridColumns = std::clamp(ini.ReadInteger(section, "grid columns", settings.GridColumns), 1,
                                      TLiveGuideSettings::kMaxGridLines);
    settings.GuideColor = ParseColor(ini.ReadString(section, "color", ""), settings.GuideColor);
    const std::int32_t mask = ini.ReadInteger(section, "aspect mask", 0);
    settings.Mask = mask >= 0 && mask <= static_cast<std::int32_t>(TAspectMask::am239) ? static_cast<TAspectMask>(mask)
                                                                                      : TAspectMask::amNone;
    settings.TitleSafe = ini.ReadBool(section, "title safe", settings.TitleSafe);
    settings.ActionSafe = ini.ReadBool(section, "action safe", settings.ActionSafe);
    settings.CentreCross = ini.ReadBool(section, "centre cross", settings.CentreCross);
    return settings;
}

void SaveLiveGuideSettings(const std::string& path, const std::string& camera, const TLiveGuideSettings& settings) {
    if (path.empty() || camera.empty())
        return;
    TIniFile ini;
    if (!ini.LoadForUpdate(path))
        return;
    const std::string section = SectionOf(camera);
    ini.WriteBool(section, "grid", settings.Grid);
    ini.WriteInteger(section, "grid rows", settings.GridRows);
    ini.WriteInteger(section, "grid columns", settings.GridColumns);
    char color[8];
    std::snprintf(color, sizeof color, "#%06X", static_cast<unsigned>(settings.GuideColor & 0xFFFFFF));
    ini.WriteString(section, "color", color);
    ini.WriteInteger(section, "aspect mask", static_cast<std::int32_t>(settings.Mask));
    ini.WriteBool(section, "title safe", settings.TitleSafe);
    ini.WriteBool(section, "action safe", settings.ActionSafe);
    ini.WriteBool(section, "centre cross", settings.CentreCross);
    ini.SaveToFile(path);
}

void ForgetLiveGuideSettings(const std::string& path) {
    EraseSectionsInFile(path, kSectionPrefix);
}
