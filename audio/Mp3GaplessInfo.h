#pragma once

#include <cstdint>
#include <filesystem>

// What an MP3 file's first frame says about the sound around its own: an encoder delays the sound
// by some samples and pads its end to whole frames, and a decoder adds 529 samples of its own
// delay. The encoder states its delay and padding in the extension of the frame's "Xing" or
// "Info" header; a file without them has no gapless information.
struct TMp3GaplessInfo {
    std::uint32_t SampleRate = 0;
    std::uint64_t LeadingSamples = 0; // decoded samples before the source's first one
    std::uint64_t Samples = 0;        // the source's own length

    // Reads the header of `file`; false, changing nothing, when the file is not an MP3 stream
    // with gapless information or cannot be read.
    bool Read(const std::filesystem::path& file);
};
