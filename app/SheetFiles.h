#pragma once

#include "document/SheetLoading.h"
#include "document/TimesheetExchange.h"
#include "settings/LanguageCatalogue.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <filesystem>
#include <functional>
#include <vector>

class QWidget;
class TAlertPrompt;
class TIniFile;
class TSettingsManager;
class TSheetSound;
class TSheetView;
struct TXpsSettings;

// The open exposure sheet as a file: its name, folder and modified state, opening and saving it,
// the recent files and the question whether to save changes before they are lost.
class TSheetFiles : public QObject {
    Q_OBJECT
public:
    // `window` parents the file dialogs and shows the errors of a save asked for by the question.
    TSheetFiles(TSheetView& sheet, TSettingsManager& settings, TSheetSound& sound, TAlertPrompt& alertPrompt,
                QWidget& window);

    // The file dialogs, replaceable so tests can answer them; an empty text when the user cancelled.
    std::function<QString(const QString& folder, const QString& filter)> AskOpenFile;
    std::function<QString(const QString& folder, const QString& name, const QString& filter)> AskSaveFile;
    // A sheet being loaded brings its own settings, before its layers.
    std::function<void(const TXpsSettings& settings)> OnSettingsLoaded;
    // Open and OpenDocument load a sheet (true) and are done (false), also when they failed.
    std::function<void(bool loading)> OnLoading;
    // How a sheet is to be opened: as asked, read-only (a save asks for a new name, so the file
    // stays as it is), or not at all (someone else took care of it).
    enum class TOpenChoice { Open, ReadOnly, Skip };
    // Asked before a sheet file is read; opens it when not set.
    std::function<TOpenChoice(const QString& path)> OnOpening;

    // The document's name, empty while the sheet has none yet.
    const QString& DocumentName() const { return Name; }
    // The translated "Untitled" while the document has no name.
    QString ShownDocumentName() const;
    // The folder the document was read from or written to; ends with "/".
    const QString& DocumentFolder() const { return Folder; }
    // Folder and name: the sheet's file; empty while the document has no name.
    std::filesystem::path FilePath() const;
    void SetDocumentName(const QString& name);
    void SetDocumentFolder(const QString& folder);
    bool Modified() const { return IsModified; }
    void SetModified(bool modified);
    // Opened read-only: Save asks where to, until the sheet is written somewhere.
    bool ReadOnly() const { return IsReadOnly; }

    // Asks to save a modified document; false when the user cancelled, or when the save failed or
    // was cancelled, since the edits are only safe once written.
    bool AskSaveChanges();
    // The Open command: asks to save changes, then for a sheet to load.
    void Open();
    // Loads the sheet at `path` without repainting on the way, and makes it the first recent file.
    void OpenDocument(const QString& path);
    // Loads the sheet at `path`, which then names the document; not modified.
    void LoadDocument(const QString& path);
    // Loads a recovery record as the sheet at `sheetPath` (empty: a sheet without a file), modified,
    // without repainting on the way. The file at `sheetPath` is not read.
    void LoadRecovered(const QString& record, const QString& sheetPath);
    // Writes the document where it was read from, else where the user says; true when written.
    bool Save();
    void SaveAs();
    // File > Import > Timesheet: asks to save changes, then makes a new, unnamed sheet of an .xdts
    // file, its layer folders beside that file.
    void ImportTimesheet();
    // File > Export > Timesheet: writes the sheet as an .xdts file where the user says.
    void ExportTimesheet();

    // Most recent first, at most ten, each once whatever its letter case.
    const QStringList& RecentFiles() const { return Recent; }
    void AddRecent(const QString& path);
    void ReadRecentFiles(const TIniFile& ini);
    void WriteRecentFiles(TIniFile& ini) const;

signals:
    // The document's name or modified state changed.
    void DocumentChanged();
    // A change marked the document modified (each change, not only the first).
    void ContentChanged();
    void RecentFilesChanged();

private:
    // Loads the sheet file `file` for the document at `documentPath` (empty: none).
    void ReadSheet(const QString& file, const QString& documentPath);
    // Runs a load without repainting on the way. The undo history goes only once the new sheet
    // replaces the open one, so a load that fails keeps it.
    void LoadInBulk(const std::function<void()>& load);
    // Writes the sheet to `path`, which then names the document; not modified any more.
    void WriteDocument(const QString& path);
    QString ChooseSavePath();
    // The message that lists the cels a load left out.
    QString LeftOutMessage(const QString& path, const std::vector<TLeftOutCel>& cels) const;
    // The message that lists what a timesheet import or export left out, under `heading`.
    static QString TimesheetLeftOutMessage(const QString& heading, const std::vector<TTimesheetLeftOut>& items,
                                           const TLanguageKey& reason);
    QString DefaultFolder() const;

    TSheetView& Sheet;
    TSettingsManager& Settings;
    TSheetSound& Sound;
    TAlertPrompt& AlertPrompt;
    QWidget& Window;
    QString Name;
    QString Folder;
    bool IsModified = false;
    bool IsReadOnly = false;
    QStringList Recent;
};
