#include "preview/PreviewRules.h"

#include <algorithm>
#include <cmath>

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

std::int32_t PreviewTimerInterval(std::int32_t fps) {
    // nearbyint rounds ties to even in the default rounding mode.
    return static_cast<std::int32_t>(std::nearbyint(1000.0 / std::max(fps, 1)));
}

std::int64_t PreviewFrameTime(std::int32_t fps) {
    return 10'000'000 / std::max(fps, 1);
}

std::int32_t NextPlayPosition(std::int32_t position, std::int32_t count, bool reverse) {
    if (count <= 0)
        return 0;
    if (reverse)
        return position <= 0 ? count - 1 : position - 1;
    return position >= count - 1 ? 0 : position + 1;
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
