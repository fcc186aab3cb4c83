#include "document/SheetData.h"

#include <algorithm>

TSheetData::TSheetData() : Clipboard(10) {}

// Layers only refer to cels; clearing them first keeps no dangling slot while Cels is destroyed.
TSheetData::~TSheetData() {
    Layers.clear();
}

bool TSheetData::InSheet(std::int32_t col, std::int32_t row) const {
    return col >= 0 && col < LayerCount() && row >= 0 && row < FrameCount();
}

std::int32_t TSheetData::LastUsedFrame(std::int32_t col) const {
    return std::max(0, Layer(col).UsedFrameCount() - 1);
}

std::int32_t TSheetData::FirstUsedFrame(std::int32_t col) const {
    const auto& frames = Layer(col).Frames;
    const auto first =
        std::find_if(frames.begin(), frames.end(), [](const TCel* cel) { return cel != nullptr; });
    return first == frames.end() ? 0 : static_cast<std::int32_t>(first - frames.begin());
}

void TSheetData::AddFrames(std::int32_t count) {
    if (count <= 0)
        return;
    for (auto& layer : Layers)
        layer->SetFrameCount(layer->FrameCount() + count);
}

TLayer& TSheetData::AddLayer(const std::string& caption, const std::string& folder,
                                    const TLayerColors& colors, std::int32_t rowsShown) {
    auto layer = std::make_unique<TLayer>();
    layer->Caption = caption;
    layer->Folder = folder;
    layer->Colors = colors;
    layer->Visible = true;
    layer->SetFrameCount(Layers.empty() ? std::max(0, rowsShown) : FrameCount());
    Layers.push_back(std::move(layer));
    return *Layers.back();
}

TCel* TSheetData::AddCel(std::int32_t col, std::int32_t row, const std::string& name,
                            std::int32_t duration, TCellRect& changed) {
    if (col < 0 || col >= LayerCount() || row < 0 || row >= kMaxFrames || duration < 1)
        return nullptr;
    duration = std::min(duration, kMaxFrames - row);
    auto cel = std::make_unique<TCel>(col, name, duration, row);
    UpdateCelBounds(cel.get());
    return PlaceCel(std::move(cel), changed);
}

TCel* TSheetData::PlaceCel(std::unique_ptr<TCel> cel, TCellRect& changed) {
    const std::int32_t end = cel->Row + cel->Duration;
    if (FrameCount() <= end)
        AddFrames(end == kMaxFrames ? end - FrameCount() : end - FrameCount() + 1);
    ClearRegion(cel->Extent());
    TCel* placed = Cels.Add(std::move(cel));
    LinkCel(placed);
    return MergeNeighbours(placed, changed);
}

void TSheetData::ClearSlots(std::int32_t col, std::int32_t first, std::int32_t last) {
    auto& layer = Layer(col);
    for (std::int32_t f = first; f <= last; ++f)
        layer.SetSlot(f, nullptr);
}

bool TSheetData::ClearRegion(const TCellRect& rect) {
    if (LayerCount() == 0 || FrameCount() == 0)
        return false;
    const std::int32_t left = std::max(rect.Left, 0);
    const std::int32_t right = std::min(rect.Right, LayerCount() - 1);
    const std::int32_t top = std::max(rect.Top, 0);
    const std::int32_t bottom = std::min(rect.Bottom, FrameCount() - 1);
    bool removed = false;
    for (std::int32_t col = left; col <= right; ++col) {
        for (std::int32_t frame = top; frame <= bottom; ++frame) {
            TCel* cel = CelAt(col, frame);
            if (!cel)
                continue;
            removed = true;
            const std::int32_t oldLast = cel->LastFrame();
            if (cel->Row < frame) {
                if (bottom < oldLast) {
                    // The cel reaches past both edges: its part below becomes a cel of its own.
                    auto tail = std::make_unique<TCel>();
                    tail->Assign(*cel);
                    tail->Row = bottom + 1;
                    tail->Duration = oldLast - bottom;
                    UpdateCelBounds(tail.get());
                    LinkCel(Cels.Add(std::move(tail)));
                }
                cel->Duration = top - cel->Row;
                UpdateCelBounds(cel);
                ClearSlots(col, frame, std::min(bottom, oldLast));
            } else if (oldLast > bottom) {
                cel->Row = bottom + 1;
                cel->Duration = oldLast - bottom;
                UpdateCelBounds(cel);
                ClearSlots(col, frame, bottom);
            } else {
                DeleteCel(cel);
            }
            frame = std::min(bottom, oldLast);
        }
    }
    return removed;
}

void TSheetData::DeleteCel(TCel* cel) {
    UnlinkCel(cel, cel->Extent());
    Cels.Remove(cel);
}

void TSheetData::ClearLayer(std::int32_t col) {
    auto& layer = Layer(col);
    for (std::int32_t frame = 0; frame < layer.FrameCount(); ++frame) {
        if (TCel* cel = layer.Slot(frame)) {
            frame = cel->LastFrame();
            DeleteCel(cel);
        }
    }
}

void TSheetData::DeleteLayer(std::int32_t col) {
    if (col < 0 || col >= LayerCount())
        return;
    ClearRegion({col, 0, col, FrameCount() - 1});
    Layers.erase(Layers.begin() + col);
    for (std::int32_t c = col; c < LayerCount(); ++c)
        RenumberLayer(Layer(c), c);

    if (Layers.empty()) {
        Selection = {};
        return;
    }
    if (col == LayerCount()) {
        if (Selection.Left == col)
            --Selection.Left;
        if (Selection.Right == col)
            --Selection.Right;
        if (CurLayer == col)
            --CurLayer;
    } else {
        if (Selection.Left > col)
            --Selection.Left;
        if (Selection.Right > col)
            --Selection.Right;
        if (CurLayer > col)
            --CurLayer;
    }
}

TCellRect TSheetData::ClampRect(const TCellRect& rect) const {
    TCellRect r{std::max(rect.Left, 0), std::max(rect.Top, 0), std::min(rect.Right, LayerCount() - 1),
                std::min(rect.Bottom, FrameCount() - 1)};
    if (r.Left > r.Right || r.Top > r.Bottom)
        return {};
    return r;
}

void TSheetData::CopyRegion(const TCellRect& rect) {
    ClipCount = 0;
    for (std::int32_t col = std::max(rect.Left, 0); col <= std::min(rect.Right, LayerCount() - 1); ++col) {
        for (std::int32_t frame = std::max(rect.Top, 0); frame <= std::min(rect.Bottom, FrameCount() - 1);) {
            const TCel* cel = CelAt(col, frame);
            if (!cel) {
                ++frame;
                continue;
            }
            TCopyCel entry{cel->Name, cel->Row + cel->Duration - frame, col - rect.Left, frame - rect.Top};
            entry.Duration = std::min(entry.Duration, rect.Bottom - rect.Top - entry.RowOffset + 1);
            Clipboard[static_cast<std::size_t>(ClipCount++)] = entry;
            if (ClipCount == static_cast<std::int32_t>(Clipboard.size()))
                Clipboard.resize(static_cast<std::size_t>(ClipCount) + 5);
            frame += entry.Duration;
        }
    }
    ClipRect = {0, 0, rect.Right - rect.Left, rect.Bottom - rect.Top};
}

void TSheetData::CutRegion(const TCellRect& rect) {
    CopyRegion(rect);
    ClearRegion(rect);
}

std::int32_t TSheetData::PasteAt(std::int32_t col, std::int32_t row) {
    // A paste always lands on a cell of the sheet; elsewhere the clamped target would be cell (0, 0).
    if (!InSheet(col, row))
        return 0;
    const std::int32_t framesBefore = FrameCount();
    const TCellRect target =
        ClampRect({col, row, col + ClipRect.Right - ClipRect.Left, row + ClipRect.Bottom - ClipRect.Top});
    ClearRegion(target);
    TCellRect changed;
    for (std::int32_t i = 0; i < ClipCount; ++i) {
        const TCopyCel& entry = Clipboard[static_cast<std::size_t>(i)];
        if (col + entry.ColOffset <= target.Right)
            AddCel(col + entry.ColOffset, row + entry.RowOffset, entry.Name, entry.Duration, changed);
    }
    CurLayer = col;
    CurFrame = row;
    Selection =
        ClampRect({col, row, col + ClipRect.Right - ClipRect.Left, row + ClipRect.Bottom - ClipRect.Top});
    return FrameCount() - framesBefore;
}

TCel* TSheetData::MergeNeighbours(TCel* cel, TCellRect& changed) {
    if (cel->Row > 0) {
        TCel* above = CelAt(cel->Col, cel->Row - 1);
        if (above && above != cel && above->Name == cel->Name) {
            above->Duration += cel->Duration;
            DeleteCel(cel);
            UpdateCelBounds(above);
            LinkCel(above);
            cel = above;
        }
    }
    if (cel->LastFrame() < FrameCount() - 1) {
        TCel* below = CelAt(cel->Col, cel->LastFrame() + 1);
        if (below && below != cel && below->Name == cel->Name) {
            cel->Duration += below->Duration;
            DeleteCel(below);
            UpdateCelBounds(cel);
            LinkCel(cel);
        }
    }
    changed = cel->Extent();
    return cel;
}

std::vector<TCellRect> TSheetData::MergeAtEdges(const TCellRect& rect) {
    std::vector<TCellRect> merged;
    merged.reserve(10);
    const TCellRect r = ClampRect(rect);
    if (LayerCount() == 0 || FrameCount() == 0)
        return merged;
    for (std::int32_t col = r.Left; col <= r.Right; ++col) {
        TCellRect extent;
        TCel* topCel = CelAt(col, r.Top);
        if (topCel) {
            topCel = MergeNeighbours(topCel, extent);
            merged.push_back(extent);
        }
        TCel* bottomCel = CelAt(col, r.Bottom);
        if (bottomCel && bottomCel != topCel) {
            MergeNeighbours(bottomCel, extent);
            merged.push_back(extent);
        }
    }
    return merged;
}

void TSheetData::MoveCel(TCel* cel, std::int32_t col, std::int32_t row) {
    UnlinkCel(cel, cel->Extent());
    cel->SetPosition(col, row);
    UpdateCelBounds(cel);
    LinkCel(cel);
}

void TSheetData::MoveBlock(TCellRect& rect, std::int32_t destCol, bool moveCursor, std::int32_t destRow) {
    const std::int32_t dCol = destCol - rect.Left;
    const std::int32_t dRow = destRow - rect.Top;
    std::vector<TCel*> moving;
    for (std::int32_t col = std::max(rect.Left, 0); col <= std::min(rect.Right, LayerCount() - 1); ++col) {
        for (std::int32_t frame = std::max(rect.Top, 0); frame <= std::min(rect.Bottom, FrameCount() - 1);
             ++frame) {
            TCel* cel = CelAt(col, frame);
            if (cel && cel->Row == frame && cel->LastFrame() <= rect.Bottom)
                moving.push_back(cel);
        }
    }
    for (TCel* cel : moving)
        MoveCel(cel, cel->Col + dCol, cel->Row + dRow);
    if (moveCursor) {
        CurLayer += dCol;
        CurFrame += dRow;
        rect = {rect.Left + dCol, rect.Top + dRow, rect.Right + dCol, rect.Bottom + dRow};
    }
}

void TSheetData::LinkCel(TCel* cel) {
    auto& layer = Layer(cel->Col);
    const std::int32_t last = std::min(cel->LastFrame(), layer.FrameCount() - 1);
    for (std::int32_t frame = std::max(cel->Row, 0); frame <= last; ++frame)
        layer.SetSlot(frame, cel);
}

void TSheetData::UnlinkCel(TCel* cel, const TCellRect& rect) {
    for (std::int32_t col = std::max(rect.Left, 0); col <= std::min(rect.Right, LayerCount() - 1); ++col) {
        auto& layer = Layer(col);
        for (std::int32_t frame = std::max(rect.Top, 0);
             frame <= std::min(rect.Bottom, layer.FrameCount() - 1); ++frame) {
            if (layer.Slot(frame) == cel)
                layer.SetSlot(frame, nullptr);
        }
    }
}

void TSheetData::SetCelDuration(TCel* cel, std::int32_t duration, TCellRect& changed) {
    duration = std::clamp(duration, 1, FrameCount() - cel->Row);
    if (duration == cel->Duration)
        return;
    if (duration < cel->Duration) {
        changed = cel->Extent();
        ClearSlots(cel->Col, cel->Row + duration, cel->LastFrame());
        cel->Duration = duration;
    } else {
        const std::int32_t oldLast = cel->LastFrame();
        cel->Duration = duration;
        auto& layer = Layer(cel->Col);
        for (std::int32_t frame = oldLast + 1; frame <= cel->LastFrame(); ++frame)
            layer.SetSlot(frame, cel);
        changed = cel->Extent();
    }
    UpdateCelBounds(cel);
}

bool TSheetData::CanDropBlock(const TCellRect& rect, std::int32_t col, std::int32_t row) const {
    const std::int32_t width = rect.Right - rect.Left + 1;
    const std::int32_t height = rect.Bottom - rect.Top + 1;
    if (col < 0 || row < 0 || col + width > LayerCount() || row + height > FrameCount())
        return false;
    for (std::int32_t c = col; c < col + width; ++c) {
        for (std::int32_t f = row; f < row + height; ++f) {
            const bool insideSource = c >= rect.Left && c <= rect.Right && f >= rect.Top && f <= rect.Bottom;
            if (!insideSource && CelAt(c, f))
                return false;
        }
    }
    return true;
}

bool TSheetData::SnapSelectionToCels() {
    if (!InSheet(Selection.Left, Selection.Top) || !InSheet(Selection.Left, Selection.Bottom))
        return false;
    const TCellRect old = Selection;
    if (const TCel* top = CelAt(Selection.Left, Selection.Top))
        Selection.Top = top->Row;
    if (const TCel* bottom = CelAt(Selection.Left, Selection.Bottom))
        Selection.Bottom = bottom->LastFrame();
    if (Selection == old)
        return false;
    CurFrame = CurFrame == old.Top ? Selection.Top : Selection.Bottom;
    return true;
}

void TSheetData::SetFps(std::int32_t fps) {
    if (fps == Fps)
        return;
    const std::int32_t rows = std::min(kMaxFrames, std::max(Audio.FramesCovered(fps), Audio.PhonemeCount()));
    Audio.SetPhonemeCount(rows);
    if (FrameCount() < rows)
        AddFrames(rows - FrameCount());
    Fps = fps;
}

void TSheetData::ClearAudioData() {
    for (auto& channel : Audio.Peaks)
        channel.clear();
    Audio.FileName.clear();
    Audio.WaveFile.clear();
    Audio.Channels = 0;
    Audio.DurationMs = 0;
}

void TSheetData::RenumberLayer(TLayer& layer, std::int32_t col) {
    for (std::int32_t frame = 0; frame < layer.FrameCount(); ++frame) {
        if (TCel* cel = layer.Slot(frame)) {
            cel->Col = col;
            UpdateCelBounds(cel);
            frame = cel->LastFrame();
        }
    }
}
