#include "audio/LipSyncCommands.h"

#include "base/Error.h"
#include "document/DialogueFile.h"
#include "settings/MouthChartFile.h"
#include "sheetview/SheetView.h"
#include "ui/AlertPrompt.h"
#include "ui/AppTexts.h"
#include "ui/QtText.h"

#include <QInputDialog>
#include <QStringList>

TLipSyncCommands::TLipSyncCommands(TSheetView& sheet, QWidget& window, TAlertPrompt& alert)
    : Sheet(sheet), Window(window), Alert(alert) {}

void TLipSyncCommands::ImportPhonemes(const QString& path) {
    TSheetDocument& document = Sheet.Document();
    const std::string file = ToStd(path);
    TDialogue dialogue = TDialogueFile::Read(file, document.Fps());
    if (dialogue.Voices.size() > 1) {
        QStringList choices{Translate(LanguageKey("sAllVoices"))};
        for (const std::string& voice : dialogue.Voices)
            choices << FromStd(voice);
        bool chosen = false;
        const int index = choices.indexOf(QInputDialog::getItem(&Window, Translate(LanguageKey("sVoice")),
                                                                Translate(LanguageKey("sVoice")), choices, 0,
                                                                false, &chosen));
        if (!chosen || index < 0)
            return;
        if (index > 0)
            dialogue = TDialogueFile::Read(file, document.Fps(), dialogue.Voices[static_cast<std::size_t>(index - 1)]);
    }
    const auto leftOut = document.ImportPhonemes(dialogue.Cues);
    if (leftOut.empty())
        return;
    QString text = Translate(LanguageKey("msgPhonemesLeftOut"));
    for (const TPhonemeCue& cue : leftOut)
        text += "\n" + QString::number(cue.Frame) + ": " + FromStd(cue.Phoneme);
    Alert.Alert(text);
}

void TLipSyncCommands::ApplyLipSync() {
    TSheetDocument& document = Sheet.Document();
    const std::int32_t layer = document.CurrentLayer();
    if (layer == 0)
        return;
    const TMouthChart chart = TMouthChartFile::Load(document.LayerFolder(layer));
    if (chart.IsEmpty())
        throw ECwError(ToStd(Translate(LanguageKey("msgNoMouthChart"))));
    const auto missing = document.ApplyLipSync(layer, chart);
    if (missing.empty())
        return;
    QStringList names;
    for (const std::string& phoneme : missing)
        names << FromStd(phoneme);
    Alert.Alert(Translate(LanguageKey("msgNoMouthDrawing")) + " " + names.join(", "));
}
