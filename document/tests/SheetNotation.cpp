#include "SheetNotation.h"

#include <set>

void BuildSheet(TSheetData& sheet, const std::vector<std::string>& layers) {
    const auto frames = layers.empty() ? 0 : static_cast<std::int32_t>(layers.front().size());
    for (std::size_t col = 0; col < layers.size(); ++col) {
        sheet.AddLayer("L" + std::to_string(col + 1), "", LayerColorScheme(0), frames);
        TCel* current = nullptr;
        for (std::int32_t frame = 0; frame < frames; ++frame) {
            const char c = layers[col][static_cast<std::size_t>(frame)];
            if (c == '.') {
                current = nullptr;
            } else if (c == '|') {
                current->Duration++;
                current->UpdateBounds(sheet.CellWidth, sheet.CellHeight);
                sheet.LinkCel(current);
            } else {
                auto cel =
                    std::make_unique<TCel>(static_cast<std::int32_t>(col), std::string(1, c), 1, frame);
                cel->UpdateBounds(sheet.CellWidth, sheet.CellHeight);
                current = sheet.Cels.Add(std::move(cel));
                sheet.LinkCel(current);
            }
        }
    }
}

std::vector<std::string> DescribeSheet(const TSheetData& sheet) {
    std::vector<std::string> layers;
    for (std::int32_t col = 0; col < sheet.LayerCount(); ++col) {
        std::string text;
        for (std::int32_t frame = 0; frame < sheet.FrameCount(); ++frame) {
            const TCel* cel = sheet.CelAt(col, frame);
            if (!cel)
                text += '.';
            else if (cel->Row == frame)
                text += cel->Name.empty() ? '?' : cel->Name[0];
            else
                text += '|';
        }
        layers.push_back(text);
    }
    return layers;
}

std::string CheckInvariants(const TSheetData& sheet) {
    for (const auto& layer : sheet.Layers) {
        if (layer->FrameCount() != sheet.FrameCount())
            return "layers differ in frame count";
    }
    if (sheet.FrameCount() > kMaxFrames)
        return "more frames than the limit";
    std::set<const TCel*> owned;
    for (const auto& cel : sheet.Cels) {
        owned.insert(cel.get());
        if (cel->Duration < 1 || cel->Col < 0 || cel->Col >= sheet.LayerCount() || cel->Row < 0 ||
            cel->LastFrame() >= sheet.FrameCount())
            return "cel " + cel->Name + " lies outside the sheet";
        for (std::int32_t f = cel->Row; f <= cel->LastFrame(); ++f) {
            if (sheet.CelAt(cel->Col, f) != cel.get())
                return "cel " + cel->Name + " is missing from one of its slots";
        }
        const TPixelPoint origin{cel->Col * sheet.CellWidth, cel->Row * sheet.CellHeight};
        if (cel->Origin != origin || cel->Bounds.Bottom != origin.Y + cel->Duration * sheet.CellHeight + 1)
            return "cel " + cel->Name + " has stale bounds";
    }
    for (std::int32_t col = 0; col < sheet.LayerCount(); ++col) {
        for (std::int32_t f = 0; f < sheet.FrameCount(); ++f) {
            const TCel* cel = sheet.CelAt(col, f);
            if (cel && (!owned.count(cel) || cel->Col != col || f < cel->Row || f > cel->LastFrame()))
                return "slot " + std::to_string(col) + "," + std::to_string(f) + " refers to a stray cel";
        }
    }
    return {};
}
