#include "scanner/ScanRules.h"

#include "imaging/PictureFilters.h"
#include "twain/TwainSession.h"

#include <algorithm>
#include <cmath>

namespace {

// The number after the n-th ": " up to the next blank; `fallback` when there is none.
std::int32_t NumberAfter(const std::string& text, int n, std::int32_t fallback) {
    std::size_t at = 0;
    for (int i = 0; i < n; ++i) {
        at = text.find(": ", at);
        if (at == std::string::npos)
            return fallback;
        at += 2;
    }
    const std::string word = text.substr(at, text.find(' ', at) - at);
    try {
        return static_cast<std::int32_t>(std::stol(word));
    } catch (const std::exception&) {
        return fallback;
    }
}

TW_FRAME CentimetreFrame(double left, double top, double right, double bottom) {
    TW_FRAME frame;
    frame.Left = FloatToFix32(left);
    frame.Top = FloatToFix32(top);
    frame.Right = FloatToFix32(right);
    frame.Bottom = FloatToFix32(bottom);
    return frame;
}

double PreviewCm(std::int32_t pixels) {
    return pixels * kInchesPerPreviewPixel * 2.54;
}

} // namespace

TResolutionRange ParseResolutionRange(const std::string& text) {
    TResolutionRange range;
    if (text.empty())
        return range;
    range.Minimum = NumberAfter(text, 1, -1);
    range.Maximum = NumberAfter(text, 2, -1);
    range.Step = NumberAfter(text, 3, 1);
    return range;
}

std::string ReadResolutionRange(TTwainSession& scan, const std::string& source, TResolutionRange& range) {
    std::string failure;
    if (!scan.LoadSourceManager())
        failure = "failed to load source manager";
    else if (!scan.OpenSourceManager())
        failure = "failed to open source manager";
    else if (!scan.OpenSource(source))
        failure = "failed to open default source";
    else
        range = ParseResolutionRange(scan.GetCapabilityText(ICAP_XRESOLUTION));
    scan.CloseSource();
    scan.CloseSourceManager();
    scan.UnloadSourceManager();
    return failure;
}

std::int32_t ScanResolution(const TResolutionRange& range, double widthInches, std::int32_t targetWidth) {
    const double need = 2.0 * targetWidth / widthInches;
    const std::int32_t step = range.Step > 0 ? range.Step : 1;
    std::int32_t resolution = range.Minimum;
    if (range.Minimum < need)
        resolution = range.Minimum +
                     step * (static_cast<std::int32_t>(std::nearbyint((need - range.Minimum) / step)) + 1);
    return std::max(resolution, range.Minimum);
}

TW_FRAME PreviewRectToFrame(const TScanRect& rect, std::int32_t previewWidth) {
    return CentimetreFrame(PreviewCm(rect.Top), PreviewCm(previewWidth - rect.Right), PreviewCm(rect.Bottom),
                           PreviewCm(previewWidth - rect.Left));
}

TW_FRAME GlassAreaToFrame(double left, double top, double width, double height) {
    return CentimetreFrame(left, top, left + width, top + height);
}

TPicture FinishScan(const TPicture& scanned, std::int32_t width, std::int32_t height,
                    TScanRotation rotation) {
    TPicture cel = ResizeBilinear(RotateQuarter(scanned, true), width, height);
    switch (rotation) {
    case TScanRotation::Clockwise:
        return RotateQuarter(cel, true);
    case TScanRotation::CounterClockwise:
        return RotateQuarter(cel, false);
    case TScanRotation::Half:
        return RotateQuarter(RotateQuarter(cel, true), true);
    default:
        return cel;
    }
}
