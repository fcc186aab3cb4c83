#pragma once

#include "document/DialogueFile.h"
#include "document/EditStep.h"
#include "document/MouthChart.h"
#include "document/SheetChange.h"
#include "document/SheetData.h"
#include "document/SheetKeys.h"
#include "document/SheetUndo.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// The exposure sheet as the rest of the program sees it: the model, the little view state the
// document depends on (frame rows shown, the audio column and its rows, the update mode) and the
// events of the sheet control. The sheet widget owns one and forwards to it.
//
// The commands here are the only writers of the sheet: each reports what it changed through
// OnChange, so views stay current whoever ran the command. Data() is for reading.
//
// Everything here counts layers and frames from 1 (layer 1 is the leftmost, frame 1 the top row).
class TSheetDocument {
public:
    using TNotifyEvent = std::function<void(TSheetDocument& sender)>;
    using TSelectCelEvent =
        std::function<void(TSheetDocument& sender, std::int32_t layer, std::int32_t frame)>;
    using TChangeEvent = std::function<void(TSheetDocument& sender, const TSheetChange& change)>;

    // Update modes.
    enum class TUpdateMode : std::int32_t {
        Normal = 1,
        Bulk = 2,      // loading a file: no repaint, no undo snapshots (ClearSheet ends the history)
        Restoring = 5, // undo or redo restoring a snapshot
    };

    // Frame rows shown by an empty sheet.
    static constexpr std::int32_t kDefaultFrameRows = 40;

    TSheetDocument();
    ~TSheetDocument();
    TSheetDocument(const TSheetDocument&) = delete;
    TSheetDocument& operator=(const TSheetDocument&) = delete;

    // Events; the document itself is the sender.
    // What a command changed, once it has ended (commands run by commands report with it).
    TChangeEvent OnChange;
    TSelectCelEvent OnSelect;
    TNotifyEvent OnLayerChange;
    TNotifyEvent OnLayerAdded;
    TNotifyEvent OnLayerDeleted;
    TNotifyEvent OnMaxFrameError;
    TNotifyEvent OnShowAudio;
    TNotifyEvent OnHideAudio;
    TNotifyEvent OnCanPaste;
    TNotifyEvent OnCanUndo; // also the sign that the document changed
    // A change that takes no undo snapshot of its own (undo and redo, a layer shown or hidden, a
    // setter called directly, a sound loaded): together with OnCanUndo it tells every change.
    TNotifyEvent OnModified;
    TNotifyEvent OnCantUndo;
    TNotifyEvent OnCanRedo;
    TNotifyEvent OnCantRedo;
    // After ClearSheet: views drop what they showed of the old sheet (an open editor, the scroll).
    TNotifyEvent OnSheetCleared;
    // LoadAudio named a sound file: the view's audio loader reads it (opening a sheet, undo and redo
    // come through here too).
    std::function<void(TSheetDocument& sender, const std::string& file)> OnLoadAudio;

    // Caption stem of new layers ("Layer" gives "Layer 3") and the scheme they get.
    std::string DefaultLayerText = "Layer";
    TLayerColors DefaultColors;

    const TSheetData& Data() const { return Model; }

    // Queries.
    std::int32_t LayerCount() const { return Model.LayerCount(); }
    std::int32_t FrameCount() const { return Model.FrameCount(); }
    std::int32_t CurrentLayer() const; // 0 without layers
    std::int32_t CurrentFrame() const; // 0 without frames
    TCellRect SelectedCells() const;
    const TCel* CelAt(std::int32_t layer, std::int32_t frame) const; // none outside the sheet
    std::string CelName(std::int32_t layer, std::int32_t frame) const;
    std::string LayerCaption(std::int32_t layer) const;
    std::string LayerFolder(std::int32_t layer) const;
    TLayerColors LayerColors(std::int32_t layer) const; // "Orange" when not a layer
    bool LayerVisible(std::int32_t layer) const;
    std::string Phoneme(std::int32_t frame) const;
    // The sound in play: the sound file's name while the audio column is shown, else empty.
    std::string AudioFileName() const;
    // The sound file the sheet keeps, whether or not its column is shown: what a save writes.
    std::string StoredAudioFileName() const { return Model.Audio.FileName; }
    bool HasAudio() const;
    std::int32_t UsedFrameCount() const;
    std::int32_t VisibleUsedFrameCount() const;
    bool IsEmpty() const { return UsedFrameCount() <= 0; }
    std::int32_t Fps() const { return Model.Fps; }
    // One line per cel in the order they were made: "name: layer, frame - hold", layer and frame
    // counted from 0.
    std::vector<std::string> CelList() const;

    // Cel pictures (SheetDocumentPictures.cpp). A cel's file is its layer's folder followed directly by
    // its name; the name's extension (".jpg", ".jpeg", ".png", ".bmp", any case) picks the decoder.
    // A cel covers the frame, the layer's folder is a directory and folder + name is a file.
    bool CelImageExists(std::int32_t layer, std::int32_t frame) const;
    // The file GetCelImage decodes: folder + name, or when that is missing the target of a
    // symbolic link named folder + name + ".lnk". Empty when there is no such file, no cel, no
    // folder, or the name has none of the picture extensions.
    std::string CelImageFile(std::int32_t layer, std::int32_t frame) const;
    // A cel covers the frame and its drawing is on disk neither as folder + name nor through a
    // working ".lnk" link: whatever its name, nothing of it can be shown.
    bool CelDrawingMissing(std::int32_t layer, std::int32_t frame) const;
    // Decodes that file into `picture`, by the cel name's extension; false, leaving `picture`
    // alone, when CelImageFile is empty. Throws ECwError naming the file when it cannot be
    // decoded. Changes nothing in the document, so threads may read different cels at once.
    bool ReadCelImage(std::int32_t layer, std::int32_t frame, class TPicture& picture) const;
    // The decoded drawing of the cel covering the frame, or null when CelImageFile is empty. The
    // picture belongs to the document and is valid until the next call: copy it to keep it.
    // Throws as ReadCelImage. Nothing is cached.
    const TPicture* GetCelImage(std::int32_t layer, std::int32_t frame);
    // Replaces `list` with folder + name of every cel covering a cell of `cells` (1-based, cut to
    // the sheet), layer by layer and top to bottom, each cel once.
    void CelImagePaths(const TCellRect& cells, std::vector<std::string>& list) const;

private:
    // The file a cel's drawing is read from (see CelImageFile), whatever its extension; empty when
    // there is none.
    std::string CelDrawingFile(const TCel& cel) const;
    std::shared_ptr<TPicture> CelPicture; // the shared lookup picture, made on first use

public:
    // View state.
    std::int32_t FrameRows() const { return ShownFrameRows; }
    bool AudioShown() const { return AudioColumnShown; }
    // The audio column has one row per phoneme slot.
    std::int32_t AudioRows() const { return Model.Audio.PhonemeCount(); }
    TUpdateMode UpdateMode() const { return Mode; }

    // Commands that build a sheet (loaders, the command line, other commands). None takes an undo
    // step of its own: run inside an editing command or RunAsOneStep, they belong to its step.
    // ClearSheet starts a new sheet: its undo and redo history is empty.
    void ClearSheet();
    void AddLayer(const std::string& caption, const std::string& folder, const TLayerColors& colors);
    void PlaceCelAt(std::int32_t layer, std::int32_t frame, const std::string& name, std::int32_t duration);
    void SetLayerCaption(std::int32_t layer, const std::string& text);
    void SetLayerFolder(std::int32_t layer, const std::string& text);
    void SetLayerColors(std::int32_t layer, const TLayerColors& colors);
    void SetLayerVisible(std::int32_t layer, bool visible);
    void SetPhoneme(std::int32_t frame, const std::string& text);
    void SelectCell(std::int32_t layer, std::int32_t frame);
    void SetFps(std::int32_t fps);
    void SetUpdateMode(TUpdateMode mode);

    // Cell size in pixels: cels keep their pixel bounds and follow it.
    void SetCellSize(std::int32_t width, std::int32_t height);

    // Undo and redo; they do nothing while a restore is under way.
    void Undo();
    void Redo();
    TSheetUndo& UndoManager() { return *History; }

    // Selecting with the pointer. These raise no OnSelect: the part that took the click reports it.
    // Puts the cursor and a one-cell selection on the cell.
    void MoveCursorTo(std::int32_t layer, std::int32_t frame);
    // Selects from the cursor to the cell; the cursor stays.
    void ExtendSelectionTo(std::int32_t layer, std::int32_t frame);
    // Puts the cursor on the cell and selects from it down to the layer's last drawing.
    void SelectToLayerEnd(std::int32_t layer, std::int32_t frame);
    // Selects the layer's drawings from its first to its last; the cursor goes to the first.
    void SelectLayerCels(std::int32_t layer);
    // Selects the whole cel covering the cell, the cursor on its first frame.
    void SelectCel(std::int32_t layer, std::int32_t frame);
    // Widens the selection in its left layer to whole cels; true when it changed.
    bool SnapSelectionToCels();

    // Dragging in the grid. However many steps a drag takes, it is one undo step: the first step
    // that changes the sheet opens it and EndDrag commits it.
    // Moves the selected block, the cursor with it, so its top-left cell lands on the cell; false
    // when the block cannot go there.
    bool DragBlockTo(std::int32_t layer, std::int32_t frame);
    // Holds the cel covering the cell until `lastFrame` (callers keep the frames below it free)
    // and puts the cursor on that frame.
    void StretchHold(std::int32_t layer, std::int32_t frame, std::int32_t lastFrame);
    void EndDrag();
    // Joins the cels on the selection's top and bottom rows with equal-named neighbours.
    void MergeSelectionEdges();

    // Editing commands: each is one undo step, and a step inside another belongs to the outer one.
    // One that throws leaves the sheet as it was before it (see TEditStep).
    // Runs `edit`, made of this document's commands, as one undo step, committed when it returns.
    void RunAsOneStep(const std::function<void()>& edit);
    // Adds `count` empty frames (at most up to the frame limit).
    void AddFrames(std::int32_t count);
    // Adds a layer after the last with the default caption and colours, its drawings in `folder`,
    // and puts the cursor on its first frame; OnLayerAdded's listeners run inside the step.
    void AppendLayer(const std::string& folder);
    void DeleteLayer(std::int32_t layer);
    // Gives the layer a folder and a caption (an empty text keeps the layer's) and a colour scheme.
    void ChangeLayerProperties(std::int32_t layer, const std::string& caption, const std::string& folder,
                               const TLayerColors& colors);
    // Places `name` at `frame` of `layer` held `hold` frames, cut to what the sheet can hold
    // (HoldThatFits), growing the sheet so that frame + hold exists where the sheet allows.
    // Returns the hold placed.
    std::int32_t PlaceHeldCel(std::int32_t layer, std::int32_t frame, const std::string& name, std::int32_t hold);
    // Places dropped drawings one after another from the cell on, each held `hold` frames; one
    // that would pass the last frame is left out (OnMaxFrameError). Returns the frame after the
    // last one's place.
    std::int32_t PlaceDroppedCels(std::int32_t layer, std::int32_t frame, const std::vector<std::string>& names,
                                  std::int32_t hold);
    // Holds the cursor's cel one frame longer (or opens one more empty frame at an empty cursor
    // frame); with ripple the rest of the layer moves down to make room.
    void ExtendHold(bool ripple);
    // Holds the cursor's cel one frame shorter (or removes the empty cursor frame); with ripple
    // the rest of the layer closes up.
    void ShortenHold(bool ripple);
    // Holds the cursor's cel `frames` frames.
    void SetHold(std::int32_t frames, bool ripple);
    // Opens an empty frame at a cel's first frame, or lengthens the hold the cursor is in.
    void InsertFrame();
    // Removes the selected frames from the selected layers; later cels of those layers move up.
    void DeleteFrames();
    void CopySelection();
    void CutSelection();
    // Pastes with the block's top-left cell on the selection's.
    void PasteAtSelection();
    // Moves the cursor to a one-cell selection; `pageRows` is how far PageUp and PageDown go.
    void MoveCursor(TCursorDirection direction, std::int32_t pageRows = 1);
    // Runs what a key of the sheet asks for.
    void RunKeyCommand(const TSheetKeyCommand& command);

    // Commits of the in-place editor, given the typed text (layer and frame count from 1).
    // A cel name must be a file name in the layer's folder; returns why a name is refused, or an
    // empty text.
    std::string CommitCelName(std::int32_t layer, std::int32_t frame, const std::string& text);
    // Renames the image file of the cel covering the frame inside its layer's folder, and with it
    // every cel that shows that drawing, as one undo step that renames the file back on undo.
    // Returns the message to show the user, or an empty text when there is none.
    std::string CommitImageRename(std::int32_t layer, std::int32_t frame, const std::string& text);
    void CommitLayerCaption(std::int32_t layer, const std::string& text);
    void CommitPhoneme(std::int32_t frame, const std::string& text);

    // The audio column.
    void ShowAudio();
    void HideAudio();
    // Sets the audio column's rows (at most the frame limit, never fewer than the last phoneme
    // that is not empty needs) and the phoneme slots with them.
    void SetAudioRowCount(std::int32_t rows);
    // Makes `file` the sheet's sound file and shows the audio column, then raises OnLoadAudio.
    // Reading the sound itself is the audio loader's work; until it has read the file the name is
    // kept, so a sheet whose sound file is missing keeps it and its phonemes when saved again.
    void LoadAudio(const std::string& file);
    // After the loader has read the sound into `sound`: the sheet takes its waveform, length and
    // the WAV file read (not its name or phonemes). The audio column gets a row per frame the sound
    // spans at the frame rate, or per frame of the sheet when that is more (at most the frame
    // limit); a sheet with layers grows to that many frames, and the frame rows follow the audio rows.
    void AudioLoaded(TSoundTrack sound);
    // Only while the audio column is shown: hides it and forgets the sound and the phonemes; the
    // column keeps 40 rows.
    void RemoveAudio();
    // Forgets the sound (the phonemes stay), the phonemes, or both; each one undo step.
    void ClearAudio();
    void ClearPhonemes();
    void ClearAudioAndPhonemes();

    // Lip-sync (SheetDocumentLipSync.cpp); each is one undo step.
    // Stores a dialogue breakdown's phonemes on their frames and shows the audio column. The phonemes
    // from the first cue's frame to the last one's are replaced, so frames between keep theirs empty.
    // Returns the cues left out because they lie past the frame limit.
    std::vector<TPhonemeCue> ImportPhonemes(const std::vector<TPhonemeCue>& cues);
    // Replaces the layer's cels, from the first phoneme (from frame 1 when the chart has a rest
    // drawing) to the last frame of the sound or of the phonemes, with the chart's drawing for each
    // phoneme, held until the next one; equal drawings in a row become one cel. Returns the phonemes
    // that have no drawing and no rest to stand for them (their frames stay empty), each once.
    // Throws ECwError when the layer does not exist or the sheet has no phonemes.
    std::vector<std::string> ApplyLipSync(std::int32_t layer, const TMouthChart& chart);

private:
    friend class TSheetUndo;
    friend struct TSheetTestAccess; // tests set up sheets in the model (testsupport/SheetTestAccess.h)

    // Opened by every command that changes the sheet; the outermost one reports what changed.
    class TChangeScope {
    public:
        explicit TChangeScope(TSheetDocument& sheet);
        ~TChangeScope();
        TChangeScope(const TChangeScope&) = delete;
        TChangeScope& operator=(const TChangeScope&) = delete;

    private:
        TSheetDocument& Sheet;
    };
    // What a change report finds out by itself, by comparing before and after.
    struct TReportedState {
        std::int32_t Frames = 0;
        std::int32_t FrameRows = 0;
        std::int32_t AudioRows = 0;
        std::int32_t Layers = 0;
        TCellRect Selection;
        std::int32_t CurLayer = 0;
        std::int32_t CurFrame = 0;
        bool operator==(const TReportedState&) const = default;
    };
    TReportedState ReportedState() const;
    void ReportChange();
    // Notes cels that may look different (0-based), or whole layers first..last.
    void NoteCells(const TCellRect& cells);
    void NoteLayers(std::int32_t first, std::int32_t last) { NoteCells({first, 0, last, kMaxFrames - 1}); }
    void NoteLayerProperties(std::int32_t layer);
    // Opens the drag's undo step unless it is open.
    void OpenDragStep();

    bool IsLayer(std::int32_t layer) const { return layer >= 1 && layer <= LayerCount(); }
    void SetFrameRows(std::int32_t rows) { ShownFrameRows = rows; }
    // Grows the sheet to `frames` frames (at most the limit); the frame rows follow.
    void GrowSheetTo(std::int32_t frames);
    // Moves the cels of the cursor's layer from frame `from` (0-based) on by `offset` frames.
    void ShiftLayerFrom(std::int32_t from, std::int32_t offset);
    // Puts the cursor and a single-cell selection on a frame of the cursor's layer (0-based).
    void PlaceCursorAt(std::int32_t frame);
    void SyncFrameRowsAfterPaste();
    void Raise(const TNotifyEvent& event) {
        if (event)
            event(*this);
    }

    TSheetData Model;
    std::unique_ptr<TSheetUndo> History;
    std::unique_ptr<TEditStep> DragStep; // open from a drag's first change to its end
    std::int32_t ChangeDepth = 0;
    TReportedState ReportedBefore;
    TSheetChange Gathered;
    std::int32_t ShownFrameRows = kDefaultFrameRows;
    bool AudioColumnShown = false;
    TUpdateMode Mode = TUpdateMode::Normal;
};
