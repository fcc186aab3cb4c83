// Feeds arbitrary bytes to the PNG reader. A picture it accepts must have the size the file claims
// and stay within the decoded-picture limit.
#include "base/Error.h"
#include "imaging/PictureCodecs.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TPicture picture;
    try {
        DecodePng(data, size, "fuzz.png", picture);
    } catch (const ECwError&) {
        return 0;
    }
    if (picture.Empty() || std::int64_t{picture.Width()} * picture.Height() > kMaxPicturePixels)
        std::abort();
    return 0;
}
