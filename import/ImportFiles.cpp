#include "import/ImportFiles.h"

#include "base/Error.h"
#include "base/TextUtil.h"

#include <algorithm>
#include <filesystem>
#include <set>

namespace fs = std::filesystem;

bool IsImportableImage(const std::string& path) {
    const std::string name = ToLowerAscii(FileNameOf(path));
    for (const char* extension : {".bmp", ".jpg", ".jpeg", ".png"}) {
        const std::string ending = extension;
        if (name.size() > ending.size() &&
            name.compare(name.size() - ending.size(), ending.size(), ending) == 0)
            return true;
    }
    return false;
}

std::string FolderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string FileNameOf(const std::string& path) {
    return path.substr(path.rfind('/') + 1);
}

void SortImportList(std::vector<std::string>& paths) {
    std::stable_sort(paths.begin(), paths.end(), [](const std::string& a, const std::string& b) {
        return ToLowerAscii(a) < ToLowerAscii(b);
    });
}

namespace {
bool IsFolder(const std::string& folder) {
    std::error_code error;
    return !folder.empty() && fs::is_directory(folder, error);
}
} // namespace

TCopyOutcome CopyFilesInto(const std::vector<std::string>& files, const std::string& folder,
                           const std::function<TOverwriteAnswer(const std::string& target)>& askOverwrite,
                           const std::function<bool(std::size_t done, std::size_t total)>& progress) {
    if (!IsFolder(folder))
        return {false, "The folder \"" + folder + "\" does not exist."};
    std::set<std::string> copied;
    bool replaceAll = false;
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (!progress(i, files.size()))
            return {false, {}};
        // A file listed twice is copied once, not asked about as the file it has just become.
        if (!copied.insert(files[i]).second)
            continue;
        const std::string target = folder + FileNameOf(files[i]);
        std::error_code error;
        if (!replaceAll && fs::exists(fs::symlink_status(target, error))) {
            const TOverwriteAnswer answer = askOverwrite(target);
            if (answer == TOverwriteAnswer::Cancel)
                return {false, {}};
            if (answer == TOverwriteAnswer::No)
                continue;
            replaceAll = answer == TOverwriteAnswer::YesToAll;
        }
        const auto bytes = ReadFileBytes(files[i]);
        if (!bytes)
            return {false, "Cannot read \"" + files[i] + "\"."};
        try {
            WriteFileAtomically(target, *bytes);
        } catch (const ECwError& failure) {
            return {false, failure.what()};
        }
    }
    progress(files.size(), files.size());
    return {};
}

std::size_t LinkFilesInto(const std::vector<std::string>& files, const std::string& folder) {
    if (!IsFolder(folder))
        return 0;
    std::size_t made = 0;
    for (const std::string& file : files) {
        const std::string link = folder + FileNameOf(file) + ".lnk";
        std::error_code error;
        // Only an earlier link is replaced, never a file that happens to carry the name.
        if (fs::is_symlink(link, error))
            fs::remove(link, error);
        fs::create_symlink(file, link, error);
        if (!error)
            ++made;
    }
    return made;
}
