#include "document/SheetInputs.h"

#include "base/Error.h"
#include "document/SheetDocument.h"

namespace fs = std::filesystem;

namespace {

bool SameFile(const fs::path& a, const fs::path& b) {
    std::error_code error;
    return !b.empty() && fs::equivalent(a, b, error);
}

} // namespace

TSheetInput FindSheetInput(const TSheetDocument& sheet, const fs::path& sheetFile, const fs::path& output) {
    std::error_code error;
    // Only a file that exists can be one of them; a new name never is.
    if (!fs::exists(output, error))
        return {};
    if (SameFile(output, sheetFile))
        return {TSheetInput::TKind::Sheet};
    const TSoundTrack& sound = sheet.Data().Audio;
    if (SameFile(output, sound.FileName) || SameFile(output, sound.WaveFile))
        return {TSheetInput::TKind::Sound};
    for (const auto& cel : sheet.Data().Cels) {
        const std::int32_t layer = cel->Col + 1;
        const fs::path drawing = sheet.LayerFolder(layer) + cel->Name;
        // A linked drawing is reached through its link; equivalent() follows it.
        if (SameFile(output, drawing) || SameFile(output, drawing.string() + ".lnk"))
            return {TSheetInput::TKind::Drawing, layer, cel->Row + 1};
    }
    return {};
}

void RefuseSheetInputAsOutput(const TSheetDocument& sheet, const fs::path& sheetFile, const fs::path& output) {
    const TSheetInput input = FindSheetInput(sheet, sheetFile, output);
    std::string what;
    switch (input.Kind) {
    case TSheetInput::TKind::None:
        return;
    case TSheetInput::TKind::Sheet:
        what = "it is the sheet itself";
        break;
    case TSheetInput::TKind::Sound:
        what = "it is the sheet's sound file";
        break;
    case TSheetInput::TKind::Drawing:
        what = "it is the drawing of layer " + std::to_string(input.Layer) + ", frame " +
               std::to_string(input.Frame);
        break;
    }
    throw ECwError("Cannot write \"" + output.string() + "\": " + what + ".");
}
