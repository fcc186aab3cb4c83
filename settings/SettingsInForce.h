#pragma once

#include "settings/Preferences.h"
#include "settings/Profiles.h"

#include <string>

// The preferences in force: the saved preferences with the active profile's default folder and
// capture mode over them. Sheets and menus change them further (`TSettingsManager::Current`) until
// the next Reset, which a new sheet, confirmed preferences and a change of profile make.
class TSettingsInForce {
public:
    // Both must outlive this. The active profile is the built-in "Default" at first.
    TSettingsInForce(TSettingsManager& settings, const TProfileList& profiles);

    const std::string& ProfileName() const { return Profile; }
    // Makes `name` the active profile, from the next Reset on.
    void SetProfile(std::string name) { Profile = std::move(name); }
    // `Current` := `Saved`, with the active profile's folder and capture mode over them; a profile no
    // longer in the list leaves the saved values.
    void Reset();

private:
    TSettingsManager& Settings;
    const TProfileList& Profiles;
    std::string Profile;
};
