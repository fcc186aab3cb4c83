#pragma once

#include "capture/LiveGuides.h"
#include "capture/ReferencePicture.h"

#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <array>
#include <cstdint>
#include <filesystem>
#include <set>
#include <string>

class QAction;
class QLabel;
class QMenu;
class QMenuBar;
class QSlider;
class QWidget;
class TAlertPrompt;
class TSheetView;
class TVideoView;

// The capture window's View menu: the guides over the live picture, kept per camera, and the
// reference picture, kept per sheet, both in the settings file. Every change is written at once.
// The reference picture follows its file: written anew (a cel captured again), it shows anew.
class TCaptureViewMenu : public QObject {
public:
    // Adds the menu to `bar` and paints its guides and reference picture in `view`. `window` is
    // the capture window (dialogs and messages open over it); `sheet` gives the cels; `prompt` asks
    // whether a reference picture that cannot be read is forgotten.
    TCaptureViewMenu(QMenuBar& bar, TVideoView& view, TSheetView& sheet, QWidget& window, TAlertPrompt& prompt);

    // The file the settings are kept in; empty keeps them only while the program runs.
    std::string SettingsFile;

    // The camera whose live picture shows: its guides come up.
    void CameraChosen(const std::string& camera);
    // The window shows for the sheet saved at `sheetPath` (empty for a sheet never saved): its
    // reference picture comes up. One that cannot be read is named once per sheet while the program
    // runs, with the choice to forget it; kept, it shows when its file comes back.
    void SheetShown(const std::string& sheetPath);
    void Retranslate();
    // The guides and the reference picture again as the settings file keeps them (after they were
    // forgotten there).
    void ReadKeptSettings();

    // The menu's commands. OpenReference asks for the file; the others act at once.
    void OpenReference();
    void OpenReferenceFile(const std::string& file);
    void ReferenceFromCel();

    TLiveGuides Guides;
    TReferencePicture Reference;

    QMenu* ViewMenu;
    QAction* GridAction;
    QAction* GridSettingsAction;
    QMenu* MaskMenu;
    std::array<QAction*, 5> MaskActions; // None, 4:3, 16:9, 1.85:1, 2.39:1
    QAction* TitleSafeAction;
    QAction* ActionSafeAction;
    QAction* CentreCrossAction;
    QAction* ReferenceAction;
    QAction* OpenReferenceAction;
    QAction* ReferenceFromCelAction;
    QAction* ReferenceDifferenceAction;
    QLabel* ReferenceOpacityLabel;
    QSlider* ReferenceOpacityBar;
    QAction* FitReferenceAction;

private:
    void CreateGuideActions();
    void CreateReferenceActions();
    void ShowGuideSettings();
    void GuidesChanged();
    void GridSettingsClick();
    void ShowReferenceSettings();
    void ReferenceChanged();
    // Reads the picture at `file` into the reference; throws ECwError naming it when it cannot.
    void LoadReferenceImage(const std::string& file);
    // Loads the sheet's kept reference picture, or asks once whether to forget it.
    void LoadKeptReference();
    // True when the picture shown is the file as it is now, or there is none.
    bool ReferenceIsCurrent() const;
    // Watches the reference picture's file and its folder (a file written anew is a new file).
    void WatchReference();
    void ReferenceFileChanged();
    void Guard(const std::function<void()>& handler);

    TVideoView& View;
    TSheetView& Sheet;
    QWidget& Window;
    TAlertPrompt& Prompt;
    QFileSystemWatcher Watcher;
    // When and how large the reference picture's file was as it was read.
    std::filesystem::file_time_type LoadedTime;
    std::uintmax_t LoadedBytes = 0;
    std::set<std::string> Reported; // sheet and picture of each unreadable reference named
    std::string Camera;
    std::string SheetPath;
    bool SheetKnown = false;
};
