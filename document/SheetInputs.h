#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

class TSheetDocument;

// An output that would write over one of the sheet's own files.
struct TSheetInput {
    enum class TKind { None, Sheet, Sound, Drawing };
    TKind Kind = TKind::None;
    std::int32_t Layer = 0; // a drawing's first cel, counted from 1
    std::int32_t Frame = 0;
};

// Which of the sheet's files `output` is, the same file under any name (links, "..", hard links):
// the sheet file `sheetFile` (empty while the sheet has none), its sound file or a cel's drawing.
TSheetInput FindSheetInput(const TSheetDocument& sheet, const std::filesystem::path& sheetFile,
                           const std::filesystem::path& output);

// Throws ECwError "Cannot write "OUTPUT": it is the sheet itself." (or "its sound file", or "the
// drawing of layer L, frame F") when FindSheetInput finds one.
void RefuseSheetInputAsOutput(const TSheetDocument& sheet, const std::filesystem::path& sheetFile,
                              const std::filesystem::path& output);
