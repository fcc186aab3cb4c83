#include "imaging/PictureCodecs.h"

#include "base/Error.h"
#include "base/TextUtil.h"
#include "imaging/tests/HostilePictures.h"
#include "imaging/tests/PictureTestSupport.h"
#include "imaging/tests/PngTestSupport.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

TPicture DecodePngBytes(const TBytes& png) {
    TPicture picture;
    DecodePng(png.data(), png.size(), "test.png", picture);
    return picture;
}

TPicture DecodeBmpBytes(const TBytes& bmp) {
    TPicture picture;
    DecodeBmp(bmp.data(), bmp.size(), "test.bmp", picture);
    return picture;
}

std::string ReadError(const std::function<void()>& read) {
    try {
        read();
    } catch (const ECwError& e) {
        return e.what();
    }
    return "no error";
}

} // namespace

TEST(PngCodec, EightBitIndexedPngGivesItsIndicesAsGreyLevels) {
    // A palette that is anything but grey: index 1 is pure red, index 200 pure green.
    TBytes palette(256 * 3, 0);
    palette[3] = 255;
    palette[200 * 3 + 1] = 255;
    const TPicture picture = DecodePngBytes(MakePng(3, 1, 8, 3, {{1, 200, 7}}, palette));
    ASSERT_EQ(picture.PixelFormat(), TPixelFormat::pf8bit);
    EXPECT_TRUE(IsGrayPalette(picture.Palette));
    EXPECT_EQ(picture.Row(0)[0], 1);
    EXPECT_EQ(picture.Row(0)[1], 200);
    EXPECT_EQ(picture.Row(0)[2], 7);
}

TEST(PngCodec, OtherPngsBecomeTwentyFourBitWithoutAlpha) {
    const TBytes redGreenPalette = {255, 0, 0, 0, 255, 0};
    struct TCase {
        const char* Name;
        TBytes Png;
        TRgb Expected[2];
    };
    const TCase cases[] = {
        {"RGB", MakePng(2, 1, 8, 2, {{10, 20, 30, 40, 50, 60}}), {{10, 20, 30}, {40, 50, 60}}},
        // Fully transparent pixels keep their colour: transparency never reaches the picture.
        {"RGBA", MakePng(2, 1, 8, 6, {{10, 20, 30, 0, 40, 50, 60, 255}}), {{10, 20, 30}, {40, 50, 60}}},
        {"grey", MakePng(2, 1, 8, 0, {{0, 77}}), {{0, 0, 0}, {77, 77, 77}}},
        {"grey+alpha", MakePng(2, 1, 8, 4, {{90, 0, 180, 128}}), {{90, 90, 90}, {180, 180, 180}}},
        {"1-bit grey", MakePng(2, 1, 1, 0, {{0x40}}), {{0, 0, 0}, {255, 255, 255}}},
        {"16-bit RGB",
         MakePng(1, 1, 16, 2, {{0x12, 0x34, 0xAB, 0xCD, 0xFF, 0xFF}}),
         {{0x12, 0xAB, 0xFF}, {}}},
        // Palettes of fewer than 8 bits are expanded through the palette, tRNS ignored.
        {"4-bit palette", MakePng(2, 1, 4, 3, {{0x01}}, redGreenPalette, {0}), {{255, 0, 0}, {0, 255, 0}}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        const TPicture picture = DecodePngBytes(c.Png);
        ASSERT_EQ(picture.PixelFormat(), TPixelFormat::pf24bit);
        EXPECT_EQ(PixelAt(picture, 0, 0), c.Expected[0]);
        if (picture.Width() > 1) {
            EXPECT_EQ(PixelAt(picture, 1, 0), c.Expected[1]);
        }
    }
}

TEST(PngCodec, WritesPicturesThatReadBackUnchanged) {
    TTempFolder folder;
    // An odd width, so rows carry padding in memory.
    const TPicture colour = MakePicture(161, 7, [](int x, int y) { return TRgb{x, y * 30, 255 - x}; });
    WritePng(folder / "colour.png", colour);
    TPicture read;
    ReadPng(folder / "colour.png", read);
    EXPECT_EQ(read, colour);

    TPicture grey(5, 3, TPixelFormat::pf8bit);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            grey.Row(y)[x] = static_cast<std::uint8_t>(x * 50 + y);
    WritePng(folder / "bw.png", grey);
    ReadPng(folder / "bw.png", read);
    EXPECT_EQ(read, grey); // a black-and-white capture reads back as it was written

    // As greyscale PNG the same picture reads back as 24-bit grey.
    WritePng(folder / "gray.png", grey, TPngIndexedMode::Grayscale);
    ReadPng(folder / "gray.png", read);
    ASSERT_EQ(read.PixelFormat(), TPixelFormat::pf24bit);
    EXPECT_EQ(PixelAt(read, 4, 2), (TRgb{202, 202, 202}));
}

TEST(PngCodec, FastUnsyncedWritesReadBackUnchanged) {
    TTempFolder folder;
    const TPicture colour = MakePicture(161, 7, [](int x, int y) { return TRgb{x, y * 30, 255 - x}; });
    TPicture indexed(5, 3, TPixelFormat::pf8bit);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            indexed.Row(y)[x] = static_cast<std::uint8_t>(x * 50 + y);
    const TPngWriteOptions fast{.Fast = true, .Sync = false};
    for (const TPicture* picture : std::initializer_list<const TPicture*>{&colour, &indexed}) {
        WritePng(folder / "frame.png", *picture, TPngIndexedMode::Palette, fast);
        TPicture read;
        ReadPng(folder / "frame.png", read);
        EXPECT_EQ(read, *picture);
    }
    SyncFolder(folder.Path());
    EXPECT_EQ(ReadError([&] { SyncFolder(folder / "missing"); }),
              "Cannot write \"" + (folder / "missing") + "\": No such file or directory");
}

TEST(PngCodec, DamagedFilesRaiseAnErrorNamingTheFile) {
    TTempFolder folder;
    const TBytes png = MakePng(4, 4, 8, 2, std::vector<TBytes>(4, TBytes(12, 99)));
    const TBytes truncated(png.begin(), png.begin() + static_cast<long>(png.size()) - 30);
    TBytes badCrc = png;
    badCrc[30] ^= 0xFF; // inside IHDR
    const std::string path = folder / "cel.png";
    for (const TBytes& bytes : {truncated, badCrc, TBytes{'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0}}) {
        WriteText(path, std::string(bytes.begin(), bytes.end()));
        const std::string error = ReadError([&] {
            TPicture picture;
            ReadPng(path, picture);
        });
        EXPECT_EQ(error.rfind("Cannot read the picture \"" + path + "\": ", 0), 0u) << error;
    }
    EXPECT_NE(ReadError([&] {
                  TPicture picture;
                  ReadPng(folder / "missing.png", picture);
              }).find("No such file"),
              std::string::npos);
}

TEST(JpegCodec, WritesAndReadsColourAndGreyscale) {
    TTempFolder folder;
    const TPicture picture = MakePicture(33, 17, [](int x, int) {
        return x < 16 ? TRgb{200, 40, 40} : TRgb{40, 40, 200};
    });
    WriteJpeg(folder / "c.jpg", picture, 95, false);
    TPicture read;
    ReadJpeg(folder / "c.jpg", read);
    ASSERT_EQ(read.PixelFormat(), TPixelFormat::pf24bit);
    ASSERT_EQ(read.Width(), 33);
    ASSERT_EQ(read.Height(), 17);
    const TRgb left = PixelAt(read, 2, 8);
    const TRgb right = PixelAt(read, 30, 8);
    EXPECT_NEAR(left.R, 200, 8);
    EXPECT_NEAR(left.B, 40, 8);
    EXPECT_NEAR(right.B, 200, 8);

    WriteJpeg(folder / "g.jpg", picture, 70, true);
    ReadJpeg(folder / "g.jpg", read);
    ASSERT_EQ(read.PixelFormat(), TPixelFormat::pf8bit);
    EXPECT_TRUE(IsGrayPalette(read.Palette));
    EXPECT_NEAR(read.Row(8)[2], (299 * 200 + 587 * 40 + 114 * 40) / 1000, 8);
}

TEST(JpegCodec, TruncatedFileIsAnErrorNotAGreyPicture) {
    TTempFolder folder;
    const TPicture picture = MakePicture(64, 64, [](int x, int y) {
        return TRgb{x * 4, y * 4, (x ^ y) * 4};
    });
    WriteJpeg(folder / "full.jpg", picture, 90, false);
    const std::string bytes = ReadText(folder / "full.jpg");
    WriteText(folder / "cut.jpg", bytes.substr(0, bytes.size() / 2));
    const std::string error = ReadError([&] {
        TPicture read;
        ReadJpeg(folder / "cut.jpg", read);
    });
    EXPECT_EQ(error, "Cannot read the picture \"" + (folder / "cut.jpg") + "\": the file is truncated");
    WriteText(folder / "junk.jpg", "\xFF\xD8 not much of a jpeg");
    EXPECT_EQ(ReadError([&] {
                  TPicture read;
                  ReadJpeg(folder / "junk.jpg", read);
              }).rfind("Cannot read the picture", 0),
              0u);
}

namespace {

// A BMP file: file header, the given info header, palette and pixel bytes.
struct TBmpBuilder {
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    std::uint16_t BitCount = 24;
    std::uint32_t Compression = 0;
    std::uint32_t ColorsUsed = 0;
    TBytes Extra; // masks after the header
    TBytes Palette;
    TBytes Pixels;

    TBytes Build() const {
        TBytes h(54, 0);
        auto put32 = [&](std::size_t at, std::uint32_t v) {
            for (int i = 0; i < 4; ++i)
                h[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
        };
        h[0] = 'B';
        h[1] = 'M';
        const std::size_t offBits = 54 + Extra.size() + Palette.size();
        put32(2, static_cast<std::uint32_t>(offBits + Pixels.size()));
        put32(10, static_cast<std::uint32_t>(offBits));
        put32(14, 40);
        put32(18, static_cast<std::uint32_t>(Width));
        put32(22, static_cast<std::uint32_t>(Height));
        h[26] = 1;
        h[28] = static_cast<std::uint8_t>(BitCount);
        put32(30, Compression);
        put32(46, ColorsUsed);
        h.insert(h.end(), Extra.begin(), Extra.end());
        h.insert(h.end(), Palette.begin(), Palette.end());
        h.insert(h.end(), Pixels.begin(), Pixels.end());
        return h;
    }
};

// Palette entries (B, G, R, 0) for the colours given.
TBytes BmpPalette(std::initializer_list<TRgb> colours) {
    TBytes bytes;
    for (const TRgb& c : colours)
        bytes.insert(bytes.end(), {static_cast<std::uint8_t>(c.B), static_cast<std::uint8_t>(c.G),
                                   static_cast<std::uint8_t>(c.R), 0});
    return bytes;
}

} // namespace

TEST(BmpCodec, ReadsEveryFormatWeSupport) {
    const TRgb red{255, 0, 0}, green{0, 255, 0}, blue{0, 0, 255};
    struct TCase {
        const char* Name;
        TBmpBuilder Bmp;
        TPixelFormat Format;
        // Expected colours, top row first.
        std::vector<std::vector<TRgb>> Rows;
    };
    const std::vector<TCase> cases = {
        // Rows bottom-up, each padded to 4 bytes.
        {"1-bit",
         {3, 2, 1, 0, 2, {}, BmpPalette({red, green}), {0xA0, 0, 0, 0, 0x40, 0, 0, 0}},
         TPixelFormat::pf8bit,
         {{red, green, red}, {green, red, green}}},
        {"4-bit",
         {3, 1, 4, 0, 3, {}, BmpPalette({red, green, blue}), {0x21, 0x00, 0, 0}},
         TPixelFormat::pf8bit,
         {{blue, green, red}}},
        {"8-bit, fewer colours than 256",
         {2, 1, 8, 0, 2, {}, BmpPalette({red, green}), {1, 0, 0, 0}},
         TPixelFormat::pf8bit,
         {{green, red}}},
        {"24-bit, odd width",
         {3, 2, 24, 0, 0, {}, {}, {255, 0, 0,   0, 255, 0,   0, 0, 255, 0, 0, 0, // bottom: blue green red
                                   0,   0, 255, 0, 0,   255, 0, 0, 255, 0, 0, 0}},
         TPixelFormat::pf24bit,
         {{red, red, red}, {blue, green, red}}},
        {"24-bit, top-down",
         {1, -2, 24, 0, 0, {}, {}, {0, 0, 255, 0, 255, 0, 0, 0}},
         TPixelFormat::pf24bit,
         {{red}, {blue}}},
        {"32-bit",
         {2, 1, 32, 0, 0, {}, {}, {0, 255, 0, 0, 255, 0, 0, 0}},
         TPixelFormat::pf32bit,
         {{green, blue}}},
        // Masks R 0x00FF0000 G 0x0000FF00 B 0x000000FF, stored as R, G, B words after the header.
        {"32-bit bit fields",
         {1, 1, 32, 3, 0, {0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 0}, {}, {0x30, 0x20, 0x10, 0}},
         TPixelFormat::pf32bit,
         {{TRgb{0x10, 0x20, 0x30}}}},
        // RLE8: a run of 3 (index 1), end of line; a literal of 3 (2, 0, 1, padded), end of bitmap.
        {"RLE8",
         {4, 2, 8, 1, 3, {}, BmpPalette({red, green, blue}), {3, 1, 0, 0, 0, 3, 2, 0, 1, 0, 0, 1}},
         TPixelFormat::pf8bit,
         {{blue, red, green, red}, {green, green, green, red}}},
        // A delta moves right by 2 and up by 1; skipped pixels keep index 0.
        {"RLE8 delta",
         {3, 2, 8, 1, 3, {}, BmpPalette({red, green, blue}), {0, 2, 2, 1, 1, 2, 0, 1}},
         TPixelFormat::pf8bit,
         {{red, red, blue}, {red, red, red}}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        const TPicture picture = DecodeBmpBytes(c.Bmp.Build());
        ASSERT_EQ(picture.PixelFormat(), c.Format);
        ASSERT_EQ(picture.Height(), static_cast<int>(c.Rows.size()));
        ASSERT_EQ(picture.Width(), static_cast<int>(c.Rows[0].size()));
        for (std::size_t y = 0; y < c.Rows.size(); ++y)
            for (std::size_t x = 0; x < c.Rows[y].size(); ++x)
                EXPECT_EQ(PixelAt(picture, static_cast<int>(x), static_cast<int>(y)), c.Rows[y][x])
                    << x << ", " << y;
    }
}

TEST(BmpCodec, RefusesWhatItCannotRead) {
    struct TCase {
        const char* Name;
        TBytes Bytes;
        const char* Reason;
    };
    TBytes notBmp = TBmpBuilder{1, 1, 24, 0, 0, {}, {}, {0, 0, 0, 0}}.Build();
    notBmp[0] = 'X';
    const std::vector<TCase> cases = {
        {"not a BMP", notBmp, "not a BMP file"},
        {"pixels cut short", TBmpBuilder{4, 4, 24, 0, 0, {}, {}, TBytes(20, 0)}.Build(),
         "the file is truncated"},
        {"16-bit", TBmpBuilder{1, 1, 16, 0, 0, {}, {}, TBytes(4, 0)}.Build(),
         "unsupported BMP format (16 bits per pixel, compression 0)"},
        {"RLE4", TBmpBuilder{1, 1, 4, 2, 0, {}, {}, TBytes(4, 0)}.Build(),
         "RLE4 compression is not supported"},
        {"zero width", TBmpBuilder{0, 1, 24, 0, 0, {}, {}, TBytes(4, 0)}.Build(), "invalid picture size"},
        {"huge", TBmpBuilder{100000, 100000, 24, 0, 0, {}, {}, TBytes(4, 0)}.Build(),
         "the picture claims 100000 x 100000 pixels, more than the limit of 100 megapixels"},
        {"large size, few bytes", TBmpBuilder{9000, 9000, 32, 0, 0, {}, {}, TBytes(64, 0)}.Build(),
         "the file is truncated"},
        {"RLE8, large size, few bytes", TBmpBuilder{9000, 9000, 8, 1, 0, {}, {}, TBytes(1000, 0)}.Build(),
         "the file is too short for the 9000 x 9000 pixels it claims"},
        {"literal run past the data", TBmpBuilder{8, 1, 8, 1, 0, {}, {}, {0, 8, 1, 2}}.Build(),
         "bad RLE data"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        EXPECT_EQ(ReadError([&] { DecodeBmpBytes(c.Bytes); }),
                  std::string("Cannot read the picture \"test.bmp\": ") + c.Reason);
    }
}

TEST(BmpCodec, WritesEightAndTwentyFourBitPicturesThatReadBack) {
    TTempFolder folder;
    const TPicture colour = MakePicture(161, 3, [](int x, int y) { return TRgb{x, 255 - x, y * 80}; });
    WriteBmp(folder / "c.bmp", colour);
    TPicture read;
    ReadBmp(folder / "c.bmp", read);
    EXPECT_EQ(read, colour);

    TPicture indexed(7, 2, TPixelFormat::pf8bit);
    indexed.Palette[3] = {10, 20, 30};
    indexed.Fill(3);
    indexed.Row(1)[6] = 200;
    WriteBmp(folder / "i.bmp", indexed);
    ReadBmp(folder / "i.bmp", read);
    EXPECT_EQ(read, indexed); // indices and palette both
}

namespace {

// A DIB with a BITMAPINFOHEADER; colours-used 0 and image size 0, as drivers often leave them.
std::vector<std::uint8_t> MakeDib(std::int32_t width, std::int32_t height, std::uint16_t bits,
                                  std::uint32_t compression, std::size_t extra) {
    const std::size_t stride = ((static_cast<std::size_t>(width) * bits + 31) / 32) * 4;
    std::vector<std::uint8_t> dib(40 + extra + stride * static_cast<std::size_t>(std::abs(height)), 0);
    auto put32 = [&](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            dib[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    put32(0, 40);
    put32(4, static_cast<std::uint32_t>(width));
    put32(8, static_cast<std::uint32_t>(height));
    dib[12] = 1;
    dib[14] = static_cast<std::uint8_t>(bits);
    put32(16, compression);
    return dib;
}

} // namespace

TEST(DibCodec, CompletesTheHeaderAndFindsThePixels) {
    struct Case {
        std::int32_t width, height;
        std::uint16_t bits;
        std::uint32_t compression;
        std::size_t extra;
        std::uint32_t colorsUsed;
        std::size_t pixelOffset, imageSize;
    };
    for (const Case& c : {Case{9, 2, 1, 0, 8, 2, 48, 8}, Case{3, 3, 8, 0, 1024, 256, 1064, 12},
                          Case{5, -2, 24, 0, 0, 0, 40, 32}, Case{2, 2, 32, 3, 12, 0, 52, 16}}) {
        std::vector<std::uint8_t> dib = MakeDib(c.width, c.height, c.bits, c.compression, c.extra);
        const TDibLayout layout = CompleteDibHeader(dib.data(), dib.size(), "dib");
        EXPECT_EQ(layout.ColorsUsed, c.colorsUsed) << c.bits;
        EXPECT_EQ(layout.PixelOffset, c.pixelOffset) << c.bits;
        EXPECT_EQ(layout.ImageSize, c.imageSize) << c.bits;
        EXPECT_EQ(dib[32], c.colorsUsed & 0xFF); // colours used written back
        EXPECT_EQ(dib[36], c.colorsUsed & 0xFF); // colours important follows it
        EXPECT_EQ(dib[20], c.imageSize);         // image size from the row size
        TPicture picture;
        DecodeDib(dib.data(), dib.size(), "dib", picture);
        EXPECT_EQ(picture.Width(), c.width);
        EXPECT_EQ(picture.Height(), std::abs(c.height));
    }
}

TEST(DibCodec, RefusesShortOrImpossibleHeaders) {
    std::vector<std::uint8_t> shortPixels = MakeDib(8, 8, 8, 0, 1024);
    shortPixels.resize(shortPixels.size() - 1);
    std::vector<std::uint8_t> hugeTable = MakeDib(2, 2, 8, 0, 1024);
    hugeTable[34] = 0x10; // colours used far beyond the block
    std::vector<std::uint8_t> zeroWidth = MakeDib(0, 2, 24, 0, 0);
    std::vector<std::uint8_t> tiny(20, 0);
    for (std::vector<std::uint8_t>* dib : {&shortPixels, &hugeTable, &zeroWidth, &tiny}) {
        TPicture picture;
        EXPECT_THROW(DecodeDib(dib->data(), dib->size(), "dib", picture), ECwError);
    }
}

// Files that claim more pixels than the limit allows, or than their data can hold, are refused
// before any picture is made, naming the file and the size it claims; damaged data is an error.
TEST(PictureBombs, AreRefusedBeforeTheyCostMemory) {
    TTempFolder folder;
    const TBytes jpeg = hostile::SmallJpeg(folder / "small.jpg");
    struct TCase {
        const char* Name;
        hostile::TBytes Bytes;
        void (*Read)(const std::filesystem::path&, TPicture&);
        std::string Reason;
    };
    const std::string overLimit = "more than the limit of 100 megapixels";
    const std::vector<TCase> cases = {
        {"bomb.bmp", hostile::Rle8Bmp(32768, 32768, 1080), ReadBmp,
         "the picture claims 32768 x 32768 pixels, " + overLimit},
        {"short.bmp", hostile::Rle8Bmp(9000, 9000, 1080), ReadBmp,
         "the file is too short for the 9000 x 9000 pixels it claims"},
        {"bomb.png", hostile::PngClaiming(20000, 20000), ReadPng,
         "the picture claims 20000 x 20000 pixels, " + overLimit},
        {"short.png", hostile::PngClaiming(9000, 9000), ReadPng,
         "the file is too short for the 9000 x 9000 pixels it claims"},
        {"bomb.jpg", hostile::JpegClaiming(jpeg, 20000, 20000), ReadJpeg,
         "the picture claims 20000 x 20000 pixels, " + overLimit},
        {"short.jpg", hostile::JpegClaiming(jpeg, 9000, 9000), ReadJpeg,
         "the file is too short for the 9000 x 9000 pixels it claims"},
        {"damaged.jpg", hostile::DamagedJpeg(jpeg), ReadJpeg, "Corrupt JPEG data"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::string path = folder / c.Name;
        WriteText(path, std::string(c.Bytes.begin(), c.Bytes.end()));
        TPicture picture;
        EXPECT_EQ(ReadError([&] {
                      c.Read(path, picture);
                  }).rfind("Cannot read the picture \"" + path + "\": " + c.Reason, 0),
                  0u)
            << ReadError([&] { c.Read(path, picture); });
        EXPECT_LE(picture.ByteSize(), 64u * 64 * 3); // nothing larger than the real picture was made
    }
    // The same codecs read such pictures when the data is all there.
    TPicture picture;
    WriteText(folder / "fine.jpg", std::string(jpeg.begin(), jpeg.end()));
    ReadJpeg(folder / "fine.jpg", picture);
    EXPECT_EQ(picture.Width(), 64);
}
