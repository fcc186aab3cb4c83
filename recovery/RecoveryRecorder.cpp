#include "recovery/RecoveryRecorder.h"

#include "base/AtomicFile.h"
#include "base/Error.h"
#include "recovery/RecoveryFolder.h"

#include <algorithm>
#include <chrono>
#include <utility>

namespace fs = std::filesystem;

namespace {
// A name no other program picks: the process and the moment it started.
std::string SessionKey() {
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    return std::to_string(TProcessIdentity::Current().Pid) + "-" +
           std::to_string(std::chrono::duration_cast<std::chrono::microseconds>(now).count());
}
} // namespace

TRecoveryRecorder::TRecoveryRecorder(const fs::path& folder) {
    std::error_code error;
    fs::create_directories(folder, error);
    if (error)
        throw ECwError("Cannot make the folder \"" + folder.string() + "\": " + error.message());
    RemoveStaleLocks(folder);
    const std::string key = SessionKey();
    Record = folder / (key + ".record");
    Lock = folder / (key + ".lock");
    SetSheetPath({});
    Writer = std::thread([this] { Run(); });
}

TRecoveryRecorder::~TRecoveryRecorder() {
    {
        std::lock_guard lock(Guard);
        Stopping = true;
    }
    Wake.notify_all();
    Writer.join();
    std::error_code error;
    fs::remove(Lock, error);
}

void TRecoveryRecorder::SetSheetPath(const std::string& path) {
    WriteFileAtomically(Lock, LockText({TProcessIdentity::Current(), path}));
}

std::uint64_t TRecoveryRecorder::Queue(std::string text, std::uint64_t tag) {
    std::uint64_t sequence = 0;
    {
        std::lock_guard lock(Guard);
        sequence = ++Submitted;
        Waiting = TJob{std::move(text), tag, sequence};
    }
    Wake.notify_all();
    return sequence;
}

void TRecoveryRecorder::Submit(std::string text, std::uint64_t tag) {
    Queue(std::move(text), tag);
}

void TRecoveryRecorder::Write(std::string text, std::uint64_t tag) {
    const std::uint64_t sequence = Queue(std::move(text), tag);
    std::unique_lock lock(Guard);
    Done.wait(lock, [&] { return Finished >= sequence; });
}

void TRecoveryRecorder::Remove() {
    std::unique_lock lock(Guard);
    if (Waiting) {
        Finished = Waiting->Sequence;
        Waiting.reset();
    }
    Done.wait(lock, [this] { return !Busy; });
    std::error_code error;
    fs::remove(Record, error);
    Done.notify_all();
}

std::string TRecoveryRecorder::TakeError() {
    std::lock_guard lock(Guard);
    return std::exchange(Error, {});
}

void TRecoveryRecorder::Run() {
    std::unique_lock lock(Guard);
    for (;;) {
        Wake.wait(lock, [this] { return Stopping || Waiting; });
        if (!Waiting)
            return;
        TJob job = std::move(*Waiting);
        Waiting.reset();
        Busy = true;
        lock.unlock();
        std::string failure;
        try {
            WriteFileAtomically(Record, job.Text);
        } catch (const std::exception& error) {
            failure = error.what();
        }
        if (failure.empty() && OnWritten)
            OnWritten(job.Tag);
        lock.lock();
        Busy = false;
        Finished = std::max(Finished, job.Sequence);
        if (!failure.empty())
            Error = failure;
        Done.notify_all();
    }
}
