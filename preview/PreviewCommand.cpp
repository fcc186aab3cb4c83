#include "preview/PreviewCommand.h"

#include "base/Error.h"
#include "document/SheetDocument.h"
#include "ui/AppTexts.h"
#include "ui/MissingDrawingsQuestion.h"
#include "ui/QtText.h"

TPreviewCommand::TPreviewCommand(TSheetDocument& sheet, TCompositor& rostrum, TAlertPrompt& prompt, QWidget& parent)
    : Sheet(sheet), Rostrum(rostrum), Prompt(prompt), Parent(parent) {}

void TPreviewCommand::Open() {
    if (Sheet.IsEmpty())
        throw ECwError(ToStd(Translate(LanguageKey("msgErrXsheetEmpty"))));
    if (!Preview) {
        if (!GoOnDespiteMissingDrawings(Sheet, 1, Sheet.VisibleUsedFrameCount(), Prompt))
            return;
        Preview = new TPreviewWindow(Sheet, Rostrum, Host, &Parent);
        Preview->OnClosed = [](TPreviewWindow& sender) { sender.deleteLater(); };
        if (OnMade)
            OnMade(*Preview);
    }
    Preview->show();
    Preview->raise();
}
