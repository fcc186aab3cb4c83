#include "app/MainWindow.h"

#include "app/AboutDialog.h"
#include "app/ElidedLabel.h"
#include "app/GuideOpener.h"
#include "app/ImageViewer.h"
#include "app/LayerPropertiesDialog.h"
#include "app/LicenseDialog.h"
#include "app/MainActions.h"
#include "app/ProgramEditDialog.h"
#include "app/SheetFiles.h"
#include "app/SheetRecovery.h"
#include "audio/LipSyncCommands.h"
#include "audio/SheetSound.h"
#include "audio/VolumeWindow.h"
#include "base/TemporaryFolders.h"
#include "base/TextUtil.h"
#include "capture/CaptureWindow.h"
#include "export/SheetExport.h"
#include "imaging/Compositor.h"
#include "imaging/Picture.h"
#include "import/ImportWindow.h"
#include "preview/PreviewCommand.h"
#include "print/SheetPrinting.h"
#include "scanner/ScannerWindow.h"
#include "settings/Folders.h"
#include "settings/IniFile.h"
#include "sheetview/SheetView.h"
#include "ui/AlertPrompt.h"
#include "ui/AppTexts.h"
#include "ui/EntryDialog.h"
#include "ui/ErrorBox.h"
#include "ui/PictureImage.h"
#include "ui/QtText.h"
#include "ui/WindowPlacement.h"

#include <QApplication>
#include <QCloseEvent>
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

namespace {
const char* const kSettingsSection = "celwright";

bool IsOneOf(const QString& suffix, std::initializer_list<const char*> list) {
    for (const char* entry : list) {
        if (suffix == entry)
            return true;
    }
    return false;
}
} // namespace

TMainWindow::TMainWindow(const TAppFolders& folders, QWidget* parent)
    : QMainWindow(parent), Folders(folders), SettingsManager(ToStd(folders.UserFolder)),
      Profiles(SettingsManager.Saved, ToStd(folders.UserFolder)), InForce(SettingsManager, Profiles) {
    // Main window creation, in order: folders and preferences, profiles, languages, settings in
    // force, the stored language and recent files, then the untitled document.
    CurrentActivity = TActivity::Starting;
    SettingsManager.LoadFromFile();
    Profiles.LoadProfiles();
    // Converted sound and half-built movies of runs that were killed are reclaimed.
    for (const std::string& base : {SystemTempFolder(), SettingsManager.Saved.General.TempPath})
        RemoveAbandonedTemporaryFolders(base);
    for (std::int32_t i = 0; i < 3; ++i)
        LayerColorTable[static_cast<std::size_t>(i)] = LayerColorScheme(i);

    CreateControls();
    Rostrum = std::make_unique<TCompositor>(SheetView->Document());
    Rostrum->CompositeMode = [this] { return SettingsManager.Current.General.CompositeMode; };
    SheetSound = std::make_unique<TSheetSound>(*SheetView, *this);
    SheetFiles = new TSheetFiles(*SheetView, SettingsManager, *SheetSound, *AlertPrompt, *this);
    ConnectExportAndPreview();
    LipSync = std::make_unique<TLipSyncCommands>(*SheetView, *this, *AlertPrompt);
    Guide = new TGuideOpener(*this, Folders.ProgramFolder + "Help/Celwright_Help.htm");
    CreateMenusAndToolBar();
    ConnectSheet();
    ConnectFiles();
    // The sheet's events are in place: it can finish loading, which hands it the undo events.
    SheetView->Loaded();
    SetActiveLanguage(&LanguageTable);
    TranslateAll();
    RebuildSettings();
    ReadStoredState();
    StartRecovery();

    SetTitle();
    Thumbnail.fill(Qt::white);
    ThumbnailView->setPixmap(QPixmap::fromImage(Thumbnail));
    Actions->UpdateActions();
    // Room for the side panel, the frame numbers and two layers.
    PlaceOnScreen();
    setAcceptDrops(true);
    qApp->installEventFilter(this);
}

TMainWindow::~TMainWindow() {
    // Before the sheet's files, whose opening it answers.
    delete SheetRecovery;
    SetActiveLanguage(nullptr);
}

void TMainWindow::CreateControls() {
    auto* central = new QWidget(this);
    auto* topPanel = new QWidget(central);
    FpsLabel = new QLabel(topPanel);
    FpsLabel->setObjectName("FpsLabel");
    LayerPathLabel = new TElidedLabel(topPanel);
    LayerPathLabel->setObjectName("LayerPathLabel");
    auto* top = new QHBoxLayout(topPanel);
    top->setContentsMargins(10, 4, 10, 4);
    top->addWidget(FpsLabel);
    top->addSpacing(24);
    top->addWidget(LayerPathLabel, 1);

    auto* sidePanel = new QWidget(central);
    sidePanel->setFixedWidth(176);
    ThumbnailView = new QLabel(sidePanel);
    ThumbnailView->setObjectName("ThumbnailView");
    ThumbnailView->setFixedSize(129, 105);
    ThumbnailView->setFrameShape(QFrame::Box);
    ThumbnailView->installEventFilter(this);
    Thumbnail = QImage(129, 105, QImage::Format_RGB32);
    MagnifyButton = new QToolButton(sidePanel);
    MagnifyButton->setText("+");
    MagnifyButton->setFixedSize(22, 22);
    connect(MagnifyButton, &QToolButton::clicked, this, [this] { Guard([this] { ImageViewerClick(); }); });
    InfoPanel = new QPlainTextEdit(sidePanel);
    InfoPanel->setObjectName("InfoPanel");
    InfoPanel->setReadOnly(true);
    auto* left = new QVBoxLayout(sidePanel);
    left->setContentsMargins(10, 10, 10, 10);
    auto* thumbRow = new QHBoxLayout;
    thumbRow->addWidget(ThumbnailView);
    thumbRow->addWidget(MagnifyButton, 0, Qt::AlignBottom);
    left->addLayout(thumbRow);
    left->addSpacing(12);
    left->addWidget(InfoPanel, 1);

    SheetView = new TSheetView(central);
    auto* body = new QHBoxLayout;
    body->setContentsMargins(0, 0, 0, 0);
    body->addWidget(sidePanel);
    body->addWidget(SheetView, 1);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(topPanel);
    layout->addLayout(body, 1);
    setCentralWidget(central);

    AlertPrompt = new TAlertPrompt(this);
    EntryDialog = new TEntryDialog(this);
    ImageViewer = new TImageViewer(this);
    ImportWindow = new TImportWindow(*SheetView, this);
    KeepBesideSheet(*ImportWindow, "import");
    ImportWindow->OnImporting = [this](bool importing) {
        CurrentActivity = importing ? TActivity::Loading : TActivity::Idle;
        // Nothing was shown while the cels went in: the thumbnail takes the drawing under the cursor.
        if (!importing) {
            ShownCursor.clear();
            ShowCursor();
        }
    };
    LayerPropertiesDialog = new TLayerPropertiesDialog(AlertPrompt, LayerColorNames(), this);
    ProgramEditDialog = new TProgramEditDialog(AlertPrompt, this);
}

void TMainWindow::CreateMenusAndToolBar() {
    Actions = new TMainActions(*this, *SheetView, *SheetFiles, *SheetSound, Profiles, Folders.ProgramFolder);
    Actions->FillMenuBar(*menuBar());
    QToolBar* bar = addToolBar("ToolBar");
    bar->setObjectName("ToolBar");
    bar->setMovable(false);
    bar->setIconSize(QSize(24, 24));
    Actions->FillToolBar(*bar);
    SheetView->PopupMenu = Actions->CelMenu();
    SheetView->PopupMenuHeader = Actions->LayerMenu();
    SheetView->PopupMenuAudio = Actions->AudioMenu();
}

void TMainWindow::ConnectFiles() {
    SheetFiles->OnSettingsLoaded = [this](const TXpsSettings& settings) { ApplyDocumentSettings(settings); };
    SheetFiles->OnLoading = [this](bool loading) {
        CurrentActivity = loading ? TActivity::Loading : TActivity::Idle;
    };
    connect(SheetFiles, &TSheetFiles::DocumentChanged, this, [this] {
        SetTitle();
        Actions->UpdateActions();
    });
}

void TMainWindow::ConnectExportAndPreview() {
    SheetExport = std::make_unique<TSheetExport>(SheetView->Document(), *Rostrum, SettingsManager, *AlertPrompt);
    SheetExport->SheetName = [this] { return SheetFiles->ShownDocumentName(); };
    SheetExport->SheetFile = [this] { return SheetFiles->FilePath(); };
    SheetExport->Info = [this](const QString& line) { InfoPanel->appendPlainText(line); };
    Previews = std::make_unique<TPreviewCommand>(SheetView->Document(), *Rostrum, *AlertPrompt, *this);
    Previews->Host.CurrentSettings = [this] { return CurrentSettings(); };
    Previews->Host.SetCompositeMode = [this](TComp mode) { SetCompositeMode(mode); };
    Previews->Host.SetAutoBuild = [this](bool autoBuild) { SettingsManager.Current.Preview.AutoBuild = autoBuild; };
    Previews->Host.SaveFrames = [this](const TFrameArray& order, const TImageArray& frames) {
        SheetExport->ExportRendered(order, frames, Previews->Window());
    };
    Previews->OnMade = [this](TPreviewWindow& preview) { KeepBesideSheet(preview, "preview"); };
}

void TMainWindow::StartRecovery() {
    if (Folders.RecoveryFolder.isEmpty())
        return;
    try {
        SheetRecovery =
            new TSheetRecovery(Folders.RecoveryFolder, *SheetView, *SheetFiles, SettingsManager, *AlertPrompt, this);
        SheetRecovery->OnMessage = [this](const QString& text) { InfoMessage(text); };
    } catch (const ECwError& error) {
        InfoMessage(Fill(Translate(LanguageKey("msgRecoveryFailed")), {FromStd(error.what())}));
    }
}

void TMainWindow::PicturePlaced() {
    if (SheetRecovery)
        SheetRecovery->RecordNow();
}

void TMainWindow::ConnectSheet() {
    SheetView->OnSelect = [this](QObject&, std::int32_t layer, std::int32_t frame) {
        ShowThumbnail(layer, frame);
        ShowLayerPath(layer);
        ShownCursor = CursorKey();
    };
    // The path line and the thumbnail follow every other change of the current layer and cel.
    SheetView->OnLayerChange = [this](QObject&) { ShowCursor(); };
    SheetView->OnLayerDeleted = [this](QObject&) {
        ShowCursor();
        Actions->UpdateActions();
    };
    SheetView->OnLayerAdded = [this](QObject&) {
        // Widen the window so that the new layer shows, up to a sheet of 610 pixels.
        const int wanted = SheetView->LayerCount() * SheetView->GridWidth() + SheetView->IndexWidth() +
                           SheetView->ScrollWidth() +
                           (SheetView->Document().AudioShown() ? SheetView->AudioWidth() : 0);
        if (SheetView->width() < 610 && SheetView->width() < wanted)
            resize(width() + wanted - SheetView->width(), height());
        if (CurrentActivity == TActivity::Idle)
            NewLayerProperties();
        SheetView->SelectCell(SheetView->LayerCount(), 1);
        SheetView->update();
        Actions->UpdateActions();
    };
    SheetView->OnMaxFrameError = [this](QObject&) {
        // A sheet being opened lists the cels it leaves out in one message of its own.
        if (CurrentActivity == TActivity::Loading)
            return;
        AlertPrompt->Alert(Translate(LanguageKey("msgErrMaxFrame")), Translate(LanguageKey("sOk")));
    };
    SheetView->OnCanUndo = [this](QObject&) {
        Actions->SetUndoAvailable(true);
        SheetFiles->SetModified(true);
    };
    SheetView->OnModified = [this](QObject&) {
        SheetFiles->SetModified(true);
        ShowCursor();
    };
    SheetView->OnCantUndo = [this](QObject&) { Actions->SetUndoAvailable(false); };
    SheetView->OnCanRedo = [this](QObject&) { Actions->SetRedoAvailable(true); };
    SheetView->OnCantRedo = [this](QObject&) { Actions->SetRedoAvailable(false); };
    SheetView->OnCanPaste = [this](QObject&) { Actions->SetPasteAvailable(); };
    SheetView->OnShowAudio = [this](QObject&) { Actions->UpdateActions(); };
    SheetView->OnHideAudio = [this](QObject&) { Actions->UpdateActions(); };
    SheetView->OnMessage = [this](QObject&, const std::string& text) { AlertPrompt->Alert(FromStd(text)); };
    SheetSound->ShowFrame = [this](std::int32_t layer, std::int32_t frame) { ShowThumbnail(layer, frame); };
    SheetSound->Info = [this](const QString& text) { InfoMessage(text); };
    SheetView->OnAudioLoaded = [this](QObject&) { SheetSound->AudioLoaded(); };
    SheetView->OnScrubAudioStart = [this](QObject&, std::int32_t pos) { SheetSound->ScrubStart(pos); };
    SheetView->OnScrubAudio = [this](QObject&, std::int32_t pos) { SheetSound->ScrubMove(pos); };
    SheetView->OnScrubAudioEnd = [this](QObject&) { SheetSound->ScrubEnd(); };
}

void TMainWindow::Guard(const std::function<void()>& command) {
    GuardCommand(this, command);
    ShowCursor();
    Actions->UpdateActions();
}

QString TMainWindow::CursorKey() const {
    const std::int32_t layer = SheetView->CurrentLayer();
    const std::int32_t frame = SheetView->CurrentFrame();
    return QString("%1:%2:%3:%4:%5")
        .arg(layer)
        .arg(frame)
        .arg(FromStd(SheetView->LayerCaption(layer)), FromStd(SheetView->LayerFolder(layer)),
             FromStd(SheetView->CelName(layer, frame)));
}

void TMainWindow::ShowCursor() {
    // A sheet being opened or restored is shown once it is complete.
    if (CurrentActivity == TActivity::Loading || CurrentActivity == TActivity::Restoring)
        return;
    const QString key = CursorKey();
    if (key == ShownCursor)
        return;
    ShownCursor = key;
    ShowThumbnail(SheetView->CurrentLayer(), SheetView->CurrentFrame());
    ShowLayerPath(SheetView->CurrentLayer());
}

// ---------------------------------------------------------------------------------------------
// Preferences in force

void TMainWindow::ApplyDocumentSettings(const TXpsSettings& settings) {
    ApplyDocumentSettingsTo(SettingsManager.Current, settings);
    ApplySettings();
}

void TMainWindow::RebuildSettings() {
    Project.clear();
    InForce.Reset();
    ApplySettings();
    if (CaptureWindow)
        CaptureWindow->SettingsApplied();
}

void TMainWindow::ApplySettings() {
    SetFrameRate(SettingsManager.Current.General.Fps);
    SetCompositeMode(SettingsManager.Current.General.CompositeMode);
    SetImageFormat(SettingsManager.Current.Capture.CaptureFormat);
    SheetView->Document().UndoManager().SetDepth(SettingsManager.Current.General.UndoLevels);
    SheetView->SetTempFolder(SheetSound->TempFolderIn(SettingsManager.Current.General.TempPath));
    if (TPreviewWindow* preview = Previews->Window())
        preview->ApplySettings();
}

void TMainWindow::SetFrameRate(int fps) {
    SettingsManager.Current.General.Fps = fps;
    SheetView->SetFps(fps);
    FpsLabel->setText(Translate(LanguageKey("sFPS")) + ": " + QString::number(fps));
    SheetView->update();
    Actions->UpdateActions();
    if (TPreviewWindow* preview = Previews->Window())
        preview->SetFps(fps);
    if (SheetView->LayerCount() > 0)
        SheetFiles->SetModified(true);
}

void TMainWindow::SetCompositeMode(TComp mode) {
    SettingsManager.Current.General.CompositeMode = mode;
    Actions->UpdateActions();
}

void TMainWindow::SetImageFormat(TcwImageFormat format) {
    SettingsManager.Current.Capture.CaptureFormat = format;
    Actions->UpdateActions();
}

void TMainWindow::FpsOtherClick() {
    // The check mark stays on the rate in force until a new one is set.
    Actions->UpdateActions();
    const QString title = Translate(LanguageKey("sFPS"));
    QString text;
    // A refused value says why and is offered again to be corrected.
    for (bool again = false;; again = true) {
        if (!(again ? EntryDialog->AskValueAgain(title, text) : EntryDialog->AskValue(title, text)))
            return;
        try {
            const std::int32_t fps = StrToInt(ToStd(text.trimmed()));
            if (IsFrameRate(fps)) {
                SetFrameRate(fps);
                return;
            }
            ShowErrorBox(this, Fill(Translate(LanguageKey("msgErrFrameRate")), {text.trimmed()}));
        } catch (const ECwError& error) {
            ShowErrorBox(this, FromStd(error.what()));
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Stored state: language and recent files

void TMainWindow::ReadStoredState() {
    TIniFile ini;
    if (!Folders.UserFolder.isEmpty())
        ini.LoadFromFile(SettingsManager.SettingsFilePath());
    LanguageName.clear();
    // A broken language file is reported; the program starts with the texts read before the fault.
    const QString language = FromStd(ini.ReadString(kSettingsSection, "language", kEnglishLanguage));
    Guard([&] { SelectLanguage(language); });
    SheetFiles->ReadRecentFiles(ini);
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
    const std::string path = SettingsManager.SettingsFilePath();
    TIniFile ini;
    if (!ini.LoadForUpdate(path))
        return;
    ini.WriteString(kSettingsSection, "language", ToStd(LanguageName));
    const QRect shown = isMaximized() ? normalGeometry() : QRect(pos(), size());
    ini.WriteInteger(kSettingsSection, "window left", shown.left());
    ini.WriteInteger(kSettingsSection, "window top", shown.top());
    ini.WriteInteger(kSettingsSection, "window width", shown.width());
    ini.WriteInteger(kSettingsSection, "window height", shown.height());
    ini.WriteBool(kSettingsSection, "window maximized", isMaximized());
    SheetFiles->WriteRecentFiles(ini);
    ini.SaveToFile(path);
}

// ---------------------------------------------------------------------------------------------
// Languages and profiles

void TMainWindow::SelectLanguage(const QString& name) {
    if (name == LanguageName)
        return;
    LanguageName = name;
    Actions->UpdateActions();
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
    Actions->Retranslate();
    MagnifyButton->setToolTip(Translate(LanguageKey("msgEnlargeImage")));
    SheetView->SetDefaultLayerText(ToStd(Translate(LanguageKey("sLayer"))));
    SheetView->SetIndexHeadText(Translate(LanguageKey("sFrame")));
    SheetView->SetAudioHeadText(Translate(LanguageKey("sAudio")));
    SheetSound->VolumeWindow().Retranslate();
    FpsLabel->setText(Translate(LanguageKey("sFPS")) + ": " +
                      QString::number(SettingsManager.Current.General.Fps));
    ShowLayerPath(SheetView->CurrentLayer());
    SetTitle();
}

void TMainWindow::RetranslateOtherWindows() {
    EntryDialog->Retranslate();
    ImageViewer->Retranslate();
    Guide->Retranslate();
    ImportWindow->Retranslate();
    LayerPropertiesDialog->Retranslate();
    ProgramEditDialog->Retranslate();
    if (TPreviewWindow* preview = Previews->Window())
        preview->Retranslate();
    if (CaptureWindow)
        CaptureWindow->Retranslate();
    if (ScannerWindow)
        ScannerWindow->Retranslate();
}

void TMainWindow::ActivateProfile(const QString& name) {
    InForce.SetProfile(ToStd(name));
    RebuildSettings();
    Actions->UpdateActions();
    InfoMessage(Translate(LanguageKey("sProfile")) + ": " + name);
    SetTitle();
}

// ---------------------------------------------------------------------------------------------
// Title, info panel, thumbnail

QString TMainWindow::TitleText() const {
    QString title = QString("Celwright ") + kVersion;
    if (ActiveProfile() != "Default")
        title += ": " + ActiveProfile();
    // "[*]" is where the window shows the desktop's mark of unsaved changes.
    return title + " - " + SheetFiles->ShownDocumentName() + "[*]";
}

void TMainWindow::SetTitle() {
    setWindowTitle(TitleText());
    setWindowModified(SheetFiles->Modified());
}

void TMainWindow::InfoMessage(const QString& text) {
    InfoPanel->setPlainText(text + "\n" + InfoPanel->toPlainText());
}

void TMainWindow::ShowLayerPath(std::int32_t layer) {
    const QString text =
        Fill(Translate(LanguageKey("msgLayerPath")),
             {FromStd(SheetView->LayerCaption(layer)), FromStd(SheetView->LayerFolder(layer))});
    LayerPathLabel->SetFullText(layer > 0 ? text : QString());
}

const TPicture* TMainWindow::CelDrawing(std::int32_t layer, std::int32_t frame, QString& missing) {
    missing.clear();
    const TPicture* picture = nullptr;
    try {
        picture = SheetView->GetCelImage(layer, frame);
    } catch (const ECwError& error) {
        // A drawing that cannot be read shows as missing, with the reason, which names the file.
        missing = FromStd(error.what());
        return nullptr;
    }
    if (!picture && SheetView->CelAt(layer, frame)) {
        missing = Fill(Translate(LanguageKey("msgErrImageNotFound")),
                       {FromStd(SheetView->CelName(layer, frame)), FromStd(SheetView->LayerCaption(layer))});
    }
    return picture;
}

void TMainWindow::ShowInViewer(const TPicture* picture, const QString& missing) {
    if (picture) {
        const QImage image = PictureToImage(*picture);
        ImageViewer->ShowImage(&image);
    } else if (missing.isEmpty()) {
        ImageViewer->ShowImage(nullptr);
    } else {
        ImageViewer->ShowMissing(missing);
    }
}

void TMainWindow::ShowThumbnail(std::int32_t layer, std::int32_t frame) {
    QString missing;
    const TPicture* picture = CelDrawing(layer, frame, missing);
    if (!missing.isEmpty())
        InfoMessage(missing);
    if (!picture) {
        Thumbnail.fill(Qt::white);
    } else {
        Thumbnail = PictureToImage(*picture)
                        .scaled(129, 105, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                        .convertToFormat(QImage::Format_RGB32);
    }
    if (ImageViewer->isVisible())
        ShowInViewer(picture, missing);
    ThumbnailView->setPixmap(QPixmap::fromImage(Thumbnail));
}

// ---------------------------------------------------------------------------------------------
// Documents

void TMainWindow::NewClick() {
    if (!SheetFiles->AskSaveChanges())
        return;
    SheetView->ClearSheet();
    SheetView->AddLayer("", SettingsManager.Current.General.DefaultPath, SheetView->Document().DefaultColors);
    RebuildSettings();
    SheetFiles->SetDocumentName({});
    ShowLayerPath(1);
    SheetView->SetFps(SettingsManager.Current.General.Fps);
    QDir::setCurrent(FromStd(DefaultFolder(SettingsManager.Current.General.DefaultPath)));
    SheetFiles->SetModified(false);
}

// ---------------------------------------------------------------------------------------------
// Edit commands

void TMainWindow::UndoClick() {
    CurrentActivity = TActivity::Restoring;
    SheetView->Undo();
    CurrentActivity = TActivity::Idle;
}

void TMainWindow::RedoClick() {
    CurrentActivity = TActivity::Restoring;
    SheetView->Redo();
    CurrentActivity = TActivity::Idle;
}

void TMainWindow::CutClick() {
    if (SheetView->LayerCount() == 0)
        return;
    SheetView->CutSelection();
}

void TMainWindow::CopyClick() {
    if (SheetView->LayerCount() > 0)
        SheetView->CopySelection();
}

void TMainWindow::PasteClick() {
    SheetView->PasteAtSelection();
}

void TMainWindow::InsertFrameClick() {
    if (SheetView->LayerCount() > 0)
        SheetView->InsertFrame();
}

void TMainWindow::DeleteFramesClick() {
    if (SheetView->LayerCount() > 0)
        SheetView->DeleteFrames();
}

void TMainWindow::AddTenFramesClick() {
    if (SheetView->LayerCount() == 0)
        return;
    SheetView->AddFrames(10);
}

void TMainWindow::AddLayerClick() {
    SheetView->AppendLayer(ToStd(Project));
}

void TMainWindow::DeleteLayerClick() {
    if (SheetView->LayerCount() == 0)
        return;
    SheetView->DeleteLayer(SheetView->CurrentLayer());
}

// ---------------------------------------------------------------------------------------------
// File, tools and help

void TMainWindow::ImportImagesClick() {
    ImportWindow->Open(FromStd(SheetView->LayerFolder(SheetView->CurrentLayer())),
                       FromStd(DefaultFolder(SettingsManager.Current.General.DefaultPath)));
    SheetView->SelectCell(SheetView->CurrentLayer(), SheetView->CurrentFrame());
}

void TMainWindow::PrintClick() {
    // An unnamed sheet prints, and is offered as a file, under the name the window shows.
    RunPrintCommand(this, SheetView->Document(), SheetFiles->ShownDocumentName(), SheetFiles->FilePath(), [this] {
        return SheetFiles->AskSaveFile(
            FromStd(WorkingFolder(DefaultFolder(SettingsManager.Current.General.DefaultPath))),
            QFileInfo(SheetFiles->ShownDocumentName()).completeBaseName() + ".pdf", "PDF (*.pdf)");
    });
}

void TMainWindow::ImportAudioClick() {
    const QString path =
        SheetFiles->AskOpenFile(FromStd(DefaultFolder(SettingsManager.Current.General.DefaultPath)),
                                Translate(LanguageKey("sAudioFiles")) + " (*.wav *.mp3);;" +
                                    "All sound files (*.wav *.mp3 *.ogg *.flac *.m4a *.aiff *.aif)");
    if (!path.isEmpty())
        SheetSound->LoadFile(ToStd(path));
}

void TMainWindow::ImportPhonemesClick() {
    const QString path =
        SheetFiles->AskOpenFile(FromStd(DefaultFolder(SettingsManager.Current.General.DefaultPath)),
                                Translate(LanguageKey("sDialogueFiles")) + " (*.dat *.txt *.tsv *.json *.pgo);;*");
    if (!path.isEmpty())
        LipSync->ImportPhonemes(path);
}

void TMainWindow::ApplyLipSyncClick() {
    LipSync->ApplyLipSync();
}

void TMainWindow::ExportClick() {
    SheetExport->ExportSheet(this);
}

void TMainWindow::VideoCaptureClick() {
    if (SheetView->LayerCount() == 0)
        throw ECwError(ToStd(Translate(LanguageKey("msgErrCaptureLayer"))));
    if (!CaptureWindow) {
        CaptureWindow = new TCaptureWindow(*SheetView, SettingsManager.Current, *AlertPrompt,
                                           TVideoGrabber::TestCameraEnabled(ToStd(Folders.UserFolder)), this);
        CaptureWindow->SettingsFile = SettingsManager.SettingsFilePath();
        CaptureWindow->Grabber.TestFaults = TVideoGrabber::TestCameraFaults(ToStd(Folders.UserFolder));
        KeepBesideSheet(*CaptureWindow, "capture");
        CaptureWindow->OnShowCapture = [this](const QImage& image) {
            Thumbnail = image.scaled(ThumbnailView->size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            ThumbnailView->setPixmap(QPixmap::fromImage(Thumbnail));
        };
        CaptureWindow->OnThumbnailHeight = [this](int height) { ThumbnailView->setFixedHeight(height); };
        CaptureWindow->OnPicturePlaced = [this] { PicturePlaced(); };
        CaptureWindow->SheetFile = [this] { return SheetFiles->FilePath(); };
        connect(SheetFiles, &TSheetFiles::DocumentChanged, CaptureWindow, [this] {
            if (CaptureWindow->isVisible())
                CaptureWindow->SheetFileChanged();
        });
    }
    if (!CaptureWindow->isVisible())
        CaptureWindow->InitForm();
    CaptureWindow->show();
    CaptureWindow->raise();
    CaptureWindow->activateWindow();
}

void TMainWindow::ScannerClick() {
    if (SheetView->LayerCount() == 0)
        throw ECwError(ToStd(Translate(LanguageKey("msgErrCaptureLayer"))));
    if (ScannerWindow == nullptr) {
        ScannerWindow = new TScannerWindow(*SheetView, SettingsManager.Current, AlertPrompt, this);
        ScannerWindow->OnPicturePlaced = [this] { PicturePlaced(); };
        KeepBesideSheet(*ScannerWindow, "scanner");
    }
    ScannerWindow->show();
    ScannerWindow->raise();
}

void TMainWindow::PreviewClick() {
    Previews->Open();
}

void TMainWindow::KeepBesideSheet(QWidget& window, const char* key) {
    new TWindowPlaceKeeper(window, *this, key, SettingsManager.SettingsFilePath(), [this] {
        const int numbers = SheetView->IndexWidth() + (SheetView->Document().AudioShown() ? SheetView->AudioWidth() : 0);
        return SheetView->mapToGlobal(QPoint(numbers, 0)).x();
    });
}

void TMainWindow::ImageViewerClick() {
    if (ImageViewer->isVisible())
        return;
    QString missing;
    const TPicture* picture = CelDrawing(SheetView->CurrentLayer(), SheetView->CurrentFrame(), missing);
    ShowInViewer(picture, missing);
}

void TMainWindow::HelpClick() {
    Guide->Open();
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
    const QStringList arguments = QApplication::arguments();
    // A recovered sheet takes the place of the one the command line names.
    bool recovered = false;
    if (SheetRecovery)
        Guard([&] { recovered = SheetRecovery->OfferRecords(arguments.size() > 1 ? arguments[1] : QString()); });
    if (!recovered)
        OpenCommandLineSheet(arguments);
}

void TMainWindow::OpenCommandLineSheet(const QStringList& arguments) {
    if (arguments.size() < 2)
        return;
    const QString path = arguments[1];
    // The extension is compared exactly: ".XPS" is not a sheet.
    if (QFileInfo(path).isFile() && path.endsWith(".xps")) {
        InfoMessage(path);
        Guard([this, path] { SheetFiles->OpenDocument(path); });
    }
}

void TMainWindow::FocusSheet() {
    if (!isVisible() || QApplication::activeModalWidget())
        return;
    activateWindow();
    // The keys go to the sheet, unless they went to one of its parts, such as a name being typed.
    QWidget* focus = QApplication::focusWidget();
    if (!focus || (focus != SheetView && !SheetView->isAncestorOf(focus)))
        SheetView->setFocus();
}

void TMainWindow::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        if (CurrentActivity == TActivity::Starting)
            CurrentActivity = TActivity::Idle;
        FocusSheet();
    }
    QMainWindow::changeEvent(event);
}

void TMainWindow::closeEvent(QCloseEvent* event) {
    if (!SheetFiles->AskSaveChanges()) {
        event->ignore();
        return;
    }
    if (SheetRecovery)
        SheetRecovery->DropRecord();
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
    if (!target || (target != SheetView && !SheetView->isAncestorOf(target)))
        return;
    event->acceptProposedAction();
    Guard([&] { DropFiles(paths, SheetView->mapFrom(this, point)); });
}

void TMainWindow::DropFiles(const QStringList& paths, const QPoint& sheetPoint) {
    auto suffixOf = [](const QString& path) { return "." + QFileInfo(path).suffix().toLower(); };
    const auto images = {".png", ".bmp", ".jpg", ".jpeg"};
    const auto sounds = {".mp3", ".wav", ".ogg", ".aiff"};
    const bool mediaDropped = std::any_of(paths.begin(), paths.end(), [&](const QString& path) {
        return IsOneOf(suffixOf(path), images) || IsOneOf(suffixOf(path), sounds);
    });
    if (!mediaDropped) {
        // Sheets alone: the first one is opened, once the open sheet's changes are safe.
        for (const QString& path : paths) {
            if (path.endsWith(".xps")) {
                if (SheetFiles->AskSaveChanges())
                    SheetFiles->OpenDocument(path);
                return;
            }
        }
        return;
    }
    std::int32_t layer = 0;
    std::int32_t frame = 0;
    const bool onCell = SheetView->CellFromPoint(sheetPoint, layer, frame);
    std::vector<std::string> drawings; // dropped in a row, placed together
    const auto placeDrawings = [&] {
        if (onCell)
            frame = SheetView->PlaceDroppedCels(layer, frame, drawings, SettingsManager.Current.Capture.Hold);
        drawings.clear();
    };
    // The whole drop is one undo step; a file that fails takes it all back.
    SheetView->Document().RunAsOneStep([&] {
        for (const QString& path : paths) {
            const QString suffix = suffixOf(path);
            if (IsOneOf(suffix, images)) {
                drawings.push_back(ToStd(QFileInfo(path).fileName()));
                continue;
            }
            placeDrawings();
            if (IsOneOf(suffix, sounds)) {
                SheetView->RemoveAudio();
                SheetSound->LoadFile(ToStd(path));
            } else if (suffix == ".xps" && SheetFiles->AskSaveChanges()) {
                SheetFiles->OpenDocument(path);
            }
        }
        placeDrawings();
    });
}

void TMainWindow::wheelEvent(QWheelEvent* event) {
    SheetView->ScrollWheel(event->angleDelta().y());
    event->accept();
}

bool TMainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ThumbnailView && event->type() == QEvent::MouseButtonDblClick) {
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
