#pragma once

#include "app/QtTranslations.h"
#include "CelwrightVersion.h"
#include "document/SheetRecords.h"
#include "document/SheetLoading.h"
#include "document/SheetObjects.h"
#include "settings/Preferences.h"
#include "settings/LanguageTable.h"
#include "settings/Profiles.h"

#include <QImage>
#include <QMainWindow>
#include <QPointer>
#include <QStringList>
#include <array>
#include <functional>
#include <memory>

class QAction;
class QActionGroup;
class QLabel;
class QMenu;
class QMenuBar;
class QPlainTextEdit;
class QToolButton;
class TAlertPrompt;
class TElidedLabel;
struct TExportContext;
class TEntryDialog;
class TCaptureWindow;
class TImageViewer;
class TImportWindow;
class TLayerPropertiesDialog;
class TPreviewWindow;
class TProgramEditDialog;
class TSheetSound;
class TCompositor;
class TSheetView;
class TScannerWindow;

// Where the program finds its own files and keeps the user's.
struct TAppFolders {
    QString ProgramFolder; // languages, help, "license.txt"; ends with "/"
    QString UserFolder;    // "celwright.ini", "profiles.ini"; ends with "/", or empty
};

// The main window: it owns the exposure sheet control, the preferences, the profiles, the
// language table and the recent files, and holds the one open document.
class TMainWindow : public QMainWindow {
    Q_OBJECT
public:
    static constexpr const char* kVersion = CELWRIGHT_VERSION;
    // Activity values: what the window is doing, so handlers can tell the user's changes apart.
    static constexpr int kStarting = 0;
    static constexpr int kIdle = 1;
    static constexpr int kLoading = 2;
    static constexpr int kRestoring = 5;

    explicit TMainWindow(const TAppFolders& folders, QWidget* parent = nullptr);
    ~TMainWindow() override;

    // Preferences in force.
    TSettings CurrentSettings() const { return Settings.Current; }
    void ApplyDocumentSettings(const TXpsSettings& settings);
    void RebuildSettings();
    void ApplySettings();
    void ApplyProfile(const TProfile& profile);
    // The Settings menu's actions, also used by other windows.
    void SetFrameRate(int fps);
    void SetCompositeMode(TComp mode);
    void SetImageFormat(TcwImageFormat format);

    // Documents.
    void OpenDocument(const QString& path);
    void LoadDocument(const QString& path);
    void AddRecent(const QString& path);
    // The first line of the info panel.
    void InfoMessage(const QString& text);
    void SelectLanguage(const QString& name);
    void ActivateProfile(const QString& name);
    // The window title as the document, version and profile make it.
    QString TitleText() const;
    // The document's name, or the translated "Untitled" while it has none.
    QString ShownDocumentName() const;
    // Opens the sheet named by the first program argument after the program's name, when it is an
    // existing file whose name ends exactly in ".xps".
    void OpenCommandLineSheet(const QStringList& arguments);
    // Files dropped at a point of the sheet control (in its pixels): drawings are placed from the
    // cell there on, a sound file is loaded, sheets are opened.
    void DropFiles(const QStringList& paths, const QPoint& sheetPoint);

    // Commands (menu items and tool buttons).
    void NewClick();
    void OpenClick();
    // True when the document was written.
    bool SaveClick();
    void SaveAsClick();
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
    void FpsOtherClick();
    void ImportImagesClick();
    void ImportAudioClick();
    void PrintClick();
    void ExportClick();
    void VideoCaptureClick();
    void ScannerClick();
    void PreviewClick();
    void ImageViewerClick();
    void EditLayerPropertiesClick();
    void NewWithFoldersClick();
    void PreferencesClick();
    void ManageProfilesClick();
    void EditImageClick();
    void RenameImageClick();
    void HelpClick();
    void AboutClick();
    void LicenseClick();

    // Runs a command; an error it raises is shown in the standard error box and the program goes on.
    void Guard(const std::function<void()>& command);

    // Dialog seams: the file dialogs, replaceable so tests can answer them.
    std::function<QString(const QString& folder, const QString& filter)> AskOpenFile;
    std::function<QString(const QString& folder, const QString& name, const QString& filter)> AskSaveFile;

    // State.
    TAppFolders Folders;
    QString DocumentName; // empty while the sheet has no name yet (shown as "Untitled")
    QString DocumentFolder;
    bool Modified = false;
    QString ActiveProfile;
    QString Language;
    QStringList RecentFiles;
    QString ProjectFolder;
    int Activity = kStarting;
    std::array<TLayerColors, 3> LayerColorTable;

    // Owned parts and windows.
    TSettingsManager Settings;
    TProfileList Profiles;
    TLanguageTable LanguageTable;
    TSheetView* Sheet;
    std::unique_ptr<TSheetSound> Sound; // the sound graph, scrubbing and the volume window
    TAlertPrompt* AlertPrompt;
    TScannerWindow* ScannerWindow = nullptr; // made by the first Scanner command
    TEntryDialog* EntryDialog;
    TImageViewer* ImageViewer;
    TImportWindow* ImportWindow;
    TLayerPropertiesDialog* LayerPropertiesDialog;
    TProgramEditDialog* ProgramEditDialog;
    // The one compositor, shared by the preview and the movie builds.
    std::unique_ptr<TCompositor> Rostrum;
    // The open preview window, if any.
    QPointer<TPreviewWindow> Preview;
    TCaptureWindow* CaptureWindow = nullptr; // the capture window, made by the first Video command
    QLabel* FpsLabel;
    TElidedLabel* LayerPathLabel; // the layer path line
    QLabel* ThumbnailView;       // the thumbnail
    QToolButton* MagnifyButton;
    QPlainTextEdit* InfoPanel;
    QImage Thumbnail;

    // Menus and commands.
    QMenu* FileMenu;
    QMenu* RecentMenu;
    QMenu* EditMenu;
    QMenu* SettingsMenu;
    QMenu* FpsMenu;
    QMenu* ImageFormatMenu;
    QMenu* CompositeMenu;
    QMenu* ProfilesMenu;
    QMenu* LanguagesMenu;
    QMenu* ToolsMenu;
    QMenu* HelpMenu;
    QMenu* CelMenu;
    QMenu* LayerMenu;
    QMenu* AudioMenu;
    QAction *NewAction, *NewWithFoldersAction, *OpenAction, *SaveAction, *SaveAsAction, *ImportImagesAction, *ImportAudioAction,
        *ExportAction, *PrintAction, *ExitAction;
    QAction *UndoAction, *RedoAction, *CutAction, *CopyAction, *PasteAction, *DeleteAction, *InsertFrameAction, *DeleteFramesAction, *AddTenFramesAction, *AddLayerAction,
        *DeleteLayerAction, *EditLayerPropertiesAction;
    QAction *Fps24Action, *Fps30Action, *Fps25Action, *Fps12Action, *Fps15Action, *FpsOtherAction;
    QAction *PngAction, *JpegAction, *BmpAction, *DarkenAction, *BlendAction, *MultiplyAction;
    QAction *ManageProfilesAction, *DefaultProfileAction, *EnglishAction, *PreferencesAction;
    QAction *VideoCaptureAction, *ScannerAction, *PreviewAction, *ImageViewerAction, *HelpAction, *AboutAction, *LicenseAction;
    QAction *CelCutAction, *CelCopyAction, *CelDeleteAction, *CelPasteAction, *RenameImageAction, *EditImageAction, *CelAddLayerAction, *CelDeleteLayerAction,
        *CelEditLayerPropertiesAction, *CelInsertFrameAction, *CelAddTenFramesAction, *ShowAudioAction, *HideAudioAction;
    QAction *LayerPropertiesAction, *AdjustVolumeAction, *AudioHideAction, *ClearAudioAction, *ClearPhonemesAction, *ClearAllAction;
    QAction *NewButton, *OpenButton, *SaveButton, *UndoButton, *RedoButton, *AddTenFramesButton, *VideoCaptureButton, *PreviewButton,
        *ExportButton;

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateControls();
    void CreateMenus();
    void CreateToolBar();
    void ConnectSheet();
    // Reads the language, the recent files and where the window was.
    void ReadStoredState();
    // Sizes and places the window: as it was when last closed, else most of the screen.
    void PlaceOnScreen();
    void WriteStoredState();
    void TranslateAll();
    void RetranslateOtherWindows();
    void RebuildRecentMenu();
    void SetTitle();
    // Asks to save a modified document; false when the user cancelled.
    bool AskSaveChanges();
    // Writes the sheet to `path`, which then names the document; not modified any more.
    void WriteDocument(const QString& path);
    QString ChooseSavePath();
    // The message that lists the cels a load left out.
    QString LeftOutMessage(const QString& path, const std::vector<TLeftOutCel>& cels) const;
    void ShowThumbnail(std::int32_t layer, std::int32_t frame);
    void ShowLayerPath(std::int32_t layer);
    // Shows the current layer's path and cel's thumbnail when either changed since last shown.
    void ShowCursor();
    // Activates the window and gives the sheet the keys (at start and after each dialog).
    void FocusSheet();
    QString CursorKey() const;
    void CheckFps(int fps);
    // What the export dialog works on: the sheet, the compositor, the preferences in force.
    TExportContext ExportContext();
    // The layer properties window for the layer just added by the user; applies what it confirms.
    void NewLayerProperties();
    // The Profiles submenu's items after "- Default -": one per stored profile.
    void RebuildProfilesMenu();
    // Checks the Profiles submenu's item of the active profile.
    void CheckProfileItem();
    QStringList LayerColorNames() const;
    // A menu item with its caption's language key; the command runs guarded.
    QAction* AddCommand(QMenu* menu, const TLanguageKey& caption, const std::function<void()>& command,
                        const QKeySequence& shortcut = {});
    QMenu* AddMenu(QMenuBar* bar, const TLanguageKey& caption);
    QMenu* AddMenu(QMenu* parent, const TLanguageKey& caption);

    QActionGroup* FpsGroup;
    QActionGroup* FormatGroup;
    QActionGroup* CompositeGroup;
    QActionGroup* ProfileGroup;
    QActionGroup* LanguageGroup;
    QList<QPair<QAction*, TLanguageKey>> Captions;
    QList<QPair<QAction*, TLanguageKey>> Hints;
    bool ShownOnce = false;
    QString ShownCursor;  // CursorKey() of what the path line and thumbnail show
    QRect StoredGeometry; // the window's frame-less geometry when last closed; invalid at first start
    bool StoredMaximized = false;
    TQtTranslations QtTexts;
};
