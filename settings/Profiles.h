#pragma once

#include "settings/Preferences.h"

#include <string>
#include <string_view>
#include <vector>

// Named profiles: overrides of the default storage folder and the capture mode, so that several
// animators or projects can share one installation. Kept in "profiles.ini" in the user folder.

struct TProfileSettings {
    std::string DefaultPath; // a folder
    TCapMode CaptureMode = TCapMode::cmXSheet;

    bool operator==(const TProfileSettings&) const = default;
};

struct TProfile {
    std::string Name;
    TProfileSettings Settings;

    bool operator==(const TProfile&) const = default;
};

// The stored profiles, sorted by name regardless of letter case, and the built-in profile "Default",
// which is not stored and always carries the saved preferences' default path and capture mode.
//
// Names are matched regardless of ASCII letter case, as the file's section names are; "Default" is
// always the built-in profile. A name may occur more than once (adding an existing name is allowed);
// look-ups then find the first, and the file keeps one of them.
class TProfileList {
public:
    static constexpr std::string_view kDefaultName = "Default";
    static constexpr std::string_view kFileName = "profiles.ini";

    // `saved` is the saved preferences, which must outlive the list: the built-in profile follows
    // them, and a profile stored without a folder takes their default path. `folder` is the user
    // folder; empty when there is none, and then nothing is read or written.
    TProfileList(const TSettings& saved, std::string_view folder);

    // Replaces the stored profiles with the sections of "profiles.ini" in file order, then sorts them.
    // A missing file holds no profiles. Returns false, with no profiles, only when the file exists but
    // cannot be read.
    bool LoadProfiles();
    // Rewrites "profiles.ini" from the list in one step: for each profile "[name]", "default path=..."
    // and "capture mode=...", lines ending in LF. Throws ECwError when the file cannot be written; the
    // old file then stays as it was. Writes nothing when there is no user folder.
    void SaveProfiles() const;

    // Adds a profile with the default path and capture mode of `settings`, then sorts. The name is
    // taken trimmed, with line breaks turned into spaces, as the file will give it back.
    void AddProfile(std::string_view name, const TSettings& settings);
    // Removes the profile of that name; false when there is none.
    bool DeleteProfile(std::string_view name);
    // Gives the profile `oldName` the name `newName` (trimmed as by AddProfile), then sorts; false when
    // there is no profile `oldName`.
    bool RenameProfile(std::string_view oldName, std::string_view newName);
    // "Default" gives the built-in profile, any other name the stored profile of that name; nullptr
    // when there is none. The pointer is valid until the list changes.
    const TProfile* FindProfile(std::string_view name) const;
    // The stored profile of that name, to change its settings ("Default" included: a stored profile of
    // that name exists only in the file); nullptr when there is none. Valid until the list changes.
    TProfile* StoredProfile(std::string_view name);

    // The stored profiles in list order.
    const std::vector<TProfile>& Profiles() const { return Profiles_; }
    std::vector<std::string> Names() const;
    // The built-in profile, with the saved preferences' values as they are now.
    const TProfile& DefaultProfile() const;

    // "profiles.ini" in the user folder; empty when there is no user folder.
    std::string FilePath() const;

private:
    // Position of the first stored profile of that name; the profile count when there is none.
    std::size_t IndexOf(std::string_view name) const;
    void Sort();

    const TSettings& Saved_;
    std::string Folder_; // ends with "/" unless empty
    mutable TProfile Default_;
    std::vector<TProfile> Profiles_;
};
