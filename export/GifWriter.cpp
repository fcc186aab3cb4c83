#include "export/GifWriter.h"

#include "base/Error.h"

#include <gif_lib.h>
#include <unistd.h>

namespace {

// Hundredths of a second from the movie's start to frame `frame` (from 0), rounded.
std::int64_t HundredthsAt(std::int32_t frame, std::int32_t fps) {
    return (std::int64_t{frame} * 200 + fps) / (2 * fps);
}

} // namespace

TGifWriter::TGifWriter(const std::filesystem::path& file, std::int32_t width, std::int32_t height,
                       std::int32_t fps)
    : File(file), Width(width), Height(height), Fps(std::max(fps, 1)) {
    if (width < 1 || height < 1 || width > 0xFFFF || height > 0xFFFF)
        throw ECwError("Cannot write \"" + file.string() + "\": a GIF is at most 65535 pixels on a side");
    Target = std::make_unique<TAtomicFile>(file);
    const int fd = ::dup(Target->Descriptor());
    int error = 0;
    Gif = fd < 0 ? nullptr : EGifOpenFileHandle(fd, &error);
    if (!Gif) {
        if (fd >= 0)
            ::close(fd);
        Fail(error);
    }
    EGifSetGifVersion(Gif, true);
    if (EGifPutScreenDesc(Gif, width, height, 8, 0, nullptr) == GIF_ERROR)
        Fail(Gif->Error);
    // The application extension that makes players loop: count 0, for ever.
    static const GifByteType kLoop[] = {'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0'};
    static const GifByteType kForever[] = {1, 0, 0};
    if (EGifPutExtensionLeader(Gif, APPLICATION_EXT_FUNC_CODE) == GIF_ERROR ||
        EGifPutExtensionBlock(Gif, sizeof kLoop, kLoop) == GIF_ERROR ||
        EGifPutExtensionBlock(Gif, sizeof kForever, kForever) == GIF_ERROR ||
        EGifPutExtensionTrailer(Gif) == GIF_ERROR)
        Fail(Gif->Error);
    const std::size_t pixels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    Red.resize(pixels);
    Green.resize(pixels);
    Blue.resize(pixels);
    Indexes.resize(pixels);
}

TGifWriter::~TGifWriter() {
    if (Gif)
        EGifCloseFile(Gif, nullptr);
}

void TGifWriter::Fail(int code) const {
    const char* reason = GifErrorString(code);
    throw ECwError("Cannot write \"" + File.string() + "\": " + (reason ? reason : "GIF error"));
}

void TGifWriter::WriteFrame(const std::uint8_t* pixels, std::size_t stride) {
    for (std::int32_t y = 0; y < Height; ++y) {
        const std::uint8_t* row = pixels + stride * static_cast<std::size_t>(y);
        const std::size_t at = static_cast<std::size_t>(y) * static_cast<std::size_t>(Width);
        for (std::int32_t x = 0; x < Width; ++x) {
            Blue[at + static_cast<std::size_t>(x)] = row[3 * x];
            Green[at + static_cast<std::size_t>(x)] = row[3 * x + 1];
            Red[at + static_cast<std::size_t>(x)] = row[3 * x + 2];
        }
    }
    int colours = 256;
    GifColorType palette[256] = {};
    if (GifQuantizeBuffer(static_cast<unsigned>(Width), static_cast<unsigned>(Height), &colours, Red.data(),
                          Green.data(), Blue.data(), Indexes.data(), palette) == GIF_ERROR)
        throw ECwError("Cannot write \"" + File.string() + "\": the frame's colours cannot be reduced");
    ColorMapObject* map = GifMakeMapObject(256, palette);
    if (!map)
        throw ECwError("out of memory for bitmap pixels");
    const auto delay = static_cast<int>(HundredthsAt(Frames + 1, Fps) - HundredthsAt(Frames, Fps));
    // Graphic control: no disposal, no transparency, the delay in hundredths.
    const GifByteType control[] = {0, static_cast<GifByteType>(delay & 0xFF), static_cast<GifByteType>(delay >> 8),
                                   0};
    const bool written = EGifPutExtension(Gif, GRAPHICS_EXT_FUNC_CODE, sizeof control, control) != GIF_ERROR &&
                         EGifPutImageDesc(Gif, 0, 0, Width, Height, false, map) != GIF_ERROR &&
                         EGifPutLine(Gif, Indexes.data(), Width * Height) != GIF_ERROR;
    GifFreeMapObject(map);
    if (!written)
        Fail(Gif->Error);
    ++Frames;
}

void TGifWriter::Finish() {
    int error = 0;
    GifFileType* gif = Gif;
    Gif = nullptr;
    if (EGifCloseFile(gif, &error) == GIF_ERROR)
        Fail(error);
    Target->Commit();
}
