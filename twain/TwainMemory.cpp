#include "twain/TwainTypes.h"

#include <cstdlib>
#include <new>

namespace {

// Each block starts with its size, so the receiver can check what it reads against it.
struct alignas(std::max_align_t) TBlockHeader {
    std::size_t Size;
};

TBlockHeader* HeaderOf(TW_HANDLE handle) {
    return static_cast<TBlockHeader*>(handle) - 1;
}

} // namespace

TW_HANDLE TwAlloc(std::size_t size) {
    if (size > SIZE_MAX - sizeof(TBlockHeader))
        return nullptr;
    auto* header = static_cast<TBlockHeader*>(std::calloc(1, sizeof(TBlockHeader) + size));
    if (header == nullptr)
        return nullptr;
    header->Size = size;
    return header + 1;
}

std::size_t TwSize(TW_HANDLE handle) {
    return handle == nullptr ? 0 : HeaderOf(handle)->Size;
}

void TwFree(TW_HANDLE handle) {
    if (handle != nullptr)
        std::free(HeaderOf(handle));
}

std::size_t TwItemSize(TW_UINT16 itemType) {
    switch (itemType) {
    case TWTY_INT8:
    case TWTY_UINT8:
        return 1;
    case TWTY_INT16:
    case TWTY_UINT16:
    case TWTY_BOOL:
        return 2;
    case TWTY_INT32:
    case TWTY_UINT32:
    case TWTY_FIX32:
        return 4;
    case TWTY_FRAME:
        return sizeof(TW_FRAME);
    case TWTY_STR32:
        return sizeof(TW_STR32);
    case TWTY_STR64:
        return sizeof(TW_STR64);
    case TWTY_STR128:
        return sizeof(TW_STR128);
    case TWTY_STR255:
        return sizeof(TW_STR255);
    default:
        return 0;
    }
}
