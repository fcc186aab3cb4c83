#pragma once

#include "imaging/WorkerPool.h"

#include <array>
#include <cstdint>

// Runs a sequence of frames through two stages that overlap: frame i + 1 is rendered on a worker
// of `pool` while the calling thread uses frame i (writes it, encodes it). Two buffers take turns.
//
//   render(i, buffer)  fills `buffer` with frame i (0-based); runs on a worker, one frame at a time
//   use(i, buffer)     runs on the calling thread, in frame order; returns false to stop there
//
// Frames are used in order, each exactly once, and a stop or an error belongs to its frame: when
// rendering frame i throws, frames before i have been used and the error is thrown from here;
// when use stops or throws at frame i, no later frame is used. It returns only once no render is
// running, so the buffers and whatever render reads may go away then.
template <class TBuffer, class TRender, class TUse>
void RunFramePipeline(TWorkerPool& pool, std::int32_t count, std::array<TBuffer, 2>& buffers, TRender render,
                      TUse use) {
    if (count <= 0)
        return;
    TPoolTask rendering = pool.Run([&] { render(0, buffers[0]); });
    for (std::int32_t i = 0; i < count; ++i) {
        rendering.Wait(); // frame i is ready, or its error is thrown
        if (i + 1 < count)
            rendering = pool.Run([&, i] { render(i + 1, buffers[static_cast<std::size_t>((i + 1) % 2)]); });
        // Should using the frame throw, or stop, the next frame's render is waited for as
        // `rendering` goes.
        if (!use(i, buffers[static_cast<std::size_t>(i % 2)]))
            return;
    }
}
