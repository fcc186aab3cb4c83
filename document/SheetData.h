#pragma once

#include "document/SheetObjects.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// The highest number of frames a sheet can have.
inline constexpr std::int32_t kMaxFrames = 1637;

// The part of a hold from `frame` (from 1, at most kMaxFrames) that the sheet can hold: cut so
// the cel ends on frame kMaxFrames at the latest; a hold below 1 counts as 1.
inline constexpr std::int32_t HoldThatFits(std::int32_t frame, std::int32_t hold) {
    return std::min(std::max(hold, 1), kMaxFrames - frame + 1);
}

// The longest sound a sheet at `fps` frames a second can use: all its frames and a second more.
// Sound past it is never read, so a small file that decodes to hours costs nothing.
inline constexpr std::int64_t LongestSoundMs(std::int32_t fps) {
    return (fps > 0 ? std::int64_t{kMaxFrames} * 1000 / fps : 0) + 1000;
}

// One cel of a copied block, placed relative to the block's top-left cell. Undo snapshots use the
// same record with absolute layer and frame indexes as offsets.
struct TCopyCel {
    std::string Name;
    std::int32_t Duration = 0;
    std::int32_t ColOffset = 0;
    std::int32_t RowOffset = 0;
    bool operator==(const TCopyCel&) const = default;
};

// The exposure sheet in memory: layers of frame slots, the cels, the sound track with its phonemes,
// the cursor, the selection and the internal clipboard. Layers and frames count from 0 here.
// Layer and frame arguments must lie inside the sheet unless an operation says otherwise.
class TSheetData {
public:
    TSheetData();
    ~TSheetData();
    TSheetData(const TSheetData&) = delete;
    TSheetData& operator=(const TSheetData&) = delete;

    TCelList Cels; // owns every cel; the layers' slots refer to them

    std::int32_t CellWidth = 110; // pixel size of a grid cell
    std::int32_t CellHeight = 20;
    TSoundTrack Audio;
    std::vector<std::unique_ptr<TLayer>> Layers;
    std::vector<TCopyCel> Clipboard;
    TCellRect ClipRect;         // (0, 0, width - 1, height - 1) of the last copied block
    std::int32_t ClipCount = 0; // entries of Clipboard in use
    std::int32_t Fps = 24;
    TCellRect Selection;
    std::int32_t CurLayer = 0;
    std::int32_t CurFrame = 0;

    std::int32_t LayerCount() const { return static_cast<std::int32_t>(Layers.size()); }
    // Slot count of layer 0; 0 without layers.
    std::int32_t FrameCount() const { return Layers.empty() ? 0 : Layers.front()->FrameCount(); }
    bool InSheet(std::int32_t col, std::int32_t row) const;
    // Read-only through a const sheet: only the document writes the sheet.
    const TLayer& Layer(std::int32_t col) const { return *Layers[static_cast<std::size_t>(col)]; }
    TLayer& Layer(std::int32_t col) { return *Layers[static_cast<std::size_t>(col)]; }
    const TCel* CelAt(std::int32_t col, std::int32_t row) const { return Layer(col).Slot(row); }
    TCel* CelAt(std::int32_t col, std::int32_t row) { return Layer(col).Slot(row); }
    // Highest / lowest occupied frame of the layer; 0 when the layer is empty.
    std::int32_t LastUsedFrame(std::int32_t col) const;
    std::int32_t FirstUsedFrame(std::int32_t col) const;

    // Appends `count` empty slots to every layer; callers keep the frame limit.
    void AddFrames(std::int32_t count);
    // Appends a visible layer. It gets as many slots as the other layers, or `rowsShown` when it is
    // the first one.
    TLayer& AddLayer(const std::string& caption, const std::string& folder, const TLayerColors& colors,
                           std::int32_t rowsShown);
    // Places a new cel; ignored unless col < LayerCount and row < kMaxFrames. The hold is cut so the
    // cel ends on the last frame at the latest. `changed` receives the cells that changed.
    TCel* AddCel(std::int32_t col, std::int32_t row, const std::string& name, std::int32_t duration,
                   TCellRect& changed);
    // Inserts a cel whose position, hold and name are set: grows the sheet so one empty frame follows
    // it (up to the limit), cuts away what was under it, links it and joins equal-named neighbours.
    // Returns the resulting cel; `changed` receives its extent.
    TCel* PlaceCel(std::unique_ptr<TCel> cel, TCellRect& changed);
    // Removes every cel's coverage from the rectangle, splitting cels that stick out of it.
    // True when any slot was emptied.
    bool ClearRegion(const TCellRect& rect);
    void DeleteCel(TCel* cel);
    void ClearLayer(std::int32_t col);
    // Removes the layer and its cels and moves the selection and cursor after it.
    void DeleteLayer(std::int32_t col);
    // Cuts the rectangle to the sheet; an empty result becomes (0, 0, 0, 0).
    TCellRect ClampRect(const TCellRect& rect) const;

    void CopyRegion(const TCellRect& rect);
    void CutRegion(const TCellRect& rect);
    // Pastes the clipboard with its top-left cell at (col, row); returns how many frames the sheet
    // grew by.
    std::int32_t PasteAt(std::int32_t col, std::int32_t row);

    // Joins the cel with a directly adjacent cel of exactly the same name above and below.
    // Returns the cel that remains; `changed` receives its extent.
    TCel* MergeNeighbours(TCel* cel, TCellRect& changed);
    // Merges the cels on the top and bottom row of each layer of the rectangle with their
    // neighbours; returns the extent of each merged cel.
    std::vector<TCellRect> MergeAtEdges(const TCellRect& rect);

    void MoveCel(TCel* cel, std::int32_t col, std::int32_t row);
    // Moves the cels that lie wholly inside the rectangle (those that start in it and end at or
    // above its bottom) so its top-left cell lands on (destCol, destRow). With moveCursor, the
    // cursor and the rectangle move by the same offset.
    void MoveBlock(TCellRect& rect, std::int32_t destCol, bool moveCursor, std::int32_t destRow);
    // Writes the cel into its slots.
    void LinkCel(TCel* cel);
    // Empties the slots of the rectangle that still refer to the cel, and no others.
    void UnlinkCel(TCel* cel, const TCellRect& rect);
    // Sets the hold, writing over or emptying the slots below the cel. Callers make room first.
    void SetCelDuration(TCel* cel, std::int32_t duration, TCellRect& changed);

    // True when a block the size of `rect` fits at (col, row) and every destination cell outside
    // `rect` itself is empty.
    bool CanDropBlock(const TCellRect& rect, std::int32_t col, std::int32_t row) const;
    // Widens the selection in its left layer to whole cels; true when it changed.
    bool SnapSelectionToCels();

    // Changes the frame rate; the phoneme slots cover the sound at the new rate and the sheet grows
    // to match when it has fewer frames.
    void SetFps(std::int32_t fps);
    // Forgets the sound (names, waveform, channels, length); the phonemes stay.
    void ClearAudioData();
    // Sets the layer of every cel in layer `layer` to `col`.
    void RenumberLayer(TLayer& layer, std::int32_t col);

private:
    void UpdateCelBounds(TCel* cel) const { cel->UpdateBounds(CellWidth, CellHeight); }
    void ClearSlots(std::int32_t col, std::int32_t first, std::int32_t last);
};
