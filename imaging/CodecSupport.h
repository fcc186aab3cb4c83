#pragma once

#include "base/Error.h"

#include <cstdint>
#include <string>

// The errors of the picture codecs.
inline ECwError PictureReadError(const std::string& name, const std::string& reason) {
    return ECwError("Cannot read the picture \"" + name + "\": " + reason);
}

inline ECwError PictureWriteError(const std::string& name, const std::string& reason) {
    return ECwError("Cannot write the picture \"" + name + "\": " + reason);
}

// Checked by every decoder before it allocates: a file that claims a picture larger than
// kMaxPictureSide on a side or kMaxPicturePixels in all is refused, naming its claimed size.
void CheckDecodedPictureSize(std::int64_t width, std::int64_t height, const std::string& name);

// For a file whose data is too short to hold the pixels its header claims.
inline ECwError PictureTooShortError(const std::string& name, std::int64_t width, std::int64_t height) {
    return PictureReadError(name, "the file is too short for the " + std::to_string(width) + " x " +
                                      std::to_string(height) + " pixels it claims");
}

// Little-endian numbers in file headers (BMP, DIB, RIFF).
inline std::uint16_t Get16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::uint32_t Get32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
inline void Put16(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}
inline void Put32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}
