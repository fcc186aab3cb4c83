// Reads arbitrary bytes as a language file. Whatever loads must hold to the file format: texts trimmed,
// with every line-break escape replaced, and translated to the default only when empty.
#include "settings/LanguageTable.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    TLanguageTable handler;
    try {
        handler.LoadLanguageText(bytes);
    } catch (const EHashInvalidKeyError&) {
        // A line without a tab: the lines before it stay loaded.
    }

    for (const TLanguageKey& entry : kLanguageCatalogue) {
        if (!handler.Table().Exists(entry.Key))
            continue;
        const std::string text = handler.Lookup(entry.Key);
        if (text.find("(cr/lf)") != std::string::npos)
            std::abort();
        if (!text.empty() &&
            (text.front() == ' ' || text.front() == '\t' || text.back() == ' ' || text.back() == '\t'))
            std::abort();
        const std::string translated = handler.Translate(entry);
        if (translated != (text.empty() ? std::string(entry.Text) : text))
            std::abort();
    }
    return 0;
}
