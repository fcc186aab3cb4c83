#include "imaging/CodecSupport.h"
#include "imaging/PictureCodecs.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

constexpr std::size_t kInfoHeaderSize = 40;
constexpr std::size_t kFileHeaderSize = 14;
constexpr std::uint32_t kBiBitFields = 3;

} // namespace

TDibLayout CompleteDibHeader(std::uint8_t* dib, std::size_t size, const std::string& name) {
    if (size < kInfoHeaderSize)
        throw PictureReadError(name, "the bitmap header is truncated");
    TDibLayout layout;
    layout.HeaderSize = Get32(dib);
    if (layout.HeaderSize < kInfoHeaderSize || layout.HeaderSize > size)
        throw PictureReadError(name, "unsupported bitmap header");
    const std::int64_t width = static_cast<std::int32_t>(Get32(dib + 4));
    const std::int64_t height = static_cast<std::int32_t>(Get32(dib + 8));
    layout.BitCount = Get16(dib + 14);
    const std::uint32_t compression = Get32(dib + 16);
    if (width <= 0 || height == 0 || width > kMaxPictureSide || std::abs(height) > kMaxPictureSide ||
        layout.BitCount == 0 || layout.BitCount > 32)
        throw PictureReadError(name, "invalid picture size");

    layout.ColorsUsed = Get32(dib + 32);
    if (layout.ColorsUsed == 0) {
        layout.ColorsUsed = layout.BitCount == 1   ? 2
                            : layout.BitCount == 4 ? 16
                            : layout.BitCount == 8 ? 256
                                                   : 0;
        Put32(dib + 32, layout.ColorsUsed);
    }
    if (Get32(dib + 36) == 0)
        Put32(dib + 36, layout.ColorsUsed);

    const std::size_t rowSize = ((static_cast<std::size_t>(width) * layout.BitCount + 31) / 32) * 4;
    layout.ImageSize = rowSize * static_cast<std::size_t>(std::abs(height));
    if (layout.ImageSize > std::numeric_limits<std::uint32_t>::max())
        throw PictureReadError(name, "invalid picture size");
    Put32(dib + 20, static_cast<std::uint32_t>(layout.ImageSize));

    layout.ColorTableOffset = layout.HeaderSize;
    if (layout.HeaderSize == kInfoHeaderSize && (layout.BitCount == 16 || layout.BitCount == 32) &&
        compression == kBiBitFields)
        layout.ColorTableOffset += 12;
    layout.PixelOffset = layout.ColorTableOffset + 4 * static_cast<std::size_t>(layout.ColorsUsed);
    if (layout.PixelOffset > size)
        throw PictureReadError(name, "the colour table is truncated");
    return layout;
}

void DecodeDib(std::uint8_t* dib, std::size_t size, const std::string& name, TPicture& picture) {
    const TDibLayout layout = CompleteDibHeader(dib, size, name);
    if (size - layout.PixelOffset < layout.ImageSize)
        throw PictureReadError(name, "the pixel data is truncated");
    // The BMP reader takes the same bytes behind a file header that says where the pixels start.
    std::vector<std::uint8_t> file(kFileHeaderSize + layout.PixelOffset + layout.ImageSize);
    file[0] = 'B';
    file[1] = 'M';
    Put32(file.data() + 2, static_cast<std::uint32_t>(file.size()));
    Put32(file.data() + 10, static_cast<std::uint32_t>(kFileHeaderSize + layout.PixelOffset));
    std::memcpy(file.data() + kFileHeaderSize, dib, layout.PixelOffset + layout.ImageSize);
    DecodeBmp(file.data(), file.size(), name, picture);
}
