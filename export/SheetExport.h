#pragma once

#include "export/ExportDialog.h"

#include <QString>
#include <filesystem>
#include <functional>

class QWidget;
class TAlertPrompt;
class TCompositor;
class TSettingsManager;
class TSheetDocument;

// The export of the open sheet as the main window offers it: the whole sheet from the File menu
// and the tool bar, the preview's rendered frames from the preview. It hands the export dialog the
// sheet, the compositor and the preferences in force at the moment of export.
class TSheetExport {
public:
    TSheetExport(TSheetDocument& sheet, TCompositor& rostrum, const TSettingsManager& settings,
                 TAlertPrompt& prompt);

    // The sheet's name as the window shows it (the translated "Untitled" while it has none).
    std::function<QString()> SheetName;
    // The sheet's file; empty while it has none.
    std::function<std::filesystem::path()> SheetFile;
    // A line for the info panel ("Build Complete").
    std::function<void(const QString& line)> Info;

    // Throws ECwError for an empty sheet; says so when no visible layer has a drawing; asks whether
    // to go on when drawings are missing; then the export dialog in the default folder.
    void ExportSheet(QWidget* parent);
    // The export dialog for frames the preview rendered, in `order`.
    void ExportRendered(const TFrameArray& order, const TImageArray& frames, QWidget* parent);

private:
    TExportContext Context() const;

    TSheetDocument& Sheet;
    TCompositor& Rostrum;
    const TSettingsManager& Settings;
    TAlertPrompt& Prompt;
};
