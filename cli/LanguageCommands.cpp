#include "cli/LanguageCommands.h"

#include "settings/LanguageCatalogue.h"

#include <ostream>

const char* const kLanguageTemplateHelp = R"(Usage: celwright-cli language-template > English.lng

Writes every text Celwright shows, in English, as a language file: one line per key, the key, a
tab and the text, with line breaks written as (cr/lf). Translate the text after each tab, keep
the keys and every %s in its order, and save the file as <Language>.lng (UTF-8) in the
Languages folder; the language then appears in Settings > Languages.
)";

int RunLanguageTemplate(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (!args.empty()) {
        err << kLanguageTemplateHelp;
        return 2;
    }
    out << LanguageTemplateText();
    out.flush();
    if (!out) {
        err << "celwright-cli: the language template could not be written\n";
        return 1;
    }
    return 0;
}
