#include "document/XsUndo.h"

#include "document/XsDocument.h"

#include <algorithm>

namespace {
bool HoldsSound(const TXSheetData& data) {
    return data.Audio.DurationMs > 0;
}
} // namespace

TXsUndoManager::~TXsUndoManager() {
    Destroying = true;
    ClearHistory();
}

std::unique_ptr<TXsSnapshot> TXsUndoManager::TakeSnapshot(const TXsDocument& sheet) {
    auto snapshot = std::make_unique<TXsSnapshot>();
    TUndoInfo& info = snapshot->Info;
    const TXSheetData& data = sheet.Data();
    if (data.LayerCount() > 0) {
        info.Layers.reserve(static_cast<std::size_t>(data.LayerCount()));
        info.Cels.reserve(data.Cels.Count());
        for (std::int32_t col = 0; col < data.LayerCount(); ++col) {
            const TXsLayerData& layer = data.Layer(col);
            info.Layers.push_back({layer.Visible, layer.Caption, layer.Colors, layer.Folder});
            for (std::int32_t frame = 0; frame < layer.FrameCount();) {
                const TXsCel* cel = layer.Slot(frame);
                if (!cel) {
                    ++frame;
                    continue;
                }
                info.Cels.push_back({cel->Name, cel->Duration, col, cel->Row});
                frame = cel->Row + cel->Duration;
            }
        }
        info.CelCount = static_cast<std::int32_t>(info.Cels.size());
    }
    // A sound that was read belongs to the snapshot whether or not its column is shown: hiding the
    // column must not let an undo take the sound away.
    if (HoldsSound(data)) {
        const TXsAudioData& audio = data.Audio;
        info.AudioFile = audio.FileName;
        info.WaveFile = audio.WaveFile;
        info.Phonemes.resize(static_cast<std::size_t>(audio.UsedPhonemeCount()));
        for (std::int32_t i = 0; i < audio.UsedPhonemeCount(); ++i) {
            if (!audio.Phoneme(i).empty())
                info.Phonemes[static_cast<std::size_t>(i)] = {audio.Phoneme(i), i};
        }
    }
    return snapshot;
}

void TXsUndoManager::Restore(const TXsSnapshot& snapshot, TXsDocument& sheet) {
    const TUndoInfo& info = snapshot.Info;
    TXSheetData& data = sheet.Data();
    sheet.SetUpdateMode(TXsDocument::kUpdateRestoring);

    const auto layerCount = static_cast<std::int32_t>(info.Layers.size());
    while (data.LayerCount() < layerCount)
        data.AddLayer("", "", sheet.DefaultColors, sheet.FrameRows());
    while (data.LayerCount() > layerCount)
        data.DeleteLayer(data.LayerCount() - 1);

    for (std::int32_t col = 0; col < layerCount; ++col) {
        data.ClearLayer(col);
        const TLayerInfo& kept = info.Layers[static_cast<std::size_t>(col)];
        TXsLayerData& layer = data.Layer(col);
        layer.Caption = kept.Caption;
        layer.Folder = kept.Folder;
        layer.Colors = kept.Colors;
        layer.Visible = kept.Visible;
    }
    TCellRect changed;
    for (std::int32_t i = 0; i < info.CelCount; ++i) {
        const TCopyCel& cel = info.Cels[static_cast<std::size_t>(i)];
        data.AddCel(cel.ColOffset, cel.RowOffset, cel.Name, cel.Duration, changed);
    }

    if (HoldsSound(data) && info.AudioFile.empty())
        data.ClearAudioData();
    else if (!HoldsSound(data) && !info.AudioFile.empty() && info.AudioFile != data.Audio.FileName)
        sheet.LoadAudio(info.AudioFile);

    const auto phonemes = static_cast<std::int32_t>(info.Phonemes.size());
    if (data.Audio.PhonemeCount() < phonemes)
        data.Audio.SetPhonemeCount(phonemes);
    for (std::int32_t j = 0; j < phonemes; ++j)
        data.Audio.SetPhoneme(j, info.Phonemes[static_cast<std::size_t>(j)].Text);
}

void TXsUndoManager::Notify(const std::function<void(TXsDocument&)>& event) {
    if (event)
        event(Owner);
}

void TXsUndoManager::SaveUndoState(bool clearRedo) {
    if (Owner.UpdateMode() == TXsDocument::kUpdateBulk)
        return;
    PushUndo(TakeSnapshot(Owner), clearRedo);
}

void TXsUndoManager::PushUndo(std::unique_ptr<TXsSnapshot> snapshot, bool clearRedo) {
    if (Owner.UpdateMode() == TXsDocument::kUpdateBulk)
        return;
    UndoList.push_front(std::move(snapshot));
    while (UndoList.size() > static_cast<std::size_t>(Depth))
        UndoList.pop_back();
    Notify(Owner.OnCanUndo);
    if (clearRedo)
        ClearRedo();
}

void TXsUndoManager::PushRedo(std::unique_ptr<TXsSnapshot> snapshot) {
    RedoList.push_front(std::move(snapshot));
    while (RedoList.size() > static_cast<std::size_t>(Depth))
        RedoList.pop_back();
    Notify(Owner.OnCanRedo);
}

void TXsUndoManager::ClearRedo() {
    RedoList.clear();
    if (!Destroying)
        Notify(Owner.OnCantRedo);
}

void TXsUndoManager::ClearHistory() {
    UndoList.clear();
    ClearRedo();
    if (!Destroying) {
        Notify(Owner.OnCantUndo);
        Notify(Owner.OnCantRedo);
    }
}

void TXsUndoManager::CapturePending() {
    if (!Pending)
        Pending = TakeSnapshot(Owner);
}

void TXsUndoManager::PushPending() {
    if (Pending)
        PushUndo(std::move(Pending), true);
    Pending.reset();
}

void TXsUndoManager::FinishRestore() {
    Owner.SetFrameRows(std::max(Owner.FrameCount(), TXsDocument::kDefaultFrameRows));
    Owner.SetUpdateMode(TXsDocument::kUpdateNormal);
}

void TXsUndoManager::Undo() {
    if (UndoList.empty()) {
        Notify(Owner.OnCantUndo);
        return;
    }
    Owner.SetUpdateMode(TXsDocument::kUpdateRestoring);
    PushRedo(TakeSnapshot(Owner));
    const std::unique_ptr<TXsSnapshot> top = std::move(UndoList.front());
    UndoList.pop_front();
    Restore(*top, Owner);
    FinishRestore();
    if (UndoList.empty())
        Notify(Owner.OnCantUndo);
}

void TXsUndoManager::Redo() {
    if (RedoList.empty()) {
        Notify(Owner.OnCantRedo);
        return;
    }
    Owner.SetUpdateMode(TXsDocument::kUpdateRestoring);
    SaveUndoState(false);
    const std::unique_ptr<TXsSnapshot> top = std::move(RedoList.front());
    RedoList.pop_front();
    Restore(*top, Owner);
    FinishRestore();
    if (RedoList.empty())
        Notify(Owner.OnCantRedo);
}
