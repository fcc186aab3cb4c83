#include "imaging/PngFastPath.h"

#include "base/Error.h"
#include "imaging/PictureCodecs.h"
#include "imaging/tests/PictureTestSupport.h"
#include "imaging/tests/PngTestSupport.h"

#include <gtest/gtest.h>
#include <optional>

namespace {

// What a decoder made of a file: the picture, or its error text.
struct TOutcome {
    std::optional<TPicture> Picture;
    std::string Error;
};

TOutcome Decode(const TBytes& png,
                void (*decode)(const std::uint8_t*, std::size_t, const std::string&, TPicture&)) {
    TOutcome outcome;
    try {
        TPicture picture;
        decode(png.data(), png.size(), "cel.png", picture);
        outcome.Picture = std::move(picture);
    } catch (const ECwError& e) {
        outcome.Error = e.what();
    }
    return outcome;
}

bool FastPathTakes(const TBytes& png) {
    TPicture picture;
    return DecodePngFast(png.data(), png.size(), "cel.png", picture);
}

// Rows of a picture whose every byte differs from its neighbours, so each filter has work to do.
std::vector<TBytes> Rows(std::uint32_t width, std::uint32_t height, std::size_t channels) {
    std::vector<TBytes> rows(height, TBytes(width * channels));
    for (std::uint32_t y = 0; y < height; ++y)
        for (std::size_t i = 0; i < rows[y].size(); ++i)
            rows[y][i] = static_cast<std::uint8_t>((i * 37 + y * 101 + (i * y) % 13) * 7);
    return rows;
}

TBytes Palette() {
    TBytes palette(256 * 3);
    for (std::size_t i = 0; i < palette.size(); ++i)
        palette[i] = static_cast<std::uint8_t>(255 - i);
    return palette;
}

// The offset of the first byte of the first chunk of `type`'s data.
std::size_t ChunkData(const TBytes& png, const char* type) {
    for (std::size_t at = 8; at + 8 <= png.size();) {
        const std::uint32_t length = (png[at] << 24) | (png[at + 1] << 16) | (png[at + 2] << 8) | png[at + 3];
        if (std::equal(type, type + 4, png.begin() + static_cast<long>(at + 4)))
            return at + 8;
        at += 12 + length;
    }
    return png.size();
}

struct TCase {
    std::string Name;
    TBytes Png;
    bool FastPathTakes;
};

std::vector<TCase> Cases() {
    std::vector<TCase> cases;
    const struct {
        const char* Name;
        int ColorType;
    } types[] = {{"grey", 0}, {"RGB", 2}, {"palette", 3}, {"grey+alpha", 4}, {"RGBA", 6}};
    for (const auto& type : types) {
        const TBytes palette = type.ColorType == 3 ? Palette() : TBytes{};
        const auto rows = Rows(13, 9, PngChannels(type.ColorType));
        for (std::uint8_t filter = 0; filter <= 4; ++filter)
            cases.push_back({std::string(type.Name) + ", filter " + std::to_string(filter),
                             MakePng(13, 9, 8, type.ColorType, rows, palette, {}, {{filter}}), true});
        // Every filter in turn, over image data split into 7-byte IDAT chunks.
        cases.push_back(
            {std::string(type.Name) + ", mixed filters, small IDATs",
             MakePng(13, 9, 8, type.ColorType, rows, palette, {}, {{0, 1, 2, 3, 4, 4, 3, 2, 1}, 7}), true});
    }
    // What our own writer makes: libpng's choice of filters and compression.
    TTempFolder folder;
    WritePng(folder / "drawing.png", Drawing(64, 48, {30, 60, 90}, 10, 12, 20));
    const std::vector<std::uint8_t> written = ReadPictureFile(folder / "drawing.png");
    cases.push_back({"written by WritePng", written, true});

    const TBytes rgb = MakePng(13, 9, 8, 2, Rows(13, 9, 3), {}, {}, {{1, 2, 3, 4}, 50});
    TBytes badCrc = rgb;
    badCrc[ChunkData(rgb, "IDAT") + 3] ^= 0x40;
    cases.push_back({"bad CRC in IDAT", badCrc, false});
    TBytes badHeaderCrc = rgb;
    badHeaderCrc[ChunkData(rgb, "IHDR") + 12] ^= 0x01;
    cases.push_back({"bad CRC in IHDR", badHeaderCrc, false});
    cases.push_back({"truncated inside IDAT",
                     TBytes(rgb.begin(), rgb.begin() + static_cast<long>(ChunkData(rgb, "IDAT") + 20)),
                     false});
    cases.push_back({"no IEND", TBytes(rgb.begin(), rgb.end() - 12), false});
    // A zlib stream that ends after 5 of the 9 rows.
    TBytes shortStream = MakePng(13, 9, 8, 2, Rows(13, 9, 3), {}, {}, {{2}});
    {
        auto rows = Rows(13, 5, 3);
        const TBytes data = PngImageData(8, 2, rows, {{2}});
        TBytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
        png.insert(png.end(), shortStream.begin() + 8, shortStream.begin() + 33); // the IHDR chunk
        AppendChunk(png, "IDAT", data);
        AppendChunk(png, "IEND", {});
        shortStream = png;
    }
    cases.push_back({"short zlib stream", shortStream, false});
    // Filter byte 5 does not exist; patch the raw data and compress it again.
    {
        TBytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
        png.insert(png.end(), rgb.begin() + 8, rgb.begin() + 33);
        TBytes raw(2 * (1 + 13 * 3), 9);
        raw[0] = 0;
        raw[1 + 13 * 3] = 5;
        uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
        TBytes packed(packedSize);
        compress(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size()));
        packed.resize(packedSize);
        png[8 + 8 + 4 + 3] = 2; // height 2
        TBytes header(png.begin() + 16, png.begin() + 29);
        png.resize(8);
        AppendChunk(png, "IHDR", header);
        AppendChunk(png, "IDAT", packed);
        AppendChunk(png, "IEND", {});
        cases.push_back({"unknown filter type", png, false});
    }
    // libpng does not check the Adler-32 of image data (the chunk CRCs guard it): the picture
    // still comes out, through libpng.
    TBytes badAdler = MakePng(13, 9, 8, 2, Rows(13, 9, 3));
    badAdler[ChunkData(badAdler, "IEND") - 8 - 12 - 1] ^= 0xFF;
    {
        // Mend the IDAT's CRC over the changed checksum.
        const std::size_t data = ChunkData(badAdler, "IDAT");
        const std::size_t end = ChunkData(badAdler, "IEND") - 8 - 4;
        const auto crc = static_cast<std::uint32_t>(
            crc32(0, badAdler.data() + data - 4, static_cast<uInt>(end - data + 4)));
        for (int i = 0; i < 4; ++i)
            badAdler[end + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(crc >> (24 - 8 * i));
    }
    cases.push_back({"bad Adler-32", badAdler, false});
    {
        TBytes png(rgb.begin(), rgb.begin() + 33);
        AppendChunk(png, "abCD", {1, 2, 3}); // ancillary: skipped
        png.insert(png.end(), rgb.begin() + 33, rgb.end());
        cases.push_back({"unknown ancillary chunk", png, true});
        TBytes critical(rgb.begin(), rgb.begin() + 33);
        AppendChunk(critical, "ABCD", {1, 2, 3});
        critical.insert(critical.end(), rgb.begin() + 33, rgb.end());
        cases.push_back({"unknown critical chunk", critical, false});
    }
    // Left to libpng by design.
    cases.push_back(
        {"16-bit", MakePng(2, 1, 16, 2, {{0x12, 0x34, 0xAB, 0xCD, 0xFF, 0xFF, 1, 2, 3, 4, 5, 6}}), false});
    cases.push_back({"interlaced", MakePng(1, 1, 8, 2, {{10, 20, 30}}, {}, {}, {{}, 0, 1}), false});
    cases.push_back({"palette without PLTE", MakePng(2, 1, 8, 3, {{0, 1}}), false});
    return cases;
}

} // namespace

TEST(PngFastPath, GivesLibpngsPixelsAndErrors) {
    for (const TCase& c : Cases()) {
        SCOPED_TRACE(c.Name);
        EXPECT_EQ(FastPathTakes(c.Png), c.FastPathTakes);
        const TOutcome expected = Decode(c.Png, DecodePngLibpng);
        const TOutcome actual = Decode(c.Png, DecodePng);
        EXPECT_EQ(actual.Error, expected.Error);
        ASSERT_EQ(actual.Picture.has_value(), expected.Picture.has_value());
        if (expected.Picture) {
            EXPECT_EQ(*actual.Picture, *expected.Picture);
        }
        // Damaged files are errors, not pictures.
        if (c.Name.starts_with("bad CRC") || c.Name.starts_with("truncated") ||
            c.Name == "short zlib stream" || c.Name == "unknown filter type" ||
            c.Name == "unknown critical chunk") {
            EXPECT_FALSE(expected.Error.empty());
        }
    }
}

TEST(PngFastPath, RefusesAPictureOverTheLimitBeforeMakingIt) {
    // 20000 x 20000 RGB would take 1.2 GB; the file is a few dozen bytes.
    TBytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    TBytes header;
    Append32BE(header, 20000);
    Append32BE(header, 20000);
    header.insert(header.end(), {8, 2, 0, 0, 0});
    AppendChunk(png, "IHDR", header);
    AppendChunk(png, "IDAT", PngImageData(8, 2, {TBytes(60, 255)}));
    AppendChunk(png, "IEND", {});
    TPicture picture;
    try {
        DecodePngFast(png.data(), png.size(), "bomb.png", picture);
        FAIL() << "no error";
    } catch (const ECwError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Cannot read the picture \"bomb.png\": the picture claims 20000 x 20000 "
                  "pixels, more than the limit of 100 megapixels");
    }
    EXPECT_TRUE(picture.Empty());
}
