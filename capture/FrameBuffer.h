#pragma once

#include "imaging/Picture.h"

#include <cstdint>
#include <functional>
#include <vector>

// The Stop Motion review buffer: the pictures of the frames before a reference frame R. Slot k
// (1 to Held()) holds frame R - k, with Held() = min(Size(), R - 1). Frames count from 1.
class TFrameBuffer {
public:
    // The picture of a frame of the current layer: its cel's drawing, or white when it has none.
    using TLoader = std::function<TPicture(std::int32_t frame)>;

    static constexpr std::int32_t kDefaultSize = 24;

    // Sets the number of slots, clamped to 1..99, and empties the buffer.
    void SetSize(std::int32_t slots);
    std::int32_t Size() const { return static_cast<std::int32_t>(Slots.size()); }
    std::int32_t Held() const { return HeldCount; }
    std::int32_t Reference() const { return ReferenceFrame; }
    // Empties every slot: R := 1, nothing held.
    void Clear();

    // Makes the buffer hold the frames before `frame`. Small moves keep the pictures held and read
    // only the frames not held yet; an empty buffer or a move of at least Size() frames reloads.
    void Update(std::int32_t frame, const TLoader& load);
    // Reads every slot again for `frame`.
    void Reload(std::int32_t frame, const TLoader& load);

    // Slot k, 1 <= k <= Held().
    const TPicture& Slot(std::int32_t k) const { return Slots[static_cast<std::size_t>(k - 1)]; }
    // Puts `picture` into the slot holding `frame`, when one does.
    void Replace(std::int32_t frame, const TPicture& picture);

private:
    std::vector<TPicture> Slots = std::vector<TPicture>(kDefaultSize);
    std::int32_t HeldCount = 0;
    std::int32_t ReferenceFrame = 1;
};
