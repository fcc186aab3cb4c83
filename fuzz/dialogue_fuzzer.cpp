// Feeds arbitrary bytes to the dialogue readers (switch data, mouth cues as TSV or JSON, lip-sync
// projects) at a few frame rates, and imports what they read into a sheet.
#include "base/Error.h"
#include "document/DialogueFile.h"
#include "document/SheetDocument.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    for (const std::int32_t fps : {1, 24, 30}) {
        try {
            const TDialogue dialogue = TDialogueFile::ReadText(bytes, "fuzz", fps);
            for (std::size_t i = 1; i < dialogue.Cues.size(); ++i) {
                if (dialogue.Cues[i - 1].Frame >= dialogue.Cues[i].Frame)
                    std::abort(); // cues come sorted, one per frame
            }
            TSheetDocument sheet;
            sheet.AddLayer("", "", sheet.DefaultColors);
            sheet.ImportPhonemes(dialogue.Cues);
        } catch (const ECwError&) {
            // The reader's own refusal, naming the line.
        }
    }
    return 0;
}
