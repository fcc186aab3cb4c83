#pragma once

#include "imaging/Picture.h"

#include <functional>
#include <string>

// Picture filters: black and white, and the square-pixel resize of video frames.

// Shows a message to the user; filters use it instead of failing a whole run.
using TShowMessage = std::function<void(const std::string& message)>;

inline constexpr const char* kNot24BitMessage = "Not a 24Bit color bitmap!";

// Turns every pixel of a 24-bit picture grey in place: g = 0.3 R + 0.59 G + 0.11 B, computed in
// extended precision and rounded to the nearest integer, ties to even (pure red gives 76). Any
// other picture is left alone: `showMessage` gets "Not a 24Bit color bitmap!" and the result is
// false.
bool GrayscaleRgb24(TPicture& picture, const TShowMessage& showMessage = {});

// Makes a 24-bit picture an 8-bit picture of the same size with the grey palette, each pixel's
// index its grey level as GrayscaleRgb24 computes it. Returns false, leaving the picture as it was,
// when GrayscaleRgb24 refuses it.
bool ConvertToBw(TPicture& picture, const TShowMessage& showMessage = {});

// Resamples a video frame with non-square pixels to square ones, bilinearly. The new size depends
// on the height alone: 66 -> 88 x 66, 72 -> 96 x 72, 120 -> 180 x 134, 144 -> 192 x 144,
// 240 -> 360 x 267, 288 -> 384 x 288, 480 -> 720 x 534, 576 -> 768 x 576. A picture of any other
// height is left unchanged. An 8-bit picture whose palette is not grey comes out 24-bit.
void SquarePixelResize(TPicture& picture);

// Bilinear resample of the whole picture into `width` x `height` (both at least 1). 8-bit pictures
// with the grey palette stay 8-bit, other 8-bit pictures come out 24-bit.
TPicture ResizeBilinear(const TPicture& picture, std::int32_t width, std::int32_t height);

// An 8-bit picture as a 24-bit one, each pixel its palette colour.
TPicture ExpandTo24(const TPicture& picture);

// The picture scaled to cover `width` x `height` (both at least 1) with its aspect ratio kept, and
// the centre cut out: what a frame of that size shows of it. Shrinking by two or more first
// averages whole blocks of pixels, so fine detail does not alias. 8-bit pictures come out 24-bit.
TPicture ScaleToFill(const TPicture& picture, std::int32_t width, std::int32_t height);

// The picture turned by a quarter: clockwise, pixel (x, y) moves to (height - 1 - y, x); counter-
// clockwise to (y, width - 1 - x). Format and palette are kept.
TPicture RotateQuarter(const TPicture& picture, bool clockwise);
