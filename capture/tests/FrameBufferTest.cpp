#include "capture/FrameBuffer.h"

#include <gtest/gtest.h>
#include <vector>

namespace {
// A loader whose pictures are 1 x 1 with the frame number as their first byte; it counts reads.
struct TCountingLoader {
    std::vector<std::int32_t> Reads;
    TFrameBuffer::TLoader Loader() {
        return [this](std::int32_t frame) {
            Reads.push_back(frame);
            TPicture picture(1, 1, TPixelFormat::pf24bit);
            picture.Row(0)[0] = static_cast<std::uint8_t>(frame);
            return picture;
        };
    }
};

void ExpectHolds(const TFrameBuffer& buffer, std::int32_t reference) {
    for (std::int32_t k = 1; k <= buffer.Held(); ++k)
        EXPECT_EQ(buffer.Slot(k).Row(0)[0], reference - k) << "slot " << k;
}
} // namespace

TEST(FrameBuffer, HoldsUpTo24FramesBeforeTheCurrentOne) {
    TFrameBuffer buffer;
    TCountingLoader loader;
    const std::pair<std::int32_t, std::int32_t> cases[] = {{1, 0}, {30, 24}, {5, 4}, {2, 1}};
    for (const auto& [frame, held] : cases) {
        buffer.Clear();
        buffer.Update(frame, loader.Loader());
        EXPECT_EQ(buffer.Held(), held) << frame;
        EXPECT_EQ(buffer.Size() - buffer.Held(), 24 - held); // the slider's minimum
        ExpectHolds(buffer, frame);
    }
}

TEST(FrameBuffer, SmallMovesShiftAndReadOnlyNewFrames) {
    TFrameBuffer buffer;
    TCountingLoader loader;
    buffer.Update(30, loader.Loader());
    EXPECT_EQ(loader.Reads.size(), 24u);

    loader.Reads.clear();
    buffer.Update(32, loader.Loader()); // two forward: frames 31 and 30 are new
    EXPECT_EQ(loader.Reads, (std::vector<std::int32_t>{31, 30}));
    ExpectHolds(buffer, 32);

    loader.Reads.clear();
    buffer.Update(29, loader.Loader()); // three back: frames 7, 6 and 5 are new
    EXPECT_EQ(loader.Reads, (std::vector<std::int32_t>{7, 6, 5}));
    ExpectHolds(buffer, 29);

    loader.Reads.clear();
    buffer.Update(60, loader.Loader()); // 24 or more away: everything again
    EXPECT_EQ(loader.Reads.size(), 24u);
    ExpectHolds(buffer, 60);

    loader.Reads.clear();
    buffer.Update(1, loader.Loader());
    EXPECT_EQ(buffer.Held(), 0);
    buffer.Update(3, loader.Loader()); // from empty: a reload
    EXPECT_EQ(loader.Reads, (std::vector<std::int32_t>{2, 1}));
}

TEST(FrameBuffer, ReplaceTouchesOnlyTheSlotOfThatFrame) {
    TFrameBuffer buffer;
    TCountingLoader loader;
    buffer.Update(10, loader.Loader());
    TPicture fresh(1, 1, TPixelFormat::pf24bit);
    fresh.Row(0)[0] = 200;
    buffer.Replace(7, fresh);
    buffer.Replace(10, fresh); // the current frame is not in the buffer
    EXPECT_EQ(buffer.Slot(3).Row(0)[0], 200);
    EXPECT_EQ(buffer.Slot(2).Row(0)[0], 8);
    EXPECT_EQ(buffer.Slot(1).Row(0)[0], 9);

    buffer.SetSize(500);
    EXPECT_EQ(buffer.Size(), 99);
    buffer.SetSize(0);
    EXPECT_EQ(buffer.Size(), 1);
}
