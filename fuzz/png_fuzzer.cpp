// Feeds arbitrary bytes to both PNG decoders. Whatever the fast path takes, libpng must decode to
// the same picture; anything else is a fault of the fast path.
#include "document/CwError.h"
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
