#pragma once

#include "export/MovieRange.h"

#include <cstddef>
#include <cstdint>
#include <functional>

class TCompositor;

// Frames of a movie as 24-bit pixels (bytes B, G, R), each row padded to a multiple of 4 bytes.
struct TMovieFrameShape {
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    bool BottomUp = false; // rows as a device-independent bitmap keeps them

    std::size_t Stride() const { return (static_cast<std::size_t>(Width) * 3 + 3) & ~std::size_t{3}; }
    std::size_t Bytes() const { return Stride() * static_cast<std::size_t>(Height); }
};

// Hands the range's frames, in order, to `use(index, pixels)` (index from 0 within the range); a
// frame past the last drawing shows the last frame's picture. The next frame is composited on a
// worker while `use` handles one; `use` returns false to stop. Throws what rendering throws.
void RenderMovieFrames(TCompositor& rostrum, const TMovieRange& range, const TMovieFrameShape& shape,
                       const std::function<bool(std::int32_t index, const std::uint8_t* pixels)>& use);
