// Feeds arbitrary bytes to the RIFF parser and the waveform reader, as a sound file would reach them.
#include "audio/WavParser.h"
#include "audio/Waveform.h"
#include "document/SheetObjects.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TWavParser parser;
    parser.LoadFromBytes(data, size);
    for (std::int32_t i = 0; i < parser.ChunkCount(); ++i)
        parser.GetChunk(i);
    TSoundTrack audio;
    std::int32_t lengthMs = 0;
    ReadWaveform(parser, audio, lengthMs);
    return 0;
}
