#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

// Pictures: rasters in one of three pixel formats, stored top row first, each row padded to a
// multiple of 4 bytes.
//   pf8bit   one palette index per pixel, with a 256-entry palette
//   pf24bit  bytes B, G, R per pixel
//   pf32bit  one 32-bit word per pixel, alpha in the top byte, then R, G, B (bytes B, G, R, A)
enum class TPixelFormat : std::uint8_t { pf8bit, pf24bit, pf32bit };

// Bytes one pixel takes: 1, 3 or 4.
std::int32_t BytesPerPixel(TPixelFormat format);

struct TPaletteEntry {
    std::uint8_t Red = 0;
    std::uint8_t Green = 0;
    std::uint8_t Blue = 0;
    bool operator==(const TPaletteEntry&) const = default;
};

using TPalette = std::array<TPaletteEntry, 256>;

// The grey palette: entry i is (i, i, i).
TPalette CreateGrayPalette();
bool IsGrayPalette(const TPalette& palette);

// The largest picture side we make or decode, in pixels. Anything bigger is a damaged file.
inline constexpr std::int32_t kMaxPictureSide = 32768;
// The largest picture a file may decode to, in pixels (a 600 dpi A3 scan is about 70 million).
inline constexpr std::int64_t kMaxPicturePixels = 100'000'000;

// True when the `bytes` bytes from `p` (a multiple of 8) are all 0xFF: white pixels in any 24 or
// 32-bit layout. Drawings are mostly white paper, and loops over them skip it this way.
inline bool AllBytesWhite(const std::uint8_t* p, std::size_t bytes) {
    std::uint64_t all = ~std::uint64_t{0};
    for (std::size_t i = 0; i < bytes; i += 8) {
        std::uint64_t word;
        std::memcpy(&word, p + i, 8);
        all &= word;
    }
    return all == ~std::uint64_t{0};
}

class TPicture {
public:
    // An empty picture (0 x 0, 24-bit).
    TPicture() = default;
    // A picture of the given size whose pixels are all 0; an 8-bit one gets the grey palette.
    // Throws ECwError when a side is negative or larger than kMaxPictureSide.
    TPicture(std::int32_t width, std::int32_t height, TPixelFormat format);

    TPicture(const TPicture& other);
    TPicture& operator=(const TPicture& other);
    TPicture(TPicture&& other) noexcept;
    TPicture& operator=(TPicture&& other) noexcept;
    ~TPicture() = default;

    std::int32_t Width() const { return Width_; }
    std::int32_t Height() const { return Height_; }
    TPixelFormat PixelFormat() const { return Format_; }
    bool Empty() const { return Width_ == 0 || Height_ == 0; }
    // Bytes from one row to the next: the row's pixels rounded up to a multiple of 4.
    std::size_t Stride() const { return Stride_; }
    std::size_t ByteSize() const { return Stride_ * static_cast<std::size_t>(Height_); }

    // Gives the picture a new size and format. The pixels are left undefined (the buffer is reused
    // when it is large enough); an 8-bit picture gets the grey palette. Throws as the constructor.
    void SetSize(std::int32_t width, std::int32_t height, TPixelFormat format);
    // Sets every byte of every row, padding included, to `value`.
    void Fill(std::uint8_t value);

    // Row y, counted from the top (0-based).
    std::uint8_t* Row(std::int32_t y) { return Bits_.get() + Stride_ * static_cast<std::size_t>(y); }
    const std::uint8_t* Row(std::int32_t y) const {
        return Bits_.get() + Stride_ * static_cast<std::size_t>(y);
    }

    // Used by 8-bit pictures only.
    TPalette Palette = CreateGrayPalette();

    // Same size, format and pixels (row padding ignored), and for 8-bit pictures the same palette.
    bool operator==(const TPicture& other) const;

private:
    std::int32_t Width_ = 0;
    std::int32_t Height_ = 0;
    TPixelFormat Format_ = TPixelFormat::pf24bit;
    std::size_t Stride_ = 0;
    std::size_t Capacity_ = 0;
    std::unique_ptr<std::uint8_t[]> Bits_;
};

// Rendered frames handed from the preview to the movie export: one picture per frame, and the
// playback order (entry i is the index in the image array of the i-th frame shown).
using TImageArray = std::vector<std::unique_ptr<TPicture>>;
using TFrameArray = std::vector<std::int32_t>;
