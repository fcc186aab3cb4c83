#pragma once

#include <cstdint>
#include <optional>
#include <string>

class TSheetDocument;

// The frames a movie shows, counted from 1, first and last included.
struct TMovieRange {
    std::int32_t First = 1;
    std::int32_t Last = 0;

    std::int32_t Count() const { return Last - First + 1; }
    // Where the movie starts in the sheet's sound, and how long it plays, in nanoseconds at `fps`.
    std::int64_t StartNs(std::int32_t fps) const;
    std::int64_t LengthNs(std::int32_t fps) const;
    bool operator==(const TMovieRange&) const = default;
};

// The frames of the sheet's whole movie: from frame 1 to the last frame with a cel on any layer,
// or to the frame in which the sound ends when the sound (`soundMs` long; 0 for none) outlasts the
// drawings; never past the sheet's frame limit.
TMovieRange WholeMovie(const TSheetDocument& sheet, std::int32_t fps, std::int64_t soundMs);

// The preview's last frame by default: the last frame with a cel on a visible layer, or the frame in
// which the sheet's loaded sound ends when that is later; never past the sheet's frames.
std::int32_t PreviewLastFrame(const TSheetDocument& sheet);

// "A-B" (for example "10-48"), both frame numbers from 1; nothing when the text is not of that form.
std::optional<TMovieRange> ParseMovieRange(const std::string& text);

// Throws ECwError "Frames A to B are no movie range: a range runs from 1 to 1637 and does not end
// before it starts." for a range outside the sheet's frame limit or running backwards.
void CheckMovieRange(const TMovieRange& range);

// The sheet frame whose picture a movie shows at `frame`: past the last drawing the last frame
// holds.
std::int32_t PictureFrame(const TSheetDocument& sheet, std::int32_t frame);
