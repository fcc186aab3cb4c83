#pragma once

#include "document/SheetRecords.h"
#include "document/SheetData.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class TSheetDocument;

// One layer as an undo snapshot keeps it.
struct TLayerInfo {
    bool Visible = true;
    std::string Caption;
    TLayerColors Colors;
    std::string Folder;
    bool operator==(const TLayerInfo&) const = default;
};

// One layer's cels in frame order, shared by the snapshots in which the layer is alike.
using TLayerCels = std::shared_ptr<const std::vector<TCopyCel>>;

// The document as an undo snapshot keeps it. Cels carry absolute 0-based layer and first frame in
// ColOffset and RowOffset. Frame rate, cursor, selection, clipboard and frame count are not kept.
struct TUndoInfo {
    std::string AudioFile; // empty when the sheet had no sound
    std::string WaveFile;
    std::vector<TPhonemeData> Phonemes; // entry i: text of frame i + 1 and Row i; empty when none
    std::vector<TLayerCels> LayerCels;  // entry i: the cels of layer i
    std::vector<TLayerInfo> Layers;

    // Every cel, layer by layer.
    std::vector<TCopyCel> Cels() const;
};

// A drawing file an edit renamed: undo renames it back, redo forward again.
struct TFileMove {
    std::string From;
    std::string To;
};

class TSheetSnapshot {
public:
    TUndoInfo Info;
    std::vector<TFileMove> FileMoves; // made by the edit that followed this snapshot, in order
};

// Undo and redo by whole-document snapshots, at most Depth() of each. Notifications go out through
// the owner's OnCanUndo, OnCantUndo, OnCanRedo and OnCantRedo with the owner as sender.
class TSheetUndo {
public:
    explicit TSheetUndo(TSheetDocument& owner) : Owner(owner) {}
    ~TSheetUndo();
    TSheetUndo(const TSheetUndo&) = delete;
    TSheetUndo& operator=(const TSheetUndo&) = delete;

    static constexpr std::int32_t kMinDepth = 10;
    static constexpr std::int32_t kMaxDepth = 1000;
    std::int32_t Depth() const { return MaxSteps; }
    // Keeps at most `depth` steps of each kind (cut to kMinDepth..kMaxDepth); the oldest go first.
    void SetDepth(std::int32_t depth);

    // Copies the document: every layer and every cel once, and the sound and phonemes when the
    // sheet has sound. A layer whose cels are as in `like`'s layer of the same place shares that
    // layer's copy: an edit changes a layer or two, and a deep history of a full sheet would
    // otherwise hold a whole copy of it per step.
    static std::unique_ptr<TSheetSnapshot> TakeSnapshot(const TSheetDocument& sheet,
                                                        const TSheetSnapshot* like = nullptr);
    // Rebuilds the document from a snapshot and reports the whole sheet changed. Cels are placed
    // again in order, so equal-named neighbours join; the frame count only grows; phoneme slots
    // beyond the snapshot keep their text.
    static void Restore(const TSheetSnapshot& snapshot, TSheetDocument& sheet);

    void PushUndo(std::unique_ptr<TSheetSnapshot> snapshot, bool clearRedo);
    void PushRedo(std::unique_ptr<TSheetSnapshot> snapshot);
    void ClearRedo();
    void ClearHistory();
    // Remembers the document as it is when an edit starts, unless a snapshot is already pending or
    // the document is loading in bulk. TEditStep is the way to use these four.
    void CapturePending();
    // At the end of the edit: pushes the pending snapshot, if any, and forgets it.
    void PushPending();
    // An edit that changed nothing: forgets the pending snapshot.
    void DropPending() { Pending.reset(); }
    // An edit that threw: puts the document and the drawing files it renamed back as the pending
    // snapshot keeps them, then forgets it. Throws nothing; when the files cannot be renamed back
    // the document stays with them.
    void RestorePending() noexcept;
    bool HasPending() const { return Pending != nullptr; }
    // The open edit renamed a drawing file; its undo step will rename it back.
    void NoteFileMove(const TFileMove& move);
    // Undo and redo move the step's drawing files first; when that fails they throw ECwError and
    // the document and the files stay as they were.
    void Undo();
    void Redo();

    std::size_t UndoCount() const { return UndoList.size(); }
    std::size_t RedoCount() const { return RedoList.size(); }

private:
    void Notify(const std::function<void(TSheetDocument&)>& event);
    // Renames the files of a step back (undo) or forward (redo); on failure the ones already
    // renamed go back and ECwError is thrown.
    static void MoveFiles(const std::vector<TFileMove>& moves, bool forward);
    // After a restore: frame rows, repaint, normal updates.
    void FinishRestore();
    void TrimLists();
    // The snapshot on top of the undo stack, or null.
    const TSheetSnapshot* Newest() const;

    TSheetDocument& Owner;
    std::deque<std::unique_ptr<TSheetSnapshot>> RedoList; // most recent first
    std::deque<std::unique_ptr<TSheetSnapshot>> UndoList; // most recent first
    std::unique_ptr<TSheetSnapshot> Pending;
    bool Destroying = false;
    std::int32_t MaxSteps = kMinDepth;
};
