#include "settings/LanguageCatalogue.h"

#include <algorithm>

const TLanguageKey* FindLanguageKey(std::string_view key) {
    const auto found = std::find_if(kLanguageCatalogue.begin(), kLanguageCatalogue.end(),
                                    [&](const TLanguageKey& entry) { return entry.Key == key; });
    return found == kLanguageCatalogue.end() ? nullptr : &*found;
}

std::string LanguageTemplateText() {
    std::string out =
        "// Celwright interface texts. To translate, save this file as <Language>.lng in the\n"
        "// Languages folder and replace the text after each tab. Keep the keys, and keep every %s\n"
        "// in its order. (cr/lf) is a line break. A line ending in +_ goes on with the next line,\n"
        "// where ( ) keeps a space that would be trimmed; // starts a comment.\n";
    for (const TLanguageKey& entry : kLanguageCatalogue) {
        out += entry.Key;
        out += '\t';
        std::string_view text = entry.Text;
        for (std::size_t at; (at = text.find("\r\n")) != std::string_view::npos;) {
            out += text.substr(0, at);
            out += "(cr/lf)";
            text.remove_prefix(at + 2);
        }
        out += text;
        out += '\n';
    }
    return out;
}
