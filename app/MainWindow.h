#pragma once

#include "CelwrightVersion.h"
#include "app/QtTranslations.h"
#include "document/SheetLoading.h"
#include "document/SheetObjects.h"
#include "document/SheetRecords.h"
#include "settings/LanguageTable.h"
#include "settings/Preferences.h"
#include "settings/Profiles.h"
#include "settings/SettingsInForce.h"

#include <QImage>
#include <QMainWindow>
#include <QStringList>
#include <array>
#include <functional>
#include <memory>

class QLabel;
class QPlainTextEdit;
class QToolButton;
class TMainActions;
class TSheetFiles;
class TSheetRecovery;
class TAlertPrompt;
class TElidedLabel;
class TEntryDialog;
class TCaptureWindow;
class TGuideOpener;
class TImageViewer;
class TImportWindow;
class TPicture;
class TLayerPropertiesDialog;
class TPreviewCommand;
class TProgramEditDialog;
class TSheetExport;
class TSheetSound;
class TLipSyncCommands;
class TCompositor;
class TSheetView;
class TScannerWindow;

// Where the program finds its own files and keeps the user's.
struct TAppFolders {
    QString ProgramFolder; // languages, help, "license.txt"; ends with "/"
    QString UserFolder;    // "celwright.ini", "profiles.ini"; ends with "/", or empty
    QString RecoveryFolder; // records of unsaved work; empty: none are kept
};

// The main window: it lays out the sheet control, the thumbnail and the info panel, owns the
// preferences, the profiles, the language table and the other windows, and wires them together.
// Its actions are in TMainActions, the open sheet's file in TSheetFiles.
class TMainWindow : public QMainWindow {
    Q_OBJECT
public:
    static constexpr const char* kVersion = CELWRIGHT_VERSION;
    // Activity values: what the window is doing, so handlers can tell the user's changes apart.
    enum class TActivity { Starting = 0, Idle = 1, Loading = 2, Restoring = 5 };

    explicit TMainWindow(const TAppFolders& folders, QWidget* parent = nullptr);
    ~TMainWindow() override;

    TSheetView& Sheet() const { return *SheetView; }
    TSheetFiles& Files() const { return *SheetFiles; }
    // Null when no recovery records are kept.
    TSheetRecovery* Recovery() const { return SheetRecovery; }
    TSheetSound& Sound() const { return *SheetSound; }
    // The preferences as saved and in force.
    TSettingsManager& Settings() { return SettingsManager; }
    TSettings CurrentSettings() const { return SettingsManager.Current; }
    TActivity Activity() const { return CurrentActivity; }
    void SetActivity(TActivity activity) { CurrentActivity = activity; }
    // The folder "New with folders" made the layers' folders in; empty for other sheets.
    const QString& ProjectFolder() const { return Project; }
    QString ActiveProfile() const { return QString::fromStdString(InForce.ProfileName()); }
    const QString& Language() const { return LanguageName; }

    // The Settings menu's commands, also used by other windows.
    void SetFrameRate(int fps);
    void SetCompositeMode(TComp mode);
    void SetImageFormat(TcwImageFormat format);
    void SelectLanguage(const QString& name);
    void ActivateProfile(const QString& name);

    // Opens the sheet named by the first program argument after the program's name, when it is an
    // existing file whose name ends exactly in ".xps".
    void OpenCommandLineSheet(const QStringList& arguments);
    // Files dropped at a point of the sheet control (in its pixels): drawings are placed from the
    // cell there on, a sound file is loaded, sheets are opened.
    void DropFiles(const QStringList& paths, const QPoint& sheetPoint);

    // Runs a command; an error it raises is shown in the standard error box and the program goes on.
    void Guard(const std::function<void()>& command);

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The actions run the commands.
    friend class TMainActions;

    // Commands (the actions' handlers).
    void NewClick();
    void NewWithFoldersClick();
    void UndoClick();
    void RedoClick();
    void CutClick();
    void CopyClick();
    void PasteClick();
    void InsertFrameClick();
    void DeleteFramesClick();
    void AddTenFramesClick();
    void AddLayerClick();
    void DeleteLayerClick();
    void EditLayerPropertiesClick();
    void FpsOtherClick();
    void PreferencesClick();
    void ManageProfilesClick();
    void ImportImagesClick();
    void ImportAudioClick();
    // Audio menu: a dialogue breakdown into the phoneme column; the current layer's mouth chart applied.
    void ImportPhonemesClick();
    void ApplyLipSyncClick();
    void PrintClick();
    void ExportClick();
    void VideoCaptureClick();
    void ScannerClick();
    void PreviewClick();
    void ImageViewerClick();
    void EditImageClick();
    void RenameImageClick();
    void HelpClick();
    void AboutClick();
    void LicenseClick();

    void CreateControls();
    void CreateMenusAndToolBar();
    void ConnectSheet();
    void ConnectFiles();
    // Export and preview of the sheet, with what they ask of the window.
    void ConnectExportAndPreview();
    // Keeps records of unsaved work in the recovery folder, when there is one.
    void StartRecovery();
    // A picture was written and placed: it goes into the recovery record at once.
    void PicturePlaced();
    // Opens `window` beside the sheet, or where it was last, from now on; `key` names its place in
    // celwright.ini.
    void KeepBesideSheet(QWidget& window, const char* key);
    // Reads the language, the recent files and where the window was.
    void ReadStoredState();
    // Sizes and places the window: as it was when last closed, else most of the screen.
    void PlaceOnScreen();
    void WriteStoredState();
    void TranslateAll();
    void RetranslateOtherWindows();
    void ApplyDocumentSettings(const TXpsSettings& settings);
    // The settings in force reset for a new sheet, new preferences or another profile, and applied.
    void RebuildSettings();
    void ApplySettings();
    // The window title as the document, version and profile make it.
    QString TitleText() const;
    void SetTitle();
    // The first line of the info panel.
    void InfoMessage(const QString& text);
    void ShowThumbnail(std::int32_t layer, std::int32_t frame);
    // The drawing of the cel covering the cell (1-based), or none with `missing` saying why; an
    // empty cell has neither.
    const TPicture* CelDrawing(std::int32_t layer, std::int32_t frame, QString& missing);
    void ShowInViewer(const TPicture* picture, const QString& missing);
    void ShowLayerPath(std::int32_t layer);
    // Shows the current layer's path and cel's thumbnail when either changed since last shown.
    void ShowCursor();
    // Activates the window and gives the sheet the keys (at start and after each dialog).
    void FocusSheet();
    QString CursorKey() const;
    // The layer properties window for the layer just added by the user; applies what it confirms.
    void NewLayerProperties();
    QStringList LayerColorNames() const;

    TAppFolders Folders;
    QString Project;
    QString LanguageName;
    TActivity CurrentActivity = TActivity::Starting;
    std::array<TLayerColors, 3> LayerColorTable;
    TSettingsManager SettingsManager;
    TProfileList Profiles;
    TSettingsInForce InForce;
    TLanguageTable LanguageTable;
    TQtTranslations QtTexts;

    // Parts and other windows.
    TSheetView* SheetView;
    std::unique_ptr<TSheetSound> SheetSound; // the sound graph, scrubbing and the volume window
    std::unique_ptr<TLipSyncCommands> LipSync;
    TSheetFiles* SheetFiles;
    TSheetRecovery* SheetRecovery = nullptr;
    TMainActions* Actions;
    TAlertPrompt* AlertPrompt;
    TEntryDialog* EntryDialog;
    TImageViewer* ImageViewer;
    TGuideOpener* Guide;
    TImportWindow* ImportWindow;
    TLayerPropertiesDialog* LayerPropertiesDialog;
    TProgramEditDialog* ProgramEditDialog;
    // The one compositor, shared by the preview and the movie builds.
    std::unique_ptr<TCompositor> Rostrum;
    std::unique_ptr<TSheetExport> SheetExport;
    std::unique_ptr<TPreviewCommand> Previews;
    TCaptureWindow* CaptureWindow = nullptr; // made by the first Video command
    TScannerWindow* ScannerWindow = nullptr; // made by the first Scanner command

    // Controls.
    QLabel* FpsLabel;
    TElidedLabel* LayerPathLabel;
    QLabel* ThumbnailView;
    QImage Thumbnail;
    QToolButton* MagnifyButton;
    QPlainTextEdit* InfoPanel;

    bool ShownOnce = false;
    QString ShownCursor;  // CursorKey() of what the path line and thumbnail show
    QRect StoredGeometry; // the window's frame-less geometry when last closed; invalid at first start
    bool StoredMaximized = false;
};
