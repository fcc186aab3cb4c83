#include "audio/Mp4GaplessInfo.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <limits>
#include <string_view>
#include <vector>

namespace {

// The movie's header box is read whole; a real one is a few hundred kilobytes at most.
constexpr std::uint64_t kMaxMovieHeader = 64ull << 20;

std::uint64_t Big(const std::uint8_t* p, int bytes) {
    std::uint64_t value = 0;
    for (int i = 0; i < bytes; ++i)
        value = (value << 8) | p[i];
    return value;
}

// The boxes of a container box's body, one after another.
class TBoxes {
public:
    TBoxes(const std::uint8_t* body, std::size_t size) : At(body), End(body + size) {}

    // The next box's type and body; false at the end or at a box that does not fit.
    bool Next(std::string_view& type, const std::uint8_t*& body, std::size_t& size) {
        const auto left = static_cast<std::size_t>(End - At);
        if (left < 8)
            return false;
        std::uint64_t boxSize = Big(At, 4);
        std::size_t header = 8;
        if (boxSize == 1) {
            if (left < 16)
                return false;
            boxSize = Big(At + 8, 8);
            header = 16;
        } else if (boxSize == 0) {
            boxSize = left;
        }
        if (boxSize < header || boxSize > left)
            return false;
        type = std::string_view(reinterpret_cast<const char*>(At + 4), 4);
        body = At + header;
        size = static_cast<std::size_t>(boxSize) - header;
        At += boxSize;
        return true;
    }

    // The body of the first box of that type.
    bool Find(std::string_view wanted, const std::uint8_t*& body, std::size_t& size) {
        std::string_view type;
        while (Next(type, body, size))
            if (type == wanted)
                return true;
        return false;
    }

private:
    const std::uint8_t* At;
    const std::uint8_t* End;
};

// A full box's time scale and, where given, duration: version 1 counts in 64 bits.
bool ReadTimes(const std::uint8_t* body, std::size_t size, std::uint32_t& scale, std::uint64_t* duration) {
    const bool wide = size > 0 && body[0] == 1;
    const std::size_t at = wide ? 20 : 12;
    const int width = wide ? 8 : 4;
    if (size < at + 4 + static_cast<std::size_t>(width))
        return false;
    scale = static_cast<std::uint32_t>(Big(body + at, 4));
    if (duration)
        *duration = Big(body + at + 4, width);
    return scale > 0;
}

// The first entry of an edit list: its length in the movie's time scale and where it starts in
// the track's. False for an empty edit, which plays nothing of the track.
bool ReadFirstEdit(const std::uint8_t* body, std::size_t size, std::uint64_t& length, std::uint64_t& start) {
    if (size < 8 || Big(body + 4, 4) == 0)
        return false;
    const bool wide = body[0] == 1;
    const int width = wide ? 8 : 4;
    if (size < 8 + 2 * static_cast<std::size_t>(width))
        return false;
    length = Big(body + 8, width);
    const std::uint64_t time = Big(body + 8 + width, width);
    const bool empty = wide ? time == ~0ull : time == 0xFFFFFFFFull;
    start = time;
    return !empty;
}

// The movie header box's body, read from the file; skips the sample data before it.
bool ReadMovieBox(std::ifstream& in, std::vector<std::uint8_t>& movie) {
    for (;;) {
        std::uint8_t head[16];
        if (!in.read(reinterpret_cast<char*>(head), 8))
            return false;
        std::uint64_t size = Big(head, 4);
        std::uint64_t header = 8;
        if (size == 1) {
            if (!in.read(reinterpret_cast<char*>(head + 8), 8))
                return false;
            size = Big(head + 8, 8);
            header = 16;
        }
        const bool last = size == 0;
        if (!last && size < header)
            return false;
        if (std::memcmp(head + 4, "moov", 4) == 0) {
            if (last) {
                const std::streamoff here = in.tellg();
                in.seekg(0, std::ios::end);
                size = static_cast<std::uint64_t>(in.tellg() - here) + header;
                in.seekg(here);
            }
            if (size - header > kMaxMovieHeader)
                return false;
            movie.resize(static_cast<std::size_t>(size - header));
            return static_cast<bool>(in.read(reinterpret_cast<char*>(movie.data()), static_cast<std::streamsize>(movie.size())));
        }
        // A 64-bit size past any file would seek backwards once cast, and could go round for ever.
        const std::uint64_t body = size - header;
        if (last || body > static_cast<std::uint64_t>(std::numeric_limits<std::streamoff>::max()) ||
            !in.seekg(static_cast<std::streamoff>(body), std::ios::cur))
            return false;
    }
}

} // namespace

bool TMp4GaplessInfo::Read(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::uint8_t brand[8];
    // An MP4 file opens with its file type box.
    if (!in || !in.read(reinterpret_cast<char*>(brand), 8) || std::memcmp(brand + 4, "ftyp", 4) != 0)
        return false;
    in.seekg(0);
    std::vector<std::uint8_t> movie;
    if (!ReadMovieBox(in, movie))
        return false;
    const std::uint8_t* body = nullptr;
    std::size_t size = 0;
    std::uint32_t movieScale = 0;
    if (!TBoxes(movie.data(), movie.size()).Find("mvhd", body, size) || !ReadTimes(body, size, movieScale, nullptr))
        return false;
    TBoxes tracks(movie.data(), movie.size());
    const std::uint8_t* track = nullptr;
    std::size_t trackSize = 0;
    while (tracks.Find("trak", track, trackSize)) {
        const std::uint8_t* media = nullptr;
        std::size_t mediaSize = 0;
        if (!TBoxes(track, trackSize).Find("mdia", media, mediaSize))
            continue;
        // The handler box names the kind of track after its version, flags and a reserved field.
        if (!TBoxes(media, mediaSize).Find("hdlr", body, size) || size < 12 ||
            std::memcmp(body + 8, "soun", 4) != 0)
            continue;
        std::uint32_t rate = 0;
        std::uint64_t decoded = 0;
        if (!TBoxes(media, mediaSize).Find("mdhd", body, size) || !ReadTimes(body, size, rate, &decoded))
            return false;
        std::uint64_t length = 0, start = 0;
        if (!TBoxes(track, trackSize).Find("edts", body, size) || !TBoxes(body, size).Find("elst", body, size) ||
            !ReadFirstEdit(body, size, length, start) || start >= decoded)
            return false;
        // The edit's length counts in the movie's coarser time scale; the track's own duration,
        // when its last frame is counted short, is exact.
        std::uint64_t samples = decoded - start;
        if (length > 0 && length <= std::numeric_limits<std::uint64_t>::max() / 2 / rate)
            samples = std::min(samples, (length * rate + movieScale / 2) / movieScale);
        // An edit shorter than half a sample plays nothing.
        if (samples == 0)
            return false;
        SampleRate = rate;
        LeadingSamples = start;
        Samples = samples;
        return true;
    }
    return false;
}
