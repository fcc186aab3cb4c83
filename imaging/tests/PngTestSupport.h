#pragma once

// PNG files built byte by byte, for the kinds of PNG our writer never writes.

#include <cstdint>
#include <cstdlib>
#include <vector>
#include <zlib.h>

using TBytes = std::vector<std::uint8_t>;

inline void Append32BE(TBytes& out, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(v >> shift));
}

inline void AppendChunk(TBytes& out, const char* type, const TBytes& data) {
    Append32BE(out, static_cast<std::uint32_t>(data.size()));
    TBytes body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    out.insert(out.end(), body.begin(), body.end());
    Append32BE(out, static_cast<std::uint32_t>(crc32(0, body.data(), static_cast<uInt>(body.size()))));
}

// How MakePng lays out the image data.
struct TPngLayout {
    // Filter type of each row, cycled over the rows (applied to 8-bit files only); none when empty.
    std::vector<std::uint8_t> Filters;
    // Bytes of compressed data per IDAT chunk; 0 puts it all in one.
    std::size_t IdatChunkSize = 0;
    std::uint8_t Interlace = 0;
};

inline std::uint8_t PaethPredictor(int a, int b, int c) {
    const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    return static_cast<std::uint8_t>(pa <= pb && pa <= pc ? a : pb <= pc ? b : c);
}

// Row `row` filtered with `filter`; `previous` is the unfiltered row above (empty for the first).
inline TBytes FilterRow(std::uint8_t filter, const TBytes& row, const TBytes& previous, std::size_t bpp) {
    TBytes out(row.size());
    for (std::size_t i = 0; i < row.size(); ++i) {
        const int left = i >= bpp ? row[i - bpp] : 0;
        const int up = previous.empty() ? 0 : previous[i];
        const int upLeft = previous.empty() || i < bpp ? 0 : previous[i - bpp];
        const int predicted = filter == 1   ? left
                              : filter == 2 ? up
                              : filter == 3 ? (left + up) / 2
                              : filter == 4 ? PaethPredictor(left, up, upLeft)
                                            : 0;
        out[i] = static_cast<std::uint8_t>(row[i] - predicted);
    }
    return out;
}

inline std::size_t PngChannels(int colorType) {
    switch (colorType) {
    case 2:
        return 3;
    case 4:
        return 2;
    case 6:
        return 4;
    default:
        return 1;
    }
}

// The zlib stream of a PNG's image data: each row behind its filter byte.
inline TBytes PngImageData(int bitDepth, int colorType, const std::vector<TBytes>& rows,
                           const TPngLayout& layout = {}) {
    TBytes raw;
    const std::size_t bpp = PngChannels(colorType);
    for (std::size_t y = 0; y < rows.size(); ++y) {
        const std::uint8_t filter =
            bitDepth == 8 && !layout.Filters.empty() ? layout.Filters[y % layout.Filters.size()] : 0;
        raw.push_back(filter);
        const TBytes filtered = FilterRow(filter, rows[y], y > 0 ? rows[y - 1] : TBytes{}, bpp);
        raw.insert(raw.end(), filtered.begin(), filtered.end());
    }
    uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
    TBytes packed(packedSize);
    compress(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size()));
    packed.resize(packedSize);
    return packed;
}

// A PNG of any colour type and bit depth, from its unfiltered rows (each without the filter byte).
inline TBytes MakePng(std::uint32_t width, std::uint32_t height, int bitDepth, int colorType,
                      const std::vector<TBytes>& rows, const TBytes& palette = {},
                      const TBytes& transparency = {}, const TPngLayout& layout = {}) {
    TBytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    TBytes header;
    Append32BE(header, width);
    Append32BE(header, height);
    header.insert(header.end(), {static_cast<std::uint8_t>(bitDepth), static_cast<std::uint8_t>(colorType), 0,
                                 0, layout.Interlace});
    AppendChunk(png, "IHDR", header);
    if (!palette.empty())
        AppendChunk(png, "PLTE", palette);
    if (!transparency.empty())
        AppendChunk(png, "tRNS", transparency);
    const TBytes packed = PngImageData(bitDepth, colorType, rows, layout);
    const std::size_t step = layout.IdatChunkSize ? layout.IdatChunkSize : packed.size();
    for (std::size_t at = 0; at < packed.size(); at += step) {
        const auto from = packed.begin() + static_cast<long>(at);
        AppendChunk(png, "IDAT", TBytes(from, from + static_cast<long>(std::min(step, packed.size() - at))));
    }
    AppendChunk(png, "IEND", {});
    return png;
}
