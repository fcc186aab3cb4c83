#include "audio/Waveform.h"

#include "audio/WavParser.h"
#include "base/Error.h"
#include "document/SheetObjects.h"
#include "imaging/CodecSupport.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace {

// Pairs of waveform values per second of sound.
constexpr double kPairsPerSecond = 600.0;

// The waveform value of one sample, by its encoding.
std::int32_t Unsigned8(const std::uint8_t* p) {
    return static_cast<std::int32_t>(static_cast<float>(p[0]) * 0.195315f);
}
std::int32_t Signed16(const std::uint8_t* p) {
    return static_cast<std::int32_t>(static_cast<float>(static_cast<std::int16_t>(Get16(p))) * 0.0015258f);
}
std::int32_t Signed24(const std::uint8_t* p) {
    const std::int32_t v =
        static_cast<std::int32_t>(static_cast<std::uint32_t>(p[0] | (p[1] << 8) | (p[2] << 16)) << 8) >> 8;
    return static_cast<std::int32_t>(static_cast<float>(v) * 0.0000059f);
}
std::int32_t Signed32(const std::uint8_t* p) {
    return static_cast<std::int32_t>(static_cast<float>(static_cast<std::int32_t>(Get32(p))) * 2.3283064e-8f);
}
std::int32_t Float32(const std::uint8_t* p) {
    float f;
    std::memcpy(&f, p, 4);
    // NaN and huge values would not fit the column or an int.
    f = std::isfinite(f) ? std::clamp(f, -1.0f, 1.0f) : 0.0f;
    return static_cast<std::int32_t>(f * 50.0f);
}

// Takes the pairs of waveform values from the sample frames, handed over in runs from the first
// frame on: each pair is the value at the pair's frame and at the frame after it (past the last
// frame, the last one's).
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

    // The frame the next run must start with: a pair may begin in the last frame of a run.
    std::size_t Needed() const { return static_cast<std::size_t>(Position); }
    bool Done() const { return Position >= static_cast<double>(Frames) || Audio.Peaks[0].size() >= Entries; }

    // Takes the pairs within the run of `count` frames from frame `first` (at most Needed()).
    void Take(const std::uint8_t* samples, std::size_t first, std::size_t count) {
        switch (Format.BitsPerSample) {
        case 8:
            return TakeRun<Unsigned8>(samples, first, count);
        case 16:
            return TakeRun<Signed16>(samples, first, count);
        case 24:
            return TakeRun<Signed24>(samples, first, count);
        default:
            if (Format.FormatTag == TWaveFormat::kFloat)
                return TakeRun<Float32>(samples, first, count);
            return TakeRun<Signed32>(samples, first, count);
        }
    }

private:
    // The sample encoding is chosen once a run, and its conversion compiled into the loop: a
    // waveform takes over a million values.
    template <std::int32_t (*value)(const std::uint8_t*)>
    void TakeRun(const std::uint8_t* samples, std::size_t first, std::size_t count) {
        const std::size_t bytes = Format.BitsPerSample / 8;
        const std::size_t stride = Format.FrameBytes();
        const std::size_t end = first + count;
        auto& left = Audio.Peaks[0];
        auto& right = Audio.Peaks[1];
        for (; Position < static_cast<double>(Frames) && left.size() < Entries; Position += Step) {
            const auto s = static_cast<std::size_t>(Position);
            const std::size_t next = std::min(s + 1, Frames - 1);
            if (next >= end)
                return;
            const std::uint8_t* at = samples + (s - first) * stride;
            const std::uint8_t* after = samples + (next - first) * stride;
            left.push_back(value(at));
            left.push_back(value(after));
            if (Drawn == 2) {
                right.push_back(value(at + bytes));
                right.push_back(value(after + bytes));
            }
        }
    }

    const TWaveFormat& Format;
    std::size_t Frames;
    double Step;
    std::size_t Entries;
    int Drawn;
    TSoundTrack& Audio;
    double Position = 0;
};

// A file's sample frames read in blocks through one buffer: the sampler looks at a pair of frames
// in every few hundred bytes, so every page is needed, but never more than a block of them in
// memory. Reading, unlike a memory map, turns a file cut short by another program into an error
// rather than a fault.
class TBlockReader {
public:
    static constexpr std::size_t kBlockBytes = 256 << 10;
    static constexpr std::size_t kPageBytes = 4096;

    // Throws ECwError naming the file when it cannot be opened.
    explicit TBlockReader(const std::filesystem::path& file) : File(file) {
        Descriptor = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
        if (Descriptor < 0)
            Fail();
        ::posix_fadvise(Descriptor, 0, 0, POSIX_FADV_SEQUENTIAL);
    }
    ~TBlockReader() { ::close(Descriptor); }
    TBlockReader(const TBlockReader&) = delete;
    TBlockReader& operator=(const TBlockReader&) = delete;

    // Hands `frames` frames of `frameBytes` bytes, from byte `offset` on, to the sampler run by run;
    // throws ECwError naming the file when it ends before them or cannot be read.
    void Feed(std::uint64_t offset, std::size_t frames, std::size_t frameBytes, TPeakSampler& sampler) {
        const std::size_t blockFrames = std::max<std::size_t>(kBlockBytes / frameBytes, 2);
        std::vector<std::uint8_t> storage(blockFrames * frameBytes + 2 * kPageBytes);
        const auto misaligned = reinterpret_cast<std::uintptr_t>(storage.data()) % kPageBytes;
        std::uint8_t* const pages = storage.data() + (kPageBytes - misaligned) % kPageBytes;
        std::uint8_t* buffer = pages; // the frames held, from `first` on
        std::size_t first = 0, held = 0;
        while (first + held < frames && !sampler.Done()) {
            // Keep what the sampler still needs in front of what is read next.
            const std::size_t keep = first + held - std::min(sampler.Needed(), first + held);
            const std::uint8_t* const kept = buffer + (held - keep) * frameBytes;
            first += held - keep;
            held = keep;
            const std::uint64_t at = offset + (first + held) * static_cast<std::uint64_t>(frameBytes);
            // The kernel copies fastest into memory at the file's own place within a page: a
            // destination a few bytes ahead of its source takes four times as long on some machines.
            std::uint8_t* const moved = pages + (at - keep * frameBytes) % kPageBytes;
            std::memmove(moved, kept, keep * frameBytes);
            buffer = moved;
            const std::size_t more = std::min(blockFrames - held, frames - first - held);
            ReadAt(at, buffer + held * frameBytes, more * frameBytes);
            held += more;
            sampler.Take(buffer, first, held);
        }
    }

private:
    void ReadAt(std::uint64_t offset, std::uint8_t* into, std::size_t bytes) {
        while (bytes > 0) {
            const ssize_t got = ::pread(Descriptor, into, bytes, static_cast<off_t>(offset));
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                Fail();
            into += got;
            offset += static_cast<std::uint64_t>(got);
            bytes -= static_cast<std::size_t>(got);
        }
    }

    [[noreturn]] void Fail() const { throw ECwError("Cannot read the sound file \"" + File.string() + "\"."); }

    std::filesystem::path File;
    int Descriptor = -1;
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
    TPeakSampler(format, frames, audio).Take(data->Data.data(), 0, frames);
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
    TPeakSampler sampler(format, frames, audio);
    TBlockReader(file).Feed(data->Offset, frames, frameBytes, sampler);
    Finish(format, data->Size / frameBytes, audio, lengthMs);
    return cut ? TWaveformRead::Cut : TWaveformRead::Whole;
}
