#pragma once

#include <cstdint>
#include <string>
#include <vector>

class TSheetDocument;

// Frames first to last of a layer, both counted from 1 and included.
struct TFrameRun {
    std::int32_t First = 0;
    std::int32_t Last = 0;
};

// A drawing a visible layer names that is not on disk, and where the sheet exposes it.
struct TMissingDrawing {
    std::string File;         // the layer's folder followed by the cel name
    std::int32_t Layer = 0;   // counted from 1
    std::string LayerCaption;
    std::vector<TFrameRun> Frames; // ascending, neither touching nor overlapping
};

// The drawings of visible layers exposed on frames `first` to `last` (1-based, cut to the sheet)
// whose file is missing, each file of a layer once, layer by layer in order of their first frame.
// A rendered frame shows white paper where these lie.
std::vector<TMissingDrawing> FindMissingDrawings(const TSheetDocument& sheet, std::int32_t first,
                                                 std::int32_t last);

// "3", "3-5" or "3-5, 9": the runs as a reader writes them.
std::string FrameRunsText(const std::vector<TFrameRun>& runs);

// The list as celwright-cli gives it, one drawing a line:
//   /path/Ink/walk01.png (layer 1 "Ink", frames 3-5, 9)
// (the caption in quotes only when the layer has one).
std::string MissingDrawingsReport(const std::vector<TMissingDrawing>& missing);
