#include "app/MainActions.h"

#include "app/AppResources.h"
#include "ui/AppTexts.h"
#include "app/CommandButton.h"
#include "app/MainWindow.h"
#include "app/SheetFiles.h"
#include "audio/SheetSound.h"
#include "settings/LanguageTable.h"
#include "settings/Profiles.h"
#include "sheetview/SheetView.h"
#include "base/Error.h"
#include "ui/QtText.h"

#include <QAction>
#include <QActionGroup>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>

namespace {
QString WithoutAmpersands(QString caption) {
    return caption.remove('&');
}

QString EnglishName() {
    return QString::fromUtf8(kEnglishLanguage.data(), kEnglishLanguage.size());
}
} // namespace

TMainActions::TMainActions(TMainWindow& window, TSheetView& sheet, TSheetFiles& files, TSheetSound& sound,
                           const TProfileList& profiles, const QString& programFolder)
    : QObject(&window), Window(window), Sheet(sheet), Files(files), Sound(sound), Profiles(profiles) {
    LoadAppResources();
    CreateFileMenu();
    CreateEditMenu();
    CreateSettingsMenu(programFolder);
    CreateToolsAndHelpMenus();
    CreatePopupMenus();
    CreateToolHints();
    connect(&Files, &TSheetFiles::RecentFilesChanged, this, [this] { RebuildRecentMenu(); });
}

QAction* TMainActions::Command(const char* name, const TLanguageKey& caption,
                               const std::function<void()>& command, const QKeySequence& shortcut) {
    QAction* action = Command(name, caption, command);
    action->setShortcut(shortcut);
    // The pop-up menus show no shortcuts; the menu bar's menus do.
    action->setShortcutVisibleInContextMenu(false);
    return action;
}

QAction* TMainActions::Command(const char* name, const TLanguageKey& caption,
                               const std::function<void()>& command) {
    auto* action = new QAction(this);
    action->setObjectName(name);
    Captions.append({action, caption});
    connect(action, &QAction::triggered, this, [this, command] { Window.Guard(command); });
    return action;
}

void TMainActions::Hint(QAction* action, const TLanguageKey& hint) {
    Hints.append({action, hint});
}

QAction* TMainActions::Choice(QActionGroup* group, const char* name, const TLanguageKey& caption,
                              const std::function<void()>& command) {
    QAction* action = Command(name, caption, command);
    action->setCheckable(true);
    group->addAction(action);
    return action;
}

QMenu* TMainActions::Menu(const char* name, const TLanguageKey& caption) {
    auto* menu = new QMenu(&Window);
    menu->setObjectName(name);
    Captions.append({menu->menuAction(), caption});
    return menu;
}

void TMainActions::CreateFileMenu() {
    FileMenu = Menu("FileMenu", LanguageKey("sFile"));
    NewAction = Command(
        "NewAction", LanguageKey("sNewXPS"), [this] { Window.NewClick(); }, QKeySequence("Ctrl+N"));
    NewWithFoldersAction = Command(
        "NewWithFoldersAction", LanguageKey("sNewXPSWithFoldersDots"),
        [this] { Window.NewWithFoldersClick(); }, QKeySequence("Ctrl+Alt+N"));
    OpenAction = Command(
        "OpenAction", LanguageKey("sOpenDots"), [this] { Files.Open(); }, QKeySequence("Ctrl+O"));
    RecentMenu = Menu("RecentMenu", LanguageKey("sOpenRecent"));
    SaveAction = Command(
        "SaveAction", LanguageKey("sSave"), [this] { Files.Save(); }, QKeySequence("Ctrl+S"));
    SaveAsAction = Command("SaveAsAction", LanguageKey("sSaveAsDots"), [this] { Files.SaveAs(); });
    ImportMenu = Menu("ImportMenu", LanguageKey("sImport"));
    ImportImagesAction =
        Command("ImportImagesAction", LanguageKey("sImagesDots"), [this] { Window.ImportImagesClick(); });
    ImportAudioAction =
        Command("ImportAudioAction", LanguageKey("sAudio"), [this] { Window.ImportAudioClick(); });
    ImportTimesheetAction =
        Command("ImportTimesheetAction", LanguageKey("sTimesheetDots"), [this] { Files.ImportTimesheet(); });
    ExportMenu = Menu("ExportMenu", LanguageKey("sExport"));
    ExportAction = Command("ExportAction", LanguageKey("sExportAviDots"), [this] { Window.ExportClick(); });
    ExportTimesheetAction =
        Command("ExportTimesheetAction", LanguageKey("sTimesheetDots"), [this] { Files.ExportTimesheet(); });
    PrintAction = Command(
        "PrintAction", LanguageKey("sPrint"), [this] { Window.PrintClick(); }, QKeySequence("Ctrl+P"));
    ExitAction = Command(
        "ExitAction", LanguageKey("sExit"), [this] { Window.close(); }, QKeySequence("Ctrl+Q"));

    FileMenu->addActions({NewAction, NewWithFoldersAction, OpenAction});
    FileMenu->addMenu(RecentMenu);
    FileMenu->addActions({SaveAction, SaveAsAction});
    FileMenu->addSeparator();
    FileMenu->addMenu(ImportMenu);
    ImportMenu->addActions({ImportImagesAction, ImportAudioAction, ImportTimesheetAction});
    FileMenu->addMenu(ExportMenu);
    ExportMenu->addActions({ExportAction, ExportTimesheetAction});
    FileMenu->addAction(PrintAction);
    FileMenu->addSeparator();
    FileMenu->addAction(ExitAction);
}

void TMainActions::CreateEditMenu() {
    EditMenu = Menu("EditMenu", LanguageKey("sEdit"));
    UndoAction = Command(
        "UndoAction", LanguageKey("sUndo"), [this] { Window.UndoClick(); }, QKeySequence("Ctrl+Z"));
    RedoAction = Command(
        "RedoAction", LanguageKey("sRedo"), [this] { Window.RedoClick(); }, QKeySequence("Ctrl+R"));
    CutAction = Command(
        "CutAction", LanguageKey("sCut"), [this] { Window.CutClick(); }, QKeySequence("Ctrl+X"));
    CopyAction = Command(
        "CopyAction", LanguageKey("sCopy"), [this] { Window.CopyClick(); }, QKeySequence("Ctrl+C"));
    PasteAction = Command(
        "PasteAction", LanguageKey("sPaste"), [this] { Window.PasteClick(); }, QKeySequence("Ctrl+V"));
    // Delete is Cut under another name and key.
    DeleteAction = Command(
        "DeleteAction", LanguageKey("sDelete"), [this] { Window.CutClick(); }, QKeySequence(Qt::Key_Delete));
    InsertFrameAction = Command(
        "InsertFrameAction", LanguageKey("sInsertFrame"), [this] { Window.InsertFrameClick(); },
        QKeySequence("Ctrl+Ins"));
    DeleteFramesAction = Command(
        "DeleteFramesAction", LanguageKey("sDeleteFrames"), [this] { Window.DeleteFramesClick(); },
        QKeySequence("Ctrl+Del"));
    AddTenFramesAction =
        Command("AddTenFramesAction", LanguageKey("sAdd10Frames"), [this] { Window.AddTenFramesClick(); });
    AddLayerAction = Command(
        "AddLayerAction", LanguageKey("sAddLayer"), [this] { Window.AddLayerClick(); },
        QKeySequence("Ctrl+L"));
    DeleteLayerAction =
        Command("DeleteLayerAction", LanguageKey("sDeleteLayer"), [this] { Window.DeleteLayerClick(); });
    EditLayerPropertiesAction = Command("EditLayerPropertiesAction", LanguageKey("sEditLayerPropertiesDots"),
                                        [this] { Window.EditLayerPropertiesClick(); });

    EditMenu->addActions({UndoAction, RedoAction});
    EditMenu->addSeparator();
    EditMenu->addActions({CutAction, CopyAction, PasteAction, DeleteAction});
    EditMenu->addSeparator();
    EditMenu->addActions({InsertFrameAction, DeleteFramesAction, AddTenFramesAction});
    EditMenu->addSeparator();
    EditMenu->addActions({AddLayerAction, DeleteLayerAction, EditLayerPropertiesAction});
}

void TMainActions::CreateSettingsMenu(const QString& programFolder) {
    SettingsMenu = Menu("SettingsMenu", LanguageKey("sSettings"));
    FpsMenu = Menu("FpsMenu", LanguageKey("sFPS"));
    FpsGroup = new QActionGroup(this);
    auto fps = [this](const char* name, int rate, const TLanguageKey& key) {
        return Choice(FpsGroup, name, key, [this, rate] { Window.SetFrameRate(rate); });
    };
    Fps24Action = fps("Fps24Action", 24, LanguageKey("s24"));
    Fps30Action = fps("Fps30Action", 30, LanguageKey("s30"));
    Fps25Action = fps("Fps25Action", 25, LanguageKey("s25"));
    Fps12Action = fps("Fps12Action", 12, LanguageKey("s12"));
    Fps15Action = fps("Fps15Action", 15, LanguageKey("s15"));
    FpsOtherAction =
        Choice(FpsGroup, "FpsOtherAction", LanguageKey("sOtherDots"), [this] { Window.FpsOtherClick(); });
    FpsMenu->addActions(FpsGroup->actions());

    ImageFormatMenu = Menu("ImageFormatMenu", LanguageKey("sImageFormat"));
    FormatGroup = new QActionGroup(this);
    auto format = [this](const char* name, TcwImageFormat value, const TLanguageKey& key) {
        return Choice(FormatGroup, name, key, [this, value] { Window.SetImageFormat(value); });
    };
    PngAction = format("PngAction", TcwImageFormat::png, LanguageKey("sPNG"));
    JpegAction = format("JpegAction", TcwImageFormat::jpg, LanguageKey("sJPEG"));
    BmpAction = format("BmpAction", TcwImageFormat::bmp, LanguageKey("sBMP"));
    ImageFormatMenu->addActions(FormatGroup->actions());

    CompositeMenu = Menu("CompositeMenu", LanguageKey("sComposite"));
    CompositeGroup = new QActionGroup(this);
    auto composite = [this](const char* name, TComp mode, const TLanguageKey& key) {
        return Choice(CompositeGroup, name, key, [this, mode] { Window.SetCompositeMode(mode); });
    };
    DarkenAction = composite("DarkenAction", TComp::cDarken, LanguageKey("sDarken"));
    BlendAction = composite("BlendAction", TComp::cBlend, LanguageKey("sBlend"));
    MultiplyAction = composite("MultiplyAction", TComp::cMultiply, LanguageKey("sMultiply"));
    CompositeMenu->addActions(CompositeGroup->actions());

    ProfilesMenu = Menu("ProfilesMenu", LanguageKey("sProfiles"));
    ManageProfilesAction = Command("ManageProfilesAction", LanguageKey("sManageProfiles"),
                                   [this] { Window.ManageProfilesClick(); });
    ProfilesMenu->addAction(ManageProfilesAction);
    ProfilesMenu->addSeparator();
    ProfileGroup = new QActionGroup(this);
    DefaultProfileAction = Choice(ProfileGroup, "DefaultProfileAction", LanguageKey("sDefault"),
                                  [this] { Window.ActivateProfile("Default"); });
    DefaultProfileAction->setChecked(true);
    ProfilesMenu->addAction(DefaultProfileAction);
    RebuildProfilesMenu();

    for (QMenu* menu : {FpsMenu, ImageFormatMenu, CompositeMenu, ProfilesMenu})
        SettingsMenu->addMenu(menu);
    CreateLanguagesMenu(programFolder);
    PreferencesAction =
        Command("PreferencesAction", LanguageKey("sPreferencesDots"), [this] { Window.PreferencesClick(); });
    SettingsMenu->addAction(PreferencesAction);
}

void TMainActions::CreateLanguagesMenu(const QString& programFolder) {
    LanguagesMenu = Menu("LanguagesMenu", LanguageKey("sLanguages"));
    SettingsMenu->addMenu(LanguagesMenu);
    LanguageGroup = new QActionGroup(this);
    // Each language is named in its own words, whatever the interface speaks; an item's data is
    // the name of its file.
    const auto addLanguage = [this](const QString& file, const QString& caption) {
        QAction* item = LanguagesMenu->addAction(caption);
        item->setData(file);
        item->setCheckable(true);
        LanguageGroup->addAction(item);
        connect(item, &QAction::triggered, this,
                [this, file] { Window.Guard([this, file] { Window.SelectLanguage(file); }); });
        return item;
    };
    const TLanguageKey& ownName = LanguageKey("sLanguageName");
    EnglishAction = addLanguage(EnglishName(), FromStd(std::string(ownName.Text)));
    EnglishAction->setObjectName("EnglishAction");
    const QDir languages(programFolder + "Languages");
    for (const QFileInfo& file : languages.entryInfoList({"*.lng"}, QDir::Files, QDir::Name)) {
        const QString name = file.completeBaseName();
        if (name == EnglishName())
            continue;
        TLanguageTable language;
        std::string caption;
        try {
            language.LoadLanguage(ToStd(languages.path() + "/"), ToStd(name));
            caption = language.Lookup(ownName.Key);
        } catch (const ECwError&) {
            // A file that does not load is refused with its reason when chosen.
        }
        addLanguage(name, caption.empty() ? name : FromStd(caption));
    }
}

void TMainActions::CreateToolsAndHelpMenus() {
    ToolsMenu = Menu("ToolsMenu", LanguageKey("sTools"));
    CaptureMenu = Menu("CaptureMenu", LanguageKey("sCapture"));
    VideoCaptureAction = Command(
        "VideoCaptureAction", LanguageKey("sVideo"), [this] { Window.VideoCaptureClick(); },
        QKeySequence(Qt::Key_F6));
    ScannerAction = Command(
        "ScannerAction", LanguageKey("sScanner"), [this] { Window.ScannerClick(); }, QKeySequence("Ctrl+F6"));
    PreviewAction = Command(
        "PreviewAction", LanguageKey("sPreview"), [this] { Window.PreviewClick(); },
        QKeySequence(Qt::Key_F7));
    ImageViewerAction =
        Command("ImageViewerAction", LanguageKey("sImageViewer"), [this] { Window.ImageViewerClick(); });
    ToolsMenu->addMenu(CaptureMenu);
    CaptureMenu->addActions({VideoCaptureAction, ScannerAction});
    ToolsMenu->addActions({PreviewAction, ImageViewerAction});

    HelpMenu = Menu("HelpMenu", LanguageKey("sHelp"));
    HelpAction = Command(
        "HelpAction", LanguageKey("sCelwrightHelp"), [this] { Window.HelpClick(); },
        QKeySequence(Qt::Key_F1));
    AboutAction = Command("AboutAction", LanguageKey("sAboutDots"), [this] { Window.AboutClick(); });
    LicenseAction = Command("LicenseAction", LanguageKey("sLicense"), [this] { Window.LicenseClick(); });
    HelpMenu->addActions({HelpAction, AboutAction, LicenseAction});
}

void TMainActions::CreatePopupMenus() {
    RenameImageAction =
        Command("RenameImageAction", LanguageKey("sRenameImage"), [this] { Window.RenameImageClick(); });
    EditImageAction =
        Command("EditImageAction", LanguageKey("sEditImage"), [this] { Window.EditImageClick(); });
    ShowAudioAction = Command("ShowAudioAction", LanguageKey("sShowAudio"), [this] { Sheet.ShowAudio(); });
    HideAudioAction = Command("HideAudioAction", LanguageKey("sHideAudio"), [this] { Sheet.HideAudio(); });
    Cel = new QMenu(&Window);
    Cel->setObjectName("CelMenu");
    Cel->addActions({CutAction, CopyAction, DeleteAction, PasteAction});
    Cel->addSeparator();
    Cel->addActions({RenameImageAction, EditImageAction});
    Cel->addSeparator();
    Cel->addActions({AddLayerAction, DeleteLayerAction, EditLayerPropertiesAction});
    Cel->addSeparator();
    Cel->addActions({InsertFrameAction, AddTenFramesAction});
    Cel->addSeparator();
    Cel->addActions({ShowAudioAction, HideAudioAction});
    // Whether the cel's drawing is on disk, rather than anything in the sheet, decides these two;
    // it is looked at when the menu opens.
    connect(Cel, &QMenu::aboutToShow, this, [this] {
        const TCellRect cells = Sheet.SelectedCells();
        const bool drawingThere = Sheet.CelImageExists(cells.Left, cells.Top);
        RenameImageAction->setEnabled(drawingThere);
        EditImageAction->setEnabled(drawingThere);
    });

    Layer = new QMenu(&Window);
    Layer->setObjectName("LayerMenu");
    Layer->addAction(EditLayerPropertiesAction);

    AdjustVolumeAction =
        Command("AdjustVolumeAction", LanguageKey("sAdjustVolume"), [this] { Sound.AdjustVolume(); });
    ClearAudioAction =
        Command("ClearAudioAction", LanguageKey("sClearAudio"), [this] { Sound.ClearAudio(); });
    ClearPhonemesAction =
        Command("ClearPhonemesAction", LanguageKey("sClearPhonemes"), [this] { Sound.ClearPhonemes(); });
    ClearAllAction = Command("ClearAllAction", LanguageKey("sClearAll"), [this] { Sound.ClearAll(); });
    ImportPhonemesAction = Command("ImportPhonemesAction", LanguageKey("sImportPhonemesDots"),
                                   [this] { Window.ImportPhonemesClick(); });
    ApplyLipSyncAction =
        Command("ApplyLipSyncAction", LanguageKey("sApplyLipSync"), [this] { Window.ApplyLipSyncClick(); });
    Audio = new QMenu(&Window);
    Audio->setObjectName("AudioMenu");
    Audio->addActions(
        {AdjustVolumeAction, HideAudioAction, ClearAudioAction, ClearPhonemesAction, ClearAllAction});
    Audio->addSeparator();
    Audio->addActions({ImportPhonemesAction, ApplyLipSyncAction});
}

void TMainActions::FillMenuBar(QMenuBar& bar) const {
    for (QMenu* menu : {FileMenu, EditMenu, SettingsMenu, ToolsMenu, HelpMenu})
        bar.addMenu(menu);
}

void TMainActions::CreateToolHints() {
    Hint(NewAction, LanguageKey("msgNew"));
    Hint(OpenAction, LanguageKey("msgOpen"));
    Hint(SaveAction, LanguageKey("msgSave"));
    Hint(UndoAction, LanguageKey("msgUndo"));
    Hint(RedoAction, LanguageKey("msgRedo"));
    Hint(AddTenFramesAction, LanguageKey("msgAdd10"));
    Hint(VideoCaptureAction, LanguageKey("msgVideoCapture"));
    Hint(PreviewAction, LanguageKey("msgPreview"));
    Hint(ExportAction, LanguageKey("msgExportAvi"));
}

void TMainActions::FillToolBar(QToolBar& bar) const {
    auto button = [&bar](QAction* action, const char* picture) {
        bar.addWidget(new TCommandButton(*action, QIcon(QString(":/celwright/%1.png").arg(picture)), bar));
    };
    button(NewAction, "new");
    button(OpenAction, "open");
    button(SaveAction, "save");
    bar.addSeparator();
    button(UndoAction, "undo");
    button(RedoAction, "redo");
    button(AddTenFramesAction, "add10");
    bar.addSeparator();
    button(VideoCaptureAction, "capture");
    button(PreviewAction, "preview");
    button(ExportAction, "export");
}

void TMainActions::Retranslate() {
    for (const auto& [action, key] : Captions)
        action->setText(Translate(key));
    for (const auto& [action, key] : Hints)
        action->setToolTip(Translate(key));
}

void TMainActions::SetUndoAvailable(bool available) {
    UndoAvailable = available;
    UpdateActions();
}

void TMainActions::SetRedoAvailable(bool available) {
    RedoAvailable = available;
    UpdateActions();
}

void TMainActions::SetPasteAvailable() {
    PasteAvailable = true;
    UpdateActions();
}

void TMainActions::UpdateActions() {
    SaveAction->setEnabled(Files.Modified());
    UndoAction->setEnabled(UndoAvailable);
    RedoAction->setEnabled(RedoAvailable);
    PasteAction->setEnabled(PasteAvailable);
    AddTenFramesAction->setEnabled(Sheet.LayerCount() > 0);
    ApplyLipSyncAction->setEnabled(Sheet.LayerCount() > 0);
    const bool audioShown = Sheet.Document().AudioShown();
    ShowAudioAction->setEnabled(!audioShown);
    HideAudioAction->setEnabled(audioShown);

    const TSettings settings = Window.CurrentSettings();
    CheckFrameRate(settings.General.Fps);
    const TcwImageFormat format = settings.Capture.CaptureFormat;
    (format == TcwImageFormat::jpg   ? JpegAction
     : format == TcwImageFormat::bmp ? BmpAction
                                     : PngAction)
        ->setChecked(true);
    const TComp mode = settings.General.CompositeMode;
    (mode == TComp::cBlend      ? BlendAction
     : mode == TComp::cMultiply ? MultiplyAction
                                : DarkenAction)
        ->setChecked(true);
    const QString profile = Window.ActiveProfile();
    for (QAction* item : ProfileGroup->actions()) {
        if ((item == DefaultProfileAction && profile == "Default") ||
            (item != DefaultProfileAction && WithoutAmpersands(item->text()) == profile))
            item->setChecked(true);
    }
    const QString language = Window.Language();
    for (QAction* item : LanguageGroup->actions()) {
        if (item->data().toString() == language)
            item->setChecked(true);
    }
}

void TMainActions::CheckFrameRate(int fps) {
    QAction* item = FpsOtherAction;
    switch (fps) {
    case 24:
        item = Fps24Action;
        break;
    case 30:
        item = Fps30Action;
        break;
    case 25:
        item = Fps25Action;
        break;
    case 12:
        item = Fps12Action;
        break;
    case 15:
        item = Fps15Action;
        break;
    default:
        break;
    }
    item->setChecked(true);
}

void TMainActions::RebuildProfilesMenu() {
    for (QAction* item : ProfileGroup->actions()) {
        if (item != DefaultProfileAction)
            delete item;
    }
    for (const std::string& name : Profiles.Names()) {
        QAction* item = ProfilesMenu->addAction(QString::fromStdString(name));
        item->setCheckable(true);
        ProfileGroup->addAction(item);
        connect(item, &QAction::triggered, this, [this, item] {
            Window.Guard([this, item] { Window.ActivateProfile(WithoutAmpersands(item->text())); });
        });
    }
}

void TMainActions::RebuildRecentMenu() {
    QList<QAction*> items = RecentMenu->actions();
    const QStringList& recent = Files.RecentFiles();
    while (items.size() < recent.size()) {
        QAction* item = RecentMenu->addAction(QString());
        connect(item, &QAction::triggered, this, [this, item] {
            Window.Guard([this, item] {
                if (Files.AskSaveChanges())
                    Files.OpenDocument(item->data().toString());
            });
        });
        items.append(item);
    }
    while (items.size() > recent.size())
        delete items.takeLast();
    // The path itself rides in the item's data; its caption doubles "&" so that none turns into
    // an accelerator mark.
    for (int i = 0; i < recent.size(); ++i) {
        items[i]->setText(QString(recent[i]).replace('&', "&&"));
        items[i]->setData(recent[i]);
    }
}
