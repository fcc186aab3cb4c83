#pragma once

#include <cstdint>
#include <filesystem>

// What an MP4 (M4A) file's edit list says about its sound track: an AAC encoder puts priming
// samples before the sound and pads its end to whole frames, and the file's edit names the stretch
// of decoded samples that is the source's own sound.
struct TMp4GaplessInfo {
    std::uint32_t SampleRate = 0;     // the track's time scale, which for sound is its sample rate
    std::uint64_t LeadingSamples = 0; // decoded samples before the source's first one
    std::uint64_t Samples = 0;        // the source's own length

    // Reads the first sound track of `file`; false, changing nothing, when the file is not an MP4
    // file, has no sound track with an edit that plays its samples, or cannot be read.
    bool Read(const std::filesystem::path& file);
};
