#pragma once

#include "settings/Hashes.h"
#include "settings/LanguageCatalogue.h"

#include <string>
#include <string_view>

// The interface language: the texts of one language file, by key, over the English texts built into
// the program.
//
// A language file is 8-bit text (UTF-8, or Windows-1252 when it is not valid UTF-8) with CR, LF or
// CR LF line ends. Each entry line is a key, a tab and the text:
//   - the key is everything before the first tab, as it stands; the text is trimmed;
//   - "//" starts a comment, at the start of a line or inside one (so a text cannot hold "//");
//   - empty lines are ignored;
//   - a line ending in "+_" continues with the next line, trimmed; continuations chain;
//   - "( )" stands for a space and "(cr/lf)" for a line break (CR LF);
//   - when a key occurs twice, the later line wins.

// The name of the built-in language, which needs no file.
inline constexpr std::string_view kEnglishLanguage = "English";

// The folder of the language files: `programFolder` (ending with "/") followed by "Languages/".
std::string LanguageFolder(std::string_view programFolder);

class TLanguageTable {
public:
    // Loads the language `name` from `folder` + name + ".lng" (`folder` ends with "/"). "English"
    // empties the table and returns true. When the name is not a plain file name (it holds a "/" or
    // is "..") or the file does not exist or cannot be read, returns false and keeps the texts loaded
    // before. A line without a tab (or with an empty key) throws EHashInvalidKeyError
    // ""<file>" line <n>: Key cannot be an empty string", with the lines before it loaded.
    bool LoadLanguage(std::string_view folder, std::string_view name);
    // Replaces the table with the entries of a language file's bytes; throws as LoadLanguage does,
    // naming `fileName` when given.
    void LoadLanguageText(std::string_view bytes, std::string_view fileName = {});

    // The text the language gives the key; empty when it gives none. An empty key throws
    // EHashInvalidKeyError, here and in Translate.
    std::string Lookup(std::string_view key) const;
    // The language's text for the key when it gives a non-empty one, else `defaultText`.
    std::string Translate(std::string_view defaultText, std::string_view key) const;
    // Translate with the catalogue's English text as the default.
    std::string Translate(const TLanguageKey& key) const { return Translate(key.Text, key.Key); }

    const TStringsHash& Table() const { return Table_; }

private:
    TStringsHash Table_;
};
