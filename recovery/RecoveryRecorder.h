#pragma once

#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

// This program's lock and record in the recovery folder. Records go to disk on a thread of their
// own, each replacing the last in one step (a record is never half written), so whoever hands one
// over does not wait for the disk. A record handed over while another waits replaces it: only the
// newest is written.
class TRecoveryRecorder {
public:
    // Makes the folder and the lock, which names this process; removes locks that ended programs
    // left without a record. Throws ECwError naming the file when the lock cannot be written.
    explicit TRecoveryRecorder(const std::filesystem::path& folder);
    // Finishes the write under way and removes the lock. A record still there stays: its sheet was
    // never saved, and the next start offers it.
    ~TRecoveryRecorder();
    TRecoveryRecorder(const TRecoveryRecorder&) = delete;
    TRecoveryRecorder& operator=(const TRecoveryRecorder&) = delete;

    const std::filesystem::path& RecordPath() const { return Record; }
    const std::filesystem::path& LockPath() const { return Lock; }

    // The sheet this program has open (empty for one without a file), for other programs to see.
    void SetSheetPath(const std::string& path);
    // Hands a record to the writer; `tag` comes back through OnWritten once it is on disk.
    void Submit(std::string text, std::uint64_t tag = 0);
    // Submit, then wait until the record is on disk.
    void Write(std::string text, std::uint64_t tag = 0);
    // Drops a record not yet written, waits for one being written and removes the record file.
    void Remove();
    // The message of the last write that failed, once; empty when none failed since.
    std::string TakeError();

    // Called on the writer's thread after each record reached the disk.
    std::function<void(std::uint64_t tag)> OnWritten;

private:
    struct TJob {
        std::string Text;
        std::uint64_t Tag = 0;
        std::uint64_t Sequence = 0;
    };
    void Run();
    std::uint64_t Queue(std::string text, std::uint64_t tag);

    std::filesystem::path Record;
    std::filesystem::path Lock;
    std::mutex Guard;
    std::condition_variable Wake;
    std::condition_variable Done;
    std::optional<TJob> Waiting;
    bool Busy = false;
    bool Stopping = false;
    std::uint64_t Submitted = 0;
    std::uint64_t Finished = 0; // the sequence number of the last record handled
    std::string Error;
    std::thread Writer;
};
