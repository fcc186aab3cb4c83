// Feeds arbitrary bytes to the fast PNG path and, whatever it takes, to libpng as well: libpng must
// decode it to the same picture, or the fast path is at fault.
#include "base/Error.h"
#include "imaging/PngFastPath.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TPicture fast;
    try {
        if (!DecodePngFast(data, size, "fuzz.png", fast))
            return 0;
    } catch (const ECwError&) {
        return 0; // over the size limit
    }
    TPicture reference;
    try {
        DecodePngLibpng(data, size, "fuzz.png", reference);
    } catch (const ECwError&) {
        std::abort(); // the fast path took a file libpng refuses
    }
    if (!(fast == reference))
        std::abort();
    return 0;
}
