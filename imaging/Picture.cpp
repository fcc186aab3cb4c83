#include "imaging/Picture.h"

#include "base/Error.h"
#include "imaging/CodecSupport.h"

#include <algorithm>
#include <cstring>
#include <string>

std::int32_t BytesPerPixel(TPixelFormat format) {
    switch (format) {
    case TPixelFormat::pf8bit:
        return 1;
    case TPixelFormat::pf24bit:
        return 3;
    case TPixelFormat::pf32bit:
        return 4;
    }
    return 3;
}

TPalette CreateGrayPalette() {
    TPalette palette;
    for (std::size_t i = 0; i < palette.size(); ++i) {
        const auto level = static_cast<std::uint8_t>(i);
        palette[i] = {level, level, level};
    }
    return palette;
}

bool IsGrayPalette(const TPalette& palette) {
    static const TPalette gray = CreateGrayPalette();
    return palette == gray;
}

TPicture::TPicture(std::int32_t width, std::int32_t height, TPixelFormat format) {
    SetSize(width, height, format);
    Fill(0);
}

TPicture::TPicture(const TPicture& other) {
    SetSize(other.Width_, other.Height_, other.Format_);
    Palette = other.Palette;
    if (ByteSize() > 0)
        std::memcpy(Bits_.get(), other.Bits_.get(), ByteSize());
}

TPicture& TPicture::operator=(const TPicture& other) {
    if (this != &other) {
        SetSize(other.Width_, other.Height_, other.Format_);
        Palette = other.Palette;
        if (ByteSize() > 0)
            std::memcpy(Bits_.get(), other.Bits_.get(), ByteSize());
    }
    return *this;
}

TPicture::TPicture(TPicture&& other) noexcept
    : Palette(other.Palette), Width_(other.Width_), Height_(other.Height_), Format_(other.Format_),
      Stride_(other.Stride_), Capacity_(other.Capacity_), Bits_(std::move(other.Bits_)) {
    other.Width_ = other.Height_ = 0;
    other.Stride_ = other.Capacity_ = 0;
}

TPicture& TPicture::operator=(TPicture&& other) noexcept {
    if (this != &other) {
        Palette = other.Palette;
        Width_ = other.Width_;
        Height_ = other.Height_;
        Format_ = other.Format_;
        Stride_ = other.Stride_;
        Capacity_ = other.Capacity_;
        Bits_ = std::move(other.Bits_);
        other.Width_ = other.Height_ = 0;
        other.Stride_ = other.Capacity_ = 0;
    }
    return *this;
}

void TPicture::SetSize(std::int32_t width, std::int32_t height, TPixelFormat format) {
    if (width < 0 || height < 0 || width > kMaxPictureSide || height > kMaxPictureSide)
        throw ECwError("Invalid picture size " + std::to_string(width) + " x " + std::to_string(height));
    const std::size_t rowBytes =
        static_cast<std::size_t>(width) * static_cast<std::size_t>(BytesPerPixel(format));
    const std::size_t stride = (rowBytes + 3) & ~std::size_t{3};
    const std::size_t bytes = stride * static_cast<std::size_t>(height);
    // A fresh buffer is not zeroed: every caller writes all pixels, and the compositor's frames are
    // large enough for that to show.
    if (bytes > Capacity_) {
        Bits_ = std::make_unique_for_overwrite<std::uint8_t[]>(bytes);
        Capacity_ = bytes;
    }
    Width_ = width;
    Height_ = height;
    Format_ = format;
    Stride_ = stride;
    if (format == TPixelFormat::pf8bit)
        Palette = CreateGrayPalette();
}

void TPicture::Fill(std::uint8_t value) {
    if (ByteSize() > 0)
        std::memset(Bits_.get(), value, ByteSize());
}

bool TPicture::operator==(const TPicture& other) const {
    if (Width_ != other.Width_ || Height_ != other.Height_ || Format_ != other.Format_)
        return false;
    if (Format_ == TPixelFormat::pf8bit && Palette != other.Palette)
        return false;
    const std::size_t rowBytes =
        static_cast<std::size_t>(Width_) * static_cast<std::size_t>(BytesPerPixel(Format_));
    for (std::int32_t y = 0; y < Height_; ++y) {
        if (std::memcmp(Row(y), other.Row(y), rowBytes) != 0)
            return false;
    }
    return true;
}

void CheckDecodedPictureSize(std::int64_t width, std::int64_t height, const std::string& name) {
    if (width < 1 || height < 1)
        throw PictureReadError(name, "the picture has no pixels");
    if (width > kMaxPictureSide || height > kMaxPictureSide || width * height > kMaxPicturePixels)
        throw PictureReadError(name, "the picture claims " + std::to_string(width) + " x " +
                                         std::to_string(height) + " pixels, more than the limit of " +
                                         std::to_string(kMaxPicturePixels / 1'000'000) + " megapixels");
}
