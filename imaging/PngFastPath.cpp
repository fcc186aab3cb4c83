#include "imaging/PngFastPath.h"

#include "imaging/CodecSupport.h"

#include <cstring>
#include <libdeflate.h>
#include <memory>
#include <vector>

// Drawings are mostly white paper, which deflates to long runs of short-distance matches; zlib
// copies those byte by byte and was most of the time of a render. libdeflate inflates the whole
// image data in one call at several times the speed.
//
// Whatever this path does not take, or finds wrong, it declines rather than reports: libpng then
// decodes the file, so the pixels of odd files and the wording of every error are libpng's.

namespace {

constexpr std::uint8_t kSignature[8] = {137, 'P', 'N', 'G', '\r', '\n', 26, '\n'};
// libpng's limit on the length of any chunk but IDAT.
constexpr std::uint32_t kMaxChunkLength = 8'000'000;

constexpr std::uint8_t kGrey = 0;
constexpr std::uint8_t kRgb = 2;
constexpr std::uint8_t kPalette = 3;
constexpr std::uint8_t kGreyAlpha = 4;
constexpr std::uint8_t kRgba = 6;

std::uint32_t Be32(const std::uint8_t* p) {
    return (static_cast<std::uint32_t>(p[0]) << 24) | (static_cast<std::uint32_t>(p[1]) << 16) |
           (static_cast<std::uint32_t>(p[2]) << 8) | p[3];
}

bool IsType(const std::uint8_t* type, const char* name) {
    return std::memcmp(type, name, 4) == 0;
}

bool IsLetter(std::uint8_t c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// Bytes per pixel of an 8-bit colour type; 0 for a type that does not exist.
std::size_t Channels(std::uint8_t colorType) {
    switch (colorType) {
    case kGrey:
    case kPalette:
        return 1;
    case kGreyAlpha:
        return 2;
    case kRgb:
        return 3;
    case kRgba:
        return 4;
    default:
        return 0;
    }
}

struct TDecompressorFree {
    void operator()(libdeflate_decompressor* d) const { libdeflate_free_decompressor(d); }
};

// Per decoding thread: the decompressor and the buffers, reused from file to file.
struct TScratch {
    std::unique_ptr<libdeflate_decompressor, TDecompressorFree> Inflater{libdeflate_alloc_decompressor()};
    std::vector<std::uint8_t> Compressed;
    std::vector<std::uint8_t> Raw;
};

TScratch& Scratch() {
    thread_local TScratch scratch;
    return scratch;
}

struct THeader {
    std::uint32_t Width = 0;
    std::uint32_t Height = 0;
    std::uint8_t ColorType = 0;
};

// The image data of a file this path takes, its IDAT chunks joined.
struct TImageData {
    THeader Header;
    const std::uint8_t* Data = nullptr;
    std::size_t Size = 0;
};

// Walks the chunks from the signature to IEND, checking each CRC. False for anything libpng
// should see: another bit depth, interlacing, damage, a chunk out of place.
bool ReadChunks(const std::uint8_t* data, std::size_t size, std::vector<std::uint8_t>& joined,
                TImageData& image) {
    if (size < 8 || std::memcmp(data, kSignature, 8) != 0)
        return false;
    bool haveHeader = false, havePalette = false;
    int idatRuns = 0;
    bool inIdat = false;
    std::size_t idatLimit = 0;
    const std::uint8_t* single = nullptr;
    std::size_t singleSize = 0;
    joined.clear();
    std::size_t pos = 8;
    for (;;) {
        if (size - pos < 12)
            return false; // truncated: no IEND
        const std::uint32_t length = Be32(data + pos);
        const std::uint8_t* type = data + pos + 4;
        if (length > 0x7FFFFFFFu || size - pos - 12 < length)
            return false;
        for (int i = 0; i < 4; ++i) {
            if (!IsLetter(type[i]))
                return false;
        }
        const std::uint8_t* body = type + 4;
        const auto crc = static_cast<std::uint32_t>(libdeflate_crc32(0, type, length + 4));
        if (crc != Be32(body + length))
            return false;
        pos += 12 + static_cast<std::size_t>(length);

        const bool idat = IsType(type, "IDAT");
        if (inIdat && !idat)
            inIdat = false;
        if (!haveHeader) {
            if (!IsType(type, "IHDR") || length != 13)
                return false;
            THeader& h = image.Header;
            h.Width = Be32(body);
            h.Height = Be32(body + 4);
            h.ColorType = body[9];
            const std::uint8_t depth = body[8], compression = body[10], filter = body[11],
                               interlace = body[12];
            if (h.Width == 0 || h.Height == 0 || h.Width > 0x7FFFFFFFu || h.Height > 0x7FFFFFFFu ||
                depth != 8 || Channels(h.ColorType) == 0 || compression != 0 || filter != 0 || interlace != 0)
                return false;
            const std::size_t rowFactor = h.Width * Channels(h.ColorType) + 1;
            const std::size_t raw = rowFactor * h.Height;
            idatLimit = raw + 6 + 5 * (raw / std::min<std::size_t>(rowFactor, 32566) + 1);
            haveHeader = true;
        } else if (idat) {
            if (length > idatLimit || (image.Header.ColorType == kPalette && !havePalette))
                return false;
            if (!inIdat && ++idatRuns > 1)
                return false; // image data split by another chunk
            inIdat = true;
            if (!single && joined.empty()) {
                single = body;
                singleSize = length;
            } else {
                if (single) {
                    joined.assign(single, single + singleSize);
                    single = nullptr;
                }
                joined.insert(joined.end(), body, body + length);
            }
        } else if (IsType(type, "IEND")) {
            break;
        } else if (IsType(type, "PLTE")) {
            if (havePalette || idatRuns > 0 || length == 0 || length % 3 != 0 || length > 256 * 3 ||
                image.Header.ColorType == kGrey || image.Header.ColorType == kGreyAlpha)
                return false;
            havePalette = true;
        } else if ((type[0] & 0x20) == 0 || length > kMaxChunkLength) {
            return false; // a critical chunk we do not know (or a second IHDR), or an oversized one
        }
    }
    if (idatRuns == 0)
        return false;
    image.Data = single ? single : joined.data();
    image.Size = single ? singleSize : joined.size();
    return true;
}

std::uint8_t Paeth(std::uint8_t a, std::uint8_t b, std::uint8_t c) {
    const int p = a + b - c;
    const int pa = p > a ? p - a : a - p;
    const int pb = p > b ? p - b : b - p;
    const int pc = p > c ? p - c : c - p;
    if (pa <= pb && pa <= pc)
        return a;
    return pb <= pc ? b : c;
}

// Undoes the row's filter in place. `previous` is the row above, already unfiltered, or null for
// the first row. False for an unknown filter type.
bool Unfilter(std::uint8_t filter, std::uint8_t* row, const std::uint8_t* previous, std::size_t length,
              std::size_t bpp) {
    switch (filter) {
    case 0:
        return true;
    case 1:
        for (std::size_t i = bpp; i < length; ++i)
            row[i] = static_cast<std::uint8_t>(row[i] + row[i - bpp]);
        return true;
    case 2:
        if (previous) {
            for (std::size_t i = 0; i < length; ++i)
                row[i] = static_cast<std::uint8_t>(row[i] + previous[i]);
        }
        return true;
    case 3:
        if (!previous) {
            for (std::size_t i = bpp; i < length; ++i)
                row[i] = static_cast<std::uint8_t>(row[i] + (row[i - bpp] >> 1));
            return true;
        }
        for (std::size_t i = 0; i < bpp; ++i)
            row[i] = static_cast<std::uint8_t>(row[i] + (previous[i] >> 1));
        for (std::size_t i = bpp; i < length; ++i)
            row[i] = static_cast<std::uint8_t>(row[i] + ((row[i - bpp] + previous[i]) >> 1));
        return true;
    case 4:
        if (!previous) {
            // With no row above, Paeth always picks the left neighbour.
            for (std::size_t i = bpp; i < length; ++i)
                row[i] = static_cast<std::uint8_t>(row[i] + row[i - bpp]);
            return true;
        }
        for (std::size_t i = 0; i < bpp; ++i)
            row[i] = static_cast<std::uint8_t>(row[i] + previous[i]);
        for (std::size_t i = bpp; i < length; ++i)
            row[i] = static_cast<std::uint8_t>(row[i] + Paeth(row[i - bpp], previous[i], previous[i - bpp]));
        return true;
    default:
        return false;
    }
}

// One unfiltered row in the picture's layout: palette indices as they are, everything else as
// B, G, R without alpha.
void ConvertRow(std::uint8_t colorType, const std::uint8_t* in, std::uint8_t* out, std::size_t width) {
    switch (colorType) {
    case kPalette:
        std::memcpy(out, in, width);
        break;
    case kGrey:
        for (std::size_t x = 0; x < width; ++x)
            out[3 * x] = out[3 * x + 1] = out[3 * x + 2] = in[x];
        break;
    case kGreyAlpha:
        for (std::size_t x = 0; x < width; ++x)
            out[3 * x] = out[3 * x + 1] = out[3 * x + 2] = in[2 * x];
        break;
    case kRgb:
        for (std::size_t x = 0; x < width; ++x) {
            // Drawings are mostly white paper, which reads the same either way round.
            if ((x & 7) == 0 && x + 8 <= width && AllBytesWhite(in + 3 * x, 24)) {
                std::memset(out + 3 * x, 0xFF, 24);
                x += 7;
                continue;
            }
            out[3 * x] = in[3 * x + 2];
            out[3 * x + 1] = in[3 * x + 1];
            out[3 * x + 2] = in[3 * x];
        }
        break;
    case kRgba:
        for (std::size_t x = 0; x < width; ++x) {
            out[3 * x] = in[4 * x + 2];
            out[3 * x + 1] = in[4 * x + 1];
            out[3 * x + 2] = in[4 * x];
        }
        break;
    default:
        break;
    }
}

// libpng inflates with the window the stream's header names; a distance beyond it is an error
// there, while libdeflate always allows 32 KiB. The two agree when the header names the full
// window or when the image data fits in the named one.
bool WindowCoversData(const TImageData& image, std::size_t rawSize) {
    if (image.Size < 2)
        return false;
    const unsigned windowBits = (image.Data[0] >> 4) + 8;
    return windowBits >= 15 || rawSize <= (std::size_t{1} << windowBits);
}

} // namespace

bool DecodePngFast(const std::uint8_t* data, std::size_t size, const std::string& name, TPicture& picture) {
    TScratch& scratch = Scratch();
    if (!scratch.Inflater)
        return false;
    TImageData image;
    if (!ReadChunks(data, size, scratch.Compressed, image))
        return false;
    const THeader& h = image.Header;
    CheckDecodedPictureSize(h.Width, h.Height, name);

    const std::size_t bpp = Channels(h.ColorType);
    const std::size_t length = static_cast<std::size_t>(h.Width) * bpp;
    const std::size_t rawSize = (length + 1) * h.Height;
    // Deflate makes at most 1032 bytes of one: image data too short for the picture it claims is
    // refused by libpng, before anything the size of the picture is allocated here.
    if (!WindowCoversData(image, rawSize) || rawSize / 1032 > image.Size)
        return false;
    if (scratch.Raw.size() < rawSize)
        scratch.Raw.resize(rawSize);
    std::size_t used = 0, produced = 0;
    // Data past the zlib stream, or a stream that gives too little or too much, is libpng's to
    // judge: it reports some and tolerates others.
    if (libdeflate_zlib_decompress_ex(scratch.Inflater.get(), image.Data, image.Size, scratch.Raw.data(),
                                      rawSize, &used, &produced) != LIBDEFLATE_SUCCESS ||
        used != image.Size || produced != rawSize)
        return false;

    const auto width = static_cast<std::int32_t>(h.Width);
    const auto height = static_cast<std::int32_t>(h.Height);
    picture.SetSize(width, height, h.ColorType == kPalette ? TPixelFormat::pf8bit : TPixelFormat::pf24bit);
    std::uint8_t* previous = nullptr;
    for (std::int32_t y = 0; y < height; ++y) {
        std::uint8_t* line = scratch.Raw.data() + static_cast<std::size_t>(y) * (length + 1);
        std::uint8_t* row = line + 1;
        if (!Unfilter(line[0], row, previous, length, bpp))
            return false;
        ConvertRow(h.ColorType, row, picture.Row(y), h.Width);
        previous = row;
    }
    return true;
}
