#pragma once

#include <cstdint>

class TAlertPrompt;
class TSheetDocument;

// Before frames `first` to `last` (1-based) are rendered: when visible layers name drawings that
// are not on disk, lists them (file, layer, frames) in `prompt` and asks whether to go on with
// blank frames. True to go on: nothing is missing, or the user chose to.
bool GoOnDespiteMissingDrawings(const TSheetDocument& sheet, std::int32_t first, std::int32_t last,
                                TAlertPrompt& prompt);
