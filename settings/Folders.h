#pragma once

#include <filesystem>
#include <string>
#include <string_view>

// The folders the program uses. Folder strings end with "/" unless stated otherwise.

// The environment values the folder lookups depend on; empty means unset.
struct TFolderEnvironment {
    std::string Home;          // $HOME, or the account's home folder when HOME is unset
    std::string ConfigHome;    // $XDG_CONFIG_HOME
    std::string TempDirectory; // $TMPDIR

    // The values of this process.
    static TFolderEnvironment FromProcess();
};

// The per-user configuration folder: $XDG_CONFIG_HOME, or ~/.config when that is unset or not an
// absolute path; empty when neither is known. May or may not end with "/".
std::string ConfigFolder(const TFolderEnvironment& env);

// The configuration folder followed by "Celwright/3.0/", creating "Celwright/" and then "3.0/" (and
// the configuration folder itself) when missing. Empty when the folder cannot be created.
std::string UserFolder(const TFolderEnvironment& env = TFolderEnvironment::FromProcess());

// The user's documents folder, without a trailing "/": XDG_DOCUMENTS_DIR of "user-dirs.dirs" in the
// configuration folder when that folder exists, else ~/Documents when it exists, else the home folder.
std::string DocumentsFolder(const TFolderEnvironment& env = TFolderEnvironment::FromProcess());

// $TMPDIR when it is an absolute path naming an existing folder, else "/tmp/"; always ending with "/".
std::string SystemTempFolder(const TFolderEnvironment& env = TFolderEnvironment::FromProcess());

// `currentDefaultPath` when that folder exists, else the documents folder. Start folder of the open,
// import and export dialogs.
std::string DefaultFolder(std::string_view currentDefaultPath,
                          const TFolderEnvironment& env = TFolderEnvironment::FromProcess());

// The process's current folder (ending with "/") when it still exists, else `defaultFolder`. Start
// folder of the save dialogs.
std::string WorkingFolder(std::string_view defaultFolder);

// "<install prefix>/share/celwright/": where an installed program keeps its languages, help and licence.
std::string InstalledDataFolder();

// The folder of the program file when it holds a "Languages/" folder (a program run from its build
// or unpacked folder); else "../share/celwright/" beside the program's folder when that holds
// "Languages/" (an install, wherever its prefix is); else InstalledDataFolder().
std::string ProgramFolder(const std::filesystem::path& executablePath);
