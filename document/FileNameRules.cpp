#include "document/FileNameRules.h"

#include "base/Error.h"

#include <unistd.h>

namespace {
constexpr std::size_t kDefaultNameLength = 255;

bool IsSeparator(char c) {
    // A backslash separates folders where the sheet may be opened next.
    return c == '/' || c == '\\' || c == '\0';
}
} // namespace

std::size_t MaxFileNameLength(const std::string& folder) {
    const long length = folder.empty() ? -1 : ::pathconf(folder.c_str(), _PC_NAME_MAX);
    return length > 0 ? static_cast<std::size_t>(length) : kDefaultNameLength;
}

std::string FileNameRefusal(std::string_view name, std::size_t maxLength, std::string_view what) {
    const std::string shown = "'" + std::string(name) + "'";
    for (const char c : name) {
        if (IsSeparator(c))
            return std::string(what) + " " + shown + " contains a folder separator; it must be a file name in the layer's folder.";
    }
    if (name == "." || name == "..")
        return std::string(what) + " " + shown + " names a folder; it must be a file name in the layer's folder.";
    if (name.size() > maxLength)
        return std::string(what) + " " + shown + " is longer than the " + std::to_string(maxLength) +
               " characters a file name may have.";
    return {};
}

void CheckFileNameIn(const std::string& folder, std::string_view name, std::string_view what) {
    const std::string refusal = FileNameRefusal(name, MaxFileNameLength(folder), what);
    if (!refusal.empty())
        throw ECwError(refusal);
}

std::string NameFromCaption(std::string_view caption) {
    if (caption == "." || caption == "..")
        return "_";
    std::string name(caption);
    for (char& c : name) {
        if (IsSeparator(c))
            c = '_';
    }
    return name;
}

std::filesystem::path PathInFolder(const std::string& folder, std::string_view name) {
    namespace fs = std::filesystem;
    const fs::path path = fs::path(folder) / fs::path(std::string(name));
    std::error_code error;
    fs::path base = fs::weakly_canonical(fs::path(folder), error);
    if (!error && base.filename().empty())
        base = base.parent_path();
    const fs::path parent = error ? fs::path() : fs::weakly_canonical(path, error).parent_path();
    if (error || name.empty() || !FileNameRefusal(name, std::string::npos, "").empty() || parent != base)
        throw ECwError("\"" + path.string() + "\" is not a file in the layer's folder \"" + folder + "\".");
    return path;
}

void RenameDrawing(const std::filesystem::path& from, const std::filesystem::path& to) {
    namespace fs = std::filesystem;
    std::error_code error;
    if (fs::exists(fs::symlink_status(to, error)))
        throw ECwError("File '" + to.filename().string() + "' already exists.");
    fs::rename(from, to, error);
    if (error)
        throw ECwError("Renaming of file failed.");
}
