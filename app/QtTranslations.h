#pragma once

#include <QString>
#include <QTranslator>

// Qt's own texts (file dialogs, standard buttons, key names) in the interface language: the
// translations Qt installs for German and French, loaded when that language is chosen.
class TQtTranslations {
public:
    ~TQtTranslations();
    // Installs Qt's translation for the language named like its language file ("German"); any
    // other language, or one Qt has no translation for, gives Qt's English texts.
    void Select(const QString& language);

private:
    QTranslator Translator;
    bool Installed = false;
};
