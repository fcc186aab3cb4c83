#pragma once

#include "document/SheetObjects.h"

#include <cstdint>
#include <optional>

// What one document command changed, reported once when the outermost command ends, so that a
// view repaints exactly that without being told by whoever called the command. Layers and frames
// count from 1.
struct TSheetChange {
    struct TLayerSpan {
        std::int32_t First = 0;
        std::int32_t Last = 0;
    };

    // Anything may have changed: views redraw everything.
    bool Everything = false;
    // Cels in these cells may have changed (rows may reach past the last frame).
    std::optional<TCellRect> Cells;
    // Layers whose caption, colours or visibility changed.
    std::optional<TLayerSpan> LayerProperties;
    // Layers were added or removed.
    bool LayerCount = false;
    // The frame count, the frame rows shown or the audio rows changed.
    bool Frames = false;
    // The sound, its phonemes or the frame rate changed.
    bool Sound = false;
    // The selection or the cursor moved; this is the selection it had before.
    std::optional<TCellRect> OldSelection;

    bool Empty() const {
        return !Everything && !Cells && !LayerProperties && !LayerCount && !Frames && !Sound && !OldSelection;
    }
};
