#include "document/SheetObjects.h"

#include "document/SheetData.h"

#include <algorithm>
#include <array>

void TSheetObject::Assign(const TSheetObject& source) {
    Bounds = source.Bounds;
    Duration = source.Duration;
    Origin = source.Origin;
    Col = source.Col;
    Row = source.Row;
}

void TSheetObject::SetPosition(std::int32_t col, std::int32_t row) {
    Col = col;
    Row = row;
}

void TSheetObject::UpdateBounds(std::int32_t cellWidth, std::int32_t cellHeight) {
    Origin = {Col * cellWidth, Row * cellHeight};
    Bounds = {Origin.X, Origin.Y, Origin.X + cellWidth + 1, Origin.Y + Duration * cellHeight + 1};
}

TCel::TCel(std::int32_t col, std::string name, std::int32_t duration, std::int32_t row)
    : Name(std::move(name)) {
    Col = col;
    Duration = duration;
    Row = row;
}

void TCel::Assign(const TSheetObject& source) {
    TSheetObject::Assign(source);
    if (const auto* cel = dynamic_cast<const TCel*>(&source))
        Name = cel->Name;
}

TCel* TCelList::Add(std::unique_ptr<TCel> cel) {
    Items.push_back(std::move(cel));
    auto last = std::prev(Items.end());
    (*last)->Self = last;
    return last->get();
}

void TCelList::Remove(TCel* cel) {
    Items.erase(cel->Self);
}

namespace {
const std::array<TLayerColors, 3> kSchemes{{
    {"Orange", 0xFBAC3A, 0xB77513, 0xD78B1D, 0x000000, 0xFBAC3A, 0xB77513, 0xD78B1D, 0x4F3206},
    {"Blue", 0x6695B8, 0x325C7C, 0x447CA6, 0xFFFFFF, 0x6796B8, 0x325C7C, 0x447CA6, 0xFFFFFF},
    {"Green", 0x9BAB8D, 0x787C75, 0x8A987E, 0x000000, 0x9BAB8D, 0x787C75, 0x8A987E, 0x3C4433},
}};
} // namespace

const TLayerColors& LayerColorScheme(std::int32_t index) {
    if (index < 0 || index >= static_cast<std::int32_t>(kSchemes.size()))
        return kSchemes[0];
    return kSchemes[static_cast<std::size_t>(index)];
}

std::int32_t LayerColorIndex(const TLayerColors& colors) {
    if (colors.Name == "Blue")
        return 1;
    if (colors.Name == "Green")
        return 2;
    return 0;
}

std::int32_t TLayer::UsedFrameCount() const {
    for (auto i = Frames.size(); i > 0; --i) {
        if (Frames[i - 1])
            return static_cast<std::int32_t>(i);
    }
    return 0;
}

void TSoundTrack::Clear() {
    for (auto& channel : Peaks)
        channel.clear();
    Phonemes.clear();
    Channels = 0;
    DurationMs = 0;
    Shortened = false;
    FileName.clear();
    WaveFile.clear();
}

std::int32_t TSoundTrack::FramesCovered(std::int32_t fps) const {
    if (fps <= 0 || DurationMs <= 0)
        return 0;
    // Limited before the conversion: a frame count past the sheet's limit means nothing anyway.
    const double frames = static_cast<double>(DurationMs) / 1000.0 * fps;
    return static_cast<std::int32_t>(std::min(frames, static_cast<double>(kMaxFrames))) + 1;
}

const std::string& TSoundTrack::Phoneme(std::int32_t index) const {
    static const std::string kNone;
    if (index < 0 || index >= PhonemeCount())
        return kNone;
    return Phonemes[static_cast<std::size_t>(index)];
}

std::int32_t TSoundTrack::UsedPhonemeCount() const {
    for (auto i = Phonemes.size(); i > 0; --i) {
        if (!Phonemes[i - 1].empty())
            return static_cast<std::int32_t>(i);
    }
    return 0;
}
