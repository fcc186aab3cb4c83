#include "settings/Profiles.h"

#include "base/Error.h"
#include "testsupport/TempFolder.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {
using Names = std::vector<std::string>;

TSettings SavedSettings(std::string defaultPath, TCapMode mode) {
    TSettings settings;
    settings.General.DefaultPath = std::move(defaultPath);
    settings.Capture.CaptureMode = mode;
    return settings;
}
} // namespace

TEST(ProfileList, SavesExactlyItsLinesSortedAndLoadsThemBack) {
    TTempFolder user;
    const TSettings saved = SavedSettings("/home/ann/Cels/", TCapMode::cmXSheet);
    TProfileList list(saved, user.Path().string()); // the folder gains its trailing "/"
    EXPECT_EQ(list.FilePath(), user / "profiles.ini");

    list.AddProfile("Zoe", saved);
    list.AddProfile("studio", SavedSettings("/films/studio/", TCapMode::cmStopMotion));
    list.AddProfile("Anna", SavedSettings("/films/an na=1/", TCapMode::cmXSheet));
    EXPECT_EQ(list.Names(), (Names{"Anna", "studio", "Zoe"}));
    list.SaveProfiles();
    EXPECT_EQ(ReadText(list.FilePath()), "[Anna]\n"
                                         "default path=/films/an na=1/\n"
                                         "capture mode=cmXSheet\n"
                                         "[studio]\n"
                                         "default path=/films/studio/\n"
                                         "capture mode=cmStopMotion\n"
                                         "[Zoe]\n"
                                         "default path=/home/ann/Cels/\n"
                                         "capture mode=cmXSheet\n");

    TProfileList reread(saved, user / "");
    EXPECT_TRUE(reread.LoadProfiles());
    EXPECT_EQ(reread.Profiles(), list.Profiles());

    // Renaming sorts again, and the file follows the new order.
    EXPECT_TRUE(reread.RenameProfile("ZOE", "bob"));
    EXPECT_TRUE(reread.DeleteProfile("anna"));
    EXPECT_FALSE(reread.DeleteProfile("Anna"));
    EXPECT_FALSE(reread.RenameProfile("nobody", "x"));
    reread.SaveProfiles();
    EXPECT_EQ(ReadText(list.FilePath()), "[bob]\n"
                                         "default path=/home/ann/Cels/\n"
                                         "capture mode=cmXSheet\n"
                                         "[studio]\n"
                                         "default path=/films/studio/\n"
                                         "capture mode=cmStopMotion\n");

    // With no profile left the file is empty.
    reread.DeleteProfile("bob");
    reread.DeleteProfile("studio");
    reread.SaveProfiles();
    EXPECT_EQ(ReadText(list.FilePath()), "");
}

TEST(ProfileList, LoadsWhatAFileLeavesOutWithTheSavedFolderAndTheStandardMode) {
    TTempFolder user;
    WriteText(user / "profiles.ini", "[studio]\r\n"
                                     "capture mode=CMSTOPMOTION\r\n"
                                     "\r\n"
                                     "[Night Shift]\r\n"
                                     "default path=/films/night/\r\n"
                                     "[bench]\r\n"
                                     "default path=/films/bench/\r\n"
                                     "capture mode=cmTimeLapse\r\n"
                                     "[Atelier]\r\n"
                                     "DEFAULT PATH=/films/atelier/\r\n"
                                     "capture mode= cmStopMotion \r\n");
    const TSettings saved = SavedSettings("/home/ann/Cels/", TCapMode::cmStopMotion);
    TProfileList list(saved, user / "");
    ASSERT_TRUE(list.LoadProfiles());

    const std::vector<TProfile> expected{
        {"Atelier", {"/films/atelier/", TCapMode::cmStopMotion}},
        {"bench", {"/films/bench/", TCapMode::cmXSheet}},
        {"Night Shift", {"/films/night/", TCapMode::cmXSheet}},
        {"studio", {"/home/ann/Cels/", TCapMode::cmStopMotion}},
    };
    EXPECT_EQ(list.Profiles(), expected);

    // A missing file holds no profiles, and loading replaces what the list held.
    fs::remove(user / "profiles.ini");
    EXPECT_TRUE(list.LoadProfiles());
    EXPECT_TRUE(list.Profiles().empty());
}

TEST(ProfileList, TheDefaultProfileAlwaysCarriesTheSavedPreferences) {
    TTempFolder user;
    TSettings saved = SavedSettings("/home/ann/Cels/", TCapMode::cmXSheet);
    TProfileList list(saved, user / "");
    list.AddProfile("Default", SavedSettings("/films/stored/", TCapMode::cmStopMotion));

    const TProfile* found = list.FindProfile("Default");
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(*found, (TProfile{"Default", {"/home/ann/Cels/", TCapMode::cmXSheet}}));

    // The Preferences dialog changes the saved preferences; the built-in profile follows at once.
    saved.General.DefaultPath = "/films/new/";
    saved.Capture.CaptureMode = TCapMode::cmStopMotion;
    EXPECT_EQ(list.FindProfile("Default")->Settings,
              (TProfileSettings{"/films/new/", TCapMode::cmStopMotion}));

    // A stored profile of that name is only reached as a stored profile.
    ASSERT_NE(list.StoredProfile("Default"), nullptr);
    EXPECT_EQ(list.StoredProfile("Default")->Settings.DefaultPath, "/films/stored/");
    EXPECT_EQ(list.FindProfile("nobody"), nullptr);
}

TEST(ProfileList, KeepsEachProfileOnItsOwnLines) {
    TTempFolder user;
    const TSettings saved = SavedSettings("/home/ann/", TCapMode::cmXSheet);
    TProfileList list(saved, user / "");
    // A pasted name or an odd folder must not start lines of their own in the file.
    list.AddProfile("  Night\n[forged]\r\ndefault path=/etc/ ",
                    SavedSettings("/films/a\nb/", TCapMode::cmXSheet));
    EXPECT_EQ(list.Names(), (Names{"Night [forged]  default path=/etc/"}));
    list.SaveProfiles();

    TProfileList reread(saved, user / "");
    reread.LoadProfiles();
    EXPECT_EQ(reread.Profiles(), (std::vector<TProfile>{{"Night [forged]  default path=/etc/",
                                                         {"/films/a b/", TCapMode::cmXSheet}}}));
}

TEST(ProfileList, WithoutAUserFolderNothingIsReadOrWritten) {
    TTempFolder cwd;
    const fs::path previous = fs::current_path();
    fs::current_path(cwd.Path());
    const TSettings saved;
    TProfileList list(saved, "");
    EXPECT_EQ(list.FilePath(), "");
    WriteText(cwd / "profiles.ini", "[stray]\n");
    EXPECT_TRUE(list.LoadProfiles());
    EXPECT_TRUE(list.Profiles().empty());
    list.AddProfile("studio", saved);
    list.SaveProfiles();
    fs::current_path(previous);
    EXPECT_EQ(ReadText(cwd / "profiles.ini"), "[stray]\n");
}

TEST(ProfileList, ReportsAFileItCannotReadOrWrite) {
    TTempFolder user;
    const TSettings saved = SavedSettings("/home/ann/", TCapMode::cmXSheet);
    TProfileList list(saved, user / "gone");
    list.AddProfile("studio", saved);
    EXPECT_THROW(list.SaveProfiles(), ECwError);

    // Something that cannot be read is not taken for an empty file.
    fs::create_directories(user / "profiles.ini");
    TProfileList unreadable(saved, user / "");
    EXPECT_FALSE(unreadable.LoadProfiles());
    EXPECT_TRUE(unreadable.Profiles().empty());
    unreadable.AddProfile("studio", saved);
    EXPECT_THROW(unreadable.SaveProfiles(), ECwError);
    EXPECT_TRUE(fs::is_directory(user / "profiles.ini"));
}
