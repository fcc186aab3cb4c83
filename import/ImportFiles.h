#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

// Files brought into a layer by the image import: which files are drawings, the import list's
// order, and copying or linking drawings into a layer's folder. Folders end with "/".

// True for names ending in ".bmp", ".jpg", ".jpeg" or ".png", in any letter case.
bool IsImportableImage(const std::string& path);

// The folder of a path, up to and including its last "/"; empty without one.
std::string FolderOf(const std::string& path);
// The file name of a path, after its last "/".
std::string FileNameOf(const std::string& path);

// Sorts full paths alphabetically, letter case ignored (so folder a's 9.png comes before folder
// b's 2.png).
void SortImportList(std::vector<std::string>& paths);

enum class TOverwriteAnswer { Yes, No, YesToAll, Cancel };

struct TCopyOutcome {
    bool Completed = true; // false when the copy was cancelled or failed
    std::string Error;     // what failed, naming the file; empty when nothing failed
};

// Copies each file into `folder` under its own name; a file listed twice is copied once. Before
// a file would replace an existing one, `askOverwrite` gets the target's path (no more questions
// after Yes to All; No skips that file; Cancel stops). `progress` is told how many files are done
// of how many before each one, and after the last; it returns false to stop. Each copy replaces
// its target in one step, so a stopped or failed copy leaves no half-written file.
TCopyOutcome CopyFilesInto(const std::vector<std::string>& files, const std::string& folder,
                           const std::function<TOverwriteAnswer(const std::string& target)>& askOverwrite,
                           const std::function<bool(std::size_t done, std::size_t total)>& progress);

// Makes folder + file name + ".lnk", a symbolic link to each file, replacing such a link that is
// already there. A link that cannot be made is skipped. Returns how many were made.
std::size_t LinkFilesInto(const std::vector<std::string>& files, const std::string& folder);
