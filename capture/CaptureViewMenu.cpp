#include "capture/CaptureViewMenu.h"

#include "base/Error.h"
#include "capture/GridSettingsDialog.h"
#include "capture/VideoView.h"
#include "document/CelPictures.h"
#include "imaging/Picture.h"
#include "sheetview/SheetView.h"
#include "ui/AlertPrompt.h"
#include "ui/AppTexts.h"
#include "ui/ErrorBox.h"
#include "ui/PictureImage.h"
#include "ui/QtText.h"

#include <QActionGroup>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QSlider>
#include <QWidgetAction>
#include <filesystem>

namespace {
constexpr const char* kMaskNames[] = {nullptr, "4:3", "16:9", "1.85:1", "2.39:1"};
} // namespace

TCaptureViewMenu::TCaptureViewMenu(QMenuBar& bar, TVideoView& view, TSheetView& sheet, QWidget& window,
                                   TAlertPrompt& prompt)
    : QObject(&window), View(view), Sheet(sheet), Window(window), Prompt(prompt) {
    ViewMenu = bar.addMenu(QString());
    CreateGuideActions();
    ViewMenu->addSeparator();
    CreateReferenceActions();
    View.SetOverlays(&Guides, &Reference);
    View.OnReferenceMoved = [this] { ReferenceChanged(); };
    ShowGuideSettings();
    ShowReferenceSettings();
    Retranslate();
    connect(&Watcher, &QFileSystemWatcher::fileChanged, this, [this] { ReferenceFileChanged(); });
    connect(&Watcher, &QFileSystemWatcher::directoryChanged, this, [this] { ReferenceFileChanged(); });
}

void TCaptureViewMenu::CreateGuideActions() {
    auto toggle = [this](bool TLiveGuideSettings::*field) {
        QAction* item = ViewMenu->addAction(QString(), this, [this, field](bool on) {
            Guides.Settings.*field = on;
            GuidesChanged();
        });
        item->setCheckable(true);
        return item;
    };
    // Ctrl+Shift and Ctrl+Alt keys, as the onion skin's: the main window's Ctrl keys stay its own
    // while both windows are open. Ctrl+Alt goes with the settings behind a Ctrl+Shift key.
    GridAction = toggle(&TLiveGuideSettings::Grid);
    GridAction->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_G));
    GridSettingsAction = ViewMenu->addAction(QString(), this, [this] { Guard([this] { GridSettingsClick(); }); });
    GridSettingsAction->setShortcut(QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_G));
    MaskMenu = ViewMenu->addMenu(QString());
    auto* masks = new QActionGroup(MaskMenu);
    for (std::size_t i = 0; i < MaskActions.size(); ++i) {
        MaskActions[i] = MaskMenu->addAction(kMaskNames[i] ? QString(kMaskNames[i]) : QString(), this, [this, i] {
            Guides.Settings.Mask = static_cast<TAspectMask>(i);
            GuidesChanged();
        });
        MaskActions[i]->setCheckable(true);
        MaskActions[i]->setShortcut(QKeySequence(
            QKeyCombination(Qt::ControlModifier | Qt::AltModifier, Qt::Key(Qt::Key_0 + static_cast<int>(i)))));
        masks->addAction(MaskActions[i]);
    }
    TitleSafeAction = toggle(&TLiveGuideSettings::TitleSafe);
    TitleSafeAction->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_T));
    ActionSafeAction = toggle(&TLiveGuideSettings::ActionSafe);
    ActionSafeAction->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    CentreCrossAction = toggle(&TLiveGuideSettings::CentreCross);
    CentreCrossAction->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C));
}

void TCaptureViewMenu::CreateReferenceActions() {
    ReferenceAction = ViewMenu->addAction(QString(), this, [this](bool on) {
        Reference.Settings.Shown = on;
        ReferenceChanged();
    });
    ReferenceAction->setCheckable(true);
    ReferenceAction->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_R));
    OpenReferenceAction = ViewMenu->addAction(QString(), this, [this] { Guard([this] { OpenReference(); }); });
    OpenReferenceAction->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_L));
    ReferenceFromCelAction =
        ViewMenu->addAction(QString(), this, [this] { Guard([this] { ReferenceFromCel(); }); });
    ReferenceFromCelAction->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_E));
    ReferenceDifferenceAction = ViewMenu->addAction(QString(), this, [this](bool on) {
        Reference.Settings.Difference = on;
        ReferenceChanged();
    });
    ReferenceDifferenceAction->setCheckable(true);
    ReferenceDifferenceAction->setShortcut(QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_D));

    // The opacity slider sits in the menu, so the picture can be watched while it changes.
    auto* opacity = new QWidget(ViewMenu);
    auto* row = new QHBoxLayout(opacity);
    row->setContentsMargins(24, 2, 8, 2);
    ReferenceOpacityLabel = new QLabel(opacity);
    ReferenceOpacityBar = new QSlider(Qt::Horizontal, opacity);
    ReferenceOpacityBar->setRange(0, 100);
    ReferenceOpacityBar->setPageStep(10);
    ReferenceOpacityBar->setMinimumWidth(120);
    row->addWidget(ReferenceOpacityLabel);
    row->addWidget(ReferenceOpacityBar);
    auto* holder = new QWidgetAction(ViewMenu);
    holder->setDefaultWidget(opacity);
    ViewMenu->addAction(holder);
    connect(ReferenceOpacityBar, &QSlider::valueChanged, this, [this](int value) {
        Reference.Settings.Opacity = value;
        View.update();
        if (!ReferenceOpacityBar->isSliderDown())
            ReferenceChanged();
    });
    connect(ReferenceOpacityBar, &QSlider::sliderReleased, this, [this] { ReferenceChanged(); });

    FitReferenceAction = ViewMenu->addAction(QString(), this, [this] {
        Reference.ResetPlace();
        ReferenceChanged();
    });
    FitReferenceAction->setShortcut(QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_R));
}

void TCaptureViewMenu::Retranslate() {
    ViewMenu->setTitle(Translate(LanguageKey("sView")));
    GridAction->setText(Translate(LanguageKey("sGrid")));
    GridSettingsAction->setText(Translate(LanguageKey("sGridSettingsDots")));
    MaskMenu->setTitle(Translate(LanguageKey("sAspectMask")));
    MaskActions[0]->setText(Translate(LanguageKey("sNone")));
    TitleSafeAction->setText(Translate(LanguageKey("sTitleSafeFrame")));
    ActionSafeAction->setText(Translate(LanguageKey("sActionSafeFrame")));
    CentreCrossAction->setText(Translate(LanguageKey("sCentreCross")));
    ReferenceAction->setText(Translate(LanguageKey("sReferencePicture")));
    OpenReferenceAction->setText(Translate(LanguageKey("sOpenReferencePictureDots")));
    ReferenceFromCelAction->setText(Translate(LanguageKey("sReferenceFromCel")));
    ReferenceDifferenceAction->setText(Translate(LanguageKey("sReferenceDifference")));
    ReferenceOpacityLabel->setText(Translate(LanguageKey("sReferenceOpacity")));
    FitReferenceAction->setText(Translate(LanguageKey("sFitReferencePicture")));
}

void TCaptureViewMenu::Guard(const std::function<void()>& handler) {
    GuardCommand(&Window, handler);
}

// ---------------------------------------------------------------------------------------------
// Guides

void TCaptureViewMenu::CameraChosen(const std::string& camera) {
    Camera = camera;
    Guides.Settings = LoadLiveGuideSettings(SettingsFile, Camera);
    ShowGuideSettings();
    View.update();
}

void TCaptureViewMenu::ReadKeptSettings() {
    CameraChosen(Camera);
    SheetKnown = false;
    SheetShown(SheetPath);
}

void TCaptureViewMenu::ShowGuideSettings() {
    const TLiveGuideSettings& settings = Guides.Settings;
    GridAction->setChecked(settings.Grid);
    MaskActions[static_cast<std::size_t>(settings.Mask)]->setChecked(true);
    TitleSafeAction->setChecked(settings.TitleSafe);
    ActionSafeAction->setChecked(settings.ActionSafe);
    CentreCrossAction->setChecked(settings.CentreCross);
}

void TCaptureViewMenu::GuidesChanged() {
    View.update();
    Guard([this] { SaveLiveGuideSettings(SettingsFile, Camera, Guides.Settings); });
}

void TCaptureViewMenu::GridSettingsClick() {
    TGridSettingsDialog dialog(&Window);
    if (!dialog.Edit(Guides.Settings))
        return;
    // Setting up the grid means wanting to see it.
    Guides.Settings.Grid = true;
    GridAction->setChecked(true);
    GuidesChanged();
}

// ---------------------------------------------------------------------------------------------
// Reference picture

void TCaptureViewMenu::SheetShown(const std::string& sheetPath) {
    if (SheetKnown && sheetPath == SheetPath) {
        if (!ReferenceIsCurrent())
            LoadKeptReference();
        return;
    }
    const TReferencePictureSettings kept = LoadReferencePictureSettings(SettingsFile, sheetPath);
    if (SheetKnown && SheetPath.empty() && !Reference.Settings.File.empty() && kept.File.empty()) {
        // A sheet saved for the first time keeps the reference it was shot with; one that has its
        // own (another sheet opened) keeps that.
        SheetPath = sheetPath;
        ReferenceChanged();
        return;
    }
    SheetKnown = true;
    SheetPath = sheetPath;
    Reference.Settings = kept;
    Reference.SetImage(QImage());
    ShowReferenceSettings();
    View.update();
    LoadKeptReference();
}

void TCaptureViewMenu::LoadKeptReference() {
    WatchReference();
    const std::string file = Reference.Settings.File;
    if (file.empty())
        return;
    try {
        LoadReferenceImage(file);
    } catch (const ECwError&) {
        Reference.SetImage(QImage());
        ShowReferenceSettings();
        View.update();
        if (!Reported.insert(SheetPath + '\n' + file).second)
            return;
        const QString message = Fill(Translate(LanguageKey("msgReferenceUnreadable")), {FromStd(file)});
        if (Prompt.Prompt(message, Translate(LanguageKey("sForget")), Translate(LanguageKey("sKeep"))) !=
            TAlertPrompt::TAnswer::Ok)
            return;
        Reference.Settings = {};
        ShowReferenceSettings();
        WatchReference();
        ReferenceChanged();
    }
}

bool TCaptureViewMenu::ReferenceIsCurrent() const {
    const std::string& file = Reference.Settings.File;
    if (file.empty())
        return true;
    std::error_code error;
    const auto time = std::filesystem::last_write_time(file, error);
    const auto bytes = std::filesystem::file_size(file, error);
    return !error && !Reference.Picture().isNull() && time == LoadedTime && bytes == LoadedBytes;
}

void TCaptureViewMenu::WatchReference() {
    for (const QStringList& paths : {Watcher.files(), Watcher.directories()}) {
        if (!paths.isEmpty())
            Watcher.removePaths(paths);
    }
    const std::filesystem::path file = Reference.Settings.File;
    if (file.empty())
        return;
    std::error_code error;
    for (const std::filesystem::path& path : {file.parent_path(), file}) {
        if (std::filesystem::exists(path, error))
            Watcher.addPath(FromStd(path.string()));
    }
}

void TCaptureViewMenu::ReferenceFileChanged() {
    const std::string file = Reference.Settings.File;
    std::error_code error;
    if (ReferenceIsCurrent() || !std::filesystem::exists(file, error))
        return; // another file of its folder changed, or it went: the picture shown stays
    if (!Watcher.files().contains(FromStd(file)))
        Watcher.addPath(FromStd(file)); // written anew: the new file is watched
    try {
        LoadReferenceImage(file);
    } catch (const ECwError&) {
        // Still being written: the picture shown stays until the file is whole.
    }
}

void TCaptureViewMenu::ShowReferenceSettings() {
    const QSignalBlocker block(ReferenceOpacityBar);
    const bool loaded = !Reference.Picture().isNull();
    ReferenceAction->setEnabled(loaded);
    ReferenceAction->setChecked(loaded && Reference.Settings.Shown);
    ReferenceDifferenceAction->setEnabled(loaded);
    ReferenceDifferenceAction->setChecked(Reference.Settings.Difference);
    ReferenceOpacityBar->parentWidget()->setEnabled(loaded); // the label with the slider
    ReferenceOpacityBar->setValue(Reference.Settings.Opacity);
    FitReferenceAction->setEnabled(loaded);
}

void TCaptureViewMenu::ReferenceChanged() {
    View.update();
    Guard([this] { SaveReferencePictureSettings(SettingsFile, SheetPath, Reference.Settings); });
}

void TCaptureViewMenu::LoadReferenceImage(const std::string& file) {
    TPicture picture;
    const std::string name = std::filesystem::path(file).filename().string();
    std::error_code error;
    const auto time = std::filesystem::last_write_time(file, error);
    const auto bytes = std::filesystem::file_size(file, error);
    if (!ReadCelPicture(name, file, picture))
        throw ECwError(ToStd(Fill(Translate(LanguageKey("msgErrNotAPicture")), {FromStd(file)})));
    LoadedTime = time;
    LoadedBytes = bytes;
    Reference.SetImage(PictureToImage(picture).copy());
    ShowReferenceSettings();
    View.update();
}

void TCaptureViewMenu::OpenReference() {
    QFileDialog dialog(&Window, Translate(LanguageKey("sReferencePicture")));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilter(Translate(LanguageKey("sPictureFiles")) + " (*.png *.jpg *.jpeg *.bmp *.PNG *.JPG *.JPEG *.BMP)");
    if (!Reference.Settings.File.empty())
        dialog.setDirectory(FromStd(std::filesystem::path(Reference.Settings.File).parent_path().string()));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    OpenReferenceFile(ToStd(dialog.selectedFiles().first()));
}

void TCaptureViewMenu::OpenReferenceFile(const std::string& file) {
    LoadReferenceImage(file);
    Reference.Settings.File = file;
    Reference.Settings.Shown = true;
    Reference.ResetPlace();
    ShowReferenceSettings();
    WatchReference();
    ReferenceChanged();
}

void TCaptureViewMenu::ReferenceFromCel() {
    const std::int32_t layer = Sheet.CurrentLayer();
    const std::int32_t frame = Sheet.CurrentFrame();
    const std::string file = Sheet.Document().CelImageFile(layer, frame);
    if (file.empty())
        throw ECwError(ToStd(Fill(Translate(LanguageKey("msgErrNoCelDrawing")),
                                  {QString::number(frame), FromStd(Sheet.LayerCaption(layer))})));
    OpenReferenceFile(file);
}
