#pragma once

#include "base/AtomicFile.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <vector>

struct GifFileType;

// Writes an animated GIF that loops for ever. Each frame gets a palette of its own (at most 256
// colours, by median cut) and is shown for 1/fps s; the format counts in hundredths of a second, so
// the rounding is carried from frame to frame and the whole movie keeps its length. The file is
// written through TAtomicFile: it replaces the target only when Finish succeeds. Failures throw
// ECwError naming the file.
class TGifWriter {
public:
    TGifWriter(const std::filesystem::path& file, std::int32_t width, std::int32_t height, std::int32_t fps);
    ~TGifWriter();
    TGifWriter(const TGifWriter&) = delete;
    TGifWriter& operator=(const TGifWriter&) = delete;

    // A frame of 24-bit pixels (bytes B, G, R), rows from the top, `stride` bytes apart.
    void WriteFrame(const std::uint8_t* pixels, std::size_t stride);
    void Finish();

private:
    [[noreturn]] void Fail(int code) const;

    std::filesystem::path File;
    std::unique_ptr<TAtomicFile> Target;
    GifFileType* Gif = nullptr;
    std::int32_t Width, Height, Fps;
    std::int32_t Frames = 0;
    std::vector<std::uint8_t> Red, Green, Blue, Indexes;
};
