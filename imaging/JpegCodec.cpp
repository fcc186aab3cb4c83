#include "imaging/CodecSupport.h"
#include "imaging/PictureCodecs.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
// jpeglib.h needs FILE and size_t declared first.
#include <jerror.h>
#include <jpeglib.h>

// libjpeg reports errors through error_exit, which we turn into a longjmp. As with the PNG codec,
// the functions that set the jump point hold no C++ objects with destructors.

namespace {

struct TJpegError {
    jpeg_error_mgr Manager{};
    std::jmp_buf Jump{};
    char Message[JMSG_LENGTH_MAX] = "";
};

void OnJpegErrorExit(j_common_ptr cinfo) {
    auto* error = reinterpret_cast<TJpegError*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, error->Message);
    std::longjmp(error->Jump, 1);
}

// libjpeg only warns about corrupt or missing data (and fills what it could not decode with grey);
// every such warning makes the file damaged, and stops the decoder at once.
void OnJpegMessage(j_common_ptr cinfo, int level) {
    if (level >= 0)
        return;
    if (cinfo->err->msg_code == JWRN_JPEG_EOF) {
        auto* error = reinterpret_cast<TJpegError*>(cinfo->err);
        std::snprintf(error->Message, sizeof error->Message, "the file is truncated");
        std::longjmp(error->Jump, 1);
    }
    OnJpegErrorExit(cinfo);
}

struct TJpegDecoder {
    jpeg_decompress_struct Info{};
    TJpegError Error;
    bool Created = false;

    ~TJpegDecoder() {
        if (Created)
            jpeg_destroy_decompress(&Info);
    }
};

struct TJpegEncoder {
    jpeg_compress_struct Info{};
    TJpegError Error;
    bool Created = false;
    unsigned char* Buffer = nullptr;
    unsigned long BufferSize = 0;

    ~TJpegEncoder() {
        if (Created)
            jpeg_destroy_compress(&Info);
        std::free(Buffer);
    }
};

struct TJpegLayout {
    JDIMENSION Width = 0;
    JDIMENSION Height = 0;
    bool Gray = false;
    bool Arithmetic = false;
};

// Huffman coding spends at least one bit on each 8 x 8 block of a component at full resolution.
bool CanHoldPixels(const TJpegLayout& layout, std::size_t size) {
    const std::uint64_t blocks =
        (std::uint64_t{layout.Width} + 7) / 8 * ((std::uint64_t{layout.Height} + 7) / 8);
    return layout.Arithmetic || blocks <= std::uint64_t{size} * 8;
}

bool StartJpegDecoder(TJpegDecoder& d, const std::uint8_t* data, std::size_t size, TJpegLayout& layout) {
    d.Info.err = jpeg_std_error(&d.Error.Manager);
    d.Error.Manager.error_exit = OnJpegErrorExit;
    d.Error.Manager.emit_message = OnJpegMessage;
    if (setjmp(d.Error.Jump))
        return false;
    jpeg_create_decompress(&d.Info);
    d.Created = true;
    jpeg_mem_src(&d.Info, data, static_cast<unsigned long>(size));
    jpeg_read_header(&d.Info, TRUE);
    layout.Gray = d.Info.jpeg_color_space == JCS_GRAYSCALE;
    d.Info.out_color_space = layout.Gray ? JCS_GRAYSCALE : JCS_EXT_BGR;
    layout.Width = d.Info.image_width;
    layout.Height = d.Info.image_height;
    layout.Arithmetic = d.Info.arith_code;
    return true;
}

bool ReadJpegRows(TJpegDecoder& d, JSAMPROW* rows) {
    if (setjmp(d.Error.Jump))
        return false;
    jpeg_start_decompress(&d.Info);
    while (d.Info.output_scanline < d.Info.output_height) {
        if (jpeg_read_scanlines(&d.Info, rows + d.Info.output_scanline,
                                d.Info.output_height - d.Info.output_scanline) == 0)
            break;
    }
    jpeg_finish_decompress(&d.Info);
    return true;
}

bool EncodeJpeg(TJpegEncoder& e, JDIMENSION width, JDIMENSION height, J_COLOR_SPACE inputSpace,
                int components, int quality, bool grayscale, JSAMPROW* rows) {
    e.Info.err = jpeg_std_error(&e.Error.Manager);
    e.Error.Manager.error_exit = OnJpegErrorExit;
    e.Error.Manager.emit_message = OnJpegMessage;
    if (setjmp(e.Error.Jump))
        return false;
    jpeg_create_compress(&e.Info);
    e.Created = true;
    jpeg_mem_dest(&e.Info, &e.Buffer, &e.BufferSize);
    e.Info.image_width = width;
    e.Info.image_height = height;
    e.Info.in_color_space = inputSpace;
    e.Info.input_components = components;
    jpeg_set_defaults(&e.Info);
    if (grayscale)
        jpeg_set_colorspace(&e.Info, JCS_GRAYSCALE);
    jpeg_set_quality(&e.Info, quality, TRUE);
    jpeg_start_compress(&e.Info, TRUE);
    while (e.Info.next_scanline < e.Info.image_height)
        jpeg_write_scanlines(&e.Info, rows + e.Info.next_scanline,
                             e.Info.image_height - e.Info.next_scanline);
    jpeg_finish_compress(&e.Info);
    return true;
}

} // namespace

void DecodeJpeg(const std::uint8_t* data, std::size_t size, const std::string& name, TPicture& picture) {
    if (size < 2 || data[0] != 0xFF || data[1] != 0xD8)
        throw PictureReadError(name, "not a JPEG file");
    TJpegDecoder decoder;
    TJpegLayout layout;
    if (!StartJpegDecoder(decoder, data, size, layout))
        throw PictureReadError(name, decoder.Error.Message);
    CheckDecodedPictureSize(layout.Width, layout.Height, name);
    if (!CanHoldPixels(layout, size))
        throw PictureTooShortError(name, layout.Width, layout.Height);
    picture.SetSize(static_cast<std::int32_t>(layout.Width), static_cast<std::int32_t>(layout.Height),
                    layout.Gray ? TPixelFormat::pf8bit : TPixelFormat::pf24bit);
    std::vector<JSAMPROW> rows(layout.Height);
    for (JDIMENSION y = 0; y < layout.Height; ++y)
        rows[y] = picture.Row(static_cast<std::int32_t>(y));
    if (!ReadJpegRows(decoder, rows.data()))
        throw PictureReadError(name, decoder.Error.Message);
}

void ReadJpeg(const std::filesystem::path& path, TPicture& picture) {
    const std::vector<std::uint8_t> bytes = ReadPictureFile(path);
    DecodeJpeg(bytes.data(), bytes.size(), path.string(), picture);
}

void WriteJpeg(const std::filesystem::path& path, const TPicture& picture, int quality, bool grayscale) {
    if (picture.Empty())
        throw PictureWriteError(path.string(), "the picture is empty");
    // libjpeg takes BGR and BGRX rows as they are; an 8-bit picture is written through its palette.
    const TPicture* source = &picture;
    TPicture expanded;
    if (picture.PixelFormat() == TPixelFormat::pf8bit) {
        expanded.SetSize(picture.Width(), picture.Height(), TPixelFormat::pf24bit);
        for (std::int32_t y = 0; y < picture.Height(); ++y) {
            const std::uint8_t* in = picture.Row(y);
            std::uint8_t* out = expanded.Row(y);
            for (std::int32_t x = 0; x < picture.Width(); ++x, out += 3) {
                const TPaletteEntry& c = picture.Palette[in[x]];
                out[0] = c.Blue;
                out[1] = c.Green;
                out[2] = c.Red;
            }
        }
        source = &expanded;
    }
    const bool bgrx = source->PixelFormat() == TPixelFormat::pf32bit;
    std::vector<JSAMPROW> rows(static_cast<std::size_t>(source->Height()));
    for (std::int32_t y = 0; y < source->Height(); ++y)
        rows[static_cast<std::size_t>(y)] = const_cast<JSAMPROW>(source->Row(y));

    TJpegEncoder encoder;
    if (!EncodeJpeg(encoder, static_cast<JDIMENSION>(source->Width()),
                    static_cast<JDIMENSION>(source->Height()), bgrx ? JCS_EXT_BGRX : JCS_EXT_BGR,
                    bgrx ? 4 : 3, quality, grayscale, rows.data()))
        throw PictureWriteError(path.string(), encoder.Error.Message);
    WritePictureFile(path, std::vector<std::uint8_t>(encoder.Buffer, encoder.Buffer + encoder.BufferSize));
}
