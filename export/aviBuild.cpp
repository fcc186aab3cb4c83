#include "export/aviBuild.h"

#include "document/CwError.h"
#include "document/XsDocument.h"
#include "imaging/CodecSupport.h"
#include "imaging/VRostrum.h"

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

constexpr std::uint32_t kInfoHeaderSize = 40;

// The stream description of a movie whose first frame is `dib`.
TAviStreamInfo StreamInfo(const TDib& dib, std::int32_t fps) {
    TAviStreamInfo info;
    info.Scale = 1;
    info.Rate = static_cast<std::uint32_t>(fps);
    info.SuggestedBufferSize = static_cast<std::uint32_t>(dib.ImageSize());
    info.FrameRight = static_cast<std::uint16_t>(Get32(dib.Header.data() + 4));
    info.FrameBottom = static_cast<std::uint16_t>(Get32(dib.Header.data() + 8));
    return info;
}

// The error `text`, followed by the file's own reason when the writer knows it.
ECwError AviError(const char* text, const TCwAviFile& avi) {
    return ECwError(avi.LastError().empty() ? std::string(text) : text + (": " + avi.LastError()));
}

// Opens the file and sets up its stream from the first frame, raising the matching error.
void StartMovie(TCwAviFile& avi, const std::filesystem::path& fileName, const TDib& first, std::int32_t fps) {
    if (!avi.Open(fileName))
        throw AviError(kOpenFailed, avi);
    // A frame rate below 1 would make a stream no player can time.
    if (fps < 1 || first.Header.empty() || !avi.CreateStream(StreamInfo(first, fps)))
        throw ECwError(kStreamFailed);
    if (!avi.SetFormat(first.Header.data(), first.HeaderSize()))
        throw ECwError(kFormatFailed);
}

void WriteFrame(TCwAviFile& avi, const TDib& dib) {
    if (!avi.WriteSample(dib.Pixels.data(), dib.ImageSize(), true))
        throw ECwError(kWriteFailed);
}

} // namespace

void BitmapToDib(const TPicture& picture, TDib& dib) {
    if (picture.Empty()) {
        dib.Header.clear();
        dib.Pixels.clear();
        return;
    }
    const std::uint32_t bitCount = static_cast<std::uint32_t>(BytesPerPixel(picture.PixelFormat())) * 8;
    const std::uint32_t colors = picture.PixelFormat() == TPixelFormat::pf8bit ? 256 : 0;
    const std::size_t rowBytes = static_cast<std::size_t>(picture.Width()) * (bitCount / 8);
    const std::size_t stride = (rowBytes + 3) & ~std::size_t{3};
    const std::size_t imageSize = stride * static_cast<std::size_t>(picture.Height());
    if (imageSize > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
        throw ECwError("Unable to create DIB");

    dib.Header.assign(kInfoHeaderSize + 4 * colors, 0);
    std::uint8_t* h = dib.Header.data();
    Put32(h, kInfoHeaderSize);
    Put32(h + 4, static_cast<std::uint32_t>(picture.Width()));
    Put32(h + 8, static_cast<std::uint32_t>(picture.Height())); // positive: rows run bottom-up
    Put16(h + 12, 1);
    Put16(h + 14, bitCount);
    Put32(h + 16, 0); // uncompressed
    Put32(h + 20, static_cast<std::uint32_t>(imageSize));
    Put32(h + 32, colors);
    for (std::uint32_t i = 0; i < colors; ++i) {
        std::uint8_t* entry = h + kInfoHeaderSize + 4 * i;
        entry[0] = picture.Palette[i].Blue;
        entry[1] = picture.Palette[i].Green;
        entry[2] = picture.Palette[i].Red;
    }

    try {
        dib.Pixels.resize(imageSize);
    } catch (const std::bad_alloc&) {
        dib.Header.clear();
        throw ECwError("out of memory for bitmap pixels");
    }
    std::uint8_t* pixels = dib.Pixels.data();
    const std::int32_t height = picture.Height();
    for (std::int32_t y = 0; y < height; ++y) {
        std::uint8_t* out = pixels + stride * static_cast<std::size_t>(height - 1 - y);
        std::memcpy(out, picture.Row(y), rowBytes);
        std::memset(out + rowBytes, 0, stride - rowBytes);
    }
}

void TAviBuilder::BuildFromSheet(const std::filesystem::path& fileName, std::int32_t width,
                                 std::int32_t height, TVRostrum& rostrum, std::int32_t fps) {
    TXsDocument& sheet = rostrum.Sheet();
    if (sheet.IsEmpty())
        throw ECwError("X-sheet is empty.");
    bool startsWithCel = false;
    for (std::int32_t layer = 1; layer <= sheet.LayerCount(); ++layer)
        startsWithCel = startsWithCel || sheet.CelAt(layer, 1) != nullptr;
    if (!startsWithCel)
        throw ECwError("Movie cannot start with an empty frame.");

    rostrum.ResetStage();
    rostrum.SetStageSize(width, height);
    TDib dib;
    BitmapToDib(*rostrum.RenderFrame(1), dib);

    TCwAviFile avi(RiffLimit);
    StartMovie(avi, fileName, dib, fps);
    // The length counts hidden layers too; only the visible ones are drawn.
    const std::int32_t count = sheet.UsedFrameCount();
    const std::string caption = "building movie";
    if (OnProgress)
        OnProgress(caption, 0, count);
    for (std::int32_t frame = 1; frame <= count; ++frame) {
        // Frame 1 was rendered above for the stream format.
        if (frame > 1)
            BitmapToDib(*rostrum.RenderFrame(frame), dib);
        WriteFrame(avi, dib);
        if (OnProgress)
            OnProgress(caption, frame, count);
    }
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

    TCwAviFile avi(RiffLimit);
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
    }
    if (!avi.Release())
        throw AviError(kWriteFailed, avi);
    if (OnInfo)
        OnInfo(kBuildComplete);
}
