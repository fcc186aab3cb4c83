#include "imaging/VRostrum.h"

#include "document/CwError.h"
#include "document/XsDocument.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <string>
#include <system_error>
#include <thread>

namespace {

inline std::uint32_t Intensity(const std::uint8_t* bgr) {
    return (61u * bgr[2] + 174u * bgr[1] + 21u * bgr[0]) >> 8;
}

// True when the next eight pixels (24 bytes) are all white.
inline bool EightWhitePixels(const std::uint8_t* p) {
    std::uint64_t words[3];
    std::memcpy(words, p, sizeof words);
    return (words[0] & words[1] & words[2]) == ~std::uint64_t{0};
}

void DarkenRow(const std::uint8_t* f, std::uint8_t* b, std::int32_t width) {
    std::int32_t x = 0;
    while (x < width) {
        // White paper (intensity 255) can never be darker than what lies below, and drawings are
        // mostly paper: skip it eight pixels at a time.
        if (x + 8 <= width && EightWhitePixels(f)) {
            x += 8;
            f += 24;
            b += 24;
            continue;
        }
        const std::uint32_t top = Intensity(f);
        if (top != 255 && top < Intensity(b)) {
            b[0] = f[0];
            b[1] = f[1];
            b[2] = f[2];
        }
        ++x;
        f += 3;
        b += 3;
    }
}

void MultiplyRow(const std::uint8_t* f, std::uint8_t* b, std::int32_t width) {
    const std::size_t bytes = static_cast<std::size_t>(width) * 3;
    for (std::size_t i = 0; i < bytes; ++i)
        b[i] = static_cast<std::uint8_t>((f[i] * b[i]) >> 8);
}

void BlendRow(const std::uint8_t* f, std::uint8_t* b, std::int32_t width, std::uint32_t alpha) {
    const std::size_t bytes = static_cast<std::size_t>(width) * 3;
    const std::uint32_t rest = 255 - alpha;
    for (std::size_t i = 0; i < bytes; ++i)
        b[i] = static_cast<std::uint8_t>((f[i] * alpha + b[i] * rest + 127) / 255);
}

} // namespace

TVRostrum::TVRostrum(TXsDocument& sheet)
    : DecodeThreads(static_cast<std::int32_t>(std::max(1u, std::thread::hardware_concurrency()))),
      Sheet_(sheet) {
    ClearStage();
}

void TVRostrum::ResetStage() {
    SetStageSize(320, 240);
}

void TVRostrum::SetStageSize(std::int32_t width, std::int32_t height) {
    if (width < 1 || height < 1 || width > kMaxPictureSide || height > kMaxPictureSide)
        throw ECwError("Invalid movie size " + std::to_string(width) + " x " + std::to_string(height));
    Width_ = width;
    Height_ = height;
    ClearStage();
}

void TVRostrum::ClearStage() {
    Stage_.SetSize(Width_, Height_, TPixelFormat::pf24bit);
    Stage_.Fill(255);
    Layers_ = 0;
}

void TVRostrum::DecodeLayers(std::int32_t frame) {
    Drawings_.clear();
    for (std::int32_t layer = 1; layer <= Sheet_.LayerCount(); ++layer) {
        if (Sheet_.LayerVisible(layer))
            Drawings_.push_back({layer, false, nullptr});
    }
    if (LayerPictures_.size() < Drawings_.size())
        LayerPictures_.resize(Drawings_.size());

    // Decoding is most of the work of a frame, and the layers' files are independent: each
    // thread takes the next layer until none is left.
    std::atomic<std::size_t> next{0};
    auto work = [&] {
        for (std::size_t i = next++; i < Drawings_.size(); i = next++) {
            try {
                Drawings_[i].Found = Sheet_.ReadCelImage(Drawings_[i].Layer, frame, LayerPictures_[i]);
            } catch (...) {
                Drawings_[i].Error = std::current_exception();
            }
        }
    };
    const std::size_t threads =
        std::min<std::size_t>(static_cast<std::size_t>(std::max(DecodeThreads, 1)), Drawings_.size());
    {
        std::vector<std::jthread> helpers;
        for (std::size_t i = 1; i < threads; ++i) {
            try {
                helpers.emplace_back(work);
            } catch (const std::system_error&) {
                break; // no thread to be had: this one decodes the rest
            }
        }
        work();
    }
    for (const TLayerDrawing& drawing : Drawings_) {
        if (drawing.Error)
            std::rethrow_exception(drawing.Error);
    }
}

std::unique_ptr<TPicture> TVRostrum::RenderFrame(std::int32_t frame) {
    ClearStage();
    const TComp mode = CompositeMode ? CompositeMode() : TComp::cDarken;
    DecodeLayers(frame);
    std::uint8_t alpha = 255;
    if (mode == TComp::cBlend) {
        const auto count =
            std::count_if(Drawings_.begin(), Drawings_.end(), [](const TLayerDrawing& d) { return d.Found; });
        alpha = static_cast<std::uint8_t>(255 / std::max<std::ptrdiff_t>(count, 1));
    }
    for (std::size_t i = 0; i < Drawings_.size(); ++i) {
        if (Drawings_[i].Found)
            AddLayerImage(LayerPictures_[i], mode, alpha);
    }
    // The frame is handed out without a copy; the next frame makes a new stage.
    auto result = std::make_unique<TPicture>(std::move(Stage_));
    Layers_ = 0;
    return result;
}

std::unique_ptr<TPicture> TVRostrum::Paint() const {
    if (Stage_.Width() == Width_ && Stage_.Height() == Height_)
        return std::make_unique<TPicture>(Stage_);
    // RenderFrame handed the last stage out: an empty stage is white.
    auto white = std::make_unique<TPicture>(Width_, Height_, TPixelFormat::pf24bit);
    white->Fill(255);
    return white;
}

void TVRostrum::AddLayerImage(const TPicture& picture, TComp mode, std::uint8_t alpha) {
    if (Stage_.Width() != Width_ || Stage_.Height() != Height_)
        ClearStage(); // the last frame was handed out
    const bool bottom = Layers_ == 0;
    ++Layers_;
    if (picture.Empty())
        return; // nothing to sample from; the layer adds nothing

    const std::int32_t bytesPerPixel = BytesPerPixel(picture.PixelFormat());
    SourceOffsets_.resize(static_cast<std::size_t>(Width_));
    for (std::int32_t x = 0; x < Width_; ++x) {
        const std::int64_t sourceX = static_cast<std::int64_t>(x) * picture.Width() / Width_;
        SourceOffsets_[static_cast<std::size_t>(x)] = static_cast<std::uint32_t>(sourceX * bytesPerPixel);
    }
    if (picture.PixelFormat() == TPixelFormat::pf8bit) {
        for (std::size_t i = 0; i < 256; ++i) {
            PaletteBgr_[3 * i] = picture.Palette[i].Blue;
            PaletteBgr_[3 * i + 1] = picture.Palette[i].Green;
            PaletteBgr_[3 * i + 2] = picture.Palette[i].Red;
        }
    }
    RowBuffer_.resize(static_cast<std::size_t>(Width_) * 3);

    std::int32_t lastSourceY = -1;
    const std::uint8_t* row = nullptr;
    for (std::int32_t y = 0; y < Height_; ++y) {
        const auto sourceY =
            static_cast<std::int32_t>(static_cast<std::int64_t>(y) * picture.Height() / Height_);
        // Enlarged pictures repeat source rows; sample each only once.
        if (sourceY != lastSourceY) {
            row = LayerRow(picture, sourceY);
            lastSourceY = sourceY;
        }
        std::uint8_t* stage = Stage_.Row(y);
        if (mode == TComp::cDarken)
            DarkenRow(row, stage, Width_);
        else if (mode == TComp::cMultiply)
            MultiplyRow(row, stage, Width_);
        else if (bottom)
            std::memcpy(stage, row, static_cast<std::size_t>(Width_) * 3);
        else
            BlendRow(row, stage, Width_, alpha);
    }
}

const std::uint8_t* TVRostrum::LayerRow(const TPicture& picture, std::int32_t sourceY) {
    const std::uint8_t* in = picture.Row(sourceY);
    const bool sameWidth = picture.Width() == Width_;
    std::uint8_t* out = RowBuffer_.data();
    switch (picture.PixelFormat()) {
    case TPixelFormat::pf24bit:
        if (sameWidth)
            return in;
        for (const std::uint32_t offset : SourceOffsets_) {
            std::memcpy(out, in + offset, 3);
            out += 3;
        }
        break;
    case TPixelFormat::pf8bit:
        for (const std::uint32_t offset : SourceOffsets_) {
            std::memcpy(out, PaletteBgr_ + 3 * in[offset], 3);
            out += 3;
        }
        break;
    case TPixelFormat::pf32bit:
        for (const std::uint32_t offset : SourceOffsets_) {
            std::memcpy(out, in + offset, 3);
            out += 3;
        }
        break;
    }
    return RowBuffer_.data();
}
