#pragma once

#include <QString>

class QWidget;
class TAlertPrompt;
class TSheetView;

// The main window's lip-sync commands: a dialogue breakdown into the phoneme column, and the
// current layer's mouth chart applied to the phonemes. Each is one undo step; failures throw
// ECwError with the message to show, and what was left out is told once in an alert.
class TLipSyncCommands {
public:
    TLipSyncCommands(TSheetView& sheet, QWidget& window, TAlertPrompt& alert);

    // Imports the file at the sheet's frame rate. A project with more than one voice asks which to
    // import (or all of them); cancelling that imports nothing.
    void ImportPhonemes(const QString& path);
    void ApplyLipSync();

private:
    TSheetView& Sheet;
    QWidget& Window;
    TAlertPrompt& Alert;
};
