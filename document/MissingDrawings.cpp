#include "document/MissingDrawings.h"

#include "document/SheetDocument.h"

#include <algorithm>

std::vector<TMissingDrawing> FindMissingDrawings(const TSheetDocument& sheet, std::int32_t first,
                                                 std::int32_t last) {
    std::vector<TMissingDrawing> missing;
    first = std::max(first, 1);
    last = std::min(last, sheet.FrameCount());
    for (std::int32_t layer = 1; layer <= sheet.LayerCount(); ++layer) {
        if (!sheet.LayerVisible(layer))
            continue;
        const std::size_t layerStart = missing.size();
        std::int32_t frame = first;
        while (frame <= last) {
            const TCel* cel = sheet.CelAt(layer, frame);
            if (!cel) {
                ++frame;
                continue;
            }
            // A held cel covers its frames in one piece, so one look at the disk serves them all.
            const std::int32_t runEnd = std::min(cel->LastFrame() + 1, last);
            if (sheet.CelDrawingMissing(layer, frame)) {
                const std::string file = sheet.LayerFolder(layer) + cel->Name;
                auto same = std::find_if(missing.begin() + static_cast<std::ptrdiff_t>(layerStart), missing.end(),
                                         [&](const TMissingDrawing& drawing) { return drawing.File == file; });
                if (same == missing.end()) {
                    missing.push_back({file, layer, sheet.LayerCaption(layer), {}});
                    same = missing.end() - 1;
                }
                // Two cels of one drawing one after another read as one run.
                if (!same->Frames.empty() && same->Frames.back().Last + 1 == frame)
                    same->Frames.back().Last = runEnd;
                else
                    same->Frames.push_back({frame, runEnd});
            }
            frame = runEnd + 1;
        }
    }
    return missing;
}

std::string FrameRunsText(const std::vector<TFrameRun>& runs) {
    std::string text;
    for (const TFrameRun& run : runs) {
        if (!text.empty())
            text += ", ";
        text += std::to_string(run.First);
        if (run.Last != run.First)
            text += "-" + std::to_string(run.Last);
    }
    return text;
}

std::string MissingDrawingsReport(const std::vector<TMissingDrawing>& missing) {
    std::string report;
    for (const TMissingDrawing& drawing : missing) {
        const bool several = drawing.Frames.size() > 1 || drawing.Frames.front().First != drawing.Frames.front().Last;
        report += drawing.File + " (layer " + std::to_string(drawing.Layer);
        if (!drawing.LayerCaption.empty())
            report += " \"" + drawing.LayerCaption + "\"";
        report += std::string(several ? ", frames " : ", frame ") + FrameRunsText(drawing.Frames) + ")\n";
    }
    return report;
}
