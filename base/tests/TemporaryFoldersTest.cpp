#include "base/TemporaryFolders.h"
#include "testsupport/TempFolder.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {
// The id of a process that has ended.
pid_t GonePid() {
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    ::waitpid(child, nullptr, 0);
    return child;
}
} // namespace

TEST(TemporaryFolders, OnlyFoldersOfEndedRunsAreReclaimed) {
    TTempFolder base;
    const std::string gone = "celwright-" + std::to_string(GonePid()) + "-";
    fs::create_directories(base / (gone + "a1b2c3/deep"));
    WriteText(base / (gone + "a1b2c3/deep/cwAudio.wav"), "2 GB of sound");
    const fs::path running = MakeTemporaryFolder(base.Path());
    EXPECT_TRUE(running.filename().string().starts_with(TemporaryFolderPrefix()));
    fs::create_directories(base / "elsewhere");
    WriteText(base / "elsewhere/keep.png", "x");
    fs::create_directory_symlink(base / "elsewhere", base / (gone + "link00"));
    WriteText(base / (gone + "file00"), "a file, not a folder");
    for (const char* other : {"celwright-export-abcdef", "celwright-1x-abcdef", "celwright--abcdef", "other-1-abcdef"})
        fs::create_directories(base / other);

    EXPECT_EQ(RemoveAbandonedTemporaryFolders(base.Path()), 1);
    EXPECT_FALSE(fs::exists(base / (gone + "a1b2c3")));
    EXPECT_TRUE(fs::is_directory(running)) << "this process is still running";
    EXPECT_TRUE(fs::is_symlink(base / (gone + "link00")));
    EXPECT_EQ(ReadText(base / "elsewhere/keep.png"), "x");
    EXPECT_TRUE(fs::is_regular_file(base / (gone + "file00")));
    EXPECT_TRUE(fs::is_directory(base / "celwright-export-abcdef"));
    EXPECT_EQ(RemoveAbandonedTemporaryFolders(base / "missing"), 0);
}
