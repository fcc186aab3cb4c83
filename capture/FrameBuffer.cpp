#include "capture/FrameBuffer.h"

#include <algorithm>
#include <cstdlib>

void TFrameBuffer::SetSize(std::int32_t slots) {
    Slots.assign(static_cast<std::size_t>(std::clamp(slots, 1, 99)), TPicture());
    Clear();
}

void TFrameBuffer::Clear() {
    for (TPicture& slot : Slots)
        slot = TPicture();
    HeldCount = 0;
    ReferenceFrame = 1;
}

void TFrameBuffer::Update(std::int32_t frame, const TLoader& load) {
    if (frame < 2) {
        ReferenceFrame = frame;
        HeldCount = 0;
        return;
    }
    if (HeldCount == 0 || std::abs(frame - ReferenceFrame) >= Size()) {
        Reload(frame, load);
        return;
    }
    // Slot k of the new reference holds frame - k, which the old buffer held in slot k - shift.
    const std::int32_t shift = frame - ReferenceFrame;
    const std::int32_t held = std::min(Size(), frame - 1);
    std::vector<TPicture> moved(Slots.size());
    for (std::int32_t k = 1; k <= held; ++k) {
        const std::int32_t old = k - shift;
        moved[static_cast<std::size_t>(k - 1)] = old >= 1 && old <= HeldCount
                                                     ? std::move(Slots[static_cast<std::size_t>(old - 1)])
                                                     : load(frame - k);
    }
    Slots = std::move(moved);
    HeldCount = held;
    ReferenceFrame = frame;
}

void TFrameBuffer::Reload(std::int32_t frame, const TLoader& load) {
    const std::int32_t held = std::clamp(frame - 1, 0, Size());
    for (std::int32_t k = 1; k <= held; ++k)
        Slots[static_cast<std::size_t>(k - 1)] = load(frame - k);
    HeldCount = held;
    ReferenceFrame = frame;
}

void TFrameBuffer::Replace(std::int32_t frame, const TPicture& picture) {
    const std::int32_t k = ReferenceFrame - frame;
    if (k >= 1 && k <= HeldCount)
        Slots[static_cast<std::size_t>(k - 1)] = picture;
}
