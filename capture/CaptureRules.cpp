#include "capture/CaptureRules.h"

#include "base/Error.h"
#include "base/TextUtil.h"
#include "imaging/PictureCodecs.h"
#include "imaging/PictureFilters.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace {
constexpr int kJpegQuality = 70;
} // namespace

TPicture AverageFrames(const std::array<TPicture, kAveragedFrames>& frames) {
    const TPicture& first = frames[0];
    for (const TPicture& frame : frames) {
        if (frame.Width() != first.Width() || frame.Height() != first.Height() ||
            frame.PixelFormat() != TPixelFormat::pf24bit)
            throw ECwError("The averaged frames are not all 24-bit pictures of one size.");
    }
    TPicture result(first.Width(), first.Height(), TPixelFormat::pf24bit);
    const std::size_t rowBytes = static_cast<std::size_t>(first.Width()) * 3;
    std::vector<std::uint32_t> sums(rowBytes);
    for (std::int32_t y = 0; y < first.Height(); ++y) {
        std::fill(sums.begin(), sums.end(), 0u);
        for (const TPicture& frame : frames) {
            const std::uint8_t* row = frame.Row(y);
            for (std::size_t i = 0; i < rowBytes; ++i)
                sums[i] += row[i];
        }
        std::uint8_t* out = result.Row(y);
        for (std::size_t i = 0; i < rowBytes; ++i)
            out[i] = static_cast<std::uint8_t>(std::min<std::uint32_t>(255, sums[i] / kAveragedFrames));
    }
    return result;
}

void TFrameCollector::Start(bool averaging) {
    Averaging = averaging;
    Collected = 0;
}

bool TFrameCollector::Add(const TPicture& frame) {
    Frames[static_cast<std::size_t>(Collected)] = frame;
    ++Collected;
    return !Averaging || Collected >= kAveragedFrames;
}

TPicture TFrameCollector::Result() const {
    return Averaging ? AverageFrames(Frames) : Frames[0];
}

void TurnUpsideDown(TPicture& picture) {
    const std::int32_t bytes = BytesPerPixel(picture.PixelFormat());
    const std::int32_t width = picture.Width();
    const std::int32_t height = picture.Height();
    std::vector<std::uint8_t> top(static_cast<std::size_t>(width) * bytes);
    std::vector<std::uint8_t> bottom(top.size());
    // Swap row y with row height-1-y, each reversed pixel by pixel; the middle row reverses alone.
    auto reversed = [&](const std::uint8_t* row, std::vector<std::uint8_t>& out) {
        for (std::int32_t x = 0; x < width; ++x)
            std::copy_n(row + static_cast<std::size_t>(x) * bytes, bytes,
                        out.begin() + static_cast<std::ptrdiff_t>(width - 1 - x) * bytes);
    };
    for (std::int32_t y = 0; y < (height + 1) / 2; ++y) {
        const std::int32_t other = height - 1 - y;
        reversed(picture.Row(y), top);
        reversed(picture.Row(other), bottom);
        std::copy(bottom.begin(), bottom.end(), picture.Row(y));
        std::copy(top.begin(), top.end(), picture.Row(other));
    }
}

void ProcessCapture(TPicture& picture, const TCaptureFilters& filters) {
    if (filters.SquarePixels)
        SquarePixelResize(picture);
    if (filters.UpsideDown)
        TurnUpsideDown(picture);
    if (filters.BlackAndWhite)
        ConvertToBw(picture);
}

void WriteCapture(const std::string& path, const TPicture& picture, TcwImageFormat format,
                  bool blackAndWhite) {
    switch (format) {
    case TcwImageFormat::jpg:
        WriteJpeg(path, picture, kJpegQuality, blackAndWhite);
        break;
    case TcwImageFormat::bmp:
        WriteBmp(path, picture);
        break;
    default:
        WritePng(path, picture, blackAndWhite ? TPngIndexedMode::Grayscale : TPngIndexedMode::Palette);
        break;
    }
}

std::vector<std::string> KeepStillOriginals(const std::string& layerFolder, const std::string& celFileName,
                                            const std::vector<TStillFile>& files) {
    std::vector<std::string> paths;
    if (files.empty())
        return paths;
    const std::filesystem::path folder = std::filesystem::path(layerFolder) / kOriginalsFolder;
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error)
        throw ECwError("Cannot make the folder \"" + folder.string() +
                       "\" for the camera's originals: " + error.message());
    const std::string stem = std::filesystem::path(celFileName).stem().string();
    for (const TStillFile& file : files) {
        std::string extension = std::filesystem::path(file.Name).extension().string();
        std::transform(extension.begin(), extension.end(), extension.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        const std::filesystem::path path = folder / (stem + extension);
        WritePictureFile(path, file.Bytes);
        paths.push_back(path.string());
    }
    return paths;
}
