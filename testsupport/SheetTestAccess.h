#pragma once

#include "document/SheetDocument.h"

// The model behind a document, writable, for tests that set up a sheet in a line (BuildSheet) or
// put it in a state no command makes. Nothing is reported: a view over it needs RefreshAll.
struct TSheetTestAccess {
    static TSheetData& Model(TSheetDocument& sheet) { return sheet.Model; }
};

inline TSheetData& WritableData(TSheetDocument& sheet) {
    return TSheetTestAccess::Model(sheet);
}
