#include "preview/PreviewRules.h"

#include <algorithm>

TMovieSize PreviewMovieSize(std::int32_t choice, const TMovieSize* imageSize) {
    switch (choice) {
    case 1:
        return {160, 120};
    case 2:
        return {320, 240};
    case 3:
        return {640, 480};
    case 4:
        return {720, 540};
    default:
        return imageSize ? *imageSize : TMovieSize{320, 240};
    }
}

std::int64_t PreviewFrameTime(std::int32_t fps) {
    return 10'000'000 / std::max(fps, 1);
}

// Hours of nanoseconds times 120 fps stay far inside 64 bits.
std::int64_t FramesElapsed(std::int64_t elapsedNs, std::int32_t fps) {
    return elapsedNs <= 0 ? 0 : elapsedNs * std::max(fps, 1) / 1'000'000'000;
}

std::int64_t FrameDueNs(std::int64_t frames, std::int32_t fps) {
    const std::int64_t rate = std::max(fps, 1);
    return (frames * 1'000'000'000 + rate - 1) / rate;
}

std::int32_t PlayPosition(std::int32_t start, std::int64_t frames, std::int32_t count, bool reverse) {
    const std::int64_t position = reverse ? start - frames : start + frames;
    return position < 0 || position >= count ? -1 : static_cast<std::int32_t>(position);
}

TPreviewLayout PreviewLayout(TMovieSize movie) {
    TPreviewLayout layout;
    if (movie.Width >= 360 || movie.Height >= 240) {
        layout.AreaWidth = std::max(movie.Width + 14, 374);
        layout.AreaHeight = std::max(movie.Height + 14, 254);
        layout.PictureTop = 5;
        layout.PictureLeft = movie.Width < 360 ? (layout.AreaWidth - movie.Width) / 2 : 5;
    } else {
        layout.PictureLeft = (layout.AreaWidth - movie.Width) / 2;
        layout.PictureTop = (layout.AreaHeight - movie.Height) / 2;
    }
    return layout;
}

TAudioSlice PreviewAudioSlice(std::int32_t lastPosition, std::int32_t position, std::int64_t frameTime,
                              std::int32_t offsetFrames) {
    if (position <= lastPosition)
        return {};
    const std::int64_t offset = static_cast<std::int64_t>(offsetFrames) * frameTime;
    return {offset + (static_cast<std::int64_t>(lastPosition) + 1) * frameTime,
            offset + (static_cast<std::int64_t>(position) + 1) * frameTime};
}
