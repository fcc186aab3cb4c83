#pragma once

#include "settings/LanguageCatalogue.h"

#include <QList>
#include <QObject>
#include <QPair>
#include <QString>
#include <functional>

class QAction;
class QActionGroup;
class QKeySequence;
class QMenu;
class QMenuBar;
class QToolBar;
class TMainWindow;
class TProfileList;
class TSheetFiles;
class TSheetSound;
class TSheetView;

// The main window's commands: one action per command, shown alike in the menu bar, the sheet's
// pop-up menus and the tool bar, each named after its role (object name "CutAction" and so on).
// Captions and hints follow the language in force; UpdateActions sets what is enabled and checked
// from the sheet, the settings in force, the profile and the language.
class TMainActions : public QObject {
    Q_OBJECT
public:
    // The languages are the "*.lng" files in programFolder + "Languages".
    TMainActions(TMainWindow& window, TSheetView& sheet, TSheetFiles& files, TSheetSound& sound,
                 const TProfileList& profiles, const QString& programFolder);

    void FillMenuBar(QMenuBar& bar) const;
    void FillToolBar(QToolBar& bar) const;
    // The sheet's pop-up menus: over a cel, over a layer's header, over the audio column.
    QMenu* CelMenu() const { return Cel; }
    QMenu* LayerMenu() const { return Layer; }
    QMenu* AudioMenu() const { return Audio; }

    // Captions and hints in the language in force.
    void Retranslate();
    void UpdateActions();
    // The Profiles submenu's items after "- Default -": one per stored profile; unchecked until
    // the next UpdateActions.
    void RebuildProfilesMenu();
    // What the sheet last reported: undo and redo available, something to paste.
    void SetUndoAvailable(bool available);
    void SetRedoAvailable(bool available);
    void SetPasteAvailable();

private:
    // An action with its caption's language key; the command runs guarded.
    QAction* Command(const char* name, const TLanguageKey& caption, const std::function<void()>& command,
                     const QKeySequence& shortcut);
    QAction* Command(const char* name, const TLanguageKey& caption, const std::function<void()>& command);
    // The hint a command's tool button shows.
    void Hint(QAction* action, const TLanguageKey& hint);
    QAction* Choice(QActionGroup* group, const char* name, const TLanguageKey& caption,
                    const std::function<void()>& command);
    QMenu* Menu(const char* name, const TLanguageKey& caption);
    void CreateFileMenu();
    void CreateEditMenu();
    void CreateSettingsMenu(const QString& programFolder);
    void CreateLanguagesMenu(const QString& programFolder);
    void CreateToolsAndHelpMenus();
    void CreatePopupMenus();
    void CreateToolHints();
    void RebuildRecentMenu();
    void CheckFrameRate(int fps);

    TMainWindow& Window;
    TSheetView& Sheet;
    TSheetFiles& Files;
    TSheetSound& Sound;
    const TProfileList& Profiles;
    bool UndoAvailable = false;
    bool RedoAvailable = false;
    bool PasteAvailable = false;
    QList<QPair<QAction*, TLanguageKey>> Captions;
    QList<QPair<QAction*, TLanguageKey>> Hints;

    QMenu *FileMenu, *RecentMenu, *ImportMenu, *ExportMenu, *EditMenu, *SettingsMenu, *FpsMenu, *ImageFormatMenu,
        *CompositeMenu, *ProfilesMenu, *LanguagesMenu, *ToolsMenu, *CaptureMenu, *HelpMenu;
    QMenu *Cel, *Layer, *Audio;
    QActionGroup *FpsGroup, *FormatGroup, *CompositeGroup, *ProfileGroup, *LanguageGroup;
    QAction *NewAction, *NewWithFoldersAction, *OpenAction, *SaveAction, *SaveAsAction, *ImportImagesAction,
        *ImportAudioAction, *ImportTimesheetAction, *ExportAction, *ExportTimesheetAction, *PrintAction,
        *ExitAction;
    QAction *UndoAction, *RedoAction, *CutAction, *CopyAction, *PasteAction, *DeleteAction,
        *InsertFrameAction, *DeleteFramesAction, *AddTenFramesAction, *AddLayerAction, *DeleteLayerAction,
        *EditLayerPropertiesAction;
    QAction *Fps24Action, *Fps30Action, *Fps25Action, *Fps12Action, *Fps15Action, *FpsOtherAction;
    QAction *PngAction, *JpegAction, *BmpAction, *DarkenAction, *BlendAction, *MultiplyAction;
    QAction *ManageProfilesAction, *DefaultProfileAction, *EnglishAction, *PreferencesAction;
    QAction *VideoCaptureAction, *ScannerAction, *PreviewAction, *ImageViewerAction, *HelpAction,
        *AboutAction, *LicenseAction;
    QAction *RenameImageAction, *EditImageAction, *ShowAudioAction, *HideAudioAction;
    QAction *AdjustVolumeAction, *ClearAudioAction, *ClearPhonemesAction, *ClearAllAction;
    QAction *ImportPhonemesAction, *ApplyLipSyncAction;
};
