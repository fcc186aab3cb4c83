#include "document/SheetRecords.h"

#include "base/TextUtil.h"

#include <array>

namespace {
constexpr std::array<std::string_view, 3> kImageFormatNames{"png", "jpg", "bmp"};
} // namespace

std::string_view ImageFormatName(TcwImageFormat format) {
    return kImageFormatNames.at(static_cast<std::size_t>(format));
}

std::optional<TcwImageFormat> ImageFormatFromName(std::string_view name) {
    for (std::size_t i = 0; i < kImageFormatNames.size(); ++i) {
        if (EqualsIgnoringCase(name, kImageFormatNames[i]))
            return static_cast<TcwImageFormat>(i);
    }
    return std::nullopt;
}
