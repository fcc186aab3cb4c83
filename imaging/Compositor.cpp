#include "imaging/Compositor.h"

#include "document/CelPictures.h"
#include "base/Error.h"
#include "base/TextUtil.h"
#include "document/SheetDocument.h"
#include "imaging/WorkerPool.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>
#include <thread>

namespace {

constexpr std::uint32_t kWhite = 0xFFFFFFFFu;

// The combine rules over rows of 32-bit pixels (bytes B, G, R, A), written so that the compiler
// turns each loop into vector code: no branch inside, every lane on its own.
//
// A layer's own alpha takes no part in any rule, so its pictures carry the pixel's intensity in
// the alpha byte instead, worked out once per drawing. Under Darken a pixel only ever replaces
// another whole, so the stage's alpha stays the intensity of what lies there (white: 255), and
// Darken compares alpha bytes.

inline std::uint32_t Intensity(std::uint32_t red, std::uint32_t green, std::uint32_t blue) {
    return (61u * red + 174u * green + 21u * blue) >> 8;
}

inline std::uint32_t PixelWithIntensity(std::uint32_t red, std::uint32_t green, std::uint32_t blue) {
    return (Intensity(red, green, blue) << 24) | (red << 16) | (green << 8) | blue;
}

void DarkenRow(const std::uint32_t* __restrict f, std::uint32_t* __restrict b, std::size_t width) {
    for (std::size_t x = 0; x < width; ++x)
        b[x] = (f[x] >> 24) < (b[x] >> 24) ? f[x] : b[x];
}

void MultiplyRow(const std::uint8_t* __restrict f, std::uint8_t* __restrict b, std::size_t bytes) {
    for (std::size_t i = 0; i < bytes; ++i)
        b[i] = static_cast<std::uint8_t>((f[i] * b[i]) >> 8);
}

void BlendRow(const std::uint8_t* __restrict f, std::uint8_t* __restrict b, std::size_t bytes,
              std::uint32_t alpha) {
    const std::uint32_t rest = 255 - alpha;
    for (std::size_t i = 0; i < bytes; ++i)
        b[i] = static_cast<std::uint8_t>((f[i] * alpha + b[i] * rest + 127) / 255);
}

void CombineRow(TComp mode, bool bottom, std::uint8_t alpha, const std::uint32_t* f, std::uint32_t* b,
                std::size_t width) {
    if (mode == TComp::cDarken)
        DarkenRow(f, b, width);
    else if (mode == TComp::cMultiply)
        MultiplyRow(reinterpret_cast<const std::uint8_t*>(f), reinterpret_cast<std::uint8_t*>(b), width * 4);
    else if (bottom)
        std::memcpy(b, f, width * 4);
    else
        BlendRow(reinterpret_cast<const std::uint8_t*>(f), reinterpret_cast<std::uint8_t*>(b), width * 4,
                 alpha);
}

// 32-bit pixels to B, G, R bytes. Four pixels go out as one 8-byte and one 4-byte store.
void PackRow(const std::uint32_t* in, std::uint8_t* out, std::size_t width) {
    std::size_t x = 0;
    for (; x + 4 <= width; x += 4, out += 12) {
        const std::uint64_t p0 = in[x] & 0xFFFFFF, p1 = in[x + 1] & 0xFFFFFF, p2 = in[x + 2] & 0xFFFFFF,
                            p3 = in[x + 3] & 0xFFFFFF;
        const std::uint64_t low = p0 | (p1 << 24) | (p2 << 48);
        const auto high = static_cast<std::uint32_t>((p2 >> 16) | (p3 << 8));
        std::memcpy(out, &low, 8);
        std::memcpy(out + 8, &high, 4);
    }
    for (; x < width; ++x, out += 3) {
        out[0] = static_cast<std::uint8_t>(in[x]);
        out[1] = static_cast<std::uint8_t>(in[x] >> 8);
        out[2] = static_cast<std::uint8_t>(in[x] >> 16);
    }
}

const std::uint32_t* Row32(const TPicture& picture, std::int32_t y) {
    return reinterpret_cast<const std::uint32_t*>(picture.Row(y));
}

std::uint32_t* Row32(TPicture& picture, std::int32_t y) {
    return reinterpret_cast<std::uint32_t*>(picture.Row(y));
}

// The part of a row of 32-bit pixels that is not white.
TInkSpan FindInk(const std::uint32_t* row, std::uint32_t width) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(row);
    std::uint32_t begin = 0, end = width;
    while (begin + 8 <= end && AllBytesWhite(bytes + 4 * begin, 32))
        begin += 8;
    while (begin < end && row[begin] == kWhite)
        ++begin;
    while (end >= begin + 8 && AllBytesWhite(bytes + 4 * (end - 8), 32))
        end -= 8;
    while (end > begin && row[end - 1] == kWhite)
        --end;
    return {begin, end};
}

// `source` at width x height as 32-bit pixels with their intensity in the alpha byte, sampled by
// nearest neighbour on each axis, and the ink of each row.
void ResampleTo32(const TPicture& source, TPicture& target, std::vector<TInkSpan>& ink, std::int32_t width,
                  std::int32_t height) {
    target.SetSize(width, height, TPixelFormat::pf32bit);
    ink.resize(static_cast<std::size_t>(height));
    std::vector<std::uint32_t> columns(static_cast<std::size_t>(width));
    for (std::int32_t x = 0; x < width; ++x)
        columns[static_cast<std::size_t>(x)] =
            static_cast<std::uint32_t>(static_cast<std::int64_t>(x) * source.Width() / width);
    const bool sameWidth = source.Width() == width;
    std::uint32_t palette[256];
    for (std::size_t i = 0; i < 256; ++i) {
        const TPaletteEntry& c = source.Palette[i];
        palette[i] = PixelWithIntensity(c.Red, c.Green, c.Blue);
    }
    std::int32_t lastSourceY = -1;
    for (std::int32_t y = 0; y < height; ++y) {
        const auto sourceY =
            static_cast<std::int32_t>(static_cast<std::int64_t>(y) * source.Height() / height);
        std::uint32_t* out = Row32(target, y);
        // Enlarged pictures repeat source rows.
        if (sourceY == lastSourceY) {
            std::memcpy(out, Row32(target, y - 1), static_cast<std::size_t>(width) * 4);
            ink[static_cast<std::size_t>(y)] = ink[static_cast<std::size_t>(y - 1)];
            continue;
        }
        lastSourceY = sourceY;
        const std::uint8_t* in = source.Row(sourceY);
        const std::size_t bytesPerPixel = static_cast<std::size_t>(BytesPerPixel(source.PixelFormat()));
        if (source.PixelFormat() == TPixelFormat::pf8bit) {
            for (std::int32_t x = 0; x < width; ++x)
                out[x] = palette[in[columns[static_cast<std::size_t>(x)]]];
        } else if (sameWidth) {
            for (std::int32_t x = 0; x < width; ++x, in += bytesPerPixel) {
                // White paper, eight pixels at a time.
                if ((x & 7) == 0 && x + 8 <= width && AllBytesWhite(in, 8 * bytesPerPixel)) {
                    std::fill(out + x, out + x + 8, kWhite);
                    x += 7;
                    in += 7 * bytesPerPixel;
                    continue;
                }
                out[x] = PixelWithIntensity(in[2], in[1], in[0]);
            }
        } else {
            for (std::int32_t x = 0; x < width; ++x) {
                const std::uint8_t* p = in + columns[static_cast<std::size_t>(x)] * bytesPerPixel;
                out[x] = PixelWithIntensity(p[2], p[1], p[0]);
            }
        }
        // While the row is at hand in the cache.
        ink[static_cast<std::size_t>(y)] = FindInk(out, static_cast<std::uint32_t>(width));
    }
}

} // namespace

TCompositor::TCompositor(TSheetDocument& sheet)
    : DecodeThreads(static_cast<std::int32_t>(std::max(1u, std::thread::hardware_concurrency()))),
      Pool(&TWorkerPool::Shared()), Sheet_(sheet) {
    ClearStage();
}

TCompositor::~TCompositor() = default;

void TCompositor::ResetStage() {
    SetStageSize(320, 240);
}

void TCompositor::SetStageSize(std::int32_t width, std::int32_t height) {
    if (width < 1 || height < 1 || width > kMaxPictureSide || height > kMaxPictureSide)
        throw ECwError("Invalid movie size " + std::to_string(width) + " x " + std::to_string(height));
    Width_ = width;
    Height_ = height;
    ClearStage();
    DropCache(); // its pictures have the old size
}

void TCompositor::ClearStage() {
    Stage_.SetSize(Width_, Height_, TPixelFormat::pf32bit);
    Stage_.Fill(255);
    StageHoldsIntensity_ = true;
    Layers_ = 0;
}

void TCompositor::DropCache() {
    Cache_.clear();
}

// Drawings were once read and decoded afresh on every frame, so that a picture on screen or in a
// movie is never stale: a drawing re-captured, edited in a paint program, replaced through a
// rename or reached through a retargeted ".lnk" shows at once. The cache keeps that promise: it
// reuses a layer's last drawing only while the file's path, size, modification time and inode
// (with its device) are all unchanged, and checks them on every frame. The file is examined
// before it is read, so a change while it is read shows up as a changed key on the next frame.
// A file rewritten in place within one tick of the file system's clock, to the same size, is the
// one change it cannot see.
bool TCompositor::LoadDrawing(std::int32_t layer, std::int32_t frame) {
    const std::string file = Sheet_.CelImageFile(layer, frame);
    if (file.empty())
        return false;
    struct stat info {};
    if (::stat(file.c_str(), &info) != 0)
        return false; // gone since the lookup: no picture, as for a missing file
    const std::string celName = Sheet_.CelName(layer, frame);
    TDrawingKey key{
        file,         ToLowerAscii(std::filesystem::path(celName).extension().string()),
        info.st_size, static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec,
        info.st_dev,  info.st_ino};
    TLayerCache& cache = Cache_[static_cast<std::size_t>(layer - 1)];
    if (cache.Valid && cache.Key == key)
        return true;
    cache.Valid = false;
    thread_local TPicture decoded; // one per decoding thread, its buffer reused
    if (!ReadCelPicture(celName, file, decoded))
        return false;
    ResampleTo32(decoded, cache.Picture, cache.Ink, Width_, Height_);
    cache.Key = std::move(key);
    cache.Valid = true;
    return true;
}

void TCompositor::LoadLayers(std::int32_t frame) {
    Drawings_.clear();
    for (std::int32_t layer = 1; layer <= Sheet_.LayerCount(); ++layer) {
        if (Sheet_.LayerVisible(layer))
            Drawings_.push_back({layer, false, nullptr});
    }
    Cache_.resize(static_cast<std::size_t>(Sheet_.LayerCount()));
    // Decoding is most of the work of a frame, and the layers' files are independent.
    Pool->ParallelFor(Drawings_.size(), static_cast<std::size_t>(std::max(DecodeThreads, 1)),
                      [&](std::size_t i) {
                          try {
                              Drawings_[i].Found = LoadDrawing(Drawings_[i].Layer, frame);
                          } catch (...) {
                              Drawings_[i].Error = std::current_exception();
                          }
                      });
    for (const TLayerDrawing& drawing : Drawings_) {
        if (drawing.Error)
            std::rethrow_exception(drawing.Error);
    }
}

void TCompositor::RenderFrameInto(std::int32_t frame, const TFrameRows& rows) {
    const TComp mode = CompositeMode ? CompositeMode() : TComp::cDarken;
    LoadLayers(frame);
    std::vector<const TLayerCache*> stack;
    for (const TLayerDrawing& drawing : Drawings_) {
        if (drawing.Found)
            stack.push_back(&Cache_[static_cast<std::size_t>(drawing.Layer - 1)]);
    }
    const auto alpha = static_cast<std::uint8_t>(255 / std::max<std::size_t>(stack.size(), 1));

    const auto width = static_cast<std::size_t>(Width_);
    RowBuffer_.resize(width);
    std::uint32_t* row = RowBuffer_.data();
    for (std::int32_t y = 0; y < Height_; ++y) {
        std::uint8_t* out =
            rows.Pixels + rows.Stride * static_cast<std::size_t>(rows.BottomUp ? Height_ - 1 - y : y);
        // Under Darken white paper changes nothing: only the span that holds some layer's ink is
        // combined, and the rest of the row is white.
        TInkSpan span{0, static_cast<std::uint32_t>(width)};
        if (mode == TComp::cDarken) {
            span = {span.End, 0};
            for (const TLayerCache* layer : stack) {
                const TInkSpan ink = layer->Ink[static_cast<std::size_t>(y)];
                if (ink.Begin < ink.End) {
                    span.Begin = std::min(span.Begin, ink.Begin);
                    span.End = std::max(span.End, ink.End);
                }
            }
            if (span.Begin >= span.End)
                span = {0, 0};
        }
        std::fill(row + span.Begin, row + span.End, kWhite);
        for (std::size_t i = 0; i < stack.size(); ++i) {
            const std::uint32_t* layer = Row32(stack[i]->Picture, y);
            if (mode == TComp::cDarken) {
                const TInkSpan ink = stack[i]->Ink[static_cast<std::size_t>(y)];
                DarkenRow(layer + ink.Begin, row + ink.Begin, ink.End - ink.Begin);
            } else {
                CombineRow(mode, i == 0, alpha, layer, row, width);
            }
        }
        std::memset(out, 0xFF, 3 * span.Begin);
        PackRow(row + span.Begin, out + 3 * span.Begin, span.End - span.Begin);
        std::memset(out + 3 * span.End, 0xFF, 3 * (width - span.End));
        std::memset(out + 3 * width, 0, rows.Stride - 3 * width);
    }
}

std::unique_ptr<TPicture> TCompositor::RenderFrame(std::int32_t frame) {
    auto picture = std::make_unique<TPicture>();
    picture->SetSize(Width_, Height_, TPixelFormat::pf24bit);
    RenderFrameInto(frame, {picture->Row(0), picture->Stride(), false});
    // The layers of a frame last only for that frame.
    Stage_ = TPicture();
    Layers_ = 0;
    return picture;
}

std::unique_ptr<TPicture> TCompositor::Paint() const {
    auto picture = std::make_unique<TPicture>();
    picture->SetSize(Width_, Height_, TPixelFormat::pf24bit);
    if (Stage_.Width() != Width_ || Stage_.Height() != Height_) {
        picture->Fill(255); // RenderFrame took the layers away: an empty stage is white
        return picture;
    }
    for (std::int32_t y = 0; y < Height_; ++y)
        PackRow(Row32(Stage_, y), picture->Row(y), static_cast<std::size_t>(Width_));
    return picture;
}

void TCompositor::AddLayerImage(const TPicture& picture, TComp mode, std::uint8_t alpha) {
    if (Stage_.Width() != Width_ || Stage_.Height() != Height_)
        ClearStage(); // the last frame was handed out
    const bool bottom = Layers_ == 0;
    ++Layers_;
    if (picture.Empty())
        return; // nothing to sample from; the layer adds nothing
    ResampleTo32(picture, LayerImage_, LayerInk_, Width_, Height_);
    // Darken reads the stage's intensities from its alpha bytes, which the other rules do not keep.
    if (mode == TComp::cDarken && !StageHoldsIntensity_) {
        for (std::int32_t y = 0; y < Height_; ++y) {
            std::uint32_t* row = Row32(Stage_, y);
            for (std::int32_t x = 0; x < Width_; ++x)
                row[x] = PixelWithIntensity((row[x] >> 16) & 0xFF, (row[x] >> 8) & 0xFF, row[x] & 0xFF);
        }
    }
    StageHoldsIntensity_ = mode == TComp::cDarken;
    for (std::int32_t y = 0; y < Height_; ++y)
        CombineRow(mode, bottom, alpha, Row32(LayerImage_, y), Row32(Stage_, y),
                   static_cast<std::size_t>(Width_));
}
