#include "settings/SettingsInForce.h"

#include <gtest/gtest.h>

// A reset takes the saved preferences, drops what sheets and menus changed, and puts the active
// profile's folder and capture mode over them.
TEST(SettingsInForce, AResetTakesTheSavedPreferencesWithTheActiveProfileOverThem) {
    TSettingsManager settings("", TFolderEnvironment{"/home/ann", "", "/tmp"});
    settings.Saved.General.DefaultPath = "/home/ann/Cels/";
    settings.Saved.General.Fps = 25;
    settings.Saved.Capture.CaptureMode = TCapMode::cmXSheet;
    TProfileList profiles(settings.Saved, "");
    TSettings studio;
    studio.General.DefaultPath = "/films/studio/";
    studio.Capture.CaptureMode = TCapMode::cmStopMotion;
    profiles.AddProfile("Studio", studio);
    TSettingsInForce inForce(settings, profiles);
    EXPECT_EQ(inForce.ProfileName(), "Default");

    struct TCase {
        const char* Profile;
        std::string DefaultPath;
        TCapMode CaptureMode;
    };
    const TCase cases[] = {
        {"Default", "/home/ann/Cels/", TCapMode::cmXSheet},
        {"Studio", "/films/studio/", TCapMode::cmStopMotion},
        {"studio", "/films/studio/", TCapMode::cmStopMotion}, // names match in any letter case
        {"Gone", "/home/ann/Cels/", TCapMode::cmXSheet},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Profile);
        settings.Current.General.Fps = 12; // as a sheet or the menu left it
        settings.Current.General.DefaultPath = "/elsewhere/";
        inForce.SetProfile(c.Profile);
        inForce.Reset();
        EXPECT_EQ(settings.Current.General.Fps, 25);
        EXPECT_EQ(settings.Current.General.DefaultPath, c.DefaultPath);
        EXPECT_EQ(settings.Current.Capture.CaptureMode, c.CaptureMode);
        EXPECT_EQ(settings.Saved.General.DefaultPath, "/home/ann/Cels/") << "the saved preferences stay";
    }
}
