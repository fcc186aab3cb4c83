#include "export/SheetExport.h"

#include "base/Error.h"
#include "document/SheetDocument.h"
#include "settings/Folders.h"
#include "ui/AlertPrompt.h"
#include "ui/AppTexts.h"
#include "ui/MissingDrawingsQuestion.h"
#include "ui/QtText.h"

TSheetExport::TSheetExport(TSheetDocument& sheet, TCompositor& rostrum, const TSettingsManager& settings,
                           TAlertPrompt& prompt)
    : Sheet(sheet), Rostrum(rostrum), Settings(settings), Prompt(prompt) {}

void TSheetExport::ExportSheet(QWidget* parent) {
    if (Sheet.IsEmpty())
        throw ECwError(ToStd(Translate(LanguageKey("msgErrXsheetEmpty"))));
    if (Sheet.VisibleUsedFrameCount() <= 0) {
        Prompt.Alert(Translate(LanguageKey("msgErrNoVisibleLayerWImages")));
        return;
    }
    if (!GoOnDespiteMissingDrawings(Sheet, 1, Sheet.UsedFrameCount(), Prompt))
        return;
    ExportMovie(Context(), FromStd(DefaultFolder(Settings.Current.General.DefaultPath)), parent);
}

void TSheetExport::ExportRendered(const TFrameArray& order, const TImageArray& frames, QWidget* parent) {
    ExportFrames(Context(), FromStd(Settings.Current.General.DefaultPath), &order, &frames, parent);
}

TExportContext TSheetExport::Context() const {
    TExportContext context;
    context.Sheet = &Sheet;
    context.Rostrum = &Rostrum;
    context.Settings = Settings.Current;
    context.SheetName = SheetName ? SheetName() : QString();
    context.SheetFile = SheetFile ? SheetFile() : std::filesystem::path();
    context.SettingsFile = Settings.SettingsFilePath();
    context.Info = Info;
    return context;
}
