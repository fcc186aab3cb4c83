#pragma once

// Small picture files that claim far more than they hold, or hold damaged data: what a hostile or
// broken drawing folder brings. For the tests that reading stays bounded in memory and time.

#include "imaging/Picture.h"
#include "imaging/PictureCodecs.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace hostile {

using TBytes = std::vector<std::uint8_t>;

inline void Put32LE(TBytes& out, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}

inline void Append32BE(TBytes& out, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(v >> shift));
}

inline std::uint32_t Crc32(const TBytes& bytes) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (const std::uint8_t b : bytes) {
        crc ^= b;
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

inline void AppendPngChunk(TBytes& out, const char* type, const TBytes& data) {
    Append32BE(out, static_cast<std::uint32_t>(data.size()));
    TBytes body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    out.insert(out.end(), body.begin(), body.end());
    Append32BE(out, Crc32(body));
}

// An 8-bit RLE8 BMP of `size` bytes claiming width x height: rows of runs of 255 white pixels, each
// ended by an end-of-line code, as far as the bytes go.
inline TBytes Rle8Bmp(std::uint32_t width, std::uint32_t height, std::size_t size) {
    const std::size_t offBits = 54 + 1024;
    TBytes bmp(offBits, 0);
    bmp[0] = 'B';
    bmp[1] = 'M';
    Put32LE(bmp, 10, static_cast<std::uint32_t>(offBits));
    Put32LE(bmp, 14, 40);
    Put32LE(bmp, 18, width);
    Put32LE(bmp, 22, height);
    bmp[26] = 1;
    bmp[28] = 8;
    Put32LE(bmp, 30, 1); // RLE8
    for (std::size_t i = 0; i < 256; ++i)
        bmp[54 + 4 * i] = bmp[55 + 4 * i] = bmp[56 + 4 * i] = static_cast<std::uint8_t>(i);
    while (bmp.size() + 4 <= size)
        bmp.insert(bmp.end(), {255, 255, 0, 0});
    bmp.resize(size, 0);
    Put32LE(bmp, 2, static_cast<std::uint32_t>(bmp.size()));
    return bmp;
}

// A PNG claiming width x height 8-bit RGB pixels whose data is a single stored empty deflate block.
inline TBytes PngClaiming(std::uint32_t width, std::uint32_t height) {
    TBytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    TBytes header;
    Append32BE(header, width);
    Append32BE(header, height);
    header.insert(header.end(), {8, 2, 0, 0, 0});
    AppendPngChunk(png, "IHDR", header);
    AppendPngChunk(png, "IDAT", {0x78, 0x01, 0x01, 0x00, 0x00, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x01});
    AppendPngChunk(png, "IEND", {});
    return png;
}

inline TBytes ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return TBytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A real 64 x 64 colour JPEG, written through `scratch`.
inline TBytes SmallJpeg(const std::filesystem::path& scratch) {
    TPicture picture(64, 64, TPixelFormat::pf24bit);
    for (std::int32_t y = 0; y < 64; ++y) {
        for (std::int32_t x = 0; x < 64 * 3; ++x)
            picture.Row(y)[x] = static_cast<std::uint8_t>((x * 7) ^ (y * 13));
    }
    WriteJpeg(scratch, picture, 90, false);
    return ReadBytes(scratch);
}

// Where the frame header's height and width sit (after the SOF0 marker, length and precision).
inline std::size_t JpegSizeAt(const TBytes& jpeg) {
    for (std::size_t i = 2; i + 9 < jpeg.size(); ++i) {
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC0)
            return i + 5;
    }
    return 0;
}

// The JPEG with the frame header claiming width x height.
inline TBytes JpegClaiming(TBytes jpeg, std::uint16_t width, std::uint16_t height) {
    const std::size_t at = JpegSizeAt(jpeg);
    jpeg[at] = static_cast<std::uint8_t>(height >> 8);
    jpeg[at + 1] = static_cast<std::uint8_t>(height);
    jpeg[at + 2] = static_cast<std::uint8_t>(width >> 8);
    jpeg[at + 3] = static_cast<std::uint8_t>(width);
    return jpeg;
}

// The JPEG with a run of its picture data overwritten by a marker the decoder does not expect there.
inline TBytes DamagedJpeg(TBytes jpeg) {
    const std::size_t middle = jpeg.size() / 2;
    for (std::size_t i = 0; i < 32; i += 2) {
        jpeg[middle + i] = 0xFF;
        jpeg[middle + i + 1] = 0xD5;
    }
    return jpeg;
}

} // namespace hostile
