#include "export/MovieRange.h"

#include "base/Error.h"
#include "base/TextUtil.h"
#include "document/SheetData.h"
#include "document/SheetDocument.h"

#include <algorithm>

std::int64_t TMovieRange::StartNs(std::int32_t fps) const {
    return fps > 0 ? std::int64_t{First - 1} * 1000000000 / fps : 0;
}

std::int64_t TMovieRange::LengthNs(std::int32_t fps) const {
    return fps > 0 ? std::int64_t{std::max(Count(), 0)} * 1000000000 / fps : 0;
}

namespace {

// The frame that holds the sound's last sample: a sound of exactly 2 s at 24 fps ends in frame 48.
std::int64_t SoundEndFrame(std::int32_t fps, std::int64_t soundMs) {
    return fps > 0 && soundMs > 0 ? (soundMs * fps + 999) / 1000 : 0;
}

} // namespace

TMovieRange WholeMovie(const TSheetDocument& sheet, std::int32_t fps, std::int64_t soundMs) {
    const std::int64_t last = std::max<std::int64_t>(sheet.UsedFrameCount(), SoundEndFrame(fps, soundMs));
    return {1, static_cast<std::int32_t>(std::min<std::int64_t>(last, kMaxFrames))};
}

std::int32_t PreviewLastFrame(const TSheetDocument& sheet) {
    const std::int64_t soundMs = sheet.HasAudio() ? sheet.Data().Audio.DurationMs : 0;
    const std::int64_t last = std::max<std::int64_t>(sheet.VisibleUsedFrameCount(), SoundEndFrame(sheet.Fps(), soundMs));
    return static_cast<std::int32_t>(std::min<std::int64_t>(last, sheet.FrameCount()));
}

std::optional<TMovieRange> ParseMovieRange(const std::string& text) {
    const std::size_t dash = text.find('-', 1);
    if (dash == std::string::npos)
        return std::nullopt;
    const std::optional<std::int32_t> first = ParseInt32(text.substr(0, dash));
    const std::optional<std::int32_t> last = ParseInt32(text.substr(dash + 1));
    if (!first || !last)
        return std::nullopt;
    return TMovieRange{*first, *last};
}

void CheckMovieRange(const TMovieRange& range) {
    if (range.First < 1 || range.Last > kMaxFrames || range.Last < range.First)
        throw ECwError("Frames " + std::to_string(range.First) + " to " + std::to_string(range.Last) +
                       " are no movie range: a range runs from 1 to " + std::to_string(kMaxFrames) +
                       " and does not end before it starts.");
}

std::int32_t PictureFrame(const TSheetDocument& sheet, std::int32_t frame) {
    return std::max(1, std::min(frame, sheet.UsedFrameCount()));
}
