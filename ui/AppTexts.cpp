#include "ui/AppTexts.h"

#include "settings/LanguageTable.h"

namespace {
const TLanguageTable* activeLanguage = nullptr;
}

void SetActiveLanguage(const TLanguageTable* language) {
    activeLanguage = language;
}

QString Translate(std::string_view defaultText, std::string_view key) {
    const std::string text =
        activeLanguage ? activeLanguage->Translate(defaultText, key) : std::string(defaultText);
    return QString::fromStdString(text);
}

QString Translate(const TLanguageKey& key) {
    return Translate(key.Text, key.Key);
}

QString Fill(QString text, const QStringList& values) {
    // Each value goes after the one before it, so a value holding "%s" (a file name) stays whole.
    qsizetype from = 0;
    for (const QString& value : values) {
        const auto at = text.indexOf("%s", from);
        if (at < 0)
            break;
        text.replace(at, 2, value);
        from = at + value.size();
    }
    return text;
}
