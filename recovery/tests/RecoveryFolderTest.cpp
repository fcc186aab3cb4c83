#include "recovery/RecoveryFolder.h"

#include "testsupport/ChildProcess.h"
#include "testsupport/TempFolder.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {
void WriteRecord(const fs::path& folder, const std::string& key, const std::string& sheet, std::time_t changed,
                 const TProcessIdentity& process) {
    const std::string sheetText = "<xsheet version=\"4.0\">\r\n<settings>\r\n</settings>\r\n</xsheet>\r\n";
    WriteText(folder / (key + ".record"),
              RecordText({sheet, std::chrono::system_clock::from_time_t(changed)}, sheetText));
    WriteText(folder / (key + ".lock"), LockText({process, sheet}));
}
} // namespace

TEST(RecoveryFolder, ALockIsLiveOnlyForTheSameProcessInThisBoot) {
    const TProcessIdentity self = TProcessIdentity::Current();
    TProcessIdentity otherBoot = self;
    otherBoot.BootId = "00000000-0000-0000-0000-000000000000";
    TProcessIdentity reusedId = self; // same id, but a process that started at another time
    reusedId.StartTicks += 1;
    EXPECT_TRUE(self.IsRunning());
    EXPECT_FALSE(otherBoot.IsRunning());
    EXPECT_FALSE(reusedId.IsRunning());
    EXPECT_FALSE(TProcessIdentity::Of(EndedProcess()).IsRunning());
    EXPECT_FALSE(TProcessIdentity{}.IsRunning());

    TTempFolder folder;
    WriteText(folder / "a.lock", LockText({self, "/s/walk.xps"}));
    const TLockInfo read = ReadLock(folder / "a.lock");
    EXPECT_TRUE(read.Process.IsRunning());
    EXPECT_EQ(read.SheetPath, "/s/walk.xps");
    EXPECT_FALSE(ReadLock(folder / "missing.lock").Process.IsRunning());
}

TEST(RecoveryFolder, ListsRecordsNewestFirstAndTellsOrphans) {
    TTempFolder folder;
    TChildProcess running;
    WriteRecord(folder.Path(), "old", "/s/old.xps", 1000, TProcessIdentity::Of(EndedProcess()));
    WriteRecord(folder.Path(), "live", "/s/live.xps", 3000, TProcessIdentity::Of(running.Pid));
    WriteRecord(folder.Path(), "unnamed", "", 2000, TProcessIdentity::Of(EndedProcess()));
    fs::remove(folder / "unnamed.lock"); // a lock removed, its record left
    WriteText(folder / ".old.record.tmp123456", "half");
    WriteText(folder / "broken.record", "not a record");

    const std::vector<TRecoveryEntry> all = ListRecords(folder.Path());
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[0].Info.SheetPath, "/s/live.xps");
    EXPECT_FALSE(all[0].Orphaned);
    EXPECT_EQ(all[1].Info.SheetPath, "");
    EXPECT_TRUE(all[1].Orphaned);
    EXPECT_EQ(all[2].Info.SheetPath, "/s/old.xps");
    EXPECT_TRUE(all[2].Orphaned);

    const std::vector<TRecoveryEntry> orphans = OrphanedRecords(folder.Path());
    ASSERT_EQ(orphans.size(), 2u);
    EXPECT_TRUE(SheetOpenElsewhere(folder.Path(), "/s/live.xps"));
    EXPECT_FALSE(SheetOpenElsewhere(folder.Path(), "/s/old.xps"));
    EXPECT_FALSE(SheetOpenElsewhere(folder.Path(), ""));

    DiscardRecord(orphans.back());
    EXPECT_FALSE(fs::exists(folder / "old.record"));
    EXPECT_FALSE(fs::exists(folder / "old.lock"));
    // A running program's lock stays, whatever is discarded.
    DiscardRecord(all[0]);
    EXPECT_TRUE(fs::exists(folder / "live.lock"));
}

TEST(RecoveryFolder, StaleLocksWithoutRecordsAreRemoved) {
    TTempFolder folder;
    TChildProcess running;
    WriteText(folder / "gone.lock", LockText({TProcessIdentity::Of(EndedProcess()), ""}));
    WriteText(folder / "live.lock", LockText({TProcessIdentity::Of(running.Pid), ""}));
    WriteRecord(folder.Path(), "orphan", "", 1000, TProcessIdentity::Of(EndedProcess()));
    RemoveStaleLocks(folder.Path());
    EXPECT_FALSE(fs::exists(folder / "gone.lock"));
    EXPECT_TRUE(fs::exists(folder / "live.lock"));
    EXPECT_TRUE(fs::exists(folder / "orphan.lock"));
}

TEST(RecoveryFolder, FollowsXdgStateHome) {
    const char* saved = std::getenv("XDG_STATE_HOME");
    const std::string restore = saved ? saved : "";
    setenv("XDG_STATE_HOME", "/st", 1);
    EXPECT_EQ(RecoveryFolder(), fs::path("/st/celwright/recovery/"));
    setenv("XDG_STATE_HOME", "relative", 1); // not absolute: ignored
    setenv("HOME", getenv("HOME") ? getenv("HOME") : "/h", 1);
    EXPECT_EQ(RecoveryFolder(), fs::path(getenv("HOME")) / ".local/state/celwright/recovery/");
    if (saved)
        setenv("XDG_STATE_HOME", restore.c_str(), 1);
    else
        unsetenv("XDG_STATE_HOME");
}
