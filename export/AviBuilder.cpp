#include "export/AviBuilder.h"

#include "base/Error.h"
#include "document/SheetDocument.h"
#include "imaging/CodecSupport.h"
#include "export/MovieFrames.h"
#include "imaging/PictureCodecs.h"
#include "imaging/Compositor.h"

#include <array>
#include <cstring>
#include <limits>
#include <memory>
#include <new>

namespace {

const char* const kOpenFailed = "Failed to open AVI for writing";
const char* const kStreamFailed = "Failed to create AVI stream";
const char* const kFormatFailed = "Failed to Set Stream Format";
const char* const kWriteFailed = "Failed to Write Image to AVI Stream";
const char* const kBuildComplete = "Build Complete";
const char* const kCancelled = "The export was cancelled.";

// The stream description of a movie whose frames have the header block `header` and pixel blocks
// of `imageSize` bytes.
TAviStreamInfo StreamInfo(const std::vector<std::uint8_t>& header, std::size_t imageSize, std::int32_t fps) {
    TAviStreamInfo info;
    info.Scale = 1;
    info.Rate = static_cast<std::uint32_t>(fps);
    info.SuggestedBufferSize = static_cast<std::uint32_t>(imageSize);
    info.FrameRight = static_cast<std::uint16_t>(Get32(header.data() + 4));
    info.FrameBottom = static_cast<std::uint16_t>(Get32(header.data() + 8));
    return info;
}

// The error `text`, followed by the file's own reason when the writer knows it.
ECwError AviError(const char* text, const TAviWriter& avi) {
    return ECwError(avi.LastError().empty() ? std::string(text) : text + (": " + avi.LastError()));
}

// Opens the file and sets up its stream from the first frame's blocks, raising the matching error.
void StartMovie(TAviWriter& avi, const std::filesystem::path& fileName,
                const std::vector<std::uint8_t>& header, std::size_t imageSize, std::int32_t fps) {
    if (!avi.Open(fileName))
        throw AviError(kOpenFailed, avi);
    // A frame rate below 1 would make a stream no player can time.
    if (fps < 1 || header.empty() || !avi.CreateStream(StreamInfo(header, imageSize, fps)))
        throw ECwError(kStreamFailed);
    if (!avi.SetFormat(header.data(), header.size()))
        throw ECwError(kFormatFailed);
}

void StartMovie(TAviWriter& avi, const std::filesystem::path& fileName, const TDib& first, std::int32_t fps) {
    StartMovie(avi, fileName, first.Header, first.ImageSize(), fps);
}

void WriteFrame(TAviWriter& avi, const TDib& dib) {
    if (!avi.WriteSample(dib.Pixels.data(), dib.Pixels.size(), true))
        throw ECwError(kWriteFailed);
}

// The pixel block size of a DIB of the picture's size and format. Raises "Unable to create DIB"
// for a block larger than a DIB can describe.
std::size_t DibImageSize(std::int32_t width, std::int32_t height, TPixelFormat format) {
    const std::size_t imageSize = DibStride(width, format) * static_cast<std::size_t>(height);
    if (imageSize > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
        throw ECwError("Unable to create DIB");
    return imageSize;
}

// The header block of a DIB; the image size is checked first, so that a DIB too large to describe
// raises "Unable to create DIB".
void MakeDibHeader(std::int32_t width, std::int32_t height, TPixelFormat format, const TPalette& palette,
                   std::vector<std::uint8_t>& header) {
    DibImageSize(width, height, format);
    header.resize(DibHeaderSize(format));
    WriteDibHeader(header.data(), width, height, format, palette);
}

// Sizes a pixel block, raising "out of memory for bitmap pixels" when it cannot be had.
void AllocatePixels(std::vector<std::uint8_t>& pixels, std::size_t imageSize) {
    try {
        pixels.resize(imageSize);
    } catch (const std::bad_alloc&) {
        throw ECwError("out of memory for bitmap pixels");
    }
}

} // namespace

void BitmapToDib(const TPicture& picture, TDib& dib) {
    if (picture.Empty()) {
        dib.Header.clear();
        dib.Pixels.clear();
        return;
    }
    const std::size_t imageSize = DibImageSize(picture.Width(), picture.Height(), picture.PixelFormat());
    MakeDibHeader(picture.Width(), picture.Height(), picture.PixelFormat(), picture.Palette, dib.Header);
    try {
        AllocatePixels(dib.Pixels, imageSize);
    } catch (const ECwError&) {
        dib.Header.clear();
        throw;
    }
    const std::size_t stride = DibStride(picture.Width(), picture.PixelFormat());
    const std::size_t rowBytes = static_cast<std::size_t>(picture.Width()) *
                                 static_cast<std::size_t>(BytesPerPixel(picture.PixelFormat()));
    std::uint8_t* pixels = dib.Pixels.data();
    const std::int32_t height = picture.Height();
    for (std::int32_t y = 0; y < height; ++y) {
        std::uint8_t* out = pixels + stride * static_cast<std::size_t>(height - 1 - y);
        std::memcpy(out, picture.Row(y), rowBytes);
        std::memset(out + rowBytes, 0, stride - rowBytes);
    }
}

void TAviBuilder::BuildFromSheet(const std::filesystem::path& fileName, std::int32_t width,
                                 std::int32_t height, TCompositor& rostrum, std::int32_t fps,
                                 const TMovieRange& range) {
    TSheetDocument& sheet = rostrum.Sheet();
    if (sheet.IsEmpty())
        throw ECwError("X-sheet is empty.");
    CheckMovieRange(range);
    bool startsWithCel = range.First > 1;
    for (std::int32_t layer = 1; layer <= sheet.LayerCount(); ++layer)
        startsWithCel = startsWithCel || sheet.CelAt(layer, 1) != nullptr;
    if (!startsWithCel)
        throw ECwError("Movie cannot start with an empty frame.");

    std::vector<std::uint8_t> header;
    MakeDibHeader(width, height, TPixelFormat::pf24bit, CreateGrayPalette(), header);
    const std::size_t imageSize = DibImageSize(width, height, TPixelFormat::pf24bit);
    const TMovieFrameShape shape{width, height, true};
    TAviWriter avi(RiffLimit);
    const std::int32_t count = range.Count();
    avi.Plan(static_cast<std::uint32_t>(count), static_cast<std::uint32_t>(imageSize));
    const std::string caption = "building movie";
    RenderMovieFrames(rostrum, range, shape, [&](std::int32_t i, const std::uint8_t* pixels) {
        // The file is opened once the first frame has been rendered.
        if (i == 0) {
            StartMovie(avi, fileName, header, imageSize, fps);
            if (OnProgress)
                OnProgress(caption, 0, count);
        }
        if (!avi.WriteSample(pixels, imageSize, true))
            throw ECwError(kWriteFailed);
        if (OnProgress)
            OnProgress(caption, i + 1, count);
        if (Aborted && Aborted())
            throw ECwError(kCancelled);
        return true;
    });
    if (!avi.Release())
        throw AviError(kWriteFailed, avi);
    if (OnInfo)
        OnInfo(kBuildComplete);
}

void TAviBuilder::BuildFromFrames(const std::filesystem::path& fileName, const TFrameArray& order,
                                  const TImageArray& frames, std::int32_t fps) {
    if (frames.empty() || !frames[0] || frames[0]->Empty())
        throw ECwError("There are no frames to build a movie from.");
    TDib dib;
    BitmapToDib(*frames[0], dib);
    const std::vector<std::uint8_t> format = dib.Header;

    TAviWriter avi(RiffLimit);
    avi.Plan(static_cast<std::uint32_t>(std::max<std::size_t>(order.size(), 1)),
             static_cast<std::uint32_t>(dib.ImageSize()));
    StartMovie(avi, fileName, dib, fps);
    WriteFrame(avi, dib);
    const std::int32_t steps = order.empty() ? 0 : static_cast<std::int32_t>(order.size() - 1);
    const std::string caption = "Building Movie";
    if (OnProgress)
        OnProgress(caption, 0, steps);
    for (std::size_t i = 1; i < order.size(); ++i) {
        const std::int32_t index = order[i];
        // Every sample must match the stream's format; a missing or different frame would make
        // an unreadable movie.
        if (index < 0 || static_cast<std::size_t>(index) >= frames.size() ||
            !frames[static_cast<std::size_t>(index)])
            throw ECwError(kWriteFailed);
        BitmapToDib(*frames[static_cast<std::size_t>(index)], dib);
        if (dib.Header != format)
            throw ECwError(kWriteFailed);
        WriteFrame(avi, dib);
        if (OnProgress)
            OnProgress(caption, static_cast<std::int32_t>(i), steps);
        if (Aborted && Aborted())
            throw ECwError(kCancelled);
    }
    if (!avi.Release())
        throw AviError(kWriteFailed, avi);
    if (OnInfo)
        OnInfo(kBuildComplete);
}
