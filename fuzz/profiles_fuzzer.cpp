// Reads arbitrary bytes as "profiles.ini" and as "celwright.ini", the way the program starts, and
// saves both again: what is saved must read back the same.
#include "FuzzFiles.h"
#include "base/Error.h"
#include "settings/Preferences.h"
#include "settings/Profiles.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

// Saves both files and reads them back.
void SaveAndReload(const std::string& folder, const TFolderEnvironment& env, TSettingsManager& settings,
                   TProfileList& profiles) {
    try {
        settings.SaveToFile();
        profiles.SaveProfiles();
    } catch (const ECwError&) {
        std::abort();
    }
    settings = TSettingsManager(folder, env);
    if (!settings.LoadFromFile() || !profiles.LoadProfiles())
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string folder = FuzzFolder().string() + "/";
    WriteFuzzFile("celwright.ini", data, size);
    WriteFuzzFile("profiles.ini", data, size);
    TFolderEnvironment env;
    env.Home = folder;
    TSettingsManager settings(folder, env);
    settings.LoadFromFile();
    TProfileList profiles(settings.Saved, folder);
    if (!profiles.LoadProfiles())
        return 0;
    // Once written by the program, the files hold still: a second round changes nothing.
    SaveAndReload(folder, env, settings, profiles);
    const TSettings saved = settings.Saved;
    const auto stored = profiles.Profiles();
    SaveAndReload(folder, env, settings, profiles);
    if (settings.Saved != saved || profiles.Profiles() != stored)
        std::abort();
    return 0;
}
