#include "audio/Waveform.h"

#include "audio/WavParser.h"
#include "document/SheetObjects.h"
#include "imaging/CodecSupport.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// Pairs of waveform values per second of sound.
constexpr double kPairsPerSecond = 600.0;

// One sample of a channel as a waveform value.
class TSampleReader {
public:
    TSampleReader(const TWaveFormat& format, const std::uint8_t* data, std::size_t frames, int channel)
        : Bits(format.BitsPerSample), IsFloat(format.FormatTag == TWaveFormat::kFloat),
          Bytes(format.BitsPerSample / 8), Stride(static_cast<std::size_t>(format.Channels) * Bytes),
          First(data + static_cast<std::size_t>(channel) * Bytes), Frames(frames) {}

    // The value of the channel's j-th sample; past the last sample, the last one's.
    std::int32_t Value(std::size_t j) const {
        const std::uint8_t* p = First + std::min(j, Frames - 1) * Stride;
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
    const std::uint8_t* First;
    std::size_t Frames;
};

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
    if (!fmt || !data || !format.Read(*fmt) || !format.Drawable())
        return false;

    const std::size_t frameBytes = static_cast<std::size_t>(format.Channels) * (format.BitsPerSample / 8);
    const std::size_t frames = data->Size / frameBytes;
    const double step = format.SampleRate / kPairsPerSecond;
    const int drawn = std::min<int>(format.Channels, 2);
    for (auto& channel : audio.Peaks)
        channel.clear();
    for (int i = 0; i < drawn && frames > 0; ++i) {
        const TSampleReader samples(format, data->Data.data(), frames, i);
        auto& values = audio.Peaks[static_cast<std::size_t>(i)];
        const auto entries = static_cast<std::size_t>(static_cast<double>(frames) / step) * 2;
        values.reserve(entries);
        for (double t = 0; t < static_cast<double>(frames) && values.size() < entries; t += step) {
            const auto s = static_cast<std::size_t>(t);
            values.push_back(samples.Value(s));
            values.push_back(samples.Value(s + 1));
        }
    }
    audio.Channels = format.Channels;
    audio.SignedSamples = format.BitsPerSample != 8;
    lengthMs = static_cast<std::int32_t>(static_cast<double>(frames) * 1000.0 / format.SampleRate);
    return true;
}
