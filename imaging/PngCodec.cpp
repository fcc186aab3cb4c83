#include "imaging/CodecSupport.h"
#include "imaging/PictureCodecs.h"
#include "imaging/PngFastPath.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <png.h>
#include <utility>

// libpng reports errors by longjmp. The functions that set a jump point below hold no C++ objects
// with destructors, so a jump never skips one; everything they need is made by their callers.

namespace {

struct TPngReader {
    png_structp Png = nullptr;
    png_infop Info = nullptr;
    const std::uint8_t* Data = nullptr;
    std::size_t Size = 0;
    std::size_t Pos = 0;
    char Error[256] = "";

    ~TPngReader() { png_destroy_read_struct(&Png, &Info, nullptr); }
};

struct TPngWriter {
    png_structp Png = nullptr;
    png_infop Info = nullptr;
    std::vector<std::uint8_t>* Out = nullptr;
    char Error[256] = "";

    ~TPngWriter() { png_destroy_write_struct(&Png, &Info); }
};

template <class T> void OnPngError(png_structp png, png_const_charp message) {
    auto* owner = static_cast<T*>(png_get_error_ptr(png));
    std::snprintf(owner->Error, sizeof owner->Error, "%s", message);
    png_longjmp(png, 1);
}

void OnPngWarning(png_structp, png_const_charp) {}

void ReadFromMemory(png_structp png, png_bytep out, std::size_t count) {
    auto* reader = static_cast<TPngReader*>(png_get_io_ptr(png));
    if (count > reader->Size - reader->Pos)
        png_error(png, "the file is truncated");
    std::memcpy(out, reader->Data + reader->Pos, count);
    reader->Pos += count;
}

void WriteToMemory(png_structp png, png_bytep data, std::size_t count) {
    auto* writer = static_cast<TPngWriter*>(png_get_io_ptr(png));
    try {
        writer->Out->insert(writer->Out->end(), data, data + count);
    } catch (const std::bad_alloc&) {
        png_error(png, "out of memory");
    }
}

void FlushNothing(png_structp) {}

// R, G, B rows to B, G, R in place. White and grey pixels read the same both ways round, so runs
// of white paper are skipped eight pixels at a time.
void SwapRedAndBlue(TPicture& picture) {
    const std::int32_t width = picture.Width();
    for (std::int32_t y = 0; y < picture.Height(); ++y) {
        std::uint8_t* p = picture.Row(y);
        std::int32_t x = 0;
        while (x < width) {
            if (x + 8 <= width) {
                std::uint64_t words[3];
                std::memcpy(words, p, sizeof words);
                if ((words[0] & words[1] & words[2]) == ~std::uint64_t{0}) {
                    x += 8;
                    p += 24;
                    continue;
                }
            }
            std::swap(p[0], p[2]);
            ++x;
            p += 3;
        }
    }
}

struct TPngLayout {
    png_uint_32 Width = 0;
    png_uint_32 Height = 0;
    std::size_t RowBytes = 0;
    bool RawIndices = false;
    // The bytes of pixel data the file's own format needs, before any transformation.
    std::uint64_t StoredBytes = 0;
};

// Deflate never inflates one byte to more than 1032.
constexpr std::uint64_t kDeflateMaxRatio = 1032;

// Reads the header and sets the transformations; false after a libpng error.
bool ReadPngHeader(TPngReader& r, TPngLayout& layout) {
    if (setjmp(png_jmpbuf(r.Png)))
        return false;
    // Every frame decodes each drawing afresh, and zlib's Adler-32 over the inflated pixels was a
    // sixth of that work. The chunk CRCs, which libpng still checks, already guard the data.
    png_set_option(r.Png, PNG_IGNORE_ADLER32, PNG_OPTION_ON);
    png_read_info(r.Png, r.Info);
    const int bitDepth = png_get_bit_depth(r.Png, r.Info);
    const int colorType = png_get_color_type(r.Png, r.Info);
    layout.StoredBytes = std::uint64_t{png_get_image_width(r.Png, r.Info)} *
                         png_get_image_height(r.Png, r.Info) * png_get_channels(r.Png, r.Info) *
                         static_cast<std::uint64_t>(bitDepth) / 8;
    // Black-and-white captures are indexed PNGs with the grey palette: their indices are the grey
    // levels, whatever palette the file carries.
    layout.RawIndices = bitDepth == 8 && colorType == PNG_COLOR_TYPE_PALETTE;
    if (!layout.RawIndices) {
        if (colorType == PNG_COLOR_TYPE_PALETTE)
            png_set_palette_to_rgb(r.Png);
        if (colorType == PNG_COLOR_TYPE_GRAY && bitDepth < 8)
            png_set_expand_gray_1_2_4_to_8(r.Png);
        if (bitDepth == 16)
            png_set_strip_16(r.Png);
        if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA)
            png_set_gray_to_rgb(r.Png);
        // Also drops the alpha that expanding a palette with transparency adds.
        png_set_strip_alpha(r.Png);
        // Rows come out R, G, B; SwapRedAndBlue makes them B, G, R afterwards, faster than
        // libpng's own swap on drawings, which are mostly paper.
    }
    png_set_interlace_handling(r.Png);
    png_read_update_info(r.Png, r.Info);
    layout.Width = png_get_image_width(r.Png, r.Info);
    layout.Height = png_get_image_height(r.Png, r.Info);
    layout.RowBytes = png_get_rowbytes(r.Png, r.Info);
    return true;
}

bool ReadPngRows(TPngReader& r, png_bytepp rows) {
    if (setjmp(png_jmpbuf(r.Png)))
        return false;
    png_read_image(r.Png, rows);
    png_read_end(r.Png, nullptr);
    return true;
}

bool WritePngImage(TPngWriter& w, png_uint_32 width, png_uint_32 height, int colorType,
                   png_const_colorp palette, bool bgr, bool filler, bool fast, png_bytepp rows) {
    if (setjmp(png_jmpbuf(w.Png)))
        return false;
    png_set_write_fn(w.Png, &w, WriteToMemory, FlushNothing);
    if (fast) {
        // Trying all five filters on every row was most of the time; rendered frames are mostly
        // paper, which Up turns into runs of zeros that a low level packs nearly as well.
        png_set_filter(w.Png, PNG_FILTER_TYPE_BASE, PNG_FILTER_UP);
        png_set_compression_level(w.Png, 3);
    }
    png_set_IHDR(w.Png, w.Info, width, height, 8, colorType, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (palette)
        png_set_PLTE(w.Png, w.Info, palette, 256);
    png_write_info(w.Png, w.Info);
    if (bgr)
        png_set_bgr(w.Png);
    if (filler)
        png_set_filler(w.Png, 0, PNG_FILLER_AFTER);
    png_write_image(w.Png, rows);
    png_write_end(w.Png, w.Info);
    return true;
}

} // namespace

void DecodePng(const std::uint8_t* data, std::size_t size, const std::string& name, TPicture& picture) {
    if (!DecodePngFast(data, size, name, picture))
        DecodePngLibpng(data, size, name, picture);
}

void DecodePngLibpng(const std::uint8_t* data, std::size_t size, const std::string& name, TPicture& picture) {
    TPngReader reader;
    reader.Data = data;
    reader.Size = size;
    if (size < 8 || png_sig_cmp(data, 0, 8) != 0)
        throw PictureReadError(name, "not a PNG file");
    reader.Png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &reader, OnPngError<TPngReader>, OnPngWarning);
    if (reader.Png)
        reader.Info = png_create_info_struct(reader.Png);
    if (!reader.Png || !reader.Info)
        throw PictureReadError(name, "out of memory");
    png_set_read_fn(reader.Png, &reader, ReadFromMemory);
    // Text chunks are read whole before they are looked at, so one claiming hundreds of megabytes
    // in a tiny file would get them; a drawing needs none of its text, so they are skipped unread.
    static constexpr png_byte kTextChunks[] = "tEXt\0zTXt\0iTXt";
    png_set_keep_unknown_chunks(reader.Png, PNG_HANDLE_CHUNK_NEVER, kTextChunks, 3);

    TPngLayout layout;
    if (!ReadPngHeader(reader, layout))
        throw PictureReadError(name, reader.Error);
    // Checked before the picture is made: a small file must not claim gigabytes.
    CheckDecodedPictureSize(layout.Width, layout.Height, name);
    if (layout.StoredBytes / kDeflateMaxRatio > size)
        throw PictureTooShortError(name, layout.Width, layout.Height);
    const TPixelFormat format = layout.RawIndices ? TPixelFormat::pf8bit : TPixelFormat::pf24bit;
    picture.SetSize(static_cast<std::int32_t>(layout.Width), static_cast<std::int32_t>(layout.Height),
                    format);
    if (layout.RowBytes !=
        static_cast<std::size_t>(picture.Width()) * static_cast<std::size_t>(BytesPerPixel(format)))
        throw PictureReadError(name, "unexpected row size");
    std::vector<png_bytep> rows(layout.Height);
    for (png_uint_32 y = 0; y < layout.Height; ++y)
        rows[y] = picture.Row(static_cast<std::int32_t>(y));
    if (!ReadPngRows(reader, rows.data()))
        throw PictureReadError(name, reader.Error);
    if (format == TPixelFormat::pf24bit)
        SwapRedAndBlue(picture);
}

void ReadPng(const std::filesystem::path& path, TPicture& picture) {
    const std::vector<std::uint8_t> bytes = ReadPictureFile(path);
    DecodePng(bytes.data(), bytes.size(), path.string(), picture);
}

void WritePng(const std::filesystem::path& path, const TPicture& picture, TPngIndexedMode indexedMode,
              const TPngWriteOptions& options) {
    if (picture.Empty())
        throw PictureWriteError(path.string(), "the picture is empty");
    int colorType = PNG_COLOR_TYPE_RGB;
    png_color palette[256];
    bool withPalette = false;
    if (picture.PixelFormat() == TPixelFormat::pf8bit) {
        if (indexedMode == TPngIndexedMode::Palette) {
            colorType = PNG_COLOR_TYPE_PALETTE;
            withPalette = true;
            for (std::size_t i = 0; i < 256; ++i)
                palette[i] = {picture.Palette[i].Red, picture.Palette[i].Green, picture.Palette[i].Blue};
        } else {
            colorType = PNG_COLOR_TYPE_GRAY;
        }
    }
    const bool bgr = picture.PixelFormat() != TPixelFormat::pf8bit;
    const bool filler = picture.PixelFormat() == TPixelFormat::pf32bit;

    std::vector<std::uint8_t> bytes;
    bytes.reserve(picture.ByteSize() / 4 + 1024);
    TPngWriter writer;
    writer.Out = &bytes;
    writer.Png =
        png_create_write_struct(PNG_LIBPNG_VER_STRING, &writer, OnPngError<TPngWriter>, OnPngWarning);
    if (writer.Png)
        writer.Info = png_create_info_struct(writer.Png);
    if (!writer.Png || !writer.Info)
        throw PictureWriteError(path.string(), "out of memory");
    std::vector<png_bytep> rows(static_cast<std::size_t>(picture.Height()));
    for (std::int32_t y = 0; y < picture.Height(); ++y)
        rows[static_cast<std::size_t>(y)] = const_cast<png_bytep>(picture.Row(y));
    if (!WritePngImage(writer, static_cast<png_uint_32>(picture.Width()),
                       static_cast<png_uint_32>(picture.Height()), colorType, withPalette ? palette : nullptr,
                       bgr, filler, options.Fast, rows.data()))
        throw PictureWriteError(path.string(), writer.Error);
    WritePictureFile(path, bytes, options.Sync);
}
