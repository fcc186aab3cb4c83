#pragma once

#include "export/AviWriter.h"
#include "export/MovieRange.h"
#include "imaging/Picture.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

class TCompositor;

// A device-independent bitmap made from a picture: the header block (a 40-byte BITMAPINFOHEADER
// with a positive height, 1 plane, no compression, followed by 256 colour-table entries for an
// 8-bit picture and none otherwise) and the pixel block (rows bottom-up, each padded to a multiple
// of 4 bytes).
struct TDib {
    std::vector<std::uint8_t> Header;
    std::vector<std::uint8_t> Pixels;

    std::size_t HeaderSize() const { return Header.size(); }
    std::size_t ImageSize() const { return Pixels.size(); }
};

// Fills `dib` from the picture, reusing its buffers; an empty picture gives empty blocks. Throws
// ECwError "out of memory for bitmap pixels" when the pixel block cannot be allocated.
void BitmapToDib(const TPicture& picture, TDib& dib);

// Builds uncompressed AVI movies (24-bit frames from the sheet, or the preview's rendered frames).
// The movie's size is known before its first frame, so it is written front to back and streams
// into a pipe or a device as it is built. Failures throw ECwError with the texts below; an existing
// file at the target is then left as it was. A build stops, leaving no file, when `Aborted` says so.
class TAviBuilder {
public:
    // Progress: `caption`, then frames done out of `total`; called with 0 before the first frame.
    using TProgressEvent =
        std::function<void(const std::string& caption, std::int32_t done, std::int32_t total)>;
    // A line for the info panel: "Build Complete" after a successful build.
    using TInfoEvent = std::function<void(const std::string& line)>;

    TProgressEvent OnProgress;
    TInfoEvent OnInfo;
    // Asked after each frame; true stops the build and throws ECwError "The export was cancelled."
    std::function<bool()> Aborted;
    // Movie data per RIFF part before the file continues in OpenDML form.
    std::uint64_t RiffLimit = TAviWriter::kDefaultRiffLimit;

    // Composites the frames of `range` (frames past the last drawing hold its picture; only visible
    // layers are drawn) at width x height through `rostrum` and writes them at `fps` frames per
    // second. Raises "X-sheet is empty." when no layer has a cel, and "Movie cannot start with an
    // empty frame." when the movie starts at frame 1 and no layer has a cel there.
    void BuildFromSheet(const std::filesystem::path& fileName, std::int32_t width, std::int32_t height,
                        TCompositor& rostrum, std::int32_t fps, const TMovieRange& range);

    // Writes frames[0], then frames[order[i]] for i = 1 to the last index of `order`, at `fps`.
    // The stream takes its size and format from frames[0]; 8-bit frames carry their palette.
    void BuildFromFrames(const std::filesystem::path& fileName, const TFrameArray& order,
                         const TImageArray& frames, std::int32_t fps);
};
