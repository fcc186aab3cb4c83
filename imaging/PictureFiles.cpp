#include "imaging/CodecSupport.h"
#include "imaging/PictureCodecs.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

std::vector<std::uint8_t> ReadPictureFile(const std::filesystem::path& path) {
    // Non-blocking so that a FIFO in a layer folder cannot hang a render.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        throw PictureReadError(path.string(), std::strerror(errno));
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        const std::string reason =
            !S_ISREG(info.st_mode) && info.st_mode != 0 ? "not a regular file" : std::strerror(errno);
        ::close(fd);
        throw PictureReadError(path.string(), reason);
    }
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(info.st_size));
    std::size_t done = 0;
    while (done < bytes.size()) {
        const auto n = ::read(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const std::string reason = std::strerror(errno);
            ::close(fd);
            throw PictureReadError(path.string(), reason);
        }
        if (n == 0)
            break; // the file shrank while we read it; decode what is there
        done += static_cast<std::size_t>(n);
    }
    ::close(fd);
    bytes.resize(done);
    return bytes;
}

void WritePictureFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    auto fail = [&](const std::string& reason) { return PictureWriteError(path.string(), reason); };
    std::random_device random;
    const auto temp =
        path.parent_path() / ("." + path.filename().string() + ".tmp" + std::to_string(random() % 1000000));
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        throw fail(std::strerror(errno));
    std::size_t written = 0;
    while (written < bytes.size()) {
        const auto n = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const std::string reason = std::strerror(errno);
            ::close(fd);
            ::unlink(temp.c_str());
            throw fail(reason);
        }
        written += static_cast<std::size_t>(n);
    }
    // Captured drawings exist nowhere else: make sure they are on disk before they replace anything.
    const bool synced = ::fsync(fd) == 0;
    const int syncError = errno;
    if (::close(fd) != 0 || !synced) {
        const std::string reason = std::strerror(synced ? errno : syncError);
        ::unlink(temp.c_str());
        throw fail(reason);
    }
    if (std::rename(temp.c_str(), path.c_str()) != 0) {
        const std::string reason = std::strerror(errno);
        ::unlink(temp.c_str());
        throw fail(reason);
    }
}
