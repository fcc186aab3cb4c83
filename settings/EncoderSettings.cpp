#include "settings/EncoderSettings.h"

#include "base/Error.h"
#include "base/TextUtil.h"
#include "settings/IniFile.h"

namespace {
std::string SectionOf(std::string_view element) {
    return "encoder " + std::string(element);
}
} // namespace

TEncoderValues ReadEncoderSettings(const std::string& settingsFile, std::string_view element) {
    TEncoderValues values;
    TIniFile ini;
    if (settingsFile.empty() || element.empty() || !ini.LoadFromFile(settingsFile))
        return values;
    const std::string section = SectionOf(element);
    for (const std::string& key : ini.ReadSectionKeys(section))
        values[ToLowerAscii(key)] = ini.ReadString(section, key, "");
    return values;
}

void WriteEncoderSettings(const std::string& settingsFile, std::string_view element,
                          const TEncoderValues& values) {
    if (settingsFile.empty() || element.empty())
        return;
    TIniFile ini;
    if (!ini.LoadForUpdate(settingsFile))
        throw ECwError("Cannot read \"" + settingsFile + "\"; the encoder settings were not saved.");
    const std::string section = SectionOf(element);
    ini.EraseSection(section);
    for (const auto& [key, value] : values)
        ini.WriteString(section, key, value);
    ini.SaveToFile(settingsFile);
}
