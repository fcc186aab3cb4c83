#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Builds small RIFF files byte by byte for the tests.
class TRiffBuilder {
public:
    TRiffBuilder(const std::string& riff = "RIFF", const std::string& wave = "WAVE") {
        Bytes.insert(Bytes.end(), riff.begin(), riff.end());
        Put32(0);
        Bytes.insert(Bytes.end(), wave.begin(), wave.end());
    }
    // A chunk with its declared size (by default the data's size) and the pad byte of odd sizes.
    TRiffBuilder& Chunk(const std::string& id, const std::vector<std::uint8_t>& data,
                        std::int64_t declared = -1) {
        Bytes.insert(Bytes.end(), id.begin(), id.end());
        Put32(static_cast<std::uint32_t>(declared < 0 ? static_cast<std::int64_t>(data.size()) : declared));
        Bytes.insert(Bytes.end(), data.begin(), data.end());
        if (data.size() % 2 == 1 && declared < 0)
            Bytes.push_back(0);
        return *this;
    }
    // A "fmt " chunk of the given encoding.
    TRiffBuilder& Format(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate, std::uint16_t bits) {
        std::vector<std::uint8_t> f;
        auto put = [&f](std::uint32_t v, int n) {
            for (int i = 0; i < n; ++i)
                f.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
        };
        put(tag, 2);
        put(channels, 2);
        put(rate, 4);
        put(rate * channels * bits / 8, 4);
        put(channels * bits / 8, 2);
        put(bits, 2);
        return Chunk("fmt ", f);
    }
    const std::vector<std::uint8_t>& Data() const { return Bytes; }
    std::string Text() const { return {Bytes.begin(), Bytes.end()}; }

private:
    void Put32(std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            Bytes.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    }
    std::vector<std::uint8_t> Bytes;
};

// Samples as little-endian bytes of `bits` bits each.
inline std::vector<std::uint8_t> SampleBytes(const std::vector<std::int32_t>& samples, int bits) {
    std::vector<std::uint8_t> out;
    for (std::int32_t s : samples) {
        for (int i = 0; i < bits / 8; ++i)
            out.push_back(static_cast<std::uint8_t>(static_cast<std::uint32_t>(s) >> (8 * i)));
    }
    return out;
}

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>

// A 16-bit PCM WAV file of a 440 Hz tone, `seconds` long.
inline void WriteToneWav(const std::filesystem::path& path, double seconds, std::uint32_t rate = 8000,
                         std::uint16_t channels = 1) {
    const auto frames = static_cast<std::size_t>(seconds * rate);
    std::vector<std::int32_t> samples;
    samples.reserve(frames * channels);
    for (std::size_t i = 0; i < frames; ++i) {
        const auto v =
            static_cast<std::int32_t>(12000 * std::sin(2 * 3.14159265 * 440 * static_cast<double>(i) / rate));
        for (std::uint16_t c = 0; c < channels; ++c)
            samples.push_back(v);
    }
    const auto file =
        TRiffBuilder().Format(1, channels, rate, 16).Chunk("data", SampleBytes(samples, 16)).Data();
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
}

// A 16-bit mono PCM WAV file of `samples` at `rate`.
inline void WriteMonoWav(const std::filesystem::path& path, const std::vector<std::int32_t>& samples,
                         std::uint32_t rate) {
    const auto file = TRiffBuilder().Format(1, 1, rate, 16).Chunk("data", SampleBytes(samples, 16)).Data();
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
}

// `frames` frames of silence at `fps` and 48 kHz, with a click (a millisecond's pulse) where each
// of `clicks` (frames from 1) begins.
inline std::vector<std::int32_t> ClickTrack(std::int32_t frames, std::int32_t fps,
                                            const std::vector<std::int32_t>& clicks) {
    constexpr std::int64_t kRate = 48000;
    std::vector<std::int32_t> samples(static_cast<std::size_t>(frames * kRate / fps), 0);
    for (std::int32_t frame : clicks) {
        const auto first = static_cast<std::size_t>((frame - 1) * kRate / fps);
        for (std::size_t i = first; i < std::min(first + kRate / 1000, samples.size()); ++i)
            samples[i] = 20000;
    }
    return samples;
}

// The level step of LevelTrack: frame n's samples are n steps, exact in every sample format.
constexpr std::int32_t kLevelStep = 2048;

// `frames` frames at `fps` and `rate` (a whole number of samples a frame), each holding its own
// steady level: frame n (from 1) is n * kLevelStep.
inline std::vector<std::int32_t> LevelTrack(std::int32_t frames, std::int32_t fps, std::int32_t rate) {
    std::vector<std::int32_t> samples;
    for (std::int32_t frame = 1; frame <= frames; ++frame)
        samples.insert(samples.end(), static_cast<std::size_t>(rate / fps), frame * kLevelStep);
    return samples;
}
