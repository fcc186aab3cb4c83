#include "base/AtomicFile.h"

#include "base/Error.h"
#include "testsupport/TempFolder.h"

#include <chrono>
#include <fcntl.h>
#include <fstream>
#include <future>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::string SaveError(const fs::path& path, std::string_view content) {
    try {
        WriteFileAtomically(path, content);
    } catch (const ECwError& e) {
        return e.what();
    }
    return "";
}

struct stat StatOf(const fs::path& path) {
    struct stat info {};
    ::lstat(path.c_str(), &info);
    return info;
}

// What the folder holds besides `keep`: a save leaves nothing of its own behind.
std::vector<std::string> Others(const TTempFolder& folder, const std::vector<std::string>& keep) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder.Path())) {
        const std::string name = entry.path().filename().string();
        if (std::find(keep.begin(), keep.end(), name) == keep.end())
            names.push_back(name);
    }
    return names;
}

} // namespace

TEST(AtomicFile, ReplacesAFileKeepingItsPermissionsAndOwner) {
    TTempFolder folder;
    const std::string path = folder / "walk.xps";
    WriteText(path, "old");
    ::chmod(path.c_str(), 0640);
    const bool root = ::geteuid() == 0;
    if (root)
        ASSERT_EQ(::chown(path.c_str(), 4321, 4322), 0);
    WriteFileAtomically(path, "new");
    EXPECT_EQ(ReadText(path), "new");
    const struct stat info = StatOf(path);
    EXPECT_TRUE(S_ISREG(info.st_mode));
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    if (root) {
        EXPECT_EQ(info.st_uid, 4321u);
        EXPECT_EQ(info.st_gid, 4322u);
    }
    EXPECT_EQ(Others(folder, {"walk.xps"}), std::vector<std::string>{});
}

TEST(AtomicFile, SavesThroughSymbolicLinksBesideTheirTarget) {
    TTempFolder folder;
    fs::create_directories(folder / "real");
    WriteText(folder / "real/walk.xps", "old");
    ::chmod((folder / "real/walk.xps").c_str(), 0600);
    fs::create_symlink("real/walk.xps", folder / "middle.xps"); // relative to the link's folder
    fs::create_symlink(folder / "middle.xps", folder / "link.xps");
    WriteFileAtomically(folder / "link.xps", "new");
    EXPECT_TRUE(fs::is_symlink(fs::symlink_status(folder / "link.xps")));
    EXPECT_TRUE(fs::is_symlink(fs::symlink_status(folder / "middle.xps")));
    EXPECT_EQ(ReadText(folder / "real/walk.xps"), "new");
    EXPECT_EQ(StatOf(folder / "real/walk.xps").st_mode & 07777, 0600u);
    EXPECT_EQ(Others(folder, {"real", "middle.xps", "link.xps"}), std::vector<std::string>{});

    // A link to a file not there yet makes the file.
    fs::create_symlink("made.xps", folder / "dangling.xps");
    WriteFileAtomically(folder / "dangling.xps", "made");
    EXPECT_EQ(ReadText(folder / "made.xps"), "made");
    EXPECT_TRUE(fs::is_symlink(fs::symlink_status(folder / "dangling.xps")));
}

TEST(AtomicFile, WritesStraightIntoPipesAndDevices) {
    TTempFolder folder;
    const std::string fifo = folder / "pipe";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    auto reader = std::async(std::launch::async, [&] { return ReadText(fifo); });
    {
        TAtomicFile file(fifo);
        EXPECT_EQ(file.TemporaryPath(), fs::path()) << "no detour through a temporary file";
        file.Write("through ");
        file.Write("the pipe");
        file.Commit();
    }
    EXPECT_EQ(reader.get(), "through the pipe");
    EXPECT_TRUE(S_ISFIFO(StatOf(fifo).st_mode));

    // A character device such as /dev/null: made in the folder where this process may, else the
    // system's own.
    std::string device = folder / "null";
    if (::mknod(device.c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0)
        device = "/dev/null";
    WriteFileAtomically(device, "into nothing");
    EXPECT_TRUE(S_ISCHR(StatOf(device).st_mode));
    EXPECT_EQ(Others(folder, {"pipe", "null"}), std::vector<std::string>{});
}

TEST(AtomicFile, RefusesFoldersAndSocketsNamingThem) {
    TTempFolder folder;
    fs::create_directories(folder / "sub");
    const std::string socketPath = folder / "sock";
    const int s = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", socketPath.c_str());
    ASSERT_EQ(::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    EXPECT_EQ(SaveError(folder / "sub", "x"), "Cannot write \"" + (folder / "sub") + "\": it is a folder");
    EXPECT_EQ(SaveError(socketPath, "x"), "Cannot write \"" + socketPath + "\": it is a socket");
    EXPECT_EQ(SaveError(folder / "no/such/file", "x"),
              "Cannot write \"" + (folder / "no/such/file") + "\": No such file or directory");
    ::close(s);
    EXPECT_TRUE(fs::is_directory(folder / "sub"));
    EXPECT_TRUE(fs::is_socket(socketPath));
    EXPECT_EQ(Others(folder, {"sub", "sock"}), std::vector<std::string>{});
}

TEST(AtomicFile, RemovesItsOwnLeftoversOlderThanADay) {
    TTempFolder folder;
    const auto old = fs::file_time_type::clock::now() - std::chrono::hours(25);
    for (const char* name : {".movie.avi.tmp123456", ".walk.xps.tmp42", ".fresh.avi.tmp000001",
                             "notes.tmp123", ".other.tmpx12"}) {
        WriteText(folder / name, "left over");
        if (std::string(name) != ".fresh.avi.tmp000001")
            fs::last_write_time(folder / name, old);
    }
    WriteFileAtomically(folder / "walk.xps", "new");
    EXPECT_FALSE(fs::exists(folder / ".movie.avi.tmp123456"));
    EXPECT_FALSE(fs::exists(folder / ".walk.xps.tmp42"));
    EXPECT_TRUE(fs::exists(folder / ".fresh.avi.tmp000001")) << "younger than a day: maybe a save going on";
    EXPECT_TRUE(fs::exists(folder / "notes.tmp123")) << "not our pattern";
    EXPECT_TRUE(fs::exists(folder / ".other.tmpx12")) << "not our pattern";
}

TEST(AtomicFile, AnUnfinishedFileIsRemovedByTheDestructorOrTheSignalHandlersCall) {
    TTempFolder folder;
    fs::path first, second;
    {
        TAtomicFile file(folder / "a.avi");
        file.Write("half a movie");
        first = file.TemporaryPath();
        EXPECT_TRUE(fs::exists(first));
    }
    EXPECT_FALSE(fs::exists(first));

    TAtomicFile file(folder / "b.avi");
    second = file.TemporaryPath();
    RemoveUnfinishedTemporaryFiles();
    EXPECT_FALSE(fs::exists(second));
    EXPECT_FALSE(fs::exists(folder / "b.avi"));
}

TEST(AtomicFile, UnfinishedPathsGoWithTheSignalHandlersCallWhileRegistered) {
    TTempFolder folder;
    const fs::path steps = folder / "steps", kept = folder / "kept.avi";
    fs::create_directory(steps);
    std::ofstream(steps / "temp.avi") << "raw frames";
    std::ofstream(kept) << "a finished movie";
    { const TUnfinishedPath done(kept); }
    const TUnfinishedPath stepsFolder(steps), raw(steps / "temp.avi");
    TAtomicFile part(steps / "part.avi");
    RemoveUnfinishedTemporaryFiles();
    EXPECT_FALSE(fs::exists(steps));
    EXPECT_TRUE(fs::exists(kept));
}
