#include "settings/ReferencePictureSettings.h"

#include "settings/IniFile.h"

#include <algorithm>
#include <cstdio>

namespace {
// A sheet's path may hold any character, a section name not: the section is named by the path's
// FNV-1a hash, and its "sheet" key tells two paths of the same hash apart.
constexpr const char* kSectionPrefix = "reference picture ";

std::string SectionOf(const std::string& sheetPath) {
    std::uint64_t hash = 14695981039346656037ull;
    for (const unsigned char c : sheetPath)
        hash = (hash ^ c) * 1099511628211ull;
    char name[40];
    std::snprintf(name, sizeof name, "%016llx", static_cast<unsigned long long>(hash));
    return kSectionPrefix + std::string(name);
}

constexpr std::int32_t kFar = 3 * TReferencePictureSettings::kWhole; // a picture may lie mostly outside
} // namespace

TReferencePictureSettings LoadReferencePictureSettings(const std::string& path, const std::string& sheetPath) {
    TReferencePictureSettings settings;
    TIniFile ini;
    if (path.empty() || sheetPath.empty() || !ini.LoadFromFile(path))
        return settings;
    const std::string section = SectionOf(sheetPath);
    if (ini.ReadString(section, "sheet", "") != sheetPath)
        return settings;
    settings.File = ini.ReadString(section, "file", "");
    settings.Shown = ini.ReadBool(section, "shown", settings.Shown);
    settings.Opacity = std::clamp(ini.ReadInteger(section, "opacity", settings.Opacity), 0, 100);
    settings.Difference = ini.ReadBool(section, "difference", settings.Difference);
    settings.CentreX = std::clamp(ini.ReadInteger(section, "x", settings.CentreX), -kFar, kFar);
    settings.CentreY = std::clamp(ini.ReadInteger(section, "y", settings.CentreY), -kFar, kFar);
    settings.Width = std::clamp(ini.ReadInteger(section, "width", settings.Width),
                                TReferencePictureSettings::kWhole / 100, kFar);
    return settings;
}

void SaveReferencePictureSettings(const std::string& path, const std::string& sheetPath,
                                  const TReferencePictureSettings& settings) {
    if (path.empty() || sheetPath.empty())
        return;
    TIniFile ini;
    if (!ini.LoadForUpdate(path))
        return;
    const std::string section = SectionOf(sheetPath);
    if (settings.File.empty()) {
        if (!ini.SectionExists(section))
            return;
        ini.EraseSection(section);
    } else {
        ini.WriteString(section, "sheet", sheetPath);
        ini.WriteString(section, "file", settings.File);
        ini.WriteBool(section, "shown", settings.Shown);
        ini.WriteInteger(section, "opacity", settings.Opacity);
        ini.WriteBool(section, "difference", settings.Difference);
        ini.WriteInteger(section, "x", settings.CentreX);
        ini.WriteInteger(section, "y", settings.CentreY);
        ini.WriteInteger(section, "width", settings.Width);
    }
    ini.SaveToFile(path);
}

void ForgetReferencePictureSettings(const std::string& path) {
    EraseSectionsInFile(path, kSectionPrefix);
}
