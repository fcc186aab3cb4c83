#include "base/TextUtil.h"
#include "imaging/CodecSupport.h"
#include "imaging/PictureCodecs.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
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

void WritePictureFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes, bool sync) {
    // Synced by default before it replaces anything: captured drawings exist nowhere else.
    WriteFileAtomically(path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()),
                        sync ? TFileSync::Sync : TFileSync::Later);
}
