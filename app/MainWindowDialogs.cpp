// The main window's commands that run through its dialogs: new project with folders, layer
// properties, preferences, the profile manager, and editing or renaming a cel's drawing.
#include "app/ElidedLabel.h"
#include "app/LayerPropertiesDialog.h"
#include "app/MainActions.h"
#include "app/MainWindow.h"
#include "app/NewProjectDialog.h"
#include "app/PreferencesDialog.h"
#include "app/ProfileManagerDialog.h"
#include "app/SheetFiles.h"
#include "capture/CaptureViewMenu.h"
#include "capture/CaptureWindow.h"
#include "document/NewProject.h"
#include "settings/LiveGuideSettings.h"
#include "settings/MouthChartFile.h"
#include "settings/ReferencePictureSettings.h"
#include "sheetview/SheetView.h"
#include "ui/AlertPrompt.h"
#include "ui/AppTexts.h"
#include "ui/ImageEditing.h"
#include "ui/QtText.h"
#include "ui/WindowPlacement.h"

#include <QCheckBox>
#include <QCursor>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <exception>

QStringList TMainWindow::LayerColorNames() const {
    QStringList names;
    for (const TLayerColors& scheme : LayerColorTable)
        names.append(FromStd(scheme.Name));
    return names;
}

void TMainWindow::NewWithFoldersClick() {
    if (!SheetFiles->AskSaveChanges())
        return;
    QString name = Translate(LanguageKey("sNewProject"));
    QString folder = FromStd(SettingsManager.Current.General.DefaultPath);
    int fps = SettingsManager.Current.General.Fps;
    int layers = 1;
    const QString layerWord = Translate(LanguageKey("sLayer"));
    TNewProject project;
    std::vector<std::string> existing;
    {
        TNewProjectDialog dialog(AlertPrompt, EntryDialog, this);
        // The project is on disk, a sheet that opens as it stands, before the dialog closes; a
        // folder that cannot be written keeps the dialog open and changes nothing.
        dialog.MakeProject = [&](const QString& chosenName, const QString& chosenFolder, int chosenFps,
                                 int layerCount) {
            project = {ToStd(chosenName), ToStd(chosenFolder), {}};
            for (int k = 1; k <= layerCount; ++k)
                project.LayerCaptions.push_back(ToStd(layerWord + " " + QString::number(k)));
            TXpsSettings settings;
            SettingsManager.GetDocumentSettings(settings);
            settings.Fps = chosenFps;
            existing = MakeProjectFiles(project, settings,
                                        LayerColorScheme(SettingsManager.Current.General.LayerColor));
        };
        if (!dialog.Execute(name, folder, fps, layers))
            return;
    }
    CurrentActivity = TActivity::Loading;
    struct TBackToIdle {
        TActivity& CurrentActivity;
        ~TBackToIdle() { CurrentActivity = TActivity::Idle; }
    } backToIdle{CurrentActivity};

    RebuildSettings();
    SheetView->ClearSheet();
    LayerPathLabel->SetFullText(Translate(LanguageKey("sLayerPath")) + ": ");
    SheetFiles->SetDocumentName(name + ".xps");
    for (std::size_t k = 0; k < project.LayerCaptions.size(); ++k)
        SheetView->AddLayer(project.LayerCaptions[k], project.LayerFolder(k),
                            LayerColorScheme(SettingsManager.Current.General.LayerColor));
    QDir::setCurrent(folder);
    SheetFiles->SetDocumentFolder(folder);
    Project = folder;
    SetFrameRate(fps);
    ShowLayerPath(1);
    SheetView->SelectCell(1, 1);
    // Once more with the settings the new sheet now has.
    SheetFiles->Save();
    if (!existing.empty()) {
        QString names;
        for (const std::string& caption : existing)
            names += " " + FromStd(caption);
        AlertPrompt->Alert(Fill(Translate(LanguageKey("msgFoldersExist")), {names}));
    }
}

void TMainWindow::NewLayerProperties() {
    const std::int32_t layer = SheetView->LayerCount();
    const QString defaultPath = FromStd(SettingsManager.Current.General.DefaultPath);
    TLayerPropertiesDialog::TShown shown;
    shown.Caption = Translate(LanguageKey("sLayer")) + " " + QString::number(layer);
    shown.Folder = Project.isEmpty() ? defaultPath : Project;
    shown.ColorIndex = SettingsManager.Current.General.LayerColor;
    shown.FallbackFolder = defaultPath;
    shown.Chart = TMouthChartFile::Load(ToStd(shown.Folder));
    const QPoint topLeft(frameGeometry().left() + 90, SheetView->mapToGlobal(QPoint(0, 0)).y() + 90);
    if (!LayerPropertiesDialog->NewLayer(shown, topLeft))
        return;
    SheetView->SetLayerCaption(layer, ToStd(LayerPropertiesDialog->Caption));
    SheetView->SetLayerColors(layer, LayerColorScheme(LayerPropertiesDialog->ColorIndex));
    SheetView->SetLayerFolder(layer, ToStd(LayerPropertiesDialog->Folder));
    TMouthChartFile::Save(SheetView->LayerFolder(layer), LayerPropertiesDialog->Chart);
}

void TMainWindow::EditLayerPropertiesClick() {
    if (SheetView->LayerCount() == 0)
        return;
    const std::int32_t layer = SheetView->CurrentLayer();
    TLayerPropertiesDialog::TShown shown;
    shown.Caption = FromStd(SheetView->LayerCaption(layer));
    shown.Folder = FromStd(SheetView->LayerFolder(layer));
    shown.ColorIndex = std::max<int>(
        0, static_cast<int>(LayerColorNames().indexOf(FromStd(SheetView->LayerColors(layer).Name))));
    shown.FallbackFolder = FromStd(SettingsManager.Current.General.DefaultPath);
    shown.Chart = TMouthChartFile::Load(SheetView->LayerFolder(layer));
    const QPoint topLeft(QCursor::pos().x() - 50, SheetView->mapToGlobal(QPoint(0, 0)).y() + 90);
    if (!LayerPropertiesDialog->EditLayer(shown, topLeft))
        return;
    SheetView->ChangeLayerProperties(layer, ToStd(LayerPropertiesDialog->Caption),
                                     ToStd(LayerPropertiesDialog->Folder),
                                     LayerColorScheme(LayerPropertiesDialog->ColorIndex));
    ShowLayerPath(layer);
    TMouthChartFile::Save(SheetView->LayerFolder(layer), LayerPropertiesDialog->Chart);
}

void TMainWindow::PreferencesClick() {
    TSettings edited = SettingsManager.Saved;
    bool forgetPlaces = false;
    bool forgetGuides = false;
    bool forgetReferences = false;
    {
        TPreferencesDialog dialog(LayerColorNames(), ProgramEditDialog, this);
        if (!dialog.Edit(Translate(LanguageKey("sPreferences")), edited, frameGeometry().topLeft()))
            return;
        forgetPlaces = dialog.ForgetPlacesCheck->isChecked();
        forgetGuides = dialog.ForgetGuidesCheck->isChecked();
        forgetReferences = dialog.ForgetReferencesCheck->isChecked();
    }
    SettingsManager.Saved = edited;
    // The preferences take effect even when the file cannot be written; that is reported after.
    std::exception_ptr failure;
    try {
        SettingsManager.SaveToFile();
        const std::string file = SettingsManager.SettingsFilePath();
        if (forgetPlaces)
            ForgetPlaces(file);
        if (forgetGuides)
            ForgetLiveGuideSettings(file);
        if (forgetReferences)
            ForgetReferencePictureSettings(file);
        if ((forgetGuides || forgetReferences) && CaptureWindow)
            CaptureWindow->ViewMenu->ReadKeptSettings();
    } catch (...) {
        failure = std::current_exception();
    }
    RebuildSettings();
    if (failure)
        std::rethrow_exception(failure);
}

void TMainWindow::ManageProfilesClick() {
    QString active;
    {
        TProfileManagerDialog manager(Profiles, SettingsManager.Saved, ActiveProfile(), EntryDialog, AlertPrompt,
                                      this);
        manager.move(frameGeometry().center() - manager.rect().center());
        manager.exec();
        if (!manager.Changed())
            return;
        active = manager.ActiveProfile();
    }
    Actions->RebuildProfilesMenu();
    Actions->UpdateActions();
    if (active != ActiveProfile())
        ActivateProfile(active);
    Profiles.SaveProfiles();
}

void TMainWindow::EditImageClick() {
    std::vector<std::string> paths;
    SheetView->CelImagePaths(SheetView->SelectedCells(), paths);
    QStringList list;
    for (const std::string& path : paths)
        list.append(FromStd(path));
    EditDrawings(FromStd(CurrentSettings().Editors.ImageEditor.Location), list, *AlertPrompt);
}

void TMainWindow::RenameImageClick() {
    const std::int32_t layer = SheetView->CurrentLayer();
    const std::int32_t frame = SheetView->CurrentFrame();
    if (!SheetView->CelImageExists(layer, frame)) {
        AlertPrompt->Alert(
            Fill(Translate(LanguageKey("msgErrImageNotFound")),
                 {FromStd(SheetView->CelName(layer, frame)), FromStd(SheetView->LayerFolder(layer))}));
        return;
    }
    SheetView->RenameCelImage(layer, frame);
}
