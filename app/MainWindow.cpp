#include "app/MainWindow.h"

#include "app/AboutDialog.h"
#include "app/AppTexts.h"
#include "app/ElidedLabel.h"
#include "app/ErrorBox.h"
#include "app/PictureImage.h"
#include "app/SheetFileDialogs.h"
#include "app/SheetSound.h"
#include "app/AlertPrompt.h"
#include "app/ImageViewer.h"
#include "app/ProgramEditDialog.h"
#include "app/EntryDialog.h"
#include "app/LayerPropertiesDialog.h"
#include "app/LicenseDialog.h"
#include "audio/VolumeWindow.h"
#include "capture/CaptureWindow.h"
#include "document/SheetLoading.h"
#include "document/TextUtil.h"
#include "document/XpsFile.h"
#include "export/ExportDialog.h"
#include "imaging/Picture.h"
#include "imaging/Compositor.h"
#include "preview/PreviewWindow.h"
#include "import/ImportWindow.h"
#include "print/SheetPrinting.h"
#include "scanner/ScannerWindow.h"
#include "settings/Folders.h"
#include "settings/IniFile.h"
#include "sheetview/SheetView.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <filesystem>

namespace {
constexpr int kMaxRecentFiles = 10;
const char* const kSettingsSection = "celwright";
const char* const kRecentSection = "recent files";

QString FromStd(const std::string& text) {
    return QString::fromStdString(text);
}

std::string ToStd(const QString& text) {
    return text.toStdString();
}

QString WithoutAmpersands(QString caption) {
    return caption.remove('&');
}

bool IsOneOf(const QString& suffix, std::initializer_list<const char*> list) {
    for (const char* entry : list) {
        if (suffix == entry)
            return true;
    }
    return false;
}
} // namespace

TMainWindow::TMainWindow(const TAppFolders& folders, QWidget* parent)
    : QMainWindow(parent), Folders(folders), Settings(ToStd(folders.UserFolder)),
      Profiles(Settings.Saved, ToStd(folders.UserFolder)) {
    // Main window creation, in order: folders and preferences, profiles, languages, settings in
    // force, the stored language and recent files, then the untitled document.
    Activity = kStarting;
    Settings.LoadFromFile();
    Profiles.LoadProfiles();
    for (std::int32_t i = 0; i < 3; ++i)
        LayerColorTable[static_cast<std::size_t>(i)] = LayerColorScheme(i);

    AskOpenFile = [this](const QString& folder, const QString& filter) {
        return AskOpenPath(this, folder, filter);
    };
    AskSaveFile = [this](const QString& folder, const QString& name, const QString& filter) {
        return AskSheetSavePath(this, folder, name, filter);
    };

    CreateControls();
    Rostrum = std::make_unique<TCompositor>(Sheet->Document());
    Rostrum->CompositeMode = [this] { return Settings.Current.General.CompositeMode; };
    CreateMenus();
    CreateToolBar();
    ConnectSheet();
    // The sheet's events are in place: it can finish loading, which hands it the undo events.
    Sheet->Loaded();
    SetActiveLanguage(&LanguageTable);
    TranslateAll();
    RebuildSettings();
    ReadStoredState();

    ActiveProfile = QString::fromUtf8(TProfileList::kDefaultName.data(), TProfileList::kDefaultName.size());
    DocumentName.clear();
    SetTitle();
    Modified = false;
    Thumbnail.fill(Qt::white);
    Image1->setPixmap(QPixmap::fromImage(Thumbnail));
    for (QAction* action : {Undo1, Redo1, UndoBtn, RedoBtn, Paste1, Paste2, Add10Btn})
        action->setEnabled(false);
    // Room for the side panel, the frame numbers and two layers.
    PlaceOnScreen();
    setAcceptDrops(true);
    qApp->installEventFilter(this);
}

TMainWindow::~TMainWindow() {
    SetActiveLanguage(nullptr);
}

void TMainWindow::CreateControls() {
    auto* central = new QWidget(this);
    auto* panel2 = new QWidget(central);
    FpsLabel = new QLabel(panel2);
    Label1 = new TElidedLabel(panel2);
    auto* top = new QHBoxLayout(panel2);
    top->setContentsMargins(10, 4, 10, 4);
    top->addWidget(FpsLabel);
    top->addSpacing(24);
    top->addWidget(Label1, 1);

    auto* panel1 = new QWidget(central);
    panel1->setFixedWidth(176);
    Image1 = new QLabel(panel1);
    Image1->setFixedSize(129, 105);
    Image1->setFrameShape(QFrame::Box);
    Image1->installEventFilter(this);
    Thumbnail = QImage(129, 105, QImage::Format_RGB32);
    MagnifyBtn = new QToolButton(panel1);
    MagnifyBtn->setText("+");
    MagnifyBtn->setFixedSize(22, 22);
    connect(MagnifyBtn, &QToolButton::clicked, this, [this] { Guard([this] { ImageViewerClick(); }); });
    Memo1 = new QPlainTextEdit(panel1);
    Memo1->setReadOnly(true);
    auto* left = new QVBoxLayout(panel1);
    left->setContentsMargins(10, 10, 10, 10);
    auto* thumbRow = new QHBoxLayout;
    thumbRow->addWidget(Image1);
    thumbRow->addWidget(MagnifyBtn, 0, Qt::AlignBottom);
    left->addLayout(thumbRow);
    left->addSpacing(12);
    left->addWidget(Memo1, 1);

    Sheet = new TSheetView(central);
    auto* body = new QHBoxLayout;
    body->setContentsMargins(0, 0, 0, 0);
    body->addWidget(panel1);
    body->addWidget(Sheet, 1);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(panel2);
    layout->addLayout(body, 1);
    setCentralWidget(central);

    AlertPrompt = new TAlertPrompt(this);
    EntryDialog = new TEntryDialog(this);
    ImageViewer = new TImageViewer(this);
    ImportForm = new TImportWindow(*Sheet, this);
    ImportForm->OnImporting = [this](bool importing) { Activity = importing ? kLoading : kIdle; };
    LayerProp = new TLayerPropertiesDialog(AlertPrompt, LayerColorNames(), this);
    ProgramEditDialog = new TProgramEditDialog(AlertPrompt, this);
}

QAction* TMainWindow::AddCommand(QMenu* menu, const TLanguageKey& caption, const std::function<void()>& command,
                            const QKeySequence& shortcut) {
    QAction* action = menu->addAction(QString());
    Captions.append({action, caption});
    action->setShortcut(shortcut);
    connect(action, &QAction::triggered, this, [this, command] { Guard(command); });
    return action;
}

QMenu* TMainWindow::AddMenu(QMenuBar* bar, const TLanguageKey& caption) {
    QMenu* menu = bar->addMenu(QString());
    Captions.append({menu->menuAction(), caption});
    return menu;
}

QMenu* TMainWindow::AddMenu(QMenu* parent, const TLanguageKey& caption) {
    QMenu* menu = parent->addMenu(QString());
    Captions.append({menu->menuAction(), caption});
    return menu;
}

void TMainWindow::CreateMenus() {
    FileM = AddMenu(menuBar(), LanguageKey("sFile"));
    NewXPS = AddCommand(
        FileM, LanguageKey("sNewXPS"), [this] { NewClick(); }, QKeySequence("Ctrl+N"));
    NewXPSwithfolders1 = AddCommand(
        FileM, LanguageKey("sNewXPSWithFoldersDots"), [this] { NewWithFoldersClick(); },
        QKeySequence("Ctrl+Alt+N"));
    OpenXPS = AddCommand(
        FileM, LanguageKey("sOpenDots"), [this] { OpenClick(); }, QKeySequence("Ctrl+O"));
    OpenRecent1 = AddMenu(FileM, LanguageKey("sOpenRecent"));
    SaveXPS1 = AddCommand(
        FileM, LanguageKey("sSave"), [this] { SaveClick(); }, QKeySequence("Ctrl+S"));
    Saveas1 = AddCommand(FileM, LanguageKey("sSaveAsDots"), [this] { SaveAsClick(); });
    FileM->addSeparator();
    QMenu* import = AddMenu(FileM, LanguageKey("sImport"));
    ImportImages1 = AddCommand(import, LanguageKey("sImagesDots"), [this] { ImportImagesClick(); });
    ImportAudio1 = AddCommand(import, LanguageKey("sAudio"), [this] { ImportAudioClick(); });
    Export1 = AddCommand(FileM, LanguageKey("sExportAviDots"), [this] { ExportClick(); });
    PrintXPS = AddCommand(
        FileM, LanguageKey("sPrint"), [this] { PrintClick(); }, QKeySequence("Ctrl+P"));
    FileM->addSeparator();
    Exit1 = AddCommand(
        FileM, LanguageKey("sExit"), [this] { close(); }, QKeySequence("Ctrl+Q"));

    Edit2 = AddMenu(menuBar(), LanguageKey("sEdit"));
    Undo1 = AddCommand(
        Edit2, LanguageKey("sUndo"), [this] { UndoClick(); }, QKeySequence("Ctrl+Z"));
    Redo1 = AddCommand(
        Edit2, LanguageKey("sRedo"), [this] { RedoClick(); }, QKeySequence("Ctrl+R"));
    Edit2->addSeparator();
    Clear1 = AddCommand(
        Edit2, LanguageKey("sCut"), [this] { CutClick(); }, QKeySequence("Ctrl+X"));
    Copy1 = AddCommand(
        Edit2, LanguageKey("sCopy"), [this] { CopyClick(); }, QKeySequence("Ctrl+C"));
    Paste1 = AddCommand(
        Edit2, LanguageKey("sPaste"), [this] { PasteClick(); }, QKeySequence("Ctrl+V"));
    Delete1 = AddCommand(
        Edit2, LanguageKey("sDelete"), [this] { CutClick(); }, QKeySequence(Qt::Key_Delete));
    Edit2->addSeparator();
    Insert1 = AddCommand(
        Edit2, LanguageKey("sInsertFrame"), [this] { InsertFrameClick(); }, QKeySequence("Ctrl+Ins"));
    Cut1 = AddCommand(
        Edit2, LanguageKey("sDeleteFrames"), [this] { DeleteFramesClick(); }, QKeySequence("Ctrl+Del"));
    Add101 = AddCommand(Edit2, LanguageKey("sAdd10Frames"), [this] { Add10Click(); });
    Edit2->addSeparator();
    AddLayer1 = AddCommand(
        Edit2, LanguageKey("sAddLayer"), [this] { AddLayerClick(); }, QKeySequence("Ctrl+L"));
    DeleteLayer1 = AddCommand(Edit2, LanguageKey("sDeleteLayer"), [this] { DeleteLayerClick(); });
    LayerEdit1 =
        AddCommand(Edit2, LanguageKey("sEditLayerPropertiesDots"), [this] { EditLayerPropertiesClick(); });

    Settings1 = AddMenu(menuBar(), LanguageKey("sSettings"));
    FpsM = AddMenu(Settings1, LanguageKey("sFPS"));
    FpsGroup = new QActionGroup(this);
    auto fpsItem = [this](int fps, const TLanguageKey& key) {
        QAction* action = AddCommand(FpsM, key, [this, fps] { SetFrameRate(fps); });
        action->setCheckable(true);
        FpsGroup->addAction(action);
        return action;
    };
    Fps24 = fpsItem(24, LanguageKey("s24"));
    Fps30 = fpsItem(30, LanguageKey("s30"));
    Fps25 = fpsItem(25, LanguageKey("s25"));
    Fps12 = fpsItem(12, LanguageKey("s12"));
    Fps15 = fpsItem(15, LanguageKey("s15"));
    FpsOther = AddCommand(FpsM, LanguageKey("sOtherDots"), [this] { FpsOtherClick(); });
    FpsOther->setCheckable(true);
    FpsGroup->addAction(FpsOther);

    Format1 = AddMenu(Settings1, LanguageKey("sImageFormat"));
    FormatGroup = new QActionGroup(this);
    auto formatItem = [this](TcwImageFormat format, const TLanguageKey& key) {
        QAction* action = AddCommand(Format1, key, [this, format] { SetImageFormat(format); });
        action->setCheckable(true);
        FormatGroup->addAction(action);
        return action;
    };
    png1 = formatItem(TcwImageFormat::png, LanguageKey("sPNG"));
    Jpeg1 = formatItem(TcwImageFormat::jpg, LanguageKey("sJPEG"));
    Bmp1 = formatItem(TcwImageFormat::bmp, LanguageKey("sBMP"));

    Composite1 = AddMenu(Settings1, LanguageKey("sComposite"));
    CompositeGroup = new QActionGroup(this);
    auto compositeItem = [this](TComp mode, const TLanguageKey& key) {
        QAction* action = AddCommand(Composite1, key, [this, mode] { SetCompositeMode(mode); });
        action->setCheckable(true);
        CompositeGroup->addAction(action);
        return action;
    };
    Darken1 = compositeItem(TComp::cDarken, LanguageKey("sDarken"));
    Blend1 = compositeItem(TComp::cBlend, LanguageKey("sBlend"));
    Multiply1 = compositeItem(TComp::cMultiply, LanguageKey("sMultiply"));

    Profiles1 = AddMenu(Settings1, LanguageKey("sProfiles"));
    ManageProfiles1 =
        AddCommand(Profiles1, LanguageKey("sManageProfiles"), [this] { ManageProfilesClick(); });
    Profiles1->addSeparator();
    ProfileGroup = new QActionGroup(this);
    Default1 = AddCommand(Profiles1, LanguageKey("sDefault"), [this] { ActivateProfile("Default"); });
    Default1->setCheckable(true);
    Default1->setChecked(true);
    ProfileGroup->addAction(Default1);
    RebuildProfilesMenu();

    Languages1 = AddMenu(Settings1, LanguageKey("sLanguages"));
    LanguageGroup = new QActionGroup(this);
    // The built-in language is chosen by its item, not its caption, which a translation may change.
    English1 = AddCommand(Languages1, LanguageKey("sE"),
                          [this] { SelectLanguage(QString::fromUtf8(kEnglishLanguage.data())); });
    English1->setCheckable(true);
    LanguageGroup->addAction(English1);
    const QDir languages(Folders.ProgramFolder + "Languages");
    for (const QFileInfo& file : languages.entryInfoList({"*.lng"}, QDir::Files, QDir::Name)) {
        const QString name = file.completeBaseName();
        if (name == QString::fromUtf8(kEnglishLanguage.data()))
            continue;
        QAction* item = Languages1->addAction(name);
        item->setCheckable(true);
        LanguageGroup->addAction(item);
        connect(item, &QAction::triggered, this,
                [this, item] { Guard([this, item] { SelectLanguage(WithoutAmpersands(item->text())); }); });
    }
    Preferences1 = AddCommand(Settings1, LanguageKey("sPreferencesDots"), [this] { PreferencesClick(); });

    Tools1 = AddMenu(menuBar(), LanguageKey("sTools"));
    QMenu* capture = AddMenu(Tools1, LanguageKey("sCapture"));
    Video2 = AddCommand(
        capture, LanguageKey("sVideo"), [this] { VideoCaptureClick(); }, QKeySequence(Qt::Key_F6));
    Scanner1 = AddCommand(
        capture, LanguageKey("sScanner"), [this] { ScannerClick(); }, QKeySequence("Ctrl+F6"));
    Preview1 = AddCommand(
        Tools1, LanguageKey("sPreview"), [this] { PreviewClick(); }, QKeySequence(Qt::Key_F7));
    ImageViewer1 = AddCommand(Tools1, LanguageKey("sImageViewer"), [this] { ImageViewerClick(); });

    Help1 = AddMenu(menuBar(), LanguageKey("sHelp"));
    CelwrightHelp1 = AddCommand(
        Help1, LanguageKey("sCelwrightHelp"), [this] { HelpClick(); }, QKeySequence(Qt::Key_F1));
    About1 = AddCommand(Help1, LanguageKey("sAboutDots"), [this] { AboutClick(); });
    License1 = AddCommand(Help1, LanguageKey("sLicense"), [this] { LicenseClick(); });

    PopupMenu1 = new QMenu(this);
    Clear2 = AddCommand(PopupMenu1, LanguageKey("sCut"), [this] { CutClick(); });
    Copy2 = AddCommand(PopupMenu1, LanguageKey("sCopy"), [this] { CopyClick(); });
    Cut2 = AddCommand(PopupMenu1, LanguageKey("sDelete"), [this] { CutClick(); });
    Paste2 = AddCommand(PopupMenu1, LanguageKey("sPaste"), [this] { PasteClick(); });
    PopupMenu1->addSeparator();
    Rename1 = AddCommand(PopupMenu1, LanguageKey("sRenameImage"), [this] { RenameImageClick(); });
    EditImage1 = AddCommand(PopupMenu1, LanguageKey("sEditImage"), [this] { EditImageClick(); });
    PopupMenu1->addSeparator();
    AddLayer2 = AddCommand(PopupMenu1, LanguageKey("sAddLayer"), [this] { AddLayerClick(); });
    DeleteLayer2 = AddCommand(PopupMenu1, LanguageKey("sDeleteLayer"), [this] { DeleteLayerClick(); });
    EditLayerProp1 = AddCommand(PopupMenu1, LanguageKey("sEditLayerPropertiesDots"),
                                [this] { EditLayerPropertiesClick(); });
    PopupMenu1->addSeparator();
    PopInsert1 = AddCommand(PopupMenu1, LanguageKey("sInsertFrame"), [this] { InsertFrameClick(); });
    Add102 = AddCommand(PopupMenu1, LanguageKey("sAdd10Frames"), [this] { Add10Click(); });
    PopupMenu1->addSeparator();
    ShowAudio1 = AddCommand(PopupMenu1, LanguageKey("sShowAudio"), [this] { Sheet->ShowAudio(); });
    HideAudio1 = AddCommand(PopupMenu1, LanguageKey("sHideAudio"), [this] { Sheet->HideAudio(); });
    HideAudio1->setEnabled(false);
    connect(PopupMenu1, &QMenu::aboutToShow, this, [this] {
        const TCellRect cells = Sheet->SelectedCells();
        const bool exists = Sheet->CelImageExists(cells.Left, cells.Top);
        Rename1->setEnabled(exists);
        EditImage1->setEnabled(exists);
    });

    PopupMenuLayer = new QMenu(this);
    EditPath1 = AddCommand(PopupMenuLayer, LanguageKey("sEditLayerPropertiesDots"),
                           [this] { EditLayerPropertiesClick(); });

    PopupMenu2 = new QMenu(this);
    AdjustVolume1 = AddCommand(PopupMenu2, LanguageKey("sAdjustVolume"), [this] { Sound->AdjustVolume(); });
    HideAudio2 = AddCommand(PopupMenu2, LanguageKey("sHideAudio"), [this] { Sheet->HideAudio(); });
    ClearAudio1 = AddCommand(PopupMenu2, LanguageKey("sClearAudio"), [this] { Sound->ClearAudio(); });
    ClearPhonemes1 =
        AddCommand(PopupMenu2, LanguageKey("sClearPhonemes"), [this] { Sound->ClearPhonemes(); });
    ClearAll1 = AddCommand(PopupMenu2, LanguageKey("sClearAll"), [this] { Sound->ClearAll(); });
    Sheet->PopupMenu = PopupMenu1;
    Sheet->PopupMenuHeader = PopupMenuLayer;
    Sheet->PopupMenuAudio = PopupMenu2;
}

void TMainWindow::CreateToolBar() {
    LoadAppResources();
    QToolBar* bar = addToolBar("ToolBar");
    bar->setObjectName("ToolBar");
    bar->setMovable(false);
    bar->setIconSize(QSize(24, 24));
    auto button = [this, bar](const char* picture, const TLanguageKey& hint,
                              const std::function<void()>& command) {
        QAction* action = bar->addAction(QIcon(QString(":/celwright/%1.png").arg(picture)), QString());
        connect(action, &QAction::triggered, this, [this, command] { Guard(command); });
        Hints.append({action, hint});
        return action;
    };
    NewBtn = button("new", LanguageKey("msgNew"), [this] { NewClick(); });
    OpenBtn = button("open", LanguageKey("msgOpen"), [this] { OpenClick(); });
    SaveBtn = button("save", LanguageKey("msgSave"), [this] { SaveClick(); });
    bar->addSeparator();
    UndoBtn = button("undo", LanguageKey("msgUndo"), [this] { UndoClick(); });
    RedoBtn = button("redo", LanguageKey("msgRedo"), [this] { RedoClick(); });
    Add10Btn = button("add10", LanguageKey("msgAdd10"), [this] { Add10Click(); });
    bar->addSeparator();
    VideoCaptureBtn = button("capture", LanguageKey("msgVideoCapture"), [this] { VideoCaptureClick(); });
    PreviewBtn = button("preview", LanguageKey("msgPreview"), [this] { PreviewClick(); });
    AviBtn = button("export", LanguageKey("msgExportAvi"), [this] {
        ExportMovie(ExportContext(), FromStd(DefaultFolder(Settings.Current.General.DefaultPath)), this);
    });
}

void TMainWindow::ConnectSheet() {
    Sheet->OnSelect = [this](QObject&, std::int32_t layer, std::int32_t frame) {
        ShowThumbnail(layer, frame);
        ShowLayerPath(layer);
        ShownCursor = CursorKey();
    };
    // The path line and the thumbnail follow every other change of the current layer and cel.
    Sheet->OnLayerChange = [this](QObject&) { ShowCursor(); };
    Sheet->OnLayerDeleted = [this](QObject&) { ShowCursor(); };
    Sheet->OnLayerAdded = [this](QObject&) {
        // Widen the window so that the new layer shows, up to a sheet of 610 pixels.
        const int wanted = Sheet->LayerCount() * Sheet->GridWidth() + Sheet->IndexWidth() +
                           Sheet->ScrollWidth() +
                           (Sheet->Document().AudioShown() ? Sheet->AudioWidth() : 0);
        if (Sheet->width() < 610 && Sheet->width() < wanted)
            resize(width() + wanted - Sheet->width(), height());
        if (Activity == kIdle)
            NewLayerProperties();
        Sheet->SelectCell(Sheet->LayerCount(), 1);
        Sheet->update();
        Add10Btn->setEnabled(true);
    };
    Sheet->OnMaxFrameError = [this](QObject&) {
        // A sheet being opened lists the cels it leaves out in one message of its own.
        if (Activity == kLoading)
            return;
        AlertPrompt->Alert(Translate(LanguageKey("msgErrMaxFrame")), Translate(LanguageKey("sOk")));
    };
    Sheet->OnCanUndo = [this](QObject&) {
        Undo1->setEnabled(true);
        UndoBtn->setEnabled(true);
        Modified = true;
    };
    Sheet->OnModified = [this](QObject&) {
        Modified = true;
        ShowCursor();
    };
    Sheet->OnCantUndo = [this](QObject&) {
        Undo1->setEnabled(false);
        UndoBtn->setEnabled(false);
    };
    Sheet->OnCanRedo = [this](QObject&) {
        Redo1->setEnabled(true);
        RedoBtn->setEnabled(true);
    };
    Sheet->OnCantRedo = [this](QObject&) {
        Redo1->setEnabled(false);
        RedoBtn->setEnabled(false);
    };
    Sheet->OnCanPaste = [this](QObject&) {
        Paste1->setEnabled(true);
        Paste2->setEnabled(true);
    };
    Sheet->OnShowAudio = [this](QObject&) {
        HideAudio1->setEnabled(true);
        ShowAudio1->setEnabled(false);
    };
    Sheet->OnHideAudio = [this](QObject&) {
        HideAudio1->setEnabled(false);
        ShowAudio1->setEnabled(true);
    };
    Sheet->OnMessage = [this](QObject&, const std::string& text) { AlertPrompt->Alert(FromStd(text)); };
    Sound = std::make_unique<TSheetSound>(*Sheet, *this);
    Sound->ShowFrame = [this](std::int32_t layer, std::int32_t frame) { ShowThumbnail(layer, frame); };
    Sound->Info = [this](const QString& text) { InfoMessage(text); };
    Sheet->OnAudioLoaded = [this](QObject&) { Sound->AudioLoaded(); };
    Sheet->OnScrubAudioStart = [this](QObject&, std::int32_t pos) { Sound->ScrubStart(pos); };
    Sheet->OnScrubAudio = [this](QObject&, std::int32_t pos) { Sound->ScrubMove(pos); };
    Sheet->OnScrubAudioEnd = [this](QObject&) { Sound->ScrubEnd(); };
}

void TMainWindow::Guard(const std::function<void()>& command) {
    GuardCommand(this, command);
    ShowCursor();
}

QString TMainWindow::CursorKey() const {
    const std::int32_t layer = Sheet->CurrentLayer();
    const std::int32_t frame = Sheet->CurrentFrame();
    return QString("%1:%2:%3:%4:%5")
        .arg(layer)
        .arg(frame)
        .arg(FromStd(Sheet->LayerCaption(layer)), FromStd(Sheet->LayerFolder(layer)),
             FromStd(Sheet->CelName(layer, frame)));
}

void TMainWindow::ShowCursor() {
    // A sheet being opened or restored is shown once it is complete.
    if (Activity == kLoading || Activity == kRestoring)
        return;
    const QString key = CursorKey();
    if (key == ShownCursor)
        return;
    ShownCursor = key;
    ShowThumbnail(Sheet->CurrentLayer(), Sheet->CurrentFrame());
    ShowLayerPath(Sheet->CurrentLayer());
}

// ---------------------------------------------------------------------------------------------
// Preferences in force

void TMainWindow::ApplyDocumentSettings(const TXpsSettings& settings) {
    ApplyDocumentSettingsTo(Settings.Current, settings);
    ApplySettings();
}

void TMainWindow::RebuildSettings() {
    ProjectFolder.clear();
    Settings.ResetCurrent();
    if (!ActiveProfile.isEmpty() && ActiveProfile != "Default") {
        if (const TProfile* profile = Profiles.FindProfile(ToStd(ActiveProfile)))
            ApplyProfile(*profile);
    }
    ApplySettings();
    if (CaptureWindow)
        CaptureWindow->SettingsApplied();
}

void TMainWindow::ApplySettings() {
    SetFrameRate(Settings.Current.General.Fps);
    SetCompositeMode(Settings.Current.General.CompositeMode);
    SetImageFormat(Settings.Current.Capture.CaptureFormat);
    Sheet->SetTempFolder(Sound->TempFolderIn(Settings.Current.General.TempPath));
    if (Preview)
        Preview->ApplySettings();
}

void TMainWindow::ApplyProfile(const TProfile& profile) {
    Settings.Current.General.DefaultPath = profile.Settings.DefaultPath;
    Settings.Current.Capture.CaptureMode = profile.Settings.CaptureMode;
}

void TMainWindow::SetFrameRate(int fps) {
    Settings.Current.General.Fps = fps;
    Sheet->SetFps(fps);
    FpsLabel->setText(Translate(LanguageKey("sFPS")) + ": " + QString::number(fps));
    Sheet->update();
    CheckFps(fps);
    if (Preview)
        Preview->SetFps(fps);
    if (Sheet->LayerCount() > 0)
        Modified = true;
}

void TMainWindow::CheckFps(int fps) {
    QAction* item = FpsOther;
    switch (fps) {
    case 24:
        item = Fps24;
        break;
    case 30:
        item = Fps30;
        break;
    case 25:
        item = Fps25;
        break;
    case 12:
        item = Fps12;
        break;
    case 15:
        item = Fps15;
        break;
    default:
        break;
    }
    item->setChecked(true);
}

void TMainWindow::SetCompositeMode(TComp mode) {
    Settings.Current.General.CompositeMode = mode;
    (mode == TComp::cBlend ? Blend1 : mode == TComp::cMultiply ? Multiply1 : Darken1)->setChecked(true);
}

void TMainWindow::SetImageFormat(TcwImageFormat format) {
    Settings.Current.Capture.CaptureFormat = format;
    (format == TcwImageFormat::jpg ? Jpeg1 : format == TcwImageFormat::bmp ? Bmp1 : png1)->setChecked(true);
}

void TMainWindow::FpsOtherClick() {
    // The check mark stays on the rate in force until a new one is set.
    CheckFps(Settings.Current.General.Fps);
    QString text;
    if (!EntryDialog->AskValue(Translate(LanguageKey("sFPS")), text))
        return;
    const std::int32_t fps = StrToInt(ToStd(text.trimmed()));
    if (!IsFrameRate(fps))
        throw ECwError(ToStd(Fill(Translate(LanguageKey("msgErrFrameRate")), {text.trimmed()})));
    SetFrameRate(fps);
}

// ---------------------------------------------------------------------------------------------
// Stored state: language and recent files

void TMainWindow::ReadStoredState() {
    TIniFile ini;
    if (!Folders.UserFolder.isEmpty())
        ini.LoadFromFile(Settings.SettingsFilePath());
    Language.clear();
    // A broken language file is reported; the program starts with the texts read before the fault.
    const QString language = FromStd(ini.ReadString(kSettingsSection, "language", kEnglishLanguage));
    Guard([&] { SelectLanguage(language); });
    for (int i = 1; i <= kMaxRecentFiles; ++i) {
        const std::string file = ini.ReadString(kRecentSection, "file" + std::to_string(i), "");
        if (!file.empty())
            RecentFiles.append(FromStd(file));
    }
    RebuildRecentMenu();
    StoredGeometry = QRect(ini.ReadInteger(kSettingsSection, "window left", 0),
                           ini.ReadInteger(kSettingsSection, "window top", 0),
                           ini.ReadInteger(kSettingsSection, "window width", 0),
                           ini.ReadInteger(kSettingsSection, "window height", 0));
    StoredMaximized = ini.ReadBool(kSettingsSection, "window maximized", false);
}

void TMainWindow::PlaceOnScreen() {
    const QScreen* stored =
        StoredGeometry.isValid() ? QGuiApplication::screenAt(StoredGeometry.center()) : nullptr;
    if (stored) {
        // Where the window was when it was last closed, as long as a screen still shows it.
        resize(StoredGeometry.size());
        move(StoredGeometry.topLeft());
    } else if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        // First start: most of the screen, centred.
        const QRect available = screen->availableGeometry();
        const QSize size = available.size() * 0.8;
        resize(size);
        move(available.center() - QPoint(size.width() / 2, size.height() / 2));
    }
    if (StoredMaximized)
        setWindowState(windowState() | Qt::WindowMaximized);
}

void TMainWindow::WriteStoredState() {
    if (Folders.UserFolder.isEmpty())
        return;
    const std::string path = Settings.SettingsFilePath();
    TIniFile ini;
    // A settings file that is there but cannot be read is left alone rather than replaced.
    std::error_code error;
    if (!ini.LoadFromFile(path) && std::filesystem::exists(path, error))
        return;
    ini.WriteString(kSettingsSection, "language", ToStd(Language));
    const QRect shown = isMaximized() ? normalGeometry() : QRect(pos(), size());
    ini.WriteInteger(kSettingsSection, "window left", shown.left());
    ini.WriteInteger(kSettingsSection, "window top", shown.top());
    ini.WriteInteger(kSettingsSection, "window width", shown.width());
    ini.WriteInteger(kSettingsSection, "window height", shown.height());
    ini.WriteBool(kSettingsSection, "window maximized", isMaximized());
    ini.EraseSection(kRecentSection);
    for (int i = 0; i < RecentFiles.size() && i < kMaxRecentFiles; ++i)
        ini.WriteString(kRecentSection, "file" + std::to_string(i + 1), ToStd(RecentFiles[i]));
    ini.SaveToFile(path);
}

void TMainWindow::AddRecent(const QString& path) {
    RecentFiles.erase(
        std::remove_if(RecentFiles.begin(), RecentFiles.end(),
                       [&](const QString& entry) { return entry.compare(path, Qt::CaseInsensitive) == 0; }),
        RecentFiles.end());
    RecentFiles.prepend(path);
    while (RecentFiles.size() > kMaxRecentFiles)
        RecentFiles.removeLast();
    RebuildRecentMenu();
}

void TMainWindow::RebuildRecentMenu() {
    QList<QAction*> items = OpenRecent1->actions();
    while (items.size() < RecentFiles.size()) {
        QAction* item = OpenRecent1->addAction(QString());
        connect(item, &QAction::triggered, this,
                [this, item] { Guard([this, item] { OpenDocument(item->data().toString()); }); });
        items.append(item);
    }
    while (items.size() > RecentFiles.size())
        delete items.takeLast();
    // The path itself rides in the item's data; its caption doubles "&" so that none turns into
    // an accelerator mark.
    for (int i = 0; i < RecentFiles.size(); ++i) {
        items[i]->setText(QString(RecentFiles[i]).replace('&', "&&"));
        items[i]->setData(RecentFiles[i]);
    }
}

// ---------------------------------------------------------------------------------------------
// Languages and profiles

void TMainWindow::SelectLanguage(const QString& name) {
    if (name == Language)
        return;
    Language = name;
    const bool english = name == QString::fromUtf8(kEnglishLanguage.data());
    for (QAction* item : LanguageGroup->actions()) {
        if ((item == English1 && english) || (!english && WithoutAmpersands(item->text()) == name))
            item->setChecked(true);
    }
    QtTexts.Select(name);
    bool loaded = false;
    try {
        loaded = LanguageTable.LoadLanguage(ToStd(Folders.ProgramFolder + "Languages/"), ToStd(name));
    } catch (const ECwError&) {
        // The lines before the broken one stay in force; show them, then report.
        TranslateAll();
        RetranslateOtherWindows();
        throw;
    }
    if (loaded)
        TranslateAll();
    RetranslateOtherWindows();
}

void TMainWindow::TranslateAll() {
    for (const auto& [action, key] : Captions)
        action->setText(Translate(key));
    for (const auto& [action, key] : Hints)
        action->setToolTip(Translate(key));
    MagnifyBtn->setToolTip("Enlarge image.");
    Sheet->SetDefaultLayerText(ToStd(Translate(LanguageKey("sLayer"))));
    Sheet->SetIndexHeadText(Translate(LanguageKey("sFrame")));
    Sheet->SetAudioHeadText(Translate(LanguageKey("sAudio")));
    Sound->VolumeWindow().setWindowTitle(Translate(LanguageKey("sVolume")));
    FpsLabel->setText(Translate(LanguageKey("sFPS")) + ": " + QString::number(Settings.Current.General.Fps));
    ShowLayerPath(Sheet->CurrentLayer());
    SetTitle();
}

void TMainWindow::RetranslateOtherWindows() {
    EntryDialog->Retranslate();
    ImageViewer->Retranslate();
    ImportForm->Retranslate();
    LayerProp->Retranslate();
    ProgramEditDialog->Retranslate();
    if (Preview)
        Preview->Retranslate();
    if (CaptureWindow)
        CaptureWindow->Retranslate();
}

void TMainWindow::ActivateProfile(const QString& name) {
    ActiveProfile = name;
    RebuildSettings();
    if (const TProfile* profile = Profiles.FindProfile(ToStd(name)))
        ApplyProfile(*profile);
    CheckProfileItem();
    InfoMessage(Translate(LanguageKey("sProfile")) + ": " + name);
    SetTitle();
}

void TMainWindow::CheckProfileItem() {
    for (QAction* item : ProfileGroup->actions()) {
        if ((item == Default1 && ActiveProfile == "Default") ||
            (item != Default1 && WithoutAmpersands(item->text()) == ActiveProfile))
            item->setChecked(true);
    }
}

void TMainWindow::RebuildProfilesMenu() {
    for (QAction* item : ProfileGroup->actions()) {
        if (item != Default1)
            delete item;
    }
    for (const std::string& name : Profiles.Names()) {
        QAction* item = Profiles1->addAction(FromStd(name));
        item->setCheckable(true);
        ProfileGroup->addAction(item);
        connect(item, &QAction::triggered, this,
                [this, item] { Guard([this, item] { ActivateProfile(WithoutAmpersands(item->text())); }); });
    }
    CheckProfileItem();
}

// ---------------------------------------------------------------------------------------------
// Title, info panel, thumbnail

QString TMainWindow::TitleText() const {
    QString title = QString("Celwright ") + kVersion;
    if (ActiveProfile != "Default")
        title += ": " + ActiveProfile;
    return title + " - " + ShownDocumentName();
}

QString TMainWindow::ShownDocumentName() const {
    return DocumentName.isEmpty() ? Translate(LanguageKey("sUntitled")) : DocumentName;
}

void TMainWindow::SetTitle() {
    setWindowTitle(TitleText());
}

void TMainWindow::InfoMessage(const QString& text) {
    Memo1->setPlainText(text + "\n" + Memo1->toPlainText());
}

void TMainWindow::ShowLayerPath(std::int32_t layer) {
    const QString text = Fill(Translate(LanguageKey("msgLayerPath")),
                              {FromStd(Sheet->LayerCaption(layer)), FromStd(Sheet->LayerFolder(layer))});
    Label1->SetFullText(layer > 0 ? text : QString());
}

void TMainWindow::ShowThumbnail(std::int32_t layer, std::int32_t frame) {
    const TPicture* picture = nullptr;
    bool unreadable = false;
    try {
        picture = Sheet->GetCelImage(layer, frame);
    } catch (const ECwError& error) {
        // A drawing that cannot be read shows as missing, with the reason, which names the file.
        InfoMessage(FromStd(error.what()));
        unreadable = true;
    }
    if (!picture) {
        Thumbnail.fill(Qt::white);
        if (Sheet->CelAt(layer, frame) && !unreadable) {
            InfoMessage(Fill(Translate(LanguageKey("msgErrImageNotFound")),
                             {FromStd(Sheet->CelName(layer, frame)), FromStd(Sheet->LayerCaption(layer))}));
        }
        if (ImageViewer->isVisible())
            ImageViewer->ShowImage(nullptr);
    } else {
        const QImage image = PictureToImage(*picture);
        Thumbnail = image.scaled(129, 105, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                        .convertToFormat(QImage::Format_RGB32);
        if (ImageViewer->isVisible())
            ImageViewer->ShowImage(&image);
    }
    Image1->setPixmap(QPixmap::fromImage(Thumbnail));
}

// ---------------------------------------------------------------------------------------------
// Documents

bool TMainWindow::AskSaveChanges() {
    if (!Modified)
        return true;
    const int answer = AlertPrompt->Confirm(
        Fill(Translate(LanguageKey("msgSaveChanges")), {ShownDocumentName()}), Translate(LanguageKey("sYes")),
        Translate(LanguageKey("sNo")), Translate(LanguageKey("sCancel")));
    if (answer == TAlertPrompt::kCancel)
        return false;
    if (answer != TAlertPrompt::kYes)
        return true;
    // The edits are only safe once written: a save that fails or is cancelled stops the operation.
    bool saved = false;
    Guard([&] { saved = SaveClick(); });
    return saved;
}

void TMainWindow::NewClick() {
    if (!AskSaveChanges())
        return;
    Sheet->ClearSheet();
    Sheet->AddLayer("", Settings.Current.General.DefaultPath, Sheet->Document().DefaultColors);
    RebuildSettings();
    if (const TProfile* profile = Profiles.FindProfile(ToStd(ActiveProfile)))
        ApplyProfile(*profile);
    DocumentName.clear();
    SetTitle();
    ShowLayerPath(1);
    Sheet->SetFps(Settings.Current.General.Fps);
    QDir::setCurrent(FromStd(DefaultFolder(Settings.Current.General.DefaultPath)));
    Modified = false;
}

void TMainWindow::OpenClick() {
    if (!AskSaveChanges())
        return;
    Activity = kLoading;
    try {
        const QString path = AskOpenFile(FromStd(DefaultFolder(Settings.Current.General.DefaultPath)),
                                         ".xps Exposure Sheet (*.xps)");
        if (!path.isEmpty()) {
            LoadDocument(path);
            AddRecent(path);
        }
    } catch (...) {
        Activity = kIdle;
        throw;
    }
    Activity = kIdle;
}

void TMainWindow::OpenDocument(const QString& path) {
    Activity = kLoading;
    Sheet->SetUpdateMode(TSheetDocument::kUpdateBulk);
    auto restore = [this] {
        Activity = kIdle;
        Sheet->SetUpdateMode(TSheetDocument::kUpdateNormal);
        Sheet->RefreshAll();
    };
    try {
        LoadDocument(path);
        AddRecent(path);
    } catch (...) {
        restore();
        throw;
    }
    restore();
}

void TMainWindow::LoadDocument(const QString& path) {
    TXpsSettings settings;
    Settings.GetDocumentSettings(settings);
    std::vector<TLeftOutCel> leftOut;
    // The sheet's sound comes back through OnAudioLoaded while it loads.
    Sound->AudioGraph.Clear();
    try {
        LoadSheet(
            Sheet->Document(), ToStd(path), settings,
            [this, &path](const TXpsSettings& loaded) {
                ApplyDocumentSettings(loaded);
                const QFileInfo file(path);
                DocumentName = file.fileName();
                DocumentFolder = file.absolutePath() + "/";
                SetTitle();
            },
            &leftOut);
    } catch (const TSheetLoadError& error) {
        const TLanguageKey* key = FindLanguageKey(error.Key);
        throw ECwError(key ? error.Path + ": " + ToStd(Translate(*key)) : std::string(error.what()));
    }
    Sheet->RefreshAll();
    Modified = false;
    if (!leftOut.empty())
        AlertPrompt->Alert(LeftOutMessage(path, leftOut));
}

QString TMainWindow::LeftOutMessage(const QString& path, const std::vector<TLeftOutCel>& cels) const {
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

void TMainWindow::WriteDocument(const QString& path) {
    TXpsSettings settings;
    Settings.GetDocumentSettings(settings);
    TXpsFile::SaveSheet(ToStd(path), Sheet->Document(), settings);
    const QFileInfo file(path);
    DocumentFolder = file.absolutePath() + "/";
    DocumentName = file.fileName();
    SetTitle();
    Modified = false;
}

QString TMainWindow::ChooseSavePath() {
    return AskSaveFile(FromStd(WorkingFolder(DefaultFolder(Settings.Current.General.DefaultPath))),
                       DocumentName.isEmpty() ? ShownDocumentName() + ".xps" : DocumentName,
                       "Exposure Sheet (*.xps)");
}

bool TMainWindow::SaveClick() {
    QString path = DocumentFolder + DocumentName;
    if (DocumentName.isEmpty() || !QFileInfo::exists(path)) {
        path = ChooseSavePath();
        if (path.isEmpty())
            return false;
    }
    WriteDocument(path);
    return true;
}

void TMainWindow::SaveAsClick() {
    const QString path = ChooseSavePath();
    if (path.isEmpty())
        return;
    WriteDocument(path);
    AddRecent(QFileInfo(path).absoluteFilePath());
}

// ---------------------------------------------------------------------------------------------
// Edit commands

void TMainWindow::UndoClick() {
    Activity = kRestoring;
    Sheet->Undo();
    Activity = kIdle;
}

void TMainWindow::RedoClick() {
    Activity = kRestoring;
    Sheet->Redo();
    Activity = kIdle;
}

void TMainWindow::CutClick() {
    if (Sheet->LayerCount() == 0)
        return;
    Sheet->SaveUndoState();
    Sheet->CutSelection();
}

void TMainWindow::CopyClick() {
    if (Sheet->LayerCount() > 0)
        Sheet->CopySelection();
}

void TMainWindow::PasteClick() {
    Sheet->SaveUndoState();
    Sheet->PasteAtSelection();
}

void TMainWindow::InsertFrameClick() {
    if (Sheet->LayerCount() > 0)
        Sheet->InsertFrame();
}

void TMainWindow::DeleteFramesClick() {
    if (Sheet->LayerCount() > 0)
        Sheet->DeleteFrames();
}

void TMainWindow::Add10Click() {
    if (Sheet->LayerCount() == 0)
        return;
    Sheet->SaveUndoState();
    Sheet->AddFrames(10);
}

void TMainWindow::AddLayerClick() {
    Sheet->SaveUndoState();
    Sheet->AddLayer("", ToStd(ProjectFolder), Sheet->Document().DefaultColors);
    Sheet->SelectCell(Sheet->LayerCount(), 1);
}

void TMainWindow::DeleteLayerClick() {
    if (Sheet->LayerCount() == 0)
        return;
    Sheet->SaveUndoState();
    Sheet->DeleteLayer(Sheet->CurrentLayer());
}

// ---------------------------------------------------------------------------------------------
// File, tools and help

void TMainWindow::ImportImagesClick() {
    ImportForm->Open(FromStd(Sheet->LayerFolder(Sheet->CurrentLayer())),
                     FromStd(DefaultFolder(Settings.Current.General.DefaultPath)));
    Sheet->SelectCell(Sheet->CurrentLayer(), Sheet->CurrentFrame());
}

void TMainWindow::PrintClick() {
    RunPrintCommand(this, Sheet->Document(), DocumentName, [this] {
        return AskSaveFile(FromStd(WorkingFolder(DefaultFolder(Settings.Current.General.DefaultPath))),
                           QFileInfo(DocumentName).completeBaseName() + ".pdf", "PDF (*.pdf)");
    });
}

void TMainWindow::ImportAudioClick() {
    const QString path = AskOpenFile(FromStd(DefaultFolder(Settings.Current.General.DefaultPath)),
                                     Translate(LanguageKey("sAudioFiles")) + " (*.wav *.mp3);;" +
                                         "All sound files (*.wav *.mp3 *.ogg *.flac *.m4a *.aiff *.aif)");
    if (!path.isEmpty())
        Sound->LoadFile(ToStd(path));
}

void TMainWindow::ExportClick() {
    if (Sheet->IsEmpty())
        throw ECwError(ToStd(Translate(LanguageKey("msgErrXsheetEmpty"))));
    if (Sheet->VisibleUsedFrameCount() > 0)
        ExportMovie(ExportContext(), FromStd(DefaultFolder(Settings.Current.General.DefaultPath)), this);
    else
        AlertPrompt->Alert(Translate(LanguageKey("msgErrNoVisibleLayerWImages")));
}

TExportContext TMainWindow::ExportContext() {
    TExportContext context;
    context.Sheet = &Sheet->Document();
    context.Rostrum = Rostrum.get();
    context.Settings = Settings.Current;
    context.SheetName = DocumentName;
    context.SettingsFile = Settings.SettingsFilePath();
    context.Info = [this](const QString& line) { Memo1->appendPlainText(line); };
    return context;
}

void TMainWindow::VideoCaptureClick() {
    if (Sheet->LayerCount() == 0)
        throw ECwError(ToStd(Translate(LanguageKey("msgErrCaptureLayer"))));
    if (!CaptureWindow) {
        CaptureWindow = new TCaptureWindow(*Sheet, Settings.Current, *AlertPrompt,
                           TVideoGrabber::TestCameraEnabled(ToStd(Folders.UserFolder)), this);
        CaptureWindow->SettingsFile = Settings.SettingsFilePath();
        CaptureWindow->OnShowCapture = [this](const QImage& image) {
            Thumbnail = image.scaled(Image1->size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            Image1->setPixmap(QPixmap::fromImage(Thumbnail));
        };
        CaptureWindow->OnThumbnailHeight = [this](int height) { Image1->setFixedHeight(height); };
    }
    if (!CaptureWindow->isVisible())
        CaptureWindow->InitForm();
    CaptureWindow->show();
    CaptureWindow->raise();
    CaptureWindow->activateWindow();
}

void TMainWindow::ScannerClick() {
    if (Sheet->LayerCount() == 0)
        throw ECwError(ToStd(Translate(LanguageKey("msgErrCaptureLayer"))));
    if (ScannerWindow == nullptr)
        ScannerWindow = new TScannerWindow(*Sheet, Settings.Current, AlertPrompt, this);
    ScannerWindow->show();
    ScannerWindow->raise();
}

void TMainWindow::PreviewClick() {
    if (Sheet->IsEmpty())
        throw ECwError(ToStd(Translate(LanguageKey("msgErrXsheetEmpty"))));
    if (!Preview) {
        TPreviewHost host;
        host.CurrentSettings = [this] { return CurrentSettings(); };
        host.SetCompositeMode = [this](TComp mode) { SetCompositeMode(mode); };
        host.SetAutoBuild = [this](bool autoBuild) { Settings.Current.Preview.AutoBuild = autoBuild; };
        host.SaveFrames = [this](const TFrameArray& order, const TImageArray& frames) {
            ExportFrames(ExportContext(), FromStd(Settings.Current.General.DefaultPath), &order, &frames,
                         Preview);
        };
        Preview = new TPreviewWindow(Sheet->Document(), *Rostrum, host, this);
        Preview->OnClosed = [](TPreviewWindow& sender) { sender.deleteLater(); };
        Preview->move(pos() + QPoint(40, 40));
    }
    Preview->show();
    Preview->raise();
}

void TMainWindow::ImageViewerClick() {
    if (ImageViewer->isVisible())
        return;
    const TPicture* picture = Sheet->GetCelImage(Sheet->CurrentLayer(), Sheet->CurrentFrame());
    if (picture) {
        const QImage image = PictureToImage(*picture);
        ImageViewer->ShowImage(&image);
    } else {
        ImageViewer->ShowImage(nullptr);
    }
}

void TMainWindow::HelpClick() {
    QDesktopServices::openUrl(QUrl::fromLocalFile(Folders.ProgramFolder + "Help/Celwright_Help.htm"));
}

void TMainWindow::AboutClick() {
    TAboutDialog about(kVersion, this);
    about.exec();
}

void TMainWindow::LicenseClick() {
    TLicenseDialog licence(this);
    licence.LoadLicense(Folders.ProgramFolder);
    licence.exec();
}

// ---------------------------------------------------------------------------------------------
// Window events

void TMainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (ShownOnce)
        return;
    ShownOnce = true;
    OpenCommandLineSheet(QApplication::arguments());
}

void TMainWindow::OpenCommandLineSheet(const QStringList& arguments) {
    if (arguments.size() < 2)
        return;
    const QString path = arguments[1];
    // The extension is compared exactly: ".XPS" is not a sheet.
    if (QFileInfo(path).isFile() && path.endsWith(".xps")) {
        InfoMessage(path);
        Guard([this, path] { OpenDocument(path); });
    }
}

void TMainWindow::FocusSheet() {
    if (!isVisible() || QApplication::activeModalWidget())
        return;
    activateWindow();
    // The keys go to the sheet, unless they went to one of its parts, such as a name being typed.
    QWidget* focus = QApplication::focusWidget();
    if (!focus || (focus != Sheet && !Sheet->isAncestorOf(focus)))
        Sheet->setFocus();
}

void TMainWindow::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        if (Activity == kStarting)
            Activity = kIdle;
        FocusSheet();
    }
    QMainWindow::changeEvent(event);
}

void TMainWindow::closeEvent(QCloseEvent* event) {
    if (!AskSaveChanges()) {
        event->ignore();
        return;
    }
    Guard([this] { WriteStoredState(); });
    if (CaptureWindow)
        CaptureWindow->close();
    ImageViewer->close();
    event->accept();
}

void TMainWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void TMainWindow::dropEvent(QDropEvent* event) {
    QStringList paths;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile())
            paths.append(url.toLocalFile());
    }
    const QPoint point = event->position().toPoint();
    QWidget* target = childAt(point);
    // Only a drop on the sheet counts.
    if (!target || (target != Sheet && !Sheet->isAncestorOf(target)))
        return;
    event->acceptProposedAction();
    Guard([&] { DropFiles(paths, Sheet->mapFrom(this, point)); });
}

void TMainWindow::DropFiles(const QStringList& paths, const QPoint& sheetPoint) {
    auto suffixOf = [](const QString& path) { return "." + QFileInfo(path).suffix().toLower(); };
    const auto images = {".png", ".bmp", ".jpg", ".jpeg"};
    const auto sounds = {".mp3", ".wav", ".ogg", ".aiff"};
    const bool mediaDropped = std::any_of(paths.begin(), paths.end(), [&](const QString& path) {
        return IsOneOf(suffixOf(path), images) || IsOneOf(suffixOf(path), sounds);
    });
    if (!mediaDropped) {
        // Sheets alone: the first one is opened.
        for (const QString& path : paths) {
            if (path.endsWith(".xps")) {
                OpenDocument(path);
                return;
            }
        }
        return;
    }
    Sheet->SaveUndoState();
    std::int32_t placed = 0;
    for (const QString& path : paths) {
        const QString suffix = suffixOf(path);
        if (IsOneOf(suffix, images)) {
            std::int32_t layer = 0;
            std::int32_t frame = 0;
            if (!Sheet->CellFromPoint(sheetPoint, layer, frame))
                continue;
            const std::int32_t hold = Settings.Current.Capture.Hold;
            Sheet->PlaceCelAt(layer, frame + hold * placed, ToStd(QFileInfo(path).fileName()), hold);
            ++placed;
        } else if (IsOneOf(suffix, sounds)) {
            Sheet->RemoveAudio();
            Sound->LoadFile(ToStd(path));
        } else if (suffix == ".xps") {
            OpenDocument(path);
        }
    }
}

void TMainWindow::wheelEvent(QWheelEvent* event) {
    Sheet->ScrollWheel(event->angleDelta().y());
    event->accept();
}

bool TMainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Image1 && event->type() == QEvent::MouseButtonDblClick) {
        Guard([this] { ImageViewerClick(); });
        return true;
    }
    // A dialog of this window closed: the keys go back to the sheet.
    if (event->type() == QEvent::Hide) {
        const auto* dialog = qobject_cast<QDialog*>(watched);
        if (dialog && dialog->isWindow() && dialog->parentWidget() &&
            dialog->parentWidget()->window() == this)
            QTimer::singleShot(0, this, [this] { FocusSheet(); });
    }
    return QMainWindow::eventFilter(watched, event);
}
