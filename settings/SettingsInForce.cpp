#include "settings/SettingsInForce.h"

TSettingsInForce::TSettingsInForce(TSettingsManager& settings, const TProfileList& profiles)
    : Settings(settings), Profiles(profiles), Profile(TProfileList::kDefaultName) {}

void TSettingsInForce::Reset() {
    Settings.ResetCurrent();
    if (const TProfile* profile = Profiles.FindProfile(Profile)) {
        Settings.Current.General.DefaultPath = profile->Settings.DefaultPath;
        Settings.Current.Capture.CaptureMode = profile->Settings.CaptureMode;
    }
}
