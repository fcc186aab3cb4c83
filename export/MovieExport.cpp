#include "export/MovieExport.h"

#include "base/AtomicFile.h"
#include "base/Error.h"
#include "export/AviBuilder.h"
#include "document/SheetDocument.h"
#include "export/GifWriter.h"
#include "export/MovieFrames.h"
#include "imaging/Compositor.h"
#include "imaging/PictureCodecs.h"

#include <cstring>
#include <memory>

namespace {

const char* const kCancelled = "The export was cancelled.";

// Where the frames of a movie go, one after another, each as 24-bit rows from the top.
class TFrameSink {
public:
    virtual ~TFrameSink() = default;
    virtual void Frame(std::int32_t sheetFrame, const std::uint8_t* pixels) = 0;
    // The line the export ends with.
    virtual std::string Finish() = 0;
};

class TEncoderSink : public TFrameSink {
public:
    TEncoderSink(const TMovieEncoding& encoding, const std::filesystem::path& target)
        : Movie(target, TAtomicFile::TAccess::Seekable), Encoder(encoding, Movie.TemporaryPath()) {}
    void Frame(std::int32_t, const std::uint8_t* pixels) override { Encoder.PushFrame(pixels); }
    std::string Finish() override {
        Encoder.Finish();
        Movie.Commit();
        return "Compression complete.";
    }

private:
    TAtomicFile Movie;
    TMovieEncoder Encoder;
};

class TGifSink : public TFrameSink {
public:
    TGifSink(const TMovieEncoding& encoding, const std::filesystem::path& target)
        : Gif(target, encoding.Width, encoding.Height, encoding.Fps),
          Stride(TMovieFrameShape{encoding.Width, encoding.Height, false}.Stride()) {}
    void Frame(std::int32_t, const std::uint8_t* pixels) override { Gif.WriteFrame(pixels, Stride); }
    std::string Finish() override {
        Gif.Finish();
        return "Build Complete";
    }

private:
    TGifWriter Gif;
    std::size_t Stride;
};

// One PNG per frame, named by its sheet frame; the folder is synced once at the end.
class TPngSequenceSink : public TFrameSink {
public:
    TPngSequenceSink(const TMovieEncoding& encoding, const std::filesystem::path& target) : Target(target) {
        Picture.SetSize(encoding.Width, encoding.Height, TPixelFormat::pf24bit);
    }
    void Frame(std::int32_t sheetFrame, const std::uint8_t* pixels) override {
        const std::size_t stride = TMovieFrameShape{Picture.Width(), Picture.Height(), false}.Stride();
        for (std::int32_t y = 0; y < Picture.Height(); ++y)
            std::memcpy(Picture.Row(y), pixels + stride * static_cast<std::size_t>(y),
                        static_cast<std::size_t>(Picture.Width()) * 3);
        WritePng(SequenceFrameFile(Target, sheetFrame), Picture, TPngIndexedMode::Palette,
                 {.Fast = true, .Sync = false});
    }
    std::string Finish() override {
        SyncFolder(std::filesystem::absolute(Target).parent_path());
        return "Build Complete";
    }

private:
    std::filesystem::path Target;
    TPicture Picture;
};

std::unique_ptr<TFrameSink> MakeSink(const TMovieEncoding& encoding, const std::filesystem::path& target) {
    switch (encoding.Format->Container) {
    case TMovieContainer::Gif:
        return std::make_unique<TGifSink>(encoding, target);
    case TMovieContainer::PngSequence:
        return std::make_unique<TPngSequenceSink>(encoding, target);
    default:
        return std::make_unique<TEncoderSink>(encoding, target);
    }
}

// Whether the movie is an uncompressed AVI without sound, which the AVI builder writes itself.
bool IsPlainAvi(const TMovieEncoding& encoding) {
    return encoding.Format->Container == TMovieContainer::Avi && encoding.VideoCompressor.empty() &&
           encoding.Sound.empty();
}

TAviBuilder PlainAviBuilder(const TExportProgress& progress) {
    TAviBuilder builder;
    if (progress.OnProgress)
        builder.OnProgress = [&progress](const std::string&, std::int32_t done, std::int32_t total) {
            progress.OnProgress(done, total);
        };
    builder.Aborted = progress.Aborted;
    return builder;
}

// Hands one frame on and reports it; false when the export is to stop.
void Step(const TExportProgress& progress, std::int32_t done, std::int32_t total) {
    if (progress.OnProgress)
        progress.OnProgress(done, total);
    if (progress.Aborted && progress.Aborted())
        throw ECwError(kCancelled);
}

// A picture as 24-bit rows from the top, each padded to 4 bytes; 8-bit pictures through their palette.
void ToFramePixels(const TPicture& picture, std::vector<std::uint8_t>& pixels) {
    const TMovieFrameShape shape{picture.Width(), picture.Height(), false};
    pixels.resize(shape.Bytes());
    for (std::int32_t y = 0; y < picture.Height(); ++y) {
        std::uint8_t* out = pixels.data() + shape.Stride() * static_cast<std::size_t>(y);
        const std::uint8_t* in = picture.Row(y);
        for (std::int32_t x = 0; x < picture.Width(); ++x, out += 3) {
            if (picture.PixelFormat() == TPixelFormat::pf8bit) {
                const TPaletteEntry& entry = picture.Palette[in[x]];
                out[0] = entry.Blue;
                out[1] = entry.Green;
                out[2] = entry.Red;
            } else {
                std::memcpy(out, in + static_cast<std::size_t>(x) * BytesPerPixel(picture.PixelFormat()), 3);
            }
        }
    }
}

} // namespace

bool PassesThroughEncoders(const TMovieEncoding& encoding) {
    return *encoding.Format->Muxer && !IsPlainAvi(encoding);
}

std::vector<std::filesystem::path> MovieFiles(const std::filesystem::path& target, const TMovieEncoding& encoding) {
    std::vector<std::filesystem::path> files{target};
    if (encoding.Format->Container != TMovieContainer::PngSequence)
        return files;
    for (std::int32_t frame = encoding.Range.First; frame <= encoding.Range.Last; ++frame)
        files.push_back(SequenceFrameFile(target, frame));
    return files;
}

std::string ExportSheetMovie(TCompositor& rostrum, const TMovieEncoding& encoding,
                             const std::filesystem::path& target, const TExportProgress& progress) {
    CheckMovieRange(encoding.Range);
    if (rostrum.Sheet().IsEmpty())
        throw ECwError("X-sheet is empty.");
    if (IsPlainAvi(encoding)) {
        TAviBuilder builder = PlainAviBuilder(progress);
        builder.BuildFromSheet(target, encoding.Width, encoding.Height, rostrum, encoding.Fps, encoding.Range);
        return "Build Complete";
    }
    const std::unique_ptr<TFrameSink> sink = MakeSink(encoding, target);
    const std::int32_t total = encoding.Range.Count();
    Step(progress, 0, total);
    RenderMovieFrames(rostrum, encoding.Range, {encoding.Width, encoding.Height, false},
                      [&](std::int32_t i, const std::uint8_t* pixels) {
                          sink->Frame(encoding.Range.First + i, pixels);
                          Step(progress, i + 1, total);
                          return true;
                      });
    return sink->Finish();
}

std::string ExportFrameMovie(const TFrameArray& order, const TImageArray& frames, TMovieEncoding encoding,
                             const std::filesystem::path& target, const TExportProgress& progress) {
    if (frames.empty() || !frames[0] || frames[0]->Empty())
        throw ECwError("There are no frames to build a movie from.");
    if (IsPlainAvi(encoding)) {
        TAviBuilder builder = PlainAviBuilder(progress);
        builder.BuildFromFrames(target, order, frames, encoding.Fps);
        return "Build Complete";
    }
    encoding.Width = frames[0]->Width();
    encoding.Height = frames[0]->Height();
    const auto total = static_cast<std::int32_t>(std::max<std::size_t>(order.size(), 1));
    encoding.Range = {1, total};
    const std::unique_ptr<TFrameSink> sink = MakeSink(encoding, target);
    std::vector<std::uint8_t> pixels;
    Step(progress, 0, total);
    for (std::int32_t i = 0; i < total; ++i) {
        const std::size_t index = i == 0 ? 0 : static_cast<std::size_t>(order[static_cast<std::size_t>(i)]);
        if (index >= frames.size() || !frames[index] || frames[index]->Width() != encoding.Width ||
            frames[index]->Height() != encoding.Height)
            throw ECwError("Failed to Write Image to AVI Stream");
        ToFramePixels(*frames[index], pixels);
        sink->Frame(i + 1, pixels.data());
        Step(progress, i + 1, total);
    }
    return sink->Finish();
}
