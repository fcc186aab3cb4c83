#include "document/SheetUndo.h"

#include "document/SheetDocument.h"
#include "document/FileNameRules.h"
#include "base/Error.h"

#include <algorithm>

namespace {
bool HoldsSound(const TSheetData& data) {
    return data.Audio.DurationMs > 0;
}

// Calls `visit` with each cel of `layer` in frame order.
template <typename F> void ForEachCel(const TLayer& layer, F visit) {
    for (std::int32_t frame = 0; frame < layer.FrameCount();) {
        const TCel* cel = layer.Slot(frame);
        if (!cel) {
            ++frame;
            continue;
        }
        visit(*cel);
        frame = cel->Row + cel->Duration;
    }
}

// Whether `layer`, the sheet's layer `col`, holds exactly `kept`, compared in place.
bool LayerHolds(const TLayer& layer, std::int32_t col, const std::vector<TCopyCel>& kept) {
    std::size_t next = 0;
    bool same = true;
    ForEachCel(layer, [&](const TCel& cel) {
        if (same && next < kept.size()) {
            const TCopyCel& k = kept[next];
            same = k.Name == cel.Name && k.Duration == cel.Duration && k.ColOffset == col && k.RowOffset == cel.Row;
        } else {
            same = false;
        }
        ++next;
    });
    return same && next == kept.size();
}

TLayerCels CopyLayer(const TLayer& layer, std::int32_t col) {
    auto cels = std::make_shared<std::vector<TCopyCel>>();
    ForEachCel(layer, [&](const TCel& cel) { cels->push_back({cel.Name, cel.Duration, col, cel.Row}); });
    return cels;
}
} // namespace

std::vector<TCopyCel> TUndoInfo::Cels() const {
    std::vector<TCopyCel> all;
    for (const TLayerCels& layer : LayerCels)
        all.insert(all.end(), layer->begin(), layer->end());
    return all;
}

TSheetUndo::~TSheetUndo() {
    Destroying = true;
    ClearHistory();
}

std::unique_ptr<TSheetSnapshot> TSheetUndo::TakeSnapshot(const TSheetDocument& sheet, const TSheetSnapshot* like) {
    auto snapshot = std::make_unique<TSheetSnapshot>();
    TUndoInfo& info = snapshot->Info;
    const TSheetData& data = sheet.Data();
    const auto layers = static_cast<std::size_t>(data.LayerCount());
    info.Layers.reserve(layers);
    info.LayerCels.reserve(layers);
    for (std::int32_t col = 0; col < data.LayerCount(); ++col) {
        const TLayer& layer = data.Layer(col);
        info.Layers.push_back({layer.Visible, layer.Caption, layer.Colors, layer.Folder});
        const auto at = static_cast<std::size_t>(col);
        const bool alike =
            like && at < like->Info.LayerCels.size() && LayerHolds(layer, col, *like->Info.LayerCels[at]);
        info.LayerCels.push_back(alike ? like->Info.LayerCels[at] : CopyLayer(layer, col));
    }
    // A sound that was read belongs to the snapshot whether or not its column is shown: hiding the
    // column must not let an undo take the sound away.
    const TSoundTrack& audio = data.Audio;
    if (HoldsSound(data)) {
        info.AudioFile = audio.FileName;
        info.WaveFile = audio.WaveFile;
    }
    // The phonemes belong to every snapshot: they are typed or imported before a sound is chosen too.
    info.Phonemes.resize(static_cast<std::size_t>(audio.UsedPhonemeCount()));
    for (std::int32_t i = 0; i < audio.UsedPhonemeCount(); ++i) {
        if (!audio.Phoneme(i).empty())
            info.Phonemes[static_cast<std::size_t>(i)] = {audio.Phoneme(i), i};
    }
    return snapshot;
}

void TSheetUndo::Restore(const TSheetSnapshot& snapshot, TSheetDocument& sheet) {
    const TUndoInfo& info = snapshot.Info;
    TSheetData& data = sheet.Model;
    const TSheetDocument::TChangeScope scope(sheet);
    sheet.Gathered.Everything = true;
    sheet.SetUpdateMode(TSheetDocument::TUpdateMode::Restoring);

    const auto layerCount = static_cast<std::int32_t>(info.Layers.size());
    while (data.LayerCount() < layerCount)
        data.AddLayer("", "", sheet.DefaultColors, sheet.FrameRows());
    while (data.LayerCount() > layerCount)
        data.DeleteLayer(data.LayerCount() - 1);

    for (std::int32_t col = 0; col < layerCount; ++col) {
        data.ClearLayer(col);
        const TLayerInfo& kept = info.Layers[static_cast<std::size_t>(col)];
        TLayer& layer = data.Layer(col);
        layer.Caption = kept.Caption;
        layer.Folder = kept.Folder;
        layer.Colors = kept.Colors;
        layer.Visible = kept.Visible;
    }
    TCellRect changed;
    for (const TLayerCels& layer : info.LayerCels)
        for (const TCopyCel& cel : *layer)
            data.AddCel(cel.ColOffset, cel.RowOffset, cel.Name, cel.Duration, changed);

    if (HoldsSound(data) && info.AudioFile.empty())
        data.ClearAudioData();
    else if (!HoldsSound(data) && !info.AudioFile.empty() && info.AudioFile != data.Audio.FileName)
        sheet.LoadAudio(info.AudioFile);

    const auto phonemes = static_cast<std::int32_t>(info.Phonemes.size());
    if (data.Audio.PhonemeCount() < phonemes)
        data.Audio.SetPhonemeCount(phonemes);
    for (std::int32_t j = 0; j < phonemes; ++j)
        data.Audio.SetPhoneme(j, info.Phonemes[static_cast<std::size_t>(j)].Text);
    // Phonemes added after the snapshot, past its last one, go too.
    for (std::int32_t j = phonemes; j < data.Audio.PhonemeCount(); ++j)
        data.Audio.SetPhoneme(j, std::string());
}

void TSheetUndo::Notify(const std::function<void(TSheetDocument&)>& event) {
    if (event)
        event(Owner);
}

void TSheetUndo::PushUndo(std::unique_ptr<TSheetSnapshot> snapshot, bool clearRedo) {
    if (Owner.UpdateMode() == TSheetDocument::TUpdateMode::Bulk)
        return;
    UndoList.push_front(std::move(snapshot));
    TrimLists();
    Notify(Owner.OnCanUndo);
    if (clearRedo)
        ClearRedo();
}

void TSheetUndo::PushRedo(std::unique_ptr<TSheetSnapshot> snapshot) {
    RedoList.push_front(std::move(snapshot));
    TrimLists();
    Notify(Owner.OnCanRedo);
}

void TSheetUndo::SetDepth(std::int32_t depth) {
    MaxSteps = std::clamp(depth, kMinDepth, kMaxDepth);
    TrimLists();
}

void TSheetUndo::TrimLists() {
    const auto steps = static_cast<std::size_t>(MaxSteps);
    while (UndoList.size() > steps)
        UndoList.pop_back();
    while (RedoList.size() > steps)
        RedoList.pop_back();
}

void TSheetUndo::ClearRedo() {
    RedoList.clear();
    if (!Destroying)
        Notify(Owner.OnCantRedo);
}

void TSheetUndo::ClearHistory() {
    UndoList.clear();
    ClearRedo();
    if (!Destroying) {
        Notify(Owner.OnCantUndo);
        Notify(Owner.OnCantRedo);
    }
}

const TSheetSnapshot* TSheetUndo::Newest() const {
    return UndoList.empty() ? nullptr : UndoList.front().get();
}

void TSheetUndo::CapturePending() {
    if (!Pending && Owner.UpdateMode() != TSheetDocument::TUpdateMode::Bulk)
        Pending = TakeSnapshot(Owner, Newest());
}

void TSheetUndo::PushPending() {
    if (Pending)
        PushUndo(std::move(Pending), true);
    Pending.reset();
}

void TSheetUndo::RestorePending() noexcept {
    const std::unique_ptr<TSheetSnapshot> before = std::move(Pending);
    if (!before)
        return;
    try {
        MoveFiles(before->FileMoves, false);
        Owner.SetUpdateMode(TSheetDocument::TUpdateMode::Restoring);
        Restore(*before, Owner);
        FinishRestore();
    } catch (...) {
        // The edit's own error is already on its way to the user; this one would only hide it.
        Owner.SetUpdateMode(TSheetDocument::TUpdateMode::Normal);
    }
}

void TSheetUndo::NoteFileMove(const TFileMove& move) {
    if (Pending)
        Pending->FileMoves.push_back(move);
}

void TSheetUndo::MoveFiles(const std::vector<TFileMove>& moves, bool forward) {
    std::vector<TFileMove> renames; // in the order they are made
    for (const TFileMove& move : moves)
        renames.push_back(forward ? move : TFileMove{move.To, move.From});
    if (!forward)
        std::reverse(renames.begin(), renames.end());
    std::size_t done = 0;
    try {
        for (; done < renames.size(); ++done)
            RenameDrawing(renames[done].From, renames[done].To);
    } catch (const ECwError&) {
        std::error_code ignored;
        while (done-- > 0)
            std::filesystem::rename(renames[done].To, renames[done].From, ignored);
        throw;
    }
}

void TSheetUndo::FinishRestore() {
    Owner.SetFrameRows(std::max(Owner.FrameCount(), TSheetDocument::kDefaultFrameRows));
    Owner.SetUpdateMode(TSheetDocument::TUpdateMode::Normal);
}

void TSheetUndo::Undo() {
    if (UndoList.empty()) {
        Notify(Owner.OnCantUndo);
        return;
    }
    MoveFiles(UndoList.front()->FileMoves, false);
    Owner.SetUpdateMode(TSheetDocument::TUpdateMode::Restoring);
    auto redo = TakeSnapshot(Owner, UndoList.front().get());
    redo->FileMoves = UndoList.front()->FileMoves;
    PushRedo(std::move(redo));
    const std::unique_ptr<TSheetSnapshot> top = std::move(UndoList.front());
    UndoList.pop_front();
    Restore(*top, Owner);
    FinishRestore();
    if (UndoList.empty())
        Notify(Owner.OnCantUndo);
}

void TSheetUndo::Redo() {
    if (RedoList.empty()) {
        Notify(Owner.OnCantRedo);
        return;
    }
    MoveFiles(RedoList.front()->FileMoves, true);
    Owner.SetUpdateMode(TSheetDocument::TUpdateMode::Restoring);
    auto undo = TakeSnapshot(Owner, RedoList.front().get());
    undo->FileMoves = RedoList.front()->FileMoves;
    PushUndo(std::move(undo), false);
    const std::unique_ptr<TSheetSnapshot> top = std::move(RedoList.front());
    RedoList.pop_front();
    Restore(*top, Owner);
    FinishRestore();
    if (RedoList.empty())
        Notify(Owner.OnCantRedo);
}
