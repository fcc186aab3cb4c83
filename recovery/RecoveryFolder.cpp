#include "recovery/RecoveryFolder.h"

#include "base/TextUtil.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <csignal>
#include <sstream>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {
const char* const kRecordExtension = ".record";
const char* const kLockExtension = ".lock";

std::string FirstLineOf(const fs::path& file) {
    const auto bytes = ReadFileBytes(file);
    if (!bytes)
        return {};
    return std::string(Trim(bytes->substr(0, bytes->find('\n'))));
}

// Field 22 of /proc/PID/stat; the process name before it may hold spaces and brackets.
unsigned long long StartTicksOf(long pid) {
    const auto bytes = ReadFileBytes("/proc/" + std::to_string(pid) + "/stat");
    if (!bytes)
        return 0;
    const std::size_t nameEnd = bytes->rfind(')');
    if (nameEnd == std::string::npos)
        return 0;
    std::istringstream fields(bytes->substr(nameEnd + 1));
    std::string field;
    for (int index = 3; index <= 22 && fields >> field; ++index) {
        if (index == 22)
            return std::strtoull(field.c_str(), nullptr, 10);
    }
    return 0;
}

std::string CurrentBootId() {
    return FirstLineOf("/proc/sys/kernel/random/boot_id");
}
} // namespace

fs::path RecoveryFolder() {
    const char* state = std::getenv("XDG_STATE_HOME");
    fs::path base;
    if (state && *state && fs::path(state).is_absolute()) {
        base = state;
    } else {
        const char* home = std::getenv("HOME");
        base = fs::path(home ? home : "/") / ".local" / "state";
    }
    return base / "celwright" / "recovery" / "";
}

TProcessIdentity TProcessIdentity::Current() {
    return Of(static_cast<long>(getpid()));
}

TProcessIdentity TProcessIdentity::Of(long pid) {
    return {pid, CurrentBootId(), StartTicksOf(pid)};
}

bool TProcessIdentity::IsRunning() const {
    if (Pid <= 0 || BootId != CurrentBootId())
        return false;
    if (kill(static_cast<pid_t>(Pid), 0) != 0 && errno != EPERM)
        return false;
    return StartTicksOf(Pid) == StartTicks;
}

std::string LockText(const TLockInfo& lock) {
    return "pid=" + std::to_string(lock.Process.Pid) + "\nboot=" + lock.Process.BootId +
           "\nstart=" + std::to_string(lock.Process.StartTicks) + "\nsheet=" + lock.SheetPath + "\n";
}

TLockInfo ReadLock(const fs::path& lock) {
    TLockInfo info;
    const auto bytes = ReadFileBytes(lock);
    if (!bytes)
        return info;
    for (const std::string& line : SplitLines(*bytes)) {
        const std::size_t equals = line.find('=');
        if (equals == std::string::npos)
            continue;
        const std::string key = line.substr(0, equals);
        const std::string value = line.substr(equals + 1);
        if (key == "pid")
            info.Process.Pid = std::strtol(value.c_str(), nullptr, 10);
        else if (key == "boot")
            info.Process.BootId = value;
        else if (key == "start")
            info.Process.StartTicks = std::strtoull(value.c_str(), nullptr, 10);
        else if (key == "sheet")
            info.SheetPath = value;
    }
    return info;
}

std::vector<TRecoveryEntry> ListRecords(const fs::path& folder) {
    std::vector<TRecoveryEntry> entries;
    std::error_code error;
    for (const fs::directory_entry& file : fs::directory_iterator(folder, error)) {
        const fs::path& path = file.path();
        if (path.extension() != kRecordExtension || path.filename().string().front() == '.')
            continue;
        TRecoveryEntry entry;
        entry.Record = path;
        entry.Lock = fs::path(path).replace_extension(kLockExtension);
        try {
            entry.Info = ReadRecoveryInfo(path);
        } catch (const std::exception&) {
            continue;
        }
        entry.Orphaned = !ReadLock(entry.Lock).Process.IsRunning();
        entries.push_back(std::move(entry));
    }
    std::sort(entries.begin(), entries.end(),
              [](const TRecoveryEntry& a, const TRecoveryEntry& b) { return a.Info.Changed > b.Info.Changed; });
    return entries;
}

std::vector<TRecoveryEntry> OrphanedRecords(const fs::path& folder) {
    std::vector<TRecoveryEntry> entries = ListRecords(folder);
    std::erase_if(entries, [](const TRecoveryEntry& entry) { return !entry.Orphaned; });
    return entries;
}

bool SheetOpenElsewhere(const fs::path& folder, const std::string& sheetPath) {
    if (sheetPath.empty())
        return false;
    const long self = static_cast<long>(getpid());
    std::error_code error;
    for (const fs::directory_entry& file : fs::directory_iterator(folder, error)) {
        if (file.path().extension() != kLockExtension)
            continue;
        const TLockInfo lock = ReadLock(file.path());
        if (lock.Process.Pid != self && lock.SheetPath == sheetPath && lock.Process.IsRunning())
            return true;
    }
    return false;
}

void DiscardRecord(const TRecoveryEntry& entry) {
    std::error_code error;
    fs::remove(entry.Record, error);
    if (!ReadLock(entry.Lock).Process.IsRunning())
        fs::remove(entry.Lock, error);
}

void RemoveStaleLocks(const fs::path& folder) {
    std::error_code error;
    for (const fs::directory_entry& file : fs::directory_iterator(folder, error)) {
        const fs::path& lock = file.path();
        if (lock.extension() != kLockExtension || fs::exists(fs::path(lock).replace_extension(kRecordExtension)))
            continue;
        if (!ReadLock(lock).Process.IsRunning())
            fs::remove(lock, error);
    }
}
