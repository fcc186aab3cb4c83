#include "base/AtomicFile.h"

#include "base/Error.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <random>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// The unfinished temporary files and paths, in slots a signal handler can read without locking.
struct TTemporarySlot {
    std::atomic<bool> Taken{false};
    std::atomic<bool> Ready{false};
    char Path[PATH_MAX] = "";
};
std::array<TTemporarySlot, 16> gTemporaries;

// Returns the slot, or nothing when all are taken (the file is then only removed by the destructor).
TTemporarySlot* Register(const fs::path& temp) {
    const std::string& text = temp.native();
    if (text.size() >= PATH_MAX)
        return nullptr;
    for (TTemporarySlot& slot : gTemporaries) {
        bool expected = false;
        if (slot.Taken.compare_exchange_strong(expected, true)) {
            std::memcpy(slot.Path, text.c_str(), text.size() + 1);
            slot.Ready = true;
            return &slot;
        }
    }
    return nullptr;
}

void Unregister(const fs::path& temp) {
    for (TTemporarySlot& slot : gTemporaries) {
        if (slot.Ready && temp.native() == slot.Path) {
            slot.Ready = false;
            slot.Taken = false;
            return;
        }
    }
}

// ".NAME.tmp" followed by one to six digits.
bool IsTemporaryName(const std::string& name) {
    const std::size_t tmp = name.rfind(".tmp");
    if (name.size() < 2 || name.front() != '.' || tmp == std::string::npos || tmp < 2)
        return false;
    const std::size_t digits = name.size() - tmp - 4;
    return digits >= 1 && digits <= 6 && name.find_first_not_of("0123456789", tmp + 4) == std::string::npos;
}

// Removes leftovers of interrupted saves older than a day, once per folder and process.
void SweepLeftovers(const fs::path& folder) {
    static std::mutex mutex;
    static std::set<fs::path> swept;
    {
        std::lock_guard lock(mutex);
        if (!swept.insert(folder).second)
            return;
    }
    const auto dayAgo = std::chrono::system_clock::now() - std::chrono::hours(24);
    std::error_code error;
    for (fs::directory_iterator it(folder.empty() ? fs::path(".") : folder, error), end; !error && it != end;
         it.increment(error)) {
        // Only this user's: the folder may be shared, as the system's temporary folder is.
        struct stat info {};
        if (IsTemporaryName(it->path().filename().string()) && ::lstat(it->path().c_str(), &info) == 0 &&
            S_ISREG(info.st_mode) && info.st_uid == ::geteuid() &&
            std::chrono::system_clock::from_time_t(info.st_mtime) < dayAgo)
            ::unlink(it->path().c_str());
    }
}

// The file a chain of symbolic links leads to; the path itself when it is none.
fs::path FollowLinks(fs::path path) {
    for (int hop = 0; hop < 40; ++hop) {
        std::error_code error;
        if (!fs::is_symlink(fs::symlink_status(path, error)))
            return path;
        const fs::path next = fs::read_symlink(path, error);
        if (error)
            return path;
        const fs::path followed = next.is_absolute() ? next : path.parent_path() / next;
        // The links of /proc (/dev/stdout among them) name a pipe as "pipe:[N]", no path: the
        // link itself leads to it.
        struct stat info {};
        if (::stat(path.c_str(), &info) == 0 && !fs::exists(fs::symlink_status(followed, error)))
            return path;
        path = followed;
    }
    return path;
}

bool WriteAll(int fd, const char* data, std::size_t size) {
    std::size_t written = 0;
    while (written < size) {
        const auto n = ::write(fd, data + written, size - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        written += static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

TAtomicFile::TAtomicFile(const fs::path& target, TAccess access)
    : Target_(target), File_(FollowLinks(target)) {
    struct stat info {};
    if (::stat(File_.c_str(), &info) == 0) {
        if (S_ISDIR(info.st_mode))
            Fail("it is a folder");
        if (S_ISSOCK(info.st_mode))
            Fail("it is a socket");
        if (S_ISBLK(info.st_mode))
            Fail("it is a disk device");
        Streams_ = S_ISFIFO(info.st_mode) || S_ISCHR(info.st_mode);
    }
    if (Streams_ && access == TAccess::Sequential) {
        Fd_ = ::open(File_.c_str(), O_WRONLY | O_CLOEXEC);
        if (Fd_ < 0)
            Fail(std::strerror(errno));
        return;
    }
    std::error_code noTemporaryFolder;
    fs::path folder = Streams_ ? fs::temp_directory_path(noTemporaryFolder) : File_.parent_path();
    if (noTemporaryFolder)
        folder = "/tmp";
    SweepLeftovers(folder);
    std::random_device random;
    for (int attempt = 0; attempt < 100 && Fd_ < 0; ++attempt) {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, ".tmp%06u", static_cast<unsigned>(random() % 1000000));
        Temp_ = folder / ("." + File_.filename().string() + suffix);
        Fd_ = ::open(Temp_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (Fd_ < 0 && errno != EEXIST)
            break;
    }
    if (Fd_ < 0)
        Fail(std::strerror(errno));
    Register(Temp_);
}

TAtomicFile::~TAtomicFile() {
    if (Fd_ >= 0)
        ::close(Fd_);
    if (!Done_ && !Temp_.empty()) {
        ::unlink(Temp_.c_str());
        Unregister(Temp_);
    }
}

void TAtomicFile::Fail(const std::string& reason) const {
    throw ECwError("Cannot write \"" + Target_.string() + "\": " + reason);
}

void TAtomicFile::Write(std::string_view bytes) {
    if (!WriteAll(Fd_, bytes.data(), bytes.size()))
        Fail(std::strerror(errno));
}

void TAtomicFile::Commit(TFileSync sync) {
    if (Temp_.empty()) {
        const bool closed = ::close(Fd_) == 0;
        Fd_ = -1;
        if (!closed)
            Fail(std::strerror(errno));
    } else {
        if (Streams_)
            CopyIntoStream();
        else
            ReplaceFile(sync);
        ::unlink(Temp_.c_str()); // already renamed when the file was replaced
        Unregister(Temp_);
    }
    Done_ = true;
}

void TAtomicFile::ReplaceFile(TFileSync sync) {
    // The new file takes the permissions and owner of the one it replaces; only root may give a
    // file away, so a failing chown is no error.
    struct stat old {};
    if (::stat(File_.c_str(), &old) == 0 && S_ISREG(old.st_mode)) {
        if (::fchown(Fd_, old.st_uid, old.st_gid) != 0 && errno != EPERM)
            Fail(std::strerror(errno));
        if (::fchmod(Fd_, old.st_mode & 07777) != 0)
            Fail(std::strerror(errno));
    }
    const bool synced = sync == TFileSync::Later || ::fsync(Fd_) == 0;
    const int syncError = errno;
    const bool closed = ::close(Fd_) == 0;
    const int closeError = errno;
    Fd_ = -1;
    if (!synced || !closed)
        Fail(std::strerror(synced ? closeError : syncError));
    if (std::rename(Temp_.c_str(), File_.c_str()) != 0)
        Fail(std::strerror(errno));
}

void TAtomicFile::CopyIntoStream() {
    const int out = ::open(File_.c_str(), O_WRONLY | O_CLOEXEC);
    if (out < 0)
        Fail(std::strerror(errno));
    std::array<char, 1 << 16> buffer;
    bool ok = ::lseek(Fd_, 0, SEEK_SET) == 0;
    while (ok) {
        const auto n = ::read(Fd_, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        ok = WriteAll(out, buffer.data(), static_cast<std::size_t>(n));
    }
    const int error = errno;
    const bool closed = ::close(out) == 0;
    if (!ok || !closed)
        Fail(std::strerror(ok ? errno : error));
}

void WriteFileAtomically(const fs::path& path, std::string_view content, TFileSync sync) {
    TAtomicFile file(path);
    file.Write(content);
    file.Commit(sync);
}

void SyncFolder(const fs::path& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    // syncfs also reports a write-back error of any file of the file system since it was opened.
    if (fd < 0 || ::syncfs(fd) != 0) {
        const std::string reason = std::strerror(errno);
        if (fd >= 0)
            ::close(fd);
        throw ECwError("Cannot write \"" + folder.string() + "\": " + reason);
    }
    ::close(fd);
}

TUnfinishedPath::TUnfinishedPath(fs::path path) : Path_(std::move(path)) {
    Register(Path_);
}

TUnfinishedPath::~TUnfinishedPath() {
    Unregister(Path_);
}

void RemoveUnfinishedTemporaryFiles() noexcept {
    // Files first, so that the folders they were in are empty by the second pass.
    for (TTemporarySlot& slot : gTemporaries) {
        if (slot.Ready)
            ::unlink(slot.Path);
    }
    for (TTemporarySlot& slot : gTemporaries) {
        if (slot.Ready)
            ::rmdir(slot.Path);
    }
}
