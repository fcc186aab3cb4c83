#include "audio/Waveform.h"

#include "audio/WavParser.h"
#include "base/Error.h"
#include "document/SheetObjects.h"
#include "imaging/CodecSupport.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace {

// Pairs of waveform values per second of sound.
constexpr double kPairsPerSecond = 600.0;
// Bytes of samples read from disk at a time.
constexpr std::size_t kBlockBytes = 1 << 20;

// Channel values of sample frames held in a block of the data, frame `Base` first.
class TSampleReader {
public:
    TSampleReader(const TWaveFormat& format, const std::uint8_t* block, std::size_t base, std::size_t frames)
        : Bits(format.BitsPerSample), IsFloat(format.FormatTag == TWaveFormat::kFloat),
          Bytes(format.BitsPerSample / 8), Stride(static_cast<std::size_t>(format.Channels) * Bytes),
          Block(block), Base(base), Frames(frames) {}

    // The value of frame j's channel; past the last frame of the sound, the last one's.
    std::int32_t Value(std::size_t j, int channel) const {
        const std::uint8_t* p =
            Block + (std::min(j, Frames - 1) - Base) * Stride + static_cast<std::size_t>(channel) * Bytes;
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
    const std::uint8_t* Block;
    std::size_t Base;
    std::size_t Frames;
};

// Takes the pairs of waveform values from the sample frames as blocks of them arrive in order.
// A pair needs its frame and the next, so each block after the first starts with the last frame
// of the block before it.
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

    // `block` holds frames base .. base + count - 1.
    void Take(const std::uint8_t* block, std::size_t base, std::size_t count) {
        const TSampleReader samples(Format, block, base, Frames);
        const std::size_t last = base + count - 1; // the last frame this block holds
        auto& left = Audio.Peaks[0];
        while (T < static_cast<double>(Frames) && left.size() < Entries) {
            const auto s = static_cast<std::size_t>(T);
            if (s + 1 > last && last + 1 < Frames)
                return; // the next frame comes with the next block
            for (int i = 0; i < Drawn; ++i) {
                auto& values = Audio.Peaks[static_cast<std::size_t>(i)];
                values.push_back(samples.Value(s, i));
                values.push_back(samples.Value(s + 1, i));
            }
            T += Step;
        }
    }

private:
    const TWaveFormat& Format;
    std::size_t Frames;
    double Step;
    std::size_t Entries;
    int Drawn;
    TSoundTrack& Audio;
    double T = 0;
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
    TPeakSampler sampler(format, frames, audio);
    if (frames > 0)
        sampler.Take(data->Data.data(), 0, frames);
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
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> stream(std::fopen(file.c_str(), "rb"), &std::fclose);
    if (!stream || std::fseek(stream.get(), static_cast<long>(data->Offset), SEEK_SET) != 0)
        throw ECwError("Cannot read the sound file \"" + file.string() + "\".");
    TPeakSampler sampler(format, frames, audio);
    // Each block after the first is read behind the last frame of the one before.
    const std::size_t blockFrames = std::max<std::size_t>(kBlockBytes / frameBytes, 2);
    std::vector<std::uint8_t> block((blockFrames + 1) * frameBytes);
    std::size_t next = 0; // the next frame to read
    while (next < frames) {
        const std::size_t carried = next > 0 ? 1 : 0;
        if (carried)
            std::memcpy(block.data(), block.data() + blockFrames * frameBytes, frameBytes);
        const std::size_t wanted = std::min(blockFrames + 1 - carried, frames - next);
        const std::size_t got =
            std::fread(block.data() + carried * frameBytes, frameBytes, wanted, stream.get());
        if (got < wanted)
            throw ECwError("Cannot read the sound file \"" + file.string() + "\".");
        sampler.Take(block.data(), next - carried, got + carried);
        next += got;
    }
    Finish(format, data->Size / frameBytes, audio, lengthMs);
    return cut ? TWaveformRead::Cut : TWaveformRead::Whole;
}
