// Reads arbitrary bytes as an MP3 file's encoder header, as the converter does before it cuts a
// sound. A file that reads names a stretch of samples at an MP3 sample rate; one that does not
// leaves nothing.
#include "FuzzFiles.h"
#include "audio/Mp3GaplessInfo.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TMp3GaplessInfo info;
    const bool read = info.Read(WriteFuzzFile("sound.mp3", data, size));
    if (read ? info.SampleRate < 8000 || info.SampleRate > 48000 || info.Samples == 0
             : info.SampleRate != 0 || info.Samples != 0 || info.LeadingSamples != 0)
        std::abort();
    return 0;
}
