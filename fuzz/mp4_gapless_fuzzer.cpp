// Reads arbitrary bytes as an M4A file's edit list, as the converter does before it cuts a sound.
// A file that reads names a stretch of samples at a sample rate; one that does not leaves nothing.
#include "FuzzFiles.h"
#include "audio/Mp4GaplessInfo.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TMp4GaplessInfo info;
    const bool read = info.Read(WriteFuzzFile("sound.m4a", data, size));
    if (read ? info.SampleRate == 0 || info.Samples == 0
             : info.SampleRate != 0 || info.Samples != 0 || info.LeadingSamples != 0)
        std::abort();
    return 0;
}
