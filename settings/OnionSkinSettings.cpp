#include "settings/OnionSkinSettings.h"

#include "settings/IniFile.h"

#include <algorithm>

namespace {
constexpr const char* kSection = "onion skin";
} // namespace

TOnionSkinSettings LoadOnionSkinSettings(const std::string& path) {
    TOnionSkinSettings settings;
    TIniFile ini;
    if (path.empty() || !ini.LoadFromFile(path))
        return settings;
    settings.Enabled = ini.ReadBool(kSection, "on", settings.Enabled);
    settings.Opacity = std::clamp(ini.ReadInteger(kSection, "opacity", settings.Opacity), 0, 100);
    settings.Frames =
        std::clamp(ini.ReadInteger(kSection, "frames", settings.Frames), 1, TOnionSkinSettings::kMaxFrames);
    settings.Difference = ini.ReadBool(kSection, "difference", settings.Difference);
    settings.PlayFrames = std::clamp(ini.ReadInteger(kSection, "play frames", settings.PlayFrames), 1,
                                     TOnionSkinSettings::kMaxPlayFrames);
    return settings;
}

void SaveOnionSkinSettings(const std::string& path, const TOnionSkinSettings& settings) {
    if (path.empty())
        return;
    TIniFile ini;
    if (!ini.LoadForUpdate(path))
        return;
    ini.WriteBool(kSection, "on", settings.Enabled);
    ini.WriteInteger(kSection, "opacity", settings.Opacity);
    ini.WriteInteger(kSection, "frames", settings.Frames);
    ini.WriteBool(kSection, "difference", settings.Difference);
    ini.WriteInteger(kSection, "play frames", settings.PlayFrames);
    ini.SaveToFile(path);
}
