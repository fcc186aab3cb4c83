// Feeds arbitrary bytes to the sheet file reader as the content of an .xps file.
#include "base/Error.h"
#include "document/XpsFile.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TXpsFile io;
    try {
        io.OpenText(std::string_view(reinterpret_cast<const char*>(data), size));
        TXpsSettings settings;
        TLayersData layers;
        TAudioInfo audio;
        io.ReadSettings(settings);
        io.ReadLayers(layers);
        io.ReadAudio(audio);
    } catch (const ECwError&) {
        // A newer version or a bad number: the reader's own refusal.
    }
    return 0;
}
