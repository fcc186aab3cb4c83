#include "settings/Folders.h"

#include "base/TextUtil.h"

#include <cstdlib>
#include <optional>
#include <pwd.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {
std::string EnvironmentValue(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::string HomeOfAccount() {
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found && found->pw_dir)
        return found->pw_dir;
    return {};
}

bool IsFolder(const fs::path& path) {
    std::error_code error;
    return !path.empty() && fs::is_directory(path, error);
}

std::string WithTrailingSlash(std::string folder) {
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    return folder;
}

std::string WithoutTrailingSlash(std::string folder) {
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return folder;
}

// The XDG_DOCUMENTS_DIR entry of a "user-dirs.dirs" file, whose lines read
// XDG_DOCUMENTS_DIR="$HOME/Documents" or XDG_DOCUMENTS_DIR="/absolute/path", with backslash escapes.
// The last valid entry counts.
std::optional<std::string> ReadDocumentsEntry(const fs::path& file, const std::string& home) {
    const auto bytes = ReadFileBytes(file);
    if (!bytes)
        return std::nullopt;
    constexpr std::string_view kName = "XDG_DOCUMENTS_DIR";
    constexpr std::string_view kHome = "$HOME";
    std::optional<std::string> result;
    for (const auto& line : SplitLines(*bytes)) {
        std::string_view rest = Trim(line);
        if (!rest.starts_with(kName))
            continue;
        rest = Trim(rest.substr(kName.size()));
        if (!rest.starts_with('='))
            continue;
        rest = Trim(rest.substr(1));
        if (!rest.starts_with('"'))
            continue;
        rest.remove_prefix(1);
        std::string value;
        if (rest.starts_with(kHome)) {
            rest.remove_prefix(kHome.size());
            if (home.empty() || !(rest.starts_with('/') || rest.starts_with('"')))
                continue;
            value = WithoutTrailingSlash(home);
        } else if (!rest.starts_with('/')) {
            continue;
        }
        bool closed = false;
        for (std::size_t i = 0; i < rest.size(); ++i) {
            if (rest[i] == '\\' && i + 1 < rest.size()) {
                value += rest[++i];
            } else if (rest[i] == '"') {
                closed = true;
                break;
            } else {
                value += rest[i];
            }
        }
        if (closed)
            result = std::move(value);
    }
    return result;
}
} // namespace

TFolderEnvironment TFolderEnvironment::FromProcess() {
    TFolderEnvironment env;
    env.Home = EnvironmentValue("HOME");
    if (env.Home.empty())
        env.Home = HomeOfAccount();
    env.ConfigHome = EnvironmentValue("XDG_CONFIG_HOME");
    env.TempDirectory = EnvironmentValue("TMPDIR");
    return env;
}

std::string ConfigFolder(const TFolderEnvironment& env) {
    // A relative XDG_CONFIG_HOME is invalid and ignored, as the base directory rules say.
    if (!env.ConfigHome.empty() && env.ConfigHome.front() == '/')
        return env.ConfigHome;
    if (env.Home.empty())
        return {};
    return (fs::path(env.Home) / ".config").string();
}

std::string UserFolder(const TFolderEnvironment& env) {
    const std::string config = ConfigFolder(env);
    if (config.empty())
        return {};
    const fs::path base(config);
    const fs::path program = base / "Celwright";
    const fs::path user = program / "3.0";
    if (!IsFolder(user)) {
        std::error_code error;
        // A fresh account may not have a configuration folder yet; it is private to the user.
        if (!IsFolder(base) && fs::create_directories(base, error))
            fs::permissions(base, fs::perms::owner_all, error);
        if (!IsFolder(program))
            fs::create_directory(program, error);
        fs::create_directory(user, error);
        if (!IsFolder(user))
            return {};
    }
    return WithTrailingSlash(user.string());
}

std::string DocumentsFolder(const TFolderEnvironment& env) {
    const std::string config = ConfigFolder(env);
    if (!config.empty()) {
        const auto entry = ReadDocumentsEntry(fs::path(config) / "user-dirs.dirs", env.Home);
        if (entry && IsFolder(*entry))
            return WithoutTrailingSlash(*entry);
    }
    if (env.Home.empty())
        return {};
    const fs::path documents = fs::path(env.Home) / "Documents";
    if (IsFolder(documents))
        return documents.string();
    return WithoutTrailingSlash(env.Home);
}

std::string SystemTempFolder(const TFolderEnvironment& env) {
    // A relative TMPDIR would move with the current folder, which the program changes.
    if (!env.TempDirectory.empty() && env.TempDirectory.front() == '/' && IsFolder(env.TempDirectory))
        return WithTrailingSlash(env.TempDirectory);
    return "/tmp/";
}

std::string DefaultFolder(std::string_view currentDefaultPath, const TFolderEnvironment& env) {
    if (IsFolder(fs::path(currentDefaultPath)))
        return std::string(currentDefaultPath);
    return DocumentsFolder(env);
}

std::string WorkingFolder(std::string_view defaultFolder) {
    // The current folder can have been deleted since the process moved into it; then this fails.
    std::error_code error;
    const fs::path current = fs::current_path(error);
    if (!error && IsFolder(current))
        return WithTrailingSlash(current.string());
    return std::string(defaultFolder);
}

std::string InstalledDataFolder() {
    return WithTrailingSlash((fs::path(CELWRIGHT_INSTALL_PREFIX) / "share" / "celwright").string());
}

std::string ProgramFolder(const fs::path& executablePath) {
    // Absolute, because the program changes its current folder after start-up.
    std::error_code error;
    const fs::path folder = fs::absolute(executablePath, error).parent_path();
    if (!error && IsFolder(folder / "Languages"))
        return WithTrailingSlash(folder.string());
    // An install moved to another prefix (or unpacked under a DESTDIR) keeps bin/ and share/ together.
    const fs::path shared = folder.parent_path() / "share" / "celwright";
    if (!error && IsFolder(shared / "Languages"))
        return WithTrailingSlash(shared.string());
    return InstalledDataFolder();
}
