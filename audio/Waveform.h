#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>

class TWavParser;
class TSoundTrack;
struct TRiffChunk;

// The sample layout of a WAV file, from its "fmt " chunk.
struct TWaveFormat {
    static constexpr std::uint16_t kPcm = 1;
    static constexpr std::uint16_t kFloat = 3;
    static constexpr std::uint16_t kExtensible = 0xFFFE;

    std::uint16_t FormatTag = 0; // for an extensible file, the tag of its sub-format
    std::uint16_t Channels = 0;
    std::uint32_t SampleRate = 0;
    std::uint16_t BitsPerSample = 0;

    // Reads a "fmt " chunk; false when it is too short.
    bool Read(const TRiffChunk& fmt);
    // Samples the waveform reader draws without conversion: integer PCM of 8, 16, 24 or 32 bits
    // and 32-bit floats, at least one channel and a sample rate.
    bool Drawable() const;
    // Bytes of one sample frame: a sample of every channel.
    std::size_t FrameBytes() const { return static_cast<std::size_t>(Channels) * (BitsPerSample / 8); }
};

// The waveform values a file gives per channel: 600 pairs per second of sound, each pair the
// scaled sample at the pair's position and the sample after it. Unsigned 8-bit samples give 0 to
// about 50, signed ones about -50 to 50, so a 50-pixel column draws them from its left edge or
// around its centre.
//
// Fills Peaks (the first two channels), Channels and SignedSamples of `audio` from a parsed WAV
// file and returns true; returns false and changes nothing when the file lacks "fmt " or "data" or
// holds samples that are not Drawable. The data's own length in milliseconds goes to `lengthMs`.
bool ReadWaveform(const TWavParser& parser, TSoundTrack& audio, std::int32_t& lengthMs);

enum class TWaveformRead { NotDrawable, Whole, Cut };

// As ReadWaveform, straight from a WAV file, its samples read a block at a time rather than all
// into memory, and no more than the first `maxLengthMs` of them; `lengthMs` is the length of all the
// samples the file holds, which is what it plays. Returns Cut when the file holds more than was
// read, NotDrawable (changing nothing) when ReadWaveform would return false. Throws ECwError naming
// the file when it cannot be opened or read.
TWaveformRead ReadWaveformFile(const std::filesystem::path& file, std::int64_t maxLengthMs, TSoundTrack& audio,
                               std::int32_t& lengthMs);
