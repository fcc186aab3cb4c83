#include "settings/Profiles.h"

#include "base/TextUtil.h"
#include "settings/IniFile.h"

#include <algorithm>
#include <filesystem>

namespace {
constexpr std::string_view kDefaultPathKey = "default path";
constexpr std::string_view kCaptureModeKey = "capture mode";

// A text as one line of the file: a line break in it would end the line and start a forged one.
std::string OneLine(std::string_view text) {
    std::string out(text);
    std::replace_if(
        out.begin(), out.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
    return out;
}

// A profile name as the file gives it back: one line, without surrounding blanks.
std::string ProfileName(std::string_view name) {
    return std::string(Trim(OneLine(name)));
}

bool LessIgnoringCase(const std::string& a, const std::string& b) {
    auto lower = [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return (u >= 'A' && u <= 'Z') ? u - 'A' + 'a' : u;
    };
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [&](char x, char y) { return lower(x) < lower(y); });
}
} // namespace

TProfileList::TProfileList(const TSettings& saved, std::string_view folder) : Saved_(saved), Folder_(folder) {
    // Without a user folder there is no file: a bare "/" would put it at the root of the disk.
    if (!Folder_.empty() && Folder_.back() != '/')
        Folder_ += '/';
    Default_.Name = kDefaultName;
}

std::string TProfileList::FilePath() const {
    return Folder_.empty() ? std::string() : Folder_ + std::string(kFileName);
}

bool TProfileList::LoadProfiles() {
    Profiles_.clear();
    if (Folder_.empty())
        return true;
    const std::filesystem::path path(FilePath());
    std::error_code error;
    const bool present = std::filesystem::exists(path, error);
    if (error)
        return false;
    if (!present)
        return true;
    TIniFile ini;
    if (!ini.LoadFromFile(path))
        return false;
    for (const std::string& section : ini.ReadSections()) {
        TProfile profile;
        profile.Name = section;
        profile.Settings.DefaultPath =
            FolderPath(ini.ReadString(section, kDefaultPathKey, Saved_.General.DefaultPath));
        // A mode the program does not know gives the Standard layout.
        profile.Settings.CaptureMode =
            CapModeFromName(Trim(ini.ReadString(section, kCaptureModeKey, CapModeName(TCapMode::cmXSheet))))
                .value_or(TCapMode::cmXSheet);
        Profiles_.push_back(std::move(profile));
    }
    Sort();
    return true;
}

void TProfileList::SaveProfiles() const {
    if (Folder_.empty())
        return;
    std::string text;
    for (const TProfile& profile : Profiles_) {
        text += "[" + OneLine(profile.Name) + "]\n";
        text += std::string(kDefaultPathKey) + "=" + OneLine(profile.Settings.DefaultPath) + "\n";
        text += std::string(kCaptureModeKey) + "=" + std::string(CapModeName(profile.Settings.CaptureMode)) +
                "\n";
    }
    WriteFileAtomically(FilePath(), text);
}

void TProfileList::AddProfile(std::string_view name, const TSettings& settings) {
    Profiles_.push_back(TProfile{
        ProfileName(name), TProfileSettings{settings.General.DefaultPath, settings.Capture.CaptureMode}});
    Sort();
}

bool TProfileList::DeleteProfile(std::string_view name) {
    const std::size_t index = IndexOf(name);
    if (index == Profiles_.size())
        return false;
    Profiles_.erase(Profiles_.begin() + static_cast<std::ptrdiff_t>(index));
    return true;
}

bool TProfileList::RenameProfile(std::string_view oldName, std::string_view newName) {
    TProfile* profile = StoredProfile(oldName);
    if (!profile)
        return false;
    profile->Name = ProfileName(newName);
    Sort();
    return true;
}

const TProfile* TProfileList::FindProfile(std::string_view name) const {
    if (name == kDefaultName)
        return &DefaultProfile();
    const std::size_t index = IndexOf(name);
    return index == Profiles_.size() ? nullptr : &Profiles_[index];
}

TProfile* TProfileList::StoredProfile(std::string_view name) {
    const std::size_t index = IndexOf(name);
    return index == Profiles_.size() ? nullptr : &Profiles_[index];
}

std::size_t TProfileList::IndexOf(std::string_view name) const {
    const auto found = std::find_if(Profiles_.begin(), Profiles_.end(), [&](const TProfile& profile) {
        return EqualsIgnoringCase(profile.Name, name);
    });
    return static_cast<std::size_t>(found - Profiles_.begin());
}

std::vector<std::string> TProfileList::Names() const {
    std::vector<std::string> names;
    names.reserve(Profiles_.size());
    for (const TProfile& profile : Profiles_)
        names.push_back(profile.Name);
    return names;
}

const TProfile& TProfileList::DefaultProfile() const {
    // Read now: the saved preferences change whenever the Preferences dialog is confirmed.
    Default_.Settings = TProfileSettings{Saved_.General.DefaultPath, Saved_.Capture.CaptureMode};
    return Default_;
}

void TProfileList::Sort() {
    // Stable, so profiles whose names differ only in case keep the order they came in.
    std::stable_sort(Profiles_.begin(), Profiles_.end(),
                     [](const TProfile& a, const TProfile& b) { return LessIgnoringCase(a.Name, b.Name); });
}
