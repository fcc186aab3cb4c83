#pragma once

#include "imaging/Picture.h"

#include <cstdint>
#include <string>

class TSheetDocument;

// The reference image size: the size and pixel format of the first drawing of the sheet, looking
// at frames 1 to FrameCount and, within each frame, layers 1 to LayerCount (hidden layers
// included). Returns false and leaves the outputs untouched when no cel gives a picture. A drawing
// that cannot be decoded throws its ECwError.
bool GetFirstImageInfo(TSheetDocument& sheet, std::int32_t& width, std::int32_t& height, TPixelFormat& format);

// Decodes `file` with the decoder the extension of `celName` picks (".jpg", ".jpeg", ".png", ".bmp",
// any case), whatever the file itself is called; false, leaving `picture` alone, for any other
// name. Throws ECwError naming the file when it cannot be decoded.
bool ReadCelPicture(const std::string& celName, const std::string& file, TPicture& picture);
