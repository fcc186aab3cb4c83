#include "app/QtTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>

namespace {
// The locale of each shipped language file.
QString LocaleOf(const QString& language) {
    if (language == "German")
        return "de";
    if (language == "French")
        return "fr";
    return {};
}
} // namespace

TQtTranslations::~TQtTranslations() {
    if (Installed)
        QCoreApplication::removeTranslator(&Translator);
}

void TQtTranslations::Select(const QString& language) {
    if (Installed)
        QCoreApplication::removeTranslator(&Translator);
    Installed = false;
    const QString locale = LocaleOf(language);
    if (locale.isEmpty())
        return;
    if (Translator.load(QLocale(locale), "qtbase", "_", QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        Installed = QCoreApplication::installTranslator(&Translator);
}
