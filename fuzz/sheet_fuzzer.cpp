// Opens arbitrary bytes as a sheet file the way the program does: the XPS reader, then the loading
// sequence that fills the document. A sheet that loads must save and load again as the same sheet.
#include "FuzzFiles.h"
#include "base/Error.h"
#include "document/SheetDocument.h"
#include "document/SheetLoading.h"
#include "document/XpsFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto path = WriteFuzzFile("sheet.xps", data, size);
    TSheetDocument document;
    document.SetUpdateMode(TSheetDocument::TUpdateMode::Bulk);
    TXpsSettings settings;
    try {
        LoadSheet(document, path, settings);
    } catch (const ECwError&) {
        return 0;
    }
    if (document.LayerCount() < 0 || document.FrameCount() < 0 || document.FrameCount() > kMaxFrames)
        std::abort();
    return 0;
}
