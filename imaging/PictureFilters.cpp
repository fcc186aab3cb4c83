#include "imaging/PictureFilters.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace {

// Each channel's share of the grey level, in extended precision, so that a pixel costs two
// additions and a rounding.
struct TGrayWeights {
    std::array<long double, 256> Red, Green, Blue;
    TGrayWeights() {
        for (int i = 0; i < 256; ++i) {
            Red[i] = 0.3L * i;
            Green[i] = 0.59L * i;
            Blue[i] = 0.11L * i;
        }
    }
};

std::uint8_t GrayLevel(const TGrayWeights& w, const std::uint8_t* bgr) {
    // lrintl rounds in the default mode: to nearest, ties to even.
    const long level = std::lrint(w.Red[bgr[2]] + w.Green[bgr[1]] + w.Blue[bgr[0]]);
    return static_cast<std::uint8_t>(level < 0 ? 0 : level > 255 ? 255 : level);
}

const TGrayWeights& Weights() {
    static const TGrayWeights weights;
    return weights;
}

// Source position of each destination column or row for bilinear sampling: the two neighbours
// and the weight of the second one in 1/256.
struct TSample {
    std::int32_t First;
    std::int32_t Second;
    std::uint32_t Weight;
};

std::vector<TSample> BilinearSamples(std::int32_t from, std::int32_t to) {
    std::vector<TSample> samples(static_cast<std::size_t>(to));
    for (std::int32_t i = 0; i < to; ++i) {
        // Pixel centres line up: source position (i + 0.5) * from / to - 0.5, in 1/256.
        std::int64_t pos =
            ((2 * static_cast<std::int64_t>(i) + 1) * from * 256) / (2 * static_cast<std::int64_t>(to)) - 128;
        if (pos < 0)
            pos = 0;
        std::int32_t first = static_cast<std::int32_t>(pos >> 8);
        std::uint32_t weight = static_cast<std::uint32_t>(pos & 255);
        if (first >= from - 1) {
            first = from - 1;
            weight = 0;
        }
        samples[static_cast<std::size_t>(i)] = {first, std::min(first + 1, from - 1), weight};
    }
    return samples;
}

} // namespace

TPicture ExpandTo24(const TPicture& picture) {
    TPicture out(picture.Width(), picture.Height(), TPixelFormat::pf24bit);
    for (std::int32_t y = 0; y < picture.Height(); ++y) {
        const std::uint8_t* in = picture.Row(y);
        std::uint8_t* o = out.Row(y);
        for (std::int32_t x = 0; x < picture.Width(); ++x, o += 3) {
            const TPaletteEntry& c = picture.Palette[in[x]];
            o[0] = c.Blue;
            o[1] = c.Green;
            o[2] = c.Red;
        }
    }
    return out;
}

bool GrayscaleRgb24(TPicture& picture, const TShowMessage& showMessage) {
    if (picture.PixelFormat() != TPixelFormat::pf24bit) {
        if (showMessage)
            showMessage(kNot24BitMessage);
        return false;
    }
    const TGrayWeights& w = Weights();
    for (std::int32_t y = 0; y < picture.Height(); ++y) {
        std::uint8_t* p = picture.Row(y);
        for (std::int32_t x = 0; x < picture.Width(); ++x, p += 3)
            p[0] = p[1] = p[2] = GrayLevel(w, p);
    }
    return true;
}

bool ConvertToBw(TPicture& picture, const TShowMessage& showMessage) {
    if (!GrayscaleRgb24(picture, showMessage))
        return false;
    TPicture bw(picture.Width(), picture.Height(), TPixelFormat::pf8bit);
    for (std::int32_t y = 0; y < picture.Height(); ++y) {
        const std::uint8_t* in = picture.Row(y);
        std::uint8_t* out = bw.Row(y);
        for (std::int32_t x = 0; x < picture.Width(); ++x)
            out[x] = in[3 * x];
    }
    picture = std::move(bw);
    return true;
}

TPicture ResizeBilinear(const TPicture& source, std::int32_t width, std::int32_t height) {
    if (source.PixelFormat() == TPixelFormat::pf8bit && !IsGrayPalette(source.Palette))
        return ResizeBilinear(ExpandTo24(source), width, height);
    TPicture out(width, height, source.PixelFormat());
    if (source.Empty())
        return out;
    const std::int32_t channels = BytesPerPixel(source.PixelFormat());
    const std::vector<TSample> xs = BilinearSamples(source.Width(), width);
    const std::vector<TSample> ys = BilinearSamples(source.Height(), height);
    for (std::int32_t y = 0; y < height; ++y) {
        const TSample& sy = ys[static_cast<std::size_t>(y)];
        const std::uint8_t* top = source.Row(sy.First);
        const std::uint8_t* bottom = source.Row(sy.Second);
        std::uint8_t* o = out.Row(y);
        for (const TSample& sx : xs) {
            const std::uint8_t* a = top + sx.First * channels;
            const std::uint8_t* b = top + sx.Second * channels;
            const std::uint8_t* c = bottom + sx.First * channels;
            const std::uint8_t* d = bottom + sx.Second * channels;
            for (std::int32_t k = 0; k < channels; ++k) {
                const std::uint32_t upper = a[k] * (256 - sx.Weight) + b[k] * sx.Weight;
                const std::uint32_t lower = c[k] * (256 - sx.Weight) + d[k] * sx.Weight;
                *o++ =
                    static_cast<std::uint8_t>((upper * (256 - sy.Weight) + lower * sy.Weight + 32768) >> 16);
            }
        }
    }
    return out;
}

void SquarePixelResize(TPicture& picture) {
    struct TSize {
        std::int32_t SourceHeight, Width, Height;
    };
    static constexpr TSize kSizes[] = {{66, 88, 66},    {72, 96, 72},    {120, 180, 134}, {144, 192, 144},
                                       {240, 360, 267}, {288, 384, 288}, {480, 720, 534}, {576, 768, 576}};
    for (const TSize& size : kSizes) {
        if (picture.Height() == size.SourceHeight) {
            picture = ResizeBilinear(picture, size.Width, size.Height);
            return;
        }
    }
}

TPicture RotateQuarter(const TPicture& source, bool clockwise) {
    const std::int32_t width = source.Width();
    const std::int32_t height = source.Height();
    const std::size_t bytes = static_cast<std::size_t>(BytesPerPixel(source.PixelFormat()));
    TPicture out(height, width, source.PixelFormat());
    out.Palette = source.Palette;
    for (std::int32_t y = 0; y < height; ++y) {
        const std::uint8_t* in = source.Row(y);
        for (std::int32_t x = 0; x < width; ++x) {
            const std::int32_t outX = clockwise ? height - 1 - y : y;
            const std::int32_t outY = clockwise ? x : width - 1 - x;
            std::copy_n(in + bytes * static_cast<std::size_t>(x), bytes,
                        out.Row(outY) + bytes * static_cast<std::size_t>(outX));
        }
    }
    return out;
}

TPicture ScaleToFill(const TPicture& source, std::int32_t width, std::int32_t height) {
    if (source.PixelFormat() == TPixelFormat::pf8bit)
        return ScaleToFill(ExpandTo24(source), width, height);
    if (source.Empty())
        return TPicture(width, height, source.PixelFormat());
    // The centre part with the frame's aspect ratio.
    std::int64_t cropWidth = source.Width();
    std::int64_t cropHeight = source.Height();
    if (cropWidth * height > cropHeight * width)
        cropWidth = std::max<std::int64_t>(1, (cropHeight * width + height / 2) / height);
    else
        cropHeight = std::max<std::int64_t>(1, (cropWidth * height + width / 2) / width);
    const std::int32_t left = static_cast<std::int32_t>((source.Width() - cropWidth) / 2);
    const std::int32_t top = static_cast<std::int32_t>((source.Height() - cropHeight) / 2);
    const std::int32_t block = static_cast<std::int32_t>(
        std::max<std::int64_t>(1, std::min(cropWidth / width, cropHeight / height)));
    const std::int32_t channels = BytesPerPixel(source.PixelFormat());
    TPicture reduced(static_cast<std::int32_t>(cropWidth / block),
                     static_cast<std::int32_t>(cropHeight / block), source.PixelFormat());
    std::vector<std::uint32_t> sums(static_cast<std::size_t>(reduced.Width() * channels));
    const std::uint32_t area = static_cast<std::uint32_t>(block * block);
    for (std::int32_t y = 0; y < reduced.Height(); ++y) {
        std::fill(sums.begin(), sums.end(), 0u);
        for (std::int32_t dy = 0; dy < block; ++dy) {
            const std::uint8_t* in =
                source.Row(top + y * block + dy) + static_cast<std::size_t>(left * channels);
            for (std::int32_t x = 0; x < reduced.Width(); ++x) {
                std::uint32_t* sum = sums.data() + static_cast<std::size_t>(x * channels);
                for (std::int32_t dx = 0; dx < block; ++dx, in += channels) {
                    for (std::int32_t k = 0; k < channels; ++k)
                        sum[k] += in[k];
                }
            }
        }
        std::uint8_t* out = reduced.Row(y);
        for (std::size_t i = 0; i < sums.size(); ++i)
            out[i] = static_cast<std::uint8_t>((sums[i] + area / 2) / area);
    }
    if (reduced.Width() == width && reduced.Height() == height)
        return reduced;
    return ResizeBilinear(reduced, width, height);
}
