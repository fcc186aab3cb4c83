#include "imaging/FramePipeline.h"

#include <atomic>
#include <gtest/gtest.h>
#include <stdexcept>
#include <vector>

TEST(FramePipeline, UsesFramesInOrderAndStopsAtTheFrameThatSaysSo) {
    for (const std::size_t workers : {0u, 1u, 2u}) {
        SCOPED_TRACE(workers);
        TWorkerPool pool(workers);
        std::array<int, 2> buffers{};
        std::vector<int> used;
        std::atomic<int> rendering{0};
        RunFramePipeline(
            pool, 10, buffers,
            [&](std::int32_t i, int& buffer) {
                ++rendering;
                // Decoding a frame's layers side by side from inside a task of the same pool.
                std::atomic<int> layers{0};
                pool.ParallelFor(3, 3, [&](std::size_t) { ++layers; });
                buffer = 100 * i + layers;
                --rendering;
            },
            [&](std::int32_t i, int& buffer) {
                used.push_back(buffer);
                return i < 3;
            });
        EXPECT_EQ(used, (std::vector<int>{3, 103, 203, 303}));
        EXPECT_EQ(rendering, 0); // no render left running
    }
}

TEST(FramePipeline, ARenderErrorComesAfterTheFramesBeforeIt) {
    TWorkerPool pool(2);
    std::array<int, 2> buffers{};
    std::vector<int> used;
    try {
        RunFramePipeline(
            pool, 20, buffers,
            [](std::int32_t i, int& buffer) {
                if (i == 6)
                    throw std::runtime_error("frame 7");
                buffer = i;
            },
            [&](std::int32_t, int& buffer) {
                used.push_back(buffer);
                return true;
            });
        FAIL() << "no error";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "frame 7");
    }
    EXPECT_EQ(used, (std::vector<int>{0, 1, 2, 3, 4, 5}));
}
