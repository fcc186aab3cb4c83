#include "recovery/RecoveryRecorder.h"

#include "recovery/RecoveryFolder.h"
#include "testsupport/TempFolder.h"

#include <atomic>
#include <gtest/gtest.h>

namespace fs = std::filesystem;

TEST(RecoveryRecorder, WritesTheNewestRecordAndKeepsItAfterItsProgramEnds) {
    TTempFolder folder;
    fs::path record;
    fs::path lock;
    {
        TRecoveryRecorder recorder(folder.Path() / "recovery");
        record = recorder.RecordPath();
        lock = recorder.LockPath();
        EXPECT_TRUE(ReadLock(lock).Process.IsRunning());
        recorder.SetSheetPath("/s/walk.xps");
        EXPECT_EQ(ReadLock(lock).SheetPath, "/s/walk.xps");

        std::atomic<std::uint64_t> lastTag = 0;
        recorder.OnWritten = [&](std::uint64_t tag) { lastTag = tag; };
        for (int i = 1; i <= 200; ++i)
            recorder.Submit("record " + std::to_string(i), static_cast<std::uint64_t>(i));
        recorder.Write("record 201", 201);
        EXPECT_EQ(ReadText(record), "record 201");
        EXPECT_EQ(lastTag, 201u);
        EXPECT_EQ(recorder.TakeError(), "");
    }
    // Never saved: the record stays for the next start; the lock goes with its program.
    EXPECT_TRUE(fs::exists(record));
    EXPECT_FALSE(fs::exists(lock));
}

TEST(RecoveryRecorder, RemoveLeavesNoRecordBehind) {
    TTempFolder folder;
    TRecoveryRecorder recorder(folder.Path());
    recorder.Write("first");
    for (int i = 0; i < 50; ++i)
        recorder.Submit(std::string(100'000, 'x'));
    recorder.Remove();
    EXPECT_FALSE(fs::exists(recorder.RecordPath()));
    // A record written after a save is a new change: it appears again.
    recorder.Write("second");
    EXPECT_EQ(ReadText(recorder.RecordPath()), "second");
}

TEST(RecoveryRecorder, AFailedWriteIsReportedOnce) {
    TTempFolder folder;
    TRecoveryRecorder recorder(folder.Path());
    fs::create_directory(recorder.RecordPath()); // a folder where the record goes
    recorder.Write("record");
    EXPECT_NE(recorder.TakeError().find(recorder.RecordPath().string()), std::string::npos);
    EXPECT_EQ(recorder.TakeError(), "");
}
