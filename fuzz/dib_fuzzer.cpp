// Feeds arbitrary bytes to the DIB conversion as the memory a scanner driver hands over.
#include "base/Error.h"
#include "imaging/PictureCodecs.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The conversion completes the header in place, as it does with a driver's memory.
    std::vector<std::uint8_t> dib(data, data + size);
    TPicture picture;
    try {
        DecodeDib(dib.data(), dib.size(), "scanned image", picture);
    } catch (const ECwError&) {
        // A damaged or unsupported image: the conversion's own refusal.
    }
    return 0;
}
