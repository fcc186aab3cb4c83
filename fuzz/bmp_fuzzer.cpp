// Feeds arbitrary bytes to the BMP reader as the content of a cel's drawing.
#include "base/Error.h"
#include "imaging/PictureCodecs.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TPicture picture;
    try {
        DecodeBmp(data, size, "fuzz.bmp", picture);
    } catch (const ECwError&) {
        // A damaged or unsupported file: the reader's own refusal.
    }
    return 0;
}
