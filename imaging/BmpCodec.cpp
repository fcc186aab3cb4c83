#include "imaging/CodecSupport.h"
#include "imaging/PictureCodecs.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace {

constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiRle8 = 1;
constexpr std::uint32_t kBiRle4 = 2;
constexpr std::uint32_t kBiBitFields = 3;
constexpr std::uint32_t kBiAlphaBitFields = 6;

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::size_t kCoreHeaderSize = 12;
constexpr std::size_t kInfoHeaderSize = 40;

// One colour channel described by a bit-field mask, scaled to 0..255.
struct TChannelMask {
    std::uint32_t Mask = 0;
    int Shift = 0;
    int Bits = 0;

    explicit TChannelMask(std::uint32_t mask = 0) : Mask(mask) {
        if (mask != 0) {
            Shift = std::countr_zero(mask);
            Bits = std::min(8, std::popcount(mask >> Shift));
            // Keep the top 8 bits of a wider channel.
            Shift += std::popcount(mask >> Shift) - Bits;
        }
    }
    std::uint8_t Extract(std::uint32_t pixel, std::uint8_t missing) const {
        if (Mask == 0)
            return missing;
        const std::uint32_t v = (pixel >> Shift) & ((1u << Bits) - 1);
        return static_cast<std::uint8_t>(Bits == 8 ? v : v * 255 / ((1u << Bits) - 1));
    }
};

struct TBmpHeader {
    std::int32_t Width = 0;
    std::int32_t Height = 0; // rows, always positive here
    bool TopDown = false;
    std::uint16_t BitCount = 0;
    std::uint32_t Compression = kBiRgb;
    std::uint32_t ColorsUsed = 0;
    std::size_t PaletteOffset = 0;
    std::size_t PaletteEntrySize = 4;
    std::uint32_t Masks[4] = {0, 0, 0, 0}; // red, green, blue, alpha
};

class TBmpDecoder {
public:
    TBmpDecoder(const std::uint8_t* data, std::size_t size, const std::string& name)
        : Data(data), Size(size), Name(name) {}

    void Decode(TPicture& picture) {
        TBmpHeader h = ReadHeader();
        const std::uint32_t offBits = Get32(Data + 10);
        if (offBits >= Size)
            Fail("the pixel data is missing");
        const std::uint8_t* pixels = Data + offBits;
        const std::size_t available = Size - offBits;
        // The rows must be there before the picture is made: a short file claiming a huge size must
        // not cost gigabytes. Uncompressed rows are all stored; an RLE8 row takes at least the two
        // bytes of its end-of-line code.
        const std::size_t stride = ((static_cast<std::size_t>(h.Width) * h.BitCount + 31) / 32) * 4;
        if (h.Compression != kBiRle8 && stride * static_cast<std::size_t>(h.Height) > available)
            Fail("the file is truncated");
        if (h.Compression == kBiRle8 && 2 * static_cast<std::size_t>(h.Height) > available)
            throw PictureTooShortError(Name, h.Width, h.Height);

        if (h.BitCount <= 8) {
            picture.SetSize(h.Width, h.Height, TPixelFormat::pf8bit);
            ReadPalette(h, picture.Palette);
        } else {
            picture.SetSize(h.Width, h.Height,
                            h.BitCount == 24 ? TPixelFormat::pf24bit : TPixelFormat::pf32bit);
        }
        if (h.Compression == kBiRle8) {
            DecodeRle8(h, pixels, available, picture);
            return;
        }
        for (std::int32_t row = 0; row < h.Height; ++row) {
            const std::uint8_t* in = pixels + stride * static_cast<std::size_t>(row);
            std::uint8_t* out = picture.Row(h.TopDown ? row : h.Height - 1 - row);
            CopyRow(h, in, out);
        }
    }

private:
    [[noreturn]] void Fail(const std::string& reason) const { throw PictureReadError(Name, reason); }

    TBmpHeader ReadHeader() const {
        if (Size < kFileHeaderSize + 4 || Data[0] != 'B' || Data[1] != 'M')
            Fail("not a BMP file");
        const std::uint32_t headerSize = Get32(Data + kFileHeaderSize);
        if (headerSize < kCoreHeaderSize || headerSize > Size - kFileHeaderSize)
            Fail("the file is truncated");
        const std::uint8_t* p = Data + kFileHeaderSize;
        TBmpHeader h;
        std::int64_t height = 0;
        if (headerSize == kCoreHeaderSize) {
            h.Width = Get16(p + 4);
            height = Get16(p + 6);
            h.BitCount = Get16(p + 10);
            h.PaletteEntrySize = 3;
        } else {
            if (headerSize < kInfoHeaderSize)
                Fail("unsupported BMP header");
            h.Width = static_cast<std::int32_t>(Get32(p + 4));
            height = static_cast<std::int32_t>(Get32(p + 8));
            h.BitCount = Get16(p + 14);
            h.Compression = Get32(p + 16);
            h.ColorsUsed = Get32(p + 32);
        }
        h.PaletteOffset = kFileHeaderSize + headerSize;
        if (h.Compression == kBiBitFields || h.Compression == kBiAlphaBitFields) {
            // The masks sit inside the larger headers, or follow a BITMAPINFOHEADER.
            const std::size_t count = h.Compression == kBiAlphaBitFields ? 4 : 3;
            const std::size_t at = kFileHeaderSize + kInfoHeaderSize;
            if (at + 4 * count > Size)
                Fail("the file is truncated");
            for (std::size_t i = 0; i < count; ++i)
                h.Masks[i] = Get32(Data + at + 4 * i);
            if (headerSize >= kInfoHeaderSize + 16)
                h.Masks[3] = Get32(Data + at + 12);
            if (headerSize == kInfoHeaderSize)
                h.PaletteOffset += 4 * count;
        }
        h.TopDown = height < 0;
        height = height < 0 ? -height : height;
        if (h.Width <= 0 || height <= 0)
            Fail("invalid picture size");
        CheckDecodedPictureSize(h.Width, height, Name);
        h.Height = static_cast<std::int32_t>(height);

        const bool supported =
            (h.Compression == kBiRgb && (h.BitCount == 1 || h.BitCount == 4 || h.BitCount == 8 ||
                                         h.BitCount == 24 || h.BitCount == 32)) ||
            (h.Compression == kBiRle8 && h.BitCount == 8) ||
            ((h.Compression == kBiBitFields || h.Compression == kBiAlphaBitFields) && h.BitCount == 32);
        if (!supported) {
            if (h.Compression == kBiRle4)
                Fail("RLE4 compression is not supported");
            Fail("unsupported BMP format (" + std::to_string(h.BitCount) + " bits per pixel, compression " +
                 std::to_string(h.Compression) + ")");
        }
        if (h.Compression == kBiRle8 && h.TopDown)
            Fail("a top-down BMP cannot be compressed");
        return h;
    }

    void ReadPalette(const TBmpHeader& h, TPalette& palette) const {
        palette.fill(TPaletteEntry{});
        std::size_t count = h.ColorsUsed == 0 ? std::size_t{1} << h.BitCount : h.ColorsUsed;
        count = std::min<std::size_t>(count, 256);
        for (std::size_t i = 0; i < count; ++i) {
            const std::size_t at = h.PaletteOffset + i * h.PaletteEntrySize;
            if (at + 3 > Size)
                break;
            palette[i] = {Data[at + 2], Data[at + 1], Data[at]};
        }
    }

    static void CopyRow(const TBmpHeader& h, const std::uint8_t* in, std::uint8_t* out) {
        const std::int32_t width = h.Width;
        switch (h.BitCount) {
        case 1:
            for (std::int32_t x = 0; x < width; ++x)
                out[x] = (in[x >> 3] >> (7 - (x & 7))) & 1;
            break;
        case 4:
            for (std::int32_t x = 0; x < width; ++x)
                out[x] = (x & 1) ? (in[x >> 1] & 0x0F) : (in[x >> 1] >> 4);
            break;
        case 8:
        case 24:
            std::memcpy(out, in, static_cast<std::size_t>(width) * (h.BitCount / 8));
            break;
        case 32:
            if (h.Compression == kBiRgb) {
                std::memcpy(out, in, static_cast<std::size_t>(width) * 4);
            } else {
                const TChannelMask red(h.Masks[0]), green(h.Masks[1]), blue(h.Masks[2]), alpha(h.Masks[3]);
                for (std::int32_t x = 0; x < width; ++x, in += 4, out += 4) {
                    const std::uint32_t v = Get32(in);
                    out[0] = blue.Extract(v, 0);
                    out[1] = green.Extract(v, 0);
                    out[2] = red.Extract(v, 0);
                    out[3] = alpha.Extract(v, 255);
                }
            }
            break;
        }
    }

    // RLE8 runs. Pixels the data never reaches (after an end of line, a delta, or an early end)
    // keep index 0.
    void DecodeRle8(const TBmpHeader& h, const std::uint8_t* in, std::size_t size, TPicture& picture) const {
        picture.Fill(0);
        std::int32_t x = 0;
        std::int32_t y = 0; // counted from the bottom row
        std::size_t i = 0;
        // Runs past the right edge are dropped; x stops there so it cannot grow without bound.
        auto put = [&](std::uint8_t value) {
            if (x < h.Width) {
                picture.Row(h.Height - 1 - y)[x] = value;
                ++x;
            }
        };
        while (i + 1 < size && y < h.Height) {
            const std::uint8_t count = in[i];
            const std::uint8_t value = in[i + 1];
            i += 2;
            if (count > 0) {
                for (int n = 0; n < count; ++n)
                    put(value);
                continue;
            }
            switch (value) {
            case 0: // end of line
                x = 0;
                ++y;
                break;
            case 1: // end of bitmap
                return;
            case 2: // delta
                if (i + 1 >= size)
                    Fail("bad RLE data");
                x = std::min(x + in[i], h.Width);
                y += in[i + 1];
                i += 2;
                break;
            default: // a literal run, padded to an even length
                if (i + value > size)
                    Fail("bad RLE data");
                for (int n = 0; n < value; ++n)
                    put(in[i + static_cast<std::size_t>(n)]);
                i += static_cast<std::size_t>(value + (value & 1));
                break;
            }
        }
    }

    const std::uint8_t* Data;
    std::size_t Size;
    const std::string& Name;
};

} // namespace

void DecodeBmp(const std::uint8_t* data, std::size_t size, const std::string& name, TPicture& picture) {
    TBmpDecoder(data, size, name).Decode(picture);
}

void ReadBmp(const std::filesystem::path& path, TPicture& picture) {
    const std::vector<std::uint8_t> bytes = ReadPictureFile(path);
    DecodeBmp(bytes.data(), bytes.size(), path.string(), picture);
}

std::size_t DibHeaderSize(TPixelFormat format) {
    return kInfoHeaderSize + (format == TPixelFormat::pf8bit ? 256 * 4 : 0);
}

std::size_t DibStride(std::int32_t width, TPixelFormat format) {
    const std::size_t rowBytes =
        static_cast<std::size_t>(width) * static_cast<std::size_t>(BytesPerPixel(format));
    return (rowBytes + 3) & ~std::size_t{3};
}

void WriteDibHeader(std::uint8_t* out, std::int32_t width, std::int32_t height, TPixelFormat format,
                    const TPalette& palette) {
    const bool indexed = format == TPixelFormat::pf8bit;
    std::memset(out, 0, DibHeaderSize(format));
    Put32(out, kInfoHeaderSize);
    Put32(out + 4, static_cast<std::uint32_t>(width));
    Put32(out + 8, static_cast<std::uint32_t>(height)); // positive: rows run bottom-up
    Put16(out + 12, 1);
    Put16(out + 14, static_cast<std::uint32_t>(BytesPerPixel(format)) * 8);
    Put32(out + 16, kBiRgb);
    Put32(out + 20, static_cast<std::uint32_t>(DibStride(width, format) * static_cast<std::size_t>(height)));
    if (!indexed)
        return;
    Put32(out + 32, 256);
    std::uint8_t* entry = out + kInfoHeaderSize;
    for (const TPaletteEntry& c : palette) {
        entry[0] = c.Blue;
        entry[1] = c.Green;
        entry[2] = c.Red;
        entry += 4;
    }
}

std::vector<std::uint8_t> EncodeBmp(const TPicture& picture) {
    const TPixelFormat format = picture.PixelFormat();
    const std::size_t rowBytes =
        static_cast<std::size_t>(picture.Width()) * static_cast<std::size_t>(BytesPerPixel(format));
    const std::size_t stride = DibStride(picture.Width(), format);
    const std::size_t offBits = kFileHeaderSize + DibHeaderSize(format);

    std::vector<std::uint8_t> bytes(offBits + stride * static_cast<std::size_t>(picture.Height()), 0);
    bytes[0] = 'B';
    bytes[1] = 'M';
    Put32(bytes.data() + 2, static_cast<std::uint32_t>(bytes.size()));
    Put32(bytes.data() + 10, static_cast<std::uint32_t>(offBits));
    WriteDibHeader(bytes.data() + kFileHeaderSize, picture.Width(), picture.Height(), format, picture.Palette);
    std::uint8_t* pixels = bytes.data() + offBits;
    for (std::int32_t y = 0; y < picture.Height(); ++y)
        std::memcpy(pixels + stride * static_cast<std::size_t>(picture.Height() - 1 - y), picture.Row(y),
                    rowBytes);
    return bytes;
}

void WriteBmp(const std::filesystem::path& path, const TPicture& picture) {
    if (picture.Empty())
        throw PictureWriteError(path.string(), "the picture is empty");
    WritePictureFile(path, EncodeBmp(picture));
}
