#pragma once

#include "imaging/Picture.h"
#include "twain/TwainTypes.h"

#include <cstdint>
#include <string>

class TTwainSession;

// What every scan does, the same for the scanner window and celwright-cli: the resolution of the
// preview and of the final scan, the scan area, and turning the scanned image into the cel.

// One preview pixel is 1/40 inch on the glass.
inline constexpr double kInchesPerPreviewPixel = 0.025;
inline constexpr std::int32_t kMinPreviewResolution = 40;

// A source's X-resolution range in dots per inch; Minimum is -1 when the source reports none.
struct TResolutionRange {
    std::int32_t Minimum = -1;
    std::int32_t Maximum = -1;
    std::int32_t Step = 1;
};

// Parses "Min: 50 Max: 1200 Step: 1": the text after the first ": " up to the next blank is the
// minimum, after the second the maximum, after the third the step. An empty text gives minimum -1.
TResolutionRange ParseResolutionRange(const std::string& text);

// Loads and opens the source manager and the source of that product name (the default source when
// empty), reads the X-resolution range and closes everything again. Returns "" or the failure:
// "failed to load source manager", "failed to open source manager" or "failed to open default
// source".
std::string ReadResolutionRange(TTwainSession& scan, const std::string& source, TResolutionRange& range);

// The final scan's resolution (dots per inch) for an upright width of `widthInches` on the glass
// and a target width of `targetWidth` pixels: twice the pixels needed, rounded up to the source's
// steps, never below its minimum. `widthInches` must be above 0.
std::int32_t ScanResolution(const TResolutionRange& range, double widthInches, std::int32_t targetWidth);

// A rectangle in preview pixels (the preview shows the page turned a quarter clockwise).
struct TScanRect {
    std::int32_t Left = 0;
    std::int32_t Top = 0;
    std::int32_t Right = 0;
    std::int32_t Bottom = 0;
    bool Empty() const { return Left == 0 && Top == 0 && Right == 0 && Bottom == 0; }
    bool operator==(const TScanRect&) const = default;
};

// The glass area under a preview rectangle, in centimetres, undoing the preview's turn;
// `previewWidth` is the preview's width in pixels.
TW_FRAME PreviewRectToFrame(const TScanRect& rect, std::int32_t previewWidth);
// A glass area in centimetres (left, top, width, height).
TW_FRAME GlassAreaToFrame(double left, double top, double width, double height);

enum class TScanRotation : std::uint8_t { None = 0, Clockwise = 1, CounterClockwise = 2, Half = 3 };

// The cel from a scanned image: turned upright (a quarter clockwise), resampled bilinearly to
// width x height, then rotated as asked.
TPicture FinishScan(const TPicture& scanned, std::int32_t width, std::int32_t height, TScanRotation rotation);
