#pragma once

#include <filesystem>
#include <string>

// The program's own temporary folders: each is named after the process that made it
// ("celwright-<pid>-XXXXXX"), so that a later start can tell the folders of a program that was
// killed from those of one still running, and reclaim them.

// "celwright-<pid of this process>-".
std::string TemporaryFolderPrefix();

// Makes a new private folder of this process in `base`. Throws ECwError naming `base` when it
// cannot be made.
std::filesystem::path MakeTemporaryFolder(const std::filesystem::path& base);

// Removes, with everything in them, the folders directly in `base` that a process of this program
// made and that process is gone. Only folders (never symbolic links) of the current user whose
// name has the pattern above are touched; anything that cannot be removed is left. Returns how
// many were removed.
int RemoveAbandonedTemporaryFolders(const std::filesystem::path& base);
