// The main window's commands that run through its dialogs: new project with folders, layer
// properties, preferences, the profile manager, and editing or renaming a cel's drawing.
#include "app/AppTexts.h"
#include "app/ElidedLabel.h"
#include "app/ImageEditing.h"
#include "app/PreferencesDialog.h"
#include "app/ProjectDialog.h"
#include "app/cwAlert.h"
#include "app/cwProfileManager.h"
#include "app/exposureSheet.h"
#include "app/layerProperties.h"
#include "sheetview/Xsheet2.h"

#include <QCursor>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <exception>

namespace {
QString FromStd(const std::string& text) {
    return QString::fromStdString(text);
}

std::string ToStd(const QString& text) {
    return text.toStdString();
}
} // namespace

QStringList TForm1::LayerColorNames() const {
    QStringList names;
    for (const TLayerColors& scheme : LayerColorTable)
        names.append(FromStd(scheme.Name));
    return names;
}

void TForm1::NewWithFoldersClick() {
    if (!AskSaveChanges())
        return;
    QString name = Translate(LanguageKey("sNewProject"));
    QString folder = FromStd(Settings.Current.General.DefaultPath);
    int fps = Settings.Current.General.Fps;
    int layers = 1;
    {
        TProjDialog dialog(AlertPrompt, EntryDialog, this);
        if (!dialog.Execute(name, folder, fps, layers))
            return;
    }
    const QString layerWord = Translate(LanguageKey("sLayer"));
    Activity = kLoading;
    struct TBackToIdle {
        int& Activity;
        ~TBackToIdle() { Activity = kIdle; }
    } backToIdle{Activity};

    RebuildSettings();
    if (const TProfile* profile = Profiles.FindProfile(ToStd(ActiveProfile)))
        ApplyProfile(*profile);
    Xsheet->ClearSheet();
    Label1->SetFullText(Translate(LanguageKey("sLayerPath")) + ": ");
    DocumentName = name + ".xps";
    SetTitle();
    QString existing;
    for (int k = 1; k <= layers; ++k) {
        const QString numbered = layerWord + " " + QString::number(k);
        const QString layerFolder = folder + name + "_" + numbered;
        // A folder that cannot be made is still the layer's: its drawings then show as missing.
        if (QFileInfo::exists(layerFolder))
            existing += " " + numbered;
        else
            QDir().mkdir(layerFolder);
        Xsheet->AddLayer(ToStd(numbered), ToStd(layerFolder + "/"),
                         LayerColorScheme(Settings.Current.General.LayerColor));
    }
    QDir::setCurrent(folder);
    DocumentFolder = folder;
    ProjectFolder = folder;
    SetFrameRate(fps);
    Modified = false;
    ShowLayerPath(1);
    Xsheet->SelectCell(1, 1);
    // An empty sheet file, so that Save writes straight into it.
    QFile sheet(folder + DocumentName);
    if (!sheet.exists() && !sheet.open(QIODevice::WriteOnly))
        throw ECwError(ToStd(sheet.fileName() + ": " + sheet.errorString()));
    sheet.close();
    if (!existing.isEmpty())
        AlertPrompt->Alert(Fill(Translate(LanguageKey("msgFoldersExist")), {existing}));
}

void TForm1::NewLayerProperties() {
    const std::int32_t layer = Xsheet->LayerCount();
    const QString defaultPath = FromStd(Settings.Current.General.DefaultPath);
    TLayerProp::TShown shown;
    shown.Caption = Translate(LanguageKey("sLayer")) + " " + QString::number(layer);
    shown.Folder = ProjectFolder.isEmpty() ? defaultPath : ProjectFolder;
    shown.ColorIndex = Settings.Current.General.LayerColor;
    shown.FallbackFolder = defaultPath;
    const QPoint topLeft(frameGeometry().left() + 90, Xsheet->mapToGlobal(QPoint(0, 0)).y() + 90);
    if (!LayerProp->NewLayer(shown, topLeft))
        return;
    Xsheet->SetLayerCaption(layer, ToStd(LayerProp->Caption));
    Xsheet->SetLayerColors(layer, LayerColorScheme(LayerProp->ColorIndex));
    Xsheet->SetLayerFolder(layer, ToStd(LayerProp->Folder));
}

void TForm1::EditLayerPropertiesClick() {
    if (Xsheet->LayerCount() == 0)
        return;
    const std::int32_t layer = Xsheet->CurrentLayer();
    TLayerProp::TShown shown;
    shown.Caption = FromStd(Xsheet->LayerCaption(layer));
    shown.Folder = FromStd(Xsheet->LayerFolder(layer));
    shown.ColorIndex = std::max<int>(
        0, static_cast<int>(LayerColorNames().indexOf(FromStd(Xsheet->LayerColors(layer).Name))));
    shown.FallbackFolder = FromStd(Settings.Current.General.DefaultPath);
    const QPoint topLeft(QCursor::pos().x() - 50, Xsheet->mapToGlobal(QPoint(0, 0)).y() + 90);
    if (!LayerProp->EditLayer(shown, topLeft))
        return;
    Xsheet->SaveUndoState();
    if (!LayerProp->Folder.isEmpty())
        Xsheet->SetLayerFolder(layer, ToStd(LayerProp->Folder));
    if (!LayerProp->Caption.isEmpty())
        Xsheet->SetLayerCaption(layer, ToStd(LayerProp->Caption));
    Xsheet->SetLayerColors(layer, LayerColorScheme(LayerProp->ColorIndex));
    ShowLayerPath(layer);
}

void TForm1::PreferencesClick() {
    TSettings edited = Settings.Saved;
    {
        TEditPref dialog(LayerColorNames(), ProgramEditDialog, this);
        if (!dialog.Edit(Translate(LanguageKey("sPreferences")), edited, frameGeometry().topLeft()))
            return;
    }
    Settings.Saved = edited;
    // The preferences take effect even when the file cannot be written; that is reported after.
    std::exception_ptr failure;
    try {
        Settings.SaveToFile();
    } catch (...) {
        failure = std::current_exception();
    }
    RebuildSettings();
    if (const TProfile* profile = Profiles.FindProfile(ToStd(ActiveProfile)))
        ApplyProfile(*profile);
    if (failure)
        std::rethrow_exception(failure);
}

void TForm1::ManageProfilesClick() {
    QString active;
    {
        TProfileManager manager(Profiles, Settings.Saved, ActiveProfile, EntryDialog, AlertPrompt, this);
        manager.move(frameGeometry().center() - manager.rect().center());
        manager.exec();
        if (!manager.Changed())
            return;
        active = manager.ActiveProfile();
    }
    RebuildProfilesMenu();
    if (active != ActiveProfile)
        ActivateProfile(active);
    Profiles.SaveProfiles();
}

void TForm1::EditImageClick() {
    const QString editor = FromStd(CurrentSettings().Editors.ImageEditor.Location);
    // Without an editor the desktop's default program opens the drawings.
    if (!editor.isEmpty() && !QFileInfo(editor).isFile()) {
        AlertPrompt->Alert(Translate(LanguageKey("msgErrImageEditor")));
        return;
    }
    std::vector<std::string> paths;
    Xsheet->CelImagePaths(Xsheet->SelectedCells(), paths);
    QStringList list;
    for (const std::string& path : paths)
        list.append(FromStd(path));
    const QString missing = EditImages(editor, list);
    if (!missing.isEmpty())
        AlertPrompt->Alert("The following files were not found: " + missing);
}

void TForm1::RenameImageClick() {
    const std::int32_t layer = Xsheet->CurrentLayer();
    const std::int32_t frame = Xsheet->CurrentFrame();
    if (!Xsheet->CelImageExists(layer, frame)) {
        AlertPrompt->Alert(
            Fill(Translate(LanguageKey("msgErrImageNotFound")),
                 {FromStd(Xsheet->CelName(layer, frame)), FromStd(Xsheet->LayerFolder(layer))}));
        return;
    }
    Xsheet->RenameCelImage(layer, frame);
}
