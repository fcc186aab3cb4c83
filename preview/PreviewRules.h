#pragma once

#include <cstdint>

// The preview player's arithmetic: movie sizes, timer intervals, frame times and the order frames
// follow on each tick.

struct TMovieSize {
    std::int32_t Width = 320;
    std::int32_t Height = 240;
};

// The preview's "Movie Size" choice 0..4: the first drawing's size (`imageSize`, or 320 x 240 when
// there is none), then 160 x 120 (the "180 x 120" entry), 320 x 240, 640 x 480 and DV 720 x 540.
TMovieSize PreviewMovieSize(std::int32_t choice, const TMovieSize* imageSize);

// One frame's length in 100 ns units: 10,000,000 div fps.
std::int64_t PreviewFrameTime(std::int32_t fps);

// Playback keeps time on a clock counted in nanoseconds from the moment it set out, never by adding
// up timer intervals, so rounding never accumulates: frame n (from 0) is due from FrameDueNs(n) on.
// The whole frames of `fps` begun `elapsedNs` after the first: floor(elapsed * fps / 1e9), 0 before.
std::int64_t FramesElapsed(std::int64_t elapsedNs, std::int32_t fps);
// When frame `frames` (from 0) is due: ceil(frames * 1e9 / fps) nanoseconds after the first.
std::int64_t FrameDueNs(std::int64_t frames, std::int32_t fps);
// The slider position `frames` frames after playback set out from `start` (of `count`), forwards
// or backwards; -1 once it ran past the last position (forwards) or the first (backwards), where
// the loop starts again.
std::int32_t PlayPosition(std::int32_t start, std::int64_t frames, std::int32_t count, bool reverse);

// Where the picture area and window go for a movie size.
struct TPreviewLayout {
    std::int32_t AreaWidth = 374;
    std::int32_t AreaHeight = 254;
    std::int32_t PictureLeft = 0;
    std::int32_t PictureTop = 0;
};
TPreviewLayout PreviewLayout(TMovieSize movie);

// The audio slice a forward step to slider `position` plays, in 100 ns units of the sound file:
// from the frame after `lastPosition` to the end of `position`, offset by the `offsetFrames` the
// range starts after frame 1. Empty (Start == Stop) when the step does not move forwards.
struct TAudioSlice {
    std::int64_t Start = 0;
    std::int64_t Stop = 0;
    bool Empty() const { return Stop <= Start; }
};
TAudioSlice PreviewAudioSlice(std::int32_t lastPosition, std::int32_t position, std::int64_t frameTime,
                              std::int32_t offsetFrames);
