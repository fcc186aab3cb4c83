#include "base/TemporaryFolders.h"

#include "base/Error.h"

#include <cerrno>
#include <csignal>
#include <sys/stat.h>
#include <unistd.h>

namespace {
constexpr std::string_view kPrefix = "celwright-";

// The process id in a name "celwright-<pid>-XXXXXX"; 0 when the name is not one of ours.
pid_t OwnerOf(const std::string& name) {
    if (!name.starts_with(kPrefix))
        return 0;
    const std::size_t digits = name.find_first_not_of("0123456789", kPrefix.size());
    if (digits == kPrefix.size() || digits == std::string::npos || digits - kPrefix.size() > 9 ||
        name[digits] != '-' || name.size() != digits + 7)
        return 0;
    return static_cast<pid_t>(std::stol(name.substr(kPrefix.size(), digits - kPrefix.size())));
}

bool ProcessIsGone(pid_t pid) {
    return ::kill(pid, 0) == -1 && errno == ESRCH;
}
} // namespace

std::string TemporaryFolderPrefix() {
    return std::string(kPrefix) + std::to_string(::getpid()) + "-";
}

std::filesystem::path MakeTemporaryFolder(const std::filesystem::path& base) {
    std::string pattern = (base / (TemporaryFolderPrefix() + "XXXXXX")).string();
    if (!::mkdtemp(pattern.data()))
        throw ECwError("Cannot make a temporary folder in \"" + base.string() + "\".");
    return pattern;
}

int RemoveAbandonedTemporaryFolders(const std::filesystem::path& base) {
    namespace fs = std::filesystem;
    int removed = 0;
    std::error_code error;
    for (fs::directory_iterator entry(base, error), end; !error && entry != end; entry.increment(error)) {
        const pid_t owner = OwnerOf(entry->path().filename().string());
        struct stat info {};
        if (owner <= 0 || ::lstat(entry->path().c_str(), &info) != 0 || !S_ISDIR(info.st_mode) ||
            info.st_uid != ::getuid() || !ProcessIsGone(owner))
            continue;
        std::error_code ignored;
        if (fs::remove_all(entry->path(), ignored) > 0 && !ignored)
            ++removed;
    }
    return removed;
}
