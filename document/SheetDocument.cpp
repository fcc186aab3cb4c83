#include "document/SheetDocument.h"

#include "base/TextUtil.h"

#include <algorithm>

TSheetDocument::TSheetDocument()
    : DefaultColors(LayerColorScheme(0)), History(std::make_unique<TSheetUndo>(*this)) {}

// The history goes first, silently, while the model it refers to still exists; an open drag
// step before it, never restoring a document that is going away.
TSheetDocument::~TSheetDocument() {
    History->DropPending();
    DragStep.reset();
    History.reset();
}

TSheetDocument::TChangeScope::TChangeScope(TSheetDocument& sheet) : Sheet(sheet) {
    if (Sheet.ChangeDepth++ == 0)
        Sheet.ReportedBefore = Sheet.ReportedState();
}

TSheetDocument::TChangeScope::~TChangeScope() {
    if (--Sheet.ChangeDepth == 0)
        Sheet.ReportChange();
}

TSheetDocument::TReportedState TSheetDocument::ReportedState() const {
    return {FrameCount(),    ShownFrameRows, AudioRows(),   LayerCount(),
            Model.Selection, Model.CurLayer, Model.CurFrame};
}

void TSheetDocument::ReportChange() {
    TSheetChange change = std::move(Gathered);
    Gathered = {};
    const TReportedState before = ReportedBefore;
    const TReportedState after = ReportedState();
    change.LayerCount = before.Layers != after.Layers;
    change.Frames = before.Frames != after.Frames || before.FrameRows != after.FrameRows ||
                    before.AudioRows != after.AudioRows;
    if (!(before.Selection == after.Selection) || before.CurLayer != after.CurLayer ||
        before.CurFrame != after.CurFrame) {
        const TCellRect& s = before.Selection;
        change.OldSelection = TCellRect{s.Left + 1, s.Top + 1, s.Right + 1, s.Bottom + 1};
    }
    if (OnChange && !change.Empty())
        OnChange(*this, change);
}

void TSheetDocument::NoteCells(const TCellRect& cells) {
    const TCellRect counted{cells.Left + 1, cells.Top + 1, cells.Right + 1, cells.Bottom + 1};
    if (!Gathered.Cells) {
        Gathered.Cells = counted;
        return;
    }
    TCellRect& all = *Gathered.Cells;
    all = {std::min(all.Left, counted.Left), std::min(all.Top, counted.Top),
           std::max(all.Right, counted.Right), std::max(all.Bottom, counted.Bottom)};
}

void TSheetDocument::NoteLayerProperties(std::int32_t layer) {
    auto& span = Gathered.LayerProperties;
    if (!span)
        span = TSheetChange::TLayerSpan{layer, layer};
    span->First = std::min(span->First, layer);
    span->Last = std::max(span->Last, layer);
}

std::int32_t TSheetDocument::CurrentLayer() const {
    return LayerCount() > 0 ? Model.CurLayer + 1 : 0;
}

std::int32_t TSheetDocument::CurrentFrame() const {
    return FrameCount() > 0 ? Model.CurFrame + 1 : 0;
}

TCellRect TSheetDocument::SelectedCells() const {
    const TCellRect& s = Model.Selection;
    return {s.Left + 1, s.Top + 1, s.Right + 1, s.Bottom + 1};
}

const TCel* TSheetDocument::CelAt(std::int32_t layer, std::int32_t frame) const {
    return Model.InSheet(layer - 1, frame - 1) ? Model.CelAt(layer - 1, frame - 1) : nullptr;
}

std::string TSheetDocument::CelName(std::int32_t layer, std::int32_t frame) const {
    const TCel* cel = CelAt(layer, frame);
    return cel ? cel->Name : std::string();
}

std::string TSheetDocument::LayerCaption(std::int32_t layer) const {
    return IsLayer(layer) ? Model.Layer(layer - 1).Caption : std::string();
}

std::string TSheetDocument::LayerFolder(std::int32_t layer) const {
    return IsLayer(layer) ? Model.Layer(layer - 1).Folder : std::string();
}

TLayerColors TSheetDocument::LayerColors(std::int32_t layer) const {
    return IsLayer(layer) ? Model.Layer(layer - 1).Colors : LayerColorScheme(0);
}

bool TSheetDocument::LayerVisible(std::int32_t layer) const {
    return IsLayer(layer) && Model.Layer(layer - 1).Visible;
}

std::string TSheetDocument::Phoneme(std::int32_t frame) const {
    return Model.Audio.Phoneme(frame - 1);
}

// The sound plays and exports while the audio column is shown, whether or not it could be read.
// Hiding the column only takes the sound out of play: saves keep it (StoredAudioFileName).
std::string TSheetDocument::AudioFileName() const {
    return AudioColumnShown ? Model.Audio.FileName : std::string();
}

bool TSheetDocument::HasAudio() const {
    return AudioColumnShown && Model.Audio.DurationMs > 0;
}

std::int32_t TSheetDocument::UsedFrameCount() const {
    std::int32_t used = 0;
    for (const auto& layer : Model.Layers)
        used = std::max(used, layer->UsedFrameCount());
    return used;
}

std::int32_t TSheetDocument::VisibleUsedFrameCount() const {
    std::int32_t used = 0;
    for (const auto& layer : Model.Layers) {
        if (layer->Visible)
            used = std::max(used, layer->UsedFrameCount());
    }
    return used;
}

std::vector<std::string> TSheetDocument::CelList() const {
    std::vector<std::string> lines;
    lines.reserve(Model.Cels.Count());
    for (const auto& cel : Model.Cels) {
        lines.push_back(cel->Name + ": " + std::to_string(cel->Col) + ", " + std::to_string(cel->Row) +
                        " - " + std::to_string(cel->Duration));
    }
    return lines;
}

void TSheetDocument::ClearSheet() {
    // The old sheet's steps would bring its cels back into the new one. An edit open around this
    // (a sheet opened by a drop) must not take the old sheet into the new one's history either,
    // nor bring it back when it fails later.
    History->DropPending();
    History->ClearHistory();
    const TChangeScope scope(*this);
    Gathered.Everything = true;
    while (Model.LayerCount() > 0)
        Model.DeleteLayer(Model.LayerCount() - 1);
    Model.Cels.Clear();
    Model.Audio.Clear();
    HideAudio();
    SetFrameRows(kDefaultFrameRows);
    Model.Selection = {};
    Raise(OnSheetCleared);
}

void TSheetDocument::AddLayer(const std::string& caption, const std::string& folder,
                              const TLayerColors& colors) {
    const std::string name =
        caption.empty() ? DefaultLayerText + " " + std::to_string(LayerCount() + 1) : caption;
    // Views show the new layer before its listeners run: they may open a dialog over it.
    {
        const TChangeScope scope(*this);
        Model.AddLayer(name, FolderPath(folder), colors, ShownFrameRows);
    }
    Raise(OnLayerAdded);
}

void TSheetDocument::DeleteLayer(std::int32_t layer) {
    if (!IsLayer(layer))
        return;
    TEditStep step(*History);
    {
        const TChangeScope scope(*this);
        Model.DeleteLayer(layer - 1);
    }
    step.Commit();
    Raise(OnLayerDeleted);
}

void TSheetDocument::PlaceCelAt(std::int32_t layer, std::int32_t frame, const std::string& name,
                                std::int32_t duration) {
    // Positions before the first layer or frame, and holds below one frame, name no cells at all.
    if (!IsLayer(layer) || frame < 1 || duration < 1)
        return;
    if (std::int64_t{frame} + duration - 1 > kMaxFrames) {
        Raise(OnMaxFrameError);
        return;
    }
    const TChangeScope scope(*this);
    TCellRect changed;
    Model.AddCel(layer - 1, frame - 1, name, duration, changed);
    NoteLayers(layer - 1, layer - 1);
    SetFrameRows(FrameCount());
}

void TSheetDocument::SetLayerCaption(std::int32_t layer, const std::string& text) {
    if (IsLayer(layer) && Model.Layer(layer - 1).Caption != text) {
        const TChangeScope scope(*this);
        Model.Layer(layer - 1).Caption = text;
        NoteLayerProperties(layer);
        Raise(OnModified);
    }
}

void TSheetDocument::SetLayerFolder(std::int32_t layer, const std::string& text) {
    // A folder without its separator would run into the cel names ("…/Documentswalk.png").
    const std::string folder = FolderPath(text);
    if (IsLayer(layer) && Model.Layer(layer - 1).Folder != folder) {
        const TChangeScope scope(*this);
        Model.Layer(layer - 1).Folder = folder;
        NoteLayerProperties(layer);
        Raise(OnModified);
    }
}

void TSheetDocument::SetLayerColors(std::int32_t layer, const TLayerColors& colors) {
    if (IsLayer(layer)) {
        const TChangeScope scope(*this);
        Model.Layer(layer - 1).Colors = colors;
        NoteLayerProperties(layer);
        NoteLayers(layer - 1, layer - 1);
        Raise(OnModified);
    }
}

void TSheetDocument::SetLayerVisible(std::int32_t layer, bool visible) {
    if (IsLayer(layer) && Model.Layer(layer - 1).Visible != visible) {
        const TChangeScope scope(*this);
        Model.Layer(layer - 1).Visible = visible;
        NoteLayerProperties(layer);
        Raise(OnModified);
    }
}

void TSheetDocument::SetPhoneme(std::int32_t frame, const std::string& text) {
    if (frame < 1)
        return;
    const TChangeScope scope(*this);
    if (frame > AudioRows()) {
        if (text.empty() || frame > kMaxFrames)
            return;
        SetAudioRowCount(frame);
    }
    if (Model.Audio.Phoneme(frame - 1) != text) {
        Model.Audio.SetPhoneme(frame - 1, text);
        Gathered.Sound = true;
        Raise(OnModified);
    }
}

void TSheetDocument::SelectCell(std::int32_t layer, std::int32_t frame) {
    if (!Model.InSheet(layer - 1, frame - 1))
        return;
    const TChangeScope scope(*this);
    Model.Selection = {layer - 1, frame - 1, layer - 1, frame - 1};
    Model.CurLayer = layer - 1;
    Model.CurFrame = frame - 1;
    if (OnSelect)
        OnSelect(*this, layer, frame);
    Raise(OnLayerChange);
}

void TSheetDocument::SetFps(std::int32_t fps) {
    if (!IsFrameRate(fps) || fps == Model.Fps)
        return;
    const TChangeScope scope(*this);
    Gathered.Sound = true;
    Model.SetFps(fps);
    if (AudioColumnShown)
        SetFrameRows(std::max(ShownFrameRows, AudioRows()));
}

void TSheetDocument::SetUpdateMode(TUpdateMode mode) {
    Mode = mode;
}

void TSheetDocument::SetCellSize(std::int32_t width, std::int32_t height) {
    Model.CellWidth = width;
    Model.CellHeight = height;
    for (const auto& cel : Model.Cels)
        cel->UpdateBounds(width, height);
}

void TSheetDocument::Undo() {
    if (Mode == TUpdateMode::Restoring)
        return;
    const TChangeScope scope(*this);
    const bool restores = History->UndoCount() > 0;
    History->Undo();
    if (restores)
        Raise(OnModified);
}

void TSheetDocument::Redo() {
    if (Mode == TUpdateMode::Restoring)
        return;
    const TChangeScope scope(*this);
    const bool restores = History->RedoCount() > 0;
    History->Redo();
    if (restores)
        Raise(OnModified);
}

void TSheetDocument::ClearAudio() {
    const TChangeScope scope(*this);
    TEditStep step(*History);
    Gathered.Sound = true;
    Model.ClearAudioData();
    step.Commit();
    Raise(OnModified);
}

void TSheetDocument::ClearPhonemes() {
    const TChangeScope scope(*this);
    TEditStep step(*History);
    Gathered.Sound = true;
    const std::int32_t used = Model.Audio.UsedPhonemeCount();
    for (std::int32_t i = 0; i < used; ++i)
        Model.Audio.SetPhoneme(i, std::string());
    step.Commit();
    Raise(OnModified);
}

void TSheetDocument::ClearAudioAndPhonemes() {
    TEditStep step(*History);
    ClearPhonemes();
    ClearAudio();
    step.Commit();
}

void TSheetDocument::ShowAudio() {
    SetAudioRowCount(ShownFrameRows);
    AudioColumnShown = true;
    Raise(OnShowAudio);
}

void TSheetDocument::HideAudio() {
    AudioColumnShown = false;
    Raise(OnHideAudio);
}

void TSheetDocument::SetAudioRowCount(std::int32_t rows) {
    // Phonemes past the last frame (kept when the sound is missing) are never cut away.
    rows = std::max(rows, Model.Audio.UsedPhonemeCount());
    Model.Audio.SetPhonemeCount(std::clamp(rows, 0, kMaxFrames));
}

void TSheetDocument::LoadAudio(const std::string& file) {
    const TChangeScope scope(*this);
    Gathered.Sound = true;
    if (AudioColumnShown) {
        for (auto& channel : Model.Audio.Peaks)
            channel.clear();
    } else {
        ShowAudio();
    }
    Model.Audio.FileName = file;
    Raise(OnModified);
    if (OnLoadAudio)
        OnLoadAudio(*this, file);
}

void TSheetDocument::AudioLoaded(TSoundTrack sound) {
    const TChangeScope scope(*this);
    Gathered.Everything = true;
    TSoundTrack& audio = Model.Audio;
    audio.Peaks = std::move(sound.Peaks);
    audio.Channels = sound.Channels;
    audio.SignedSamples = sound.SignedSamples;
    audio.WaveFile = std::move(sound.WaveFile);
    audio.DurationMs = sound.DurationMs;
    audio.Shortened = sound.Shortened;
    // Never fewer rows than the last phoneme needs: a short sound must not drop typed phonemes.
    const std::int32_t rows = std::min(kMaxFrames, std::max({Model.Audio.FramesCovered(Model.Fps),
                                                             FrameCount(), Model.Audio.UsedPhonemeCount()}));
    SetAudioRowCount(rows);
    if (LayerCount() > 0 && FrameCount() < AudioRows())
        Model.AddFrames(AudioRows() - FrameCount());
    SetFrameRows(AudioRows());
}

void TSheetDocument::RemoveAudio() {
    if (!AudioColumnShown)
        return;
    const TChangeScope scope(*this);
    Gathered.Sound = true;
    HideAudio();
    Model.Audio.Clear();
    SetAudioRowCount(kDefaultFrameRows);
}
