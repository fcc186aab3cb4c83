#include "app/SheetFiles.h"

#include "app/SheetFileDialogs.h"
#include "audio/SheetSound.h"
#include "document/SheetInputs.h"
#include "document/XpsFile.h"
#include "settings/Folders.h"
#include "settings/IniFile.h"
#include "settings/Preferences.h"
#include "sheetview/SheetView.h"
#include "ui/AlertPrompt.h"
#include "ui/AppTexts.h"
#include "ui/ErrorBox.h"
#include "ui/QtText.h"

#include <QFileInfo>
#include <QScopeGuard>

namespace {
constexpr int kMaxRecentFiles = 10;
const char* const kRecentSection = "recent files";
const char* const kTimesheetFilter = "XDTS Timesheet (*.xdts)";
} // namespace

TSheetFiles::TSheetFiles(TSheetView& sheet, TSettingsManager& settings, TSheetSound& sound,
                         TAlertPrompt& alertPrompt, QWidget& window)
    : QObject(&window), Sheet(sheet), Settings(settings), Sound(sound), AlertPrompt(alertPrompt),
      Window(window) {
    AskOpenFile = [this](const QString& folder, const QString& filter) {
        return AskOpenPath(&Window, folder, filter);
    };
    AskSaveFile = [this](const QString& folder, const QString& name, const QString& filter) {
        return AskSheetSavePath(&Window, folder, name, filter);
    };
}

QString TSheetFiles::ShownDocumentName() const {
    return Name.isEmpty() ? Translate(LanguageKey("sUntitled")) : Name;
}

std::filesystem::path TSheetFiles::FilePath() const {
    return Name.isEmpty() ? std::filesystem::path() : std::filesystem::path(ToStd(Folder + Name));
}

void TSheetFiles::SetDocumentName(const QString& name) {
    if (name == Name)
        return;
    Name = name;
    emit DocumentChanged();
}

void TSheetFiles::SetDocumentFolder(const QString& folder) {
    Folder = folder;
}

void TSheetFiles::SetModified(bool modified) {
    if (modified)
        emit ContentChanged();
    if (modified == IsModified)
        return;
    IsModified = modified;
    // The sheet control tells the other windows; a save or an open clears it again.
    Sheet.SetModified(modified);
    emit DocumentChanged();
}

QString TSheetFiles::DefaultFolder() const {
    return FromStd(::DefaultFolder(Settings.Current.General.DefaultPath));
}

bool TSheetFiles::AskSaveChanges() {
    if (!IsModified)
        return true;
    const TAlertPrompt::TAnswer answer = AlertPrompt.Confirm(
        Fill(Translate(LanguageKey("msgSaveChanges")), {ShownDocumentName()}), Translate(LanguageKey("sYes")),
        Translate(LanguageKey("sNo")), Translate(LanguageKey("sCancel")));
    if (answer == TAlertPrompt::TAnswer::Cancel)
        return false;
    if (answer != TAlertPrompt::TAnswer::Yes)
        return true;
    // The edits are only safe once written: a save that fails or is cancelled stops the operation.
    bool saved = false;
    GuardCommand(&Window, [&] { saved = Save(); });
    return saved;
}

void TSheetFiles::Open() {
    if (!AskSaveChanges())
        return;
    OnLoading(true);
    try {
        const QString path = AskOpenFile(DefaultFolder(), ".xps Exposure Sheet (*.xps)");
        if (!path.isEmpty()) {
            LoadDocument(path);
            AddRecent(path);
        }
    } catch (...) {
        OnLoading(false);
        throw;
    }
    OnLoading(false);
}

void TSheetFiles::OpenDocument(const QString& path) {
    LoadInBulk([&] {
        LoadDocument(path);
        AddRecent(path);
    });
}

void TSheetFiles::LoadInBulk(const std::function<void()>& load) {
    OnLoading(true);
    Sheet.SetUpdateMode(TSheetDocument::TUpdateMode::Bulk);
    auto restore = [this] {
        OnLoading(false);
        Sheet.SetUpdateMode(TSheetDocument::TUpdateMode::Normal);
        Sheet.RefreshAll();
    };
    try {
        load();
    } catch (...) {
        restore();
        throw;
    }
    restore();
}

void TSheetFiles::LoadDocument(const QString& path) {
    const TOpenChoice choice = OnOpening ? OnOpening(path) : TOpenChoice::Open;
    if (choice == TOpenChoice::Skip)
        return;
    ReadSheet(path, path);
    IsReadOnly = choice == TOpenChoice::ReadOnly;
    SetModified(false);
}

void TSheetFiles::LoadRecovered(const QString& record, const QString& sheetPath) {
    LoadInBulk([&] { ReadSheet(record, sheetPath); });
    IsReadOnly = false;
    SetModified(true);
}

void TSheetFiles::ReadSheet(const QString& path, const QString& documentPath) {
    TXpsSettings settings;
    Settings.GetDocumentSettings(settings);
    std::vector<TLeftOutCel> leftOut;
    // The sheet's sound comes back through OnAudioLoaded while it loads; a sheet that cannot be
    // read leaves the open one, whose sound scrubs again.
    Sound.ScrubOutput.Clear();
    bool read = false;
    const auto resumeSound = qScopeGuard([&] {
        if (!read)
            Sound.ResumeScrubbing();
    });
    try {
        LoadSheet(
            Sheet.Document(), path.toStdString(), settings,
            [this, &documentPath](const TXpsSettings& loaded) {
                OnSettingsLoaded(loaded);
                if (documentPath.isEmpty()) {
                    Folder.clear();
                    SetDocumentName({});
                    return;
                }
                const QFileInfo file(documentPath);
                Folder = file.absolutePath() + "/";
                SetDocumentName(file.fileName());
            },
            &leftOut);
    } catch (const TSheetLoadError& error) {
        const TLanguageKey* key = FindLanguageKey(error.Key);
        throw ECwError(key ? error.Path + ": " + Translate(*key).toStdString() : std::string(error.what()));
    }
    read = true;
    Sheet.RefreshAll();
    if (!leftOut.empty())
        AlertPrompt.Alert(LeftOutMessage(path, leftOut));
}

QString TSheetFiles::LeftOutMessage(const QString& path, const std::vector<TLeftOutCel>& cels) const {
    QString text = Fill(Translate(LanguageKey("msgErrCelsLeftOut")), {path});
    for (const TLeftOutCel& cel : cels) {
        const TLanguageKey& reason =
            cel.Reason == TLeftOutCel::TReason::NoFirstFrame ? LanguageKey("sNoFirstFrame")
            : cel.Reason == TLeftOutCel::TReason::NoHold     ? LanguageKey("sHoldBelowOne")
                                                             : LanguageKey("sPastLastFrame");
        text += "\n" + Fill(Translate(LanguageKey("msgLeftOutCel")),
                            {FromStd(cel.Name), QString::number(cel.Layer), QString::number(cel.Frame),
                             Translate(reason)});
    }
    return text;
}

void TSheetFiles::ImportTimesheet() {
    if (!AskSaveChanges())
        return;
    const QString path = AskOpenFile(DefaultFolder(), kTimesheetFilter);
    if (path.isEmpty())
        return;
    TXpsSettings settings;
    Settings.GetDocumentSettings(settings);
    std::vector<TTimesheetLeftOut> leftOut;
    const QString folder = QFileInfo(path).absolutePath() + "/";
    // Read first: a file that is no timesheet leaves the open sheet, its sound included, alone.
    const TTimesheet timesheet = ReadTimesheetFile(ToStd(path));
    LoadInBulk([&] {
        Sound.ScrubOutput.Clear();
        TimesheetToSheet(timesheet, Sheet.Document(), ToStd(folder), settings.Format, leftOut);
    });
    // A new sheet that lives nowhere yet: saving asks where, and closing asks to save.
    Folder = folder;
    SetDocumentName({});
    SetModified(true);
    if (!leftOut.empty())
        AlertPrompt.Alert(TimesheetLeftOutMessage(Fill(Translate(LanguageKey("msgErrCelsLeftOut")), {path}),
                                                  leftOut, LanguageKey("sNamesNoDrawing")));
}

void TSheetFiles::ExportTimesheet() {
    const QString name = Name.isEmpty() ? ShownDocumentName() : QFileInfo(Name).completeBaseName();
    const QString path =
        AskSaveFile(Folder.isEmpty() ? DefaultFolder() : Folder, name + ".xdts", kTimesheetFilter);
    if (path.isEmpty())
        return;
    if (FindSheetInput(Sheet.Document(), FilePath(), ToStd(path)).Kind != TSheetInput::TKind::None)
        throw ECwError(ToStd(Fill(Translate(LanguageKey("msgErrOutputIsInput")), {path})));
    std::vector<TTimesheetLeftOut> leftOut;
    ::ExportTimesheet(Sheet.Document(), ToStd(path), leftOut);
    if (!leftOut.empty())
        AlertPrompt.Alert(TimesheetLeftOutMessage(Fill(Translate(LanguageKey("msgTimesheetLeftOut")), {path}),
                                                  leftOut, LanguageKey("sNoDrawingNumber")));
}

QString TSheetFiles::TimesheetLeftOutMessage(const QString& heading, const std::vector<TTimesheetLeftOut>& items,
                                             const TLanguageKey& reason) {
    QString text = heading;
    for (const TTimesheetLeftOut& item : items)
        text += "\n" + Fill(Translate(LanguageKey("msgLeftOutCel")),
                            {FromStd(item.Name), QString::number(item.Layer), QString::number(item.Frame),
                             Translate(reason)});
    return text;
}

void TSheetFiles::WriteDocument(const QString& path) {
    TXpsSettings settings;
    Settings.GetDocumentSettings(settings);
    TXpsFile::SaveSheet(path.toStdString(), Sheet.Document(), settings);
    const QFileInfo file(path);
    Folder = file.absolutePath() + "/";
    SetDocumentName(file.fileName());
    IsReadOnly = false;
    SetModified(false);
}

QString TSheetFiles::ChooseSavePath() {
    return AskSaveFile(FromStd(WorkingFolder(::DefaultFolder(Settings.Current.General.DefaultPath))),
                       Name.isEmpty() ? ShownDocumentName() + ".xps" : Name, "Exposure Sheet (*.xps)");
}

bool TSheetFiles::Save() {
    QString path = Folder + Name;
    if (Name.isEmpty() || IsReadOnly || !QFileInfo::exists(path)) {
        path = ChooseSavePath();
        if (path.isEmpty())
            return false;
    }
    WriteDocument(path);
    return true;
}

void TSheetFiles::SaveAs() {
    const QString path = ChooseSavePath();
    if (path.isEmpty())
        return;
    WriteDocument(path);
    AddRecent(QFileInfo(path).absoluteFilePath());
}

void TSheetFiles::AddRecent(const QString& path) {
    Recent.erase(
        std::remove_if(Recent.begin(), Recent.end(),
                       [&](const QString& entry) { return entry.compare(path, Qt::CaseInsensitive) == 0; }),
        Recent.end());
    Recent.prepend(path);
    while (Recent.size() > kMaxRecentFiles)
        Recent.removeLast();
    emit RecentFilesChanged();
}

void TSheetFiles::ReadRecentFiles(const TIniFile& ini) {
    for (int i = 1; i <= kMaxRecentFiles; ++i) {
        const std::string file = ini.ReadString(kRecentSection, "file" + std::to_string(i), "");
        if (!file.empty())
            Recent.append(FromStd(file));
    }
    emit RecentFilesChanged();
}

void TSheetFiles::WriteRecentFiles(TIniFile& ini) const {
    ini.EraseSection(kRecentSection);
    for (int i = 0; i < Recent.size() && i < kMaxRecentFiles; ++i)
        ini.WriteString(kRecentSection, "file" + std::to_string(i + 1), Recent[i].toStdString());
}
