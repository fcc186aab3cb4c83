#pragma once

#include "settings/LanguageCatalogue.h"

#include <QString>
#include <QStringList>
#include <string_view>

class TLanguageTable;

// The interface language the windows translate their texts with. The main window owns the language
// table and makes it the active one; without one, every text is its English default.
void SetActiveLanguage(const TLanguageTable* language);


// translate(default text, key): the active language's text for the key, or the default text.
QString Translate(std::string_view defaultText, std::string_view key);
QString Translate(const TLanguageKey& key);

// Fills the first "%s" of a translated message, then the next, as the language files expect.
QString Fill(QString text, const QStringList& values);
