#pragma once

#include "imaging/Picture.h"

#include <cstddef>
#include <cstdint>
#include <string>

// The two ways a PNG is decoded. DecodePng (PictureCodecs.h) tries the fast path and hands every
// file it declines to libpng; both are declared here so that they can be compared.

// The fast path, for the PNGs drawings are: 8 bits per channel, not interlaced, grey, grey and
// alpha, RGB, RGBA or palette, with no unknown critical chunk. It checks every chunk's CRC,
// inflates the joined IDAT data in one call and unfilters the rows itself, giving exactly the
// picture libpng gives. Returns false, with `picture` in an undefined state, for any file it does
// not take or finds damaged, so that libpng decodes it and words the error. Throws the error of
// CheckDecodedPictureSize for a picture over the size limit, before allocating it.
bool DecodePngFast(const std::uint8_t* data, std::size_t size, const std::string& name, TPicture& picture);

// libpng, for every PNG.
void DecodePngLibpng(const std::uint8_t* data, std::size_t size, const std::string& name, TPicture& picture);
