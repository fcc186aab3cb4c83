#pragma once

#include "recovery/RecoveryRecord.h"

#include <filesystem>
#include <string>
#include <vector>

// The recovery folder holds, per running program, KEY.lock (which process writes there, and the
// sheet it has open) and, while that sheet has unsaved changes, KEY.record. A record whose lock is
// gone or names a process that has ended is an orphan: its program stopped without saving.

// $XDG_STATE_HOME/celwright/recovery/, or ~/.local/state/celwright/recovery/ when that is not set.
std::filesystem::path RecoveryFolder();

// A process as a lock names it: the boot tells a process of an earlier boot apart, the start time a
// later process that was given the same id.
struct TProcessIdentity {
    long Pid = 0;
    std::string BootId;
    unsigned long long StartTicks = 0; // since boot, as /proc/PID/stat gives it

    static TProcessIdentity Current();
    // The running process `pid`; a start time of 0 when there is none.
    static TProcessIdentity Of(long pid);
    bool IsRunning() const;
};

// What a lock file says.
struct TLockInfo {
    TProcessIdentity Process;
    std::string SheetPath; // empty while the program's sheet has no file
};
std::string LockText(const TLockInfo& lock);
// Nothing readable gives a lock of no process, which is not running.
TLockInfo ReadLock(const std::filesystem::path& lock);

struct TRecoveryEntry {
    std::filesystem::path Record;
    std::filesystem::path Lock;
    TRecoveryInfo Info;
    bool Orphaned = false; // the program that wrote it is no longer running
};

// The records in `folder`, the most recent change first; files that are no record are left out.
std::vector<TRecoveryEntry> ListRecords(const std::filesystem::path& folder);
// The orphaned records only.
std::vector<TRecoveryEntry> OrphanedRecords(const std::filesystem::path& folder);
// True when a running program other than this one has `sheetPath` open.
bool SheetOpenElsewhere(const std::filesystem::path& folder, const std::string& sheetPath);
// Removes a record and its lock.
void DiscardRecord(const TRecoveryEntry& entry);
// Removes locks of programs that are no longer running and left no record behind.
void RemoveStaleLocks(const std::filesystem::path& folder);
