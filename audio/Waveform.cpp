#include "audio/Waveform.h"

#include "audio/WavParser.h"
#include "base/Error.h"
#include "document/SheetObjects.h"
#include "imaging/CodecSupport.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Pairs of waveform values per second of sound.
constexpr double kPairsPerSecond = 600.0;

// Channel values of the sample frames of the data.
class TSampleReader {
public:
    TSampleReader(const TWaveFormat& format, const std::uint8_t* samples, std::size_t frames)
        : Bits(format.BitsPerSample), IsFloat(format.FormatTag == TWaveFormat::kFloat),
          Bytes(format.BitsPerSample / 8), Stride(static_cast<std::size_t>(format.Channels) * Bytes),
          Samples(samples), Frames(frames) {}

    // The value of frame j's channel; past the last frame of the sound, the last one's.
    std::int32_t Value(std::size_t j, int channel) const {
        const std::uint8_t* p =
            Samples + std::min(j, Frames - 1) * Stride + static_cast<std::size_t>(channel) * Bytes;
        switch (Bits) {
        case 8:
            return static_cast<std::int32_t>(static_cast<float>(p[0]) * 0.195315f);
        case 16:
            return static_cast<std::int32_t>(static_cast<float>(static_cast<std::int16_t>(Get16(p))) *
                                             0.0015258f);
        case 24: {
            const std::int32_t v = static_cast<std::int32_t>(
                                       static_cast<std::uint32_t>(p[0] | (p[1] << 8) | (p[2] << 16)) << 8) >>
                                   8;
            return static_cast<std::int32_t>(static_cast<float>(v) * 0.0000059f);
        }
        default:
            if (IsFloat) {
                float f;
                std::memcpy(&f, p, 4);
                // NaN and huge values would not fit the column or an int.
                f = std::isfinite(f) ? std::clamp(f, -1.0f, 1.0f) : 0.0f;
                return static_cast<std::int32_t>(f * 50.0f);
            }
            return static_cast<std::int32_t>(static_cast<float>(static_cast<std::int32_t>(Get32(p))) *
                                             2.3283064e-8f);
        }
    }

private:
    int Bits;
    bool IsFloat;
    std::size_t Bytes;
    std::size_t Stride;
    const std::uint8_t* Samples;
    std::size_t Frames;
};

// Takes the pairs of waveform values from the sample frames.
class TPeakSampler {
public:
    TPeakSampler(const TWaveFormat& format, std::size_t frames, TSoundTrack& audio)
        : Format(format), Frames(frames), Step(format.SampleRate / kPairsPerSecond),
          Entries(static_cast<std::size_t>(static_cast<double>(frames) / Step) * 2),
          Drawn(std::min<int>(format.Channels, 2)), Audio(audio) {
        for (auto& channel : Audio.Peaks)
            channel.clear();
        for (int i = 0; i < Drawn; ++i)
            Audio.Peaks[static_cast<std::size_t>(i)].reserve(Entries);
    }

    // `samples` holds all the frames.
    void Take(const std::uint8_t* samples) {
        if (Frames == 0)
            return;
        const TSampleReader reader(Format, samples, Frames);
        auto& left = Audio.Peaks[0];
        for (double t = 0; t < static_cast<double>(Frames) && left.size() < Entries; t += Step) {
            const auto s = static_cast<std::size_t>(t);
            for (int i = 0; i < Drawn; ++i) {
                auto& values = Audio.Peaks[static_cast<std::size_t>(i)];
                values.push_back(reader.Value(s, i));
                values.push_back(reader.Value(s + 1, i));
            }
        }
    }

private:
    const TWaveFormat& Format;
    std::size_t Frames;
    double Step;
    std::size_t Entries;
    int Drawn;
    TSoundTrack& Audio;
};

// Bytes of a file mapped read-only. The sampler looks at a pair of frames in every few hundred
// bytes, so every page is needed; mapping reads them from the page cache in place, where reading
// into a buffer would first copy them all.
class TMappedRange {
public:
    // Throws ECwError naming the file when it cannot be opened or no longer holds the range.
    TMappedRange(const std::filesystem::path& file, std::uint64_t offset, std::size_t length) {
        if (length == 0)
            return;
        const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
        struct stat status {};
        const auto page = static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE));
        const std::uint64_t start = offset / page * page;
        if (fd >= 0 && ::fstat(fd, &status) == 0 && static_cast<std::uint64_t>(status.st_size) >= offset + length) {
            Length = static_cast<std::size_t>(offset - start) + length;
            void* map = ::mmap(nullptr, Length, PROT_READ, MAP_PRIVATE, fd, static_cast<off_t>(start));
            if (map != MAP_FAILED) {
                Map = static_cast<std::uint8_t*>(map);
                ::madvise(Map, Length, MADV_SEQUENTIAL);
            }
        }
        if (fd >= 0)
            ::close(fd);
        if (!Map)
            throw ECwError("Cannot read the sound file \"" + file.string() + "\".");
        First = Map + (offset - start);
    }
    ~TMappedRange() {
        if (Map)
            ::munmap(Map, Length);
    }
    TMappedRange(const TMappedRange&) = delete;
    TMappedRange& operator=(const TMappedRange&) = delete;

    const std::uint8_t* Bytes() const { return First; }

private:
    std::uint8_t* Map = nullptr;
    std::size_t Length = 0;
    const std::uint8_t* First = nullptr;
};

// The frames of the data chunk, no more than `maxLengthMs` of them.
std::size_t FramesToRead(const TWaveFormat& format, std::uint64_t dataBytes, std::int64_t maxLengthMs,
                         bool& cut) {
    const std::uint64_t frames = dataBytes / format.FrameBytes();
    const std::uint64_t most =
        static_cast<std::uint64_t>(std::max<std::int64_t>(maxLengthMs, 0)) * format.SampleRate / 1000;
    cut = frames > most;
    return static_cast<std::size_t>(std::min(frames, most));
}

void Finish(const TWaveFormat& format, std::uint64_t frames, TSoundTrack& audio, std::int32_t& lengthMs) {
    audio.Channels = format.Channels;
    audio.SignedSamples = format.BitsPerSample != 8;
    lengthMs = static_cast<std::int32_t>(static_cast<double>(frames) * 1000.0 / format.SampleRate);
}

} // namespace

bool TWaveFormat::Read(const TRiffChunk& fmt) {
    if (fmt.Size < 16)
        return false;
    const std::uint8_t* p = fmt.Data.data();
    FormatTag = Get16(p);
    Channels = Get16(p + 2);
    SampleRate = Get32(p + 4);
    BitsPerSample = Get16(p + 14);
    // The extensible header names the real encoding in the first two bytes of its sub-format GUID.
    if (FormatTag == kExtensible)
        FormatTag = fmt.Size >= 26 ? Get16(p + 24) : 0;
    return true;
}

bool TWaveFormat::Drawable() const {
    if (Channels == 0 || SampleRate == 0)
        return false;
    if (FormatTag == kPcm)
        return BitsPerSample == 8 || BitsPerSample == 16 || BitsPerSample == 24 || BitsPerSample == 32;
    return FormatTag == kFloat && BitsPerSample == 32;
}

bool ReadWaveform(const TWavParser& parser, TSoundTrack& audio, std::int32_t& lengthMs) {
    const TRiffChunk* fmt = parser.FindChunk("fmt ");
    const TRiffChunk* data = parser.FindChunk("data");
    TWaveFormat format;
    if (!fmt || !data || data->OnDisk || !format.Read(*fmt) || !format.Drawable())
        return false;
    const std::size_t frames = data->Size / format.FrameBytes();
    TPeakSampler(format, frames, audio).Take(data->Data.data());
    Finish(format, frames, audio, lengthMs);
    return true;
}

TWaveformRead ReadWaveformFile(const std::filesystem::path& file, std::int64_t maxLengthMs, TSoundTrack& audio,
                               std::int32_t& lengthMs) {
    TWavParser parser;
    parser.LoadHeadersFromFile(file);
    const TRiffChunk* fmt = parser.FindChunk("fmt ");
    const TRiffChunk* data = parser.FindChunk("data");
    TWaveFormat format;
    if (!fmt || !data || !format.Read(*fmt) || !format.Drawable())
        return TWaveformRead::NotDrawable;
    bool cut = false;
    const std::size_t frames = FramesToRead(format, data->Size, maxLengthMs, cut);
    const std::size_t frameBytes = format.FrameBytes();
    const TMappedRange samples(file, data->Offset, frames * frameBytes);
    TPeakSampler(format, frames, audio).Take(samples.Bytes());
    Finish(format, data->Size / frameBytes, audio, lengthMs);
    return cut ? TWaveformRead::Cut : TWaveformRead::Whole;
}
