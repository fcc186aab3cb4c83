#pragma once

#include <filesystem>
#include <string>
#include <string_view>

// Saving a file so that a failure or an interruption never leaves it half written.
//
// The content goes into a temporary file, ".NAME.tmpNNNNNN" beside the file it replaces; Commit
// gives it the old file's permissions (and owner, where the process may) and renames it over the
// old file in one step. What the target path names decides where the bytes go:
//   - a symbolic link is followed (link after link): the file it leads to is replaced, the link
//     stays;
//   - a FIFO or a character device (a pipe to a player, /dev/null) is written straight into; a
//     writer that must seek back gets a temporary file in the system's temporary folder instead,
//     which Commit copies in;
//   - a folder, a socket or a block device is refused.
// Leftover temporary files of this pattern older than a day are removed the first time the process
// writes in their folder. Every failure throws ECwError "Cannot write "<path>": <reason>".
// When a replaced file reaches the disk: before it takes the old file's place, or with a later
// SyncFolder for a batch of files.
enum class TFileSync { Sync, Later };

class TAtomicFile {
public:
    enum class TAccess { Sequential, Seekable };

    // Looks at the target and opens what the content goes to.
    explicit TAtomicFile(const std::filesystem::path& target, TAccess access = TAccess::Sequential);
    // Removes the temporary file unless Commit has put it in place.
    ~TAtomicFile();
    TAtomicFile(const TAtomicFile&) = delete;
    TAtomicFile& operator=(const TAtomicFile&) = delete;

    // Where the content goes: the temporary file, or a pipe or device written straight into.
    int Descriptor() const { return Fd_; }
    // Empty when the content goes straight into a pipe or device.
    const std::filesystem::path& TemporaryPath() const { return Temp_; }
    // Writes all of `bytes` at the current position.
    void Write(std::string_view bytes);
    // Puts the content in place. Closes the descriptor.
    void Commit(TFileSync sync = TFileSync::Sync);

private:
    [[noreturn]] void Fail(const std::string& reason) const;
    void CopyIntoStream();
    void ReplaceFile(TFileSync sync);

    std::filesystem::path Target_; // as given, for messages
    std::filesystem::path File_;   // what it leads to
    bool Streams_ = false;
    std::filesystem::path Temp_;
    int Fd_ = -1;
    bool Done_ = false;
};

// Replaces the file's content in one step with TAtomicFile. Throws ECwError naming the file.
void WriteFileAtomically(const std::filesystem::path& path, std::string_view content,
                         TFileSync sync = TFileSync::Sync);

// Puts everything written into the folder's file system on disk, files and names: one sync for a
// batch of files written with TFileSync::Later. Throws ECwError naming the folder on failure.
void SyncFolder(const std::filesystem::path& folder);

// A file or a folder that a save in several steps makes on the way (a private folder of intermediate
// files): while the object lives, RemoveUnfinishedTemporaryFiles removes it too, a folder once the
// registered files in it are gone. The object removes nothing itself.
class TUnfinishedPath {
public:
    explicit TUnfinishedPath(std::filesystem::path path);
    ~TUnfinishedPath();
    TUnfinishedPath(const TUnfinishedPath&) = delete;
    TUnfinishedPath& operator=(const TUnfinishedPath&) = delete;

private:
    std::filesystem::path Path_;
};

// For handlers of SIGINT and SIGTERM: removes every temporary file of a TAtomicFile still unfinished
// in this process, and every TUnfinishedPath. Async-signal-safe.
void RemoveUnfinishedTemporaryFiles() noexcept;
