#include "capture/CaptureViewMenu.h"

#include "base/Error.h"
#include "capture/GridSettingsDialog.h"
#include "capture/VideoView.h"
#include "document/CelPictures.h"
#include "imaging/Picture.h"
#include "sheetview/SheetView.h"
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

TCaptureViewMenu::TCaptureViewMenu(QMenuBar& bar, TVideoView& view, TSheetView& sheet, QWidget& window)
    : QObject(&window), View(view), Sheet(sheet), Window(window) {
    ViewMenu = bar.addMenu(QString());
    CreateGuideActions();
    ViewMenu->addSeparator();
    CreateReferenceActions();
    View.SetOverlays(&Guides, &Reference);
    View.OnReferenceMoved = [this] { ReferenceChanged(); };
    ShowGuideSettings();
    ShowReferenceSettings();
    Retranslate();
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
    GridAction = toggle(&TLiveGuideSettings::Grid);
    GridSettingsAction = ViewMenu->addAction(QString(), this, [this] { Guard([this] { GridSettingsClick(); }); });
    MaskMenu = ViewMenu->addMenu(QString());
    auto* masks = new QActionGroup(MaskMenu);
    for (std::size_t i = 0; i < MaskActions.size(); ++i) {
        MaskActions[i] = MaskMenu->addAction(kMaskNames[i] ? QString(kMaskNames[i]) : QString(), this, [this, i] {
            Guides.Settings.Mask = static_cast<TAspectMask>(i);
            GuidesChanged();
        });
        MaskActions[i]->setCheckable(true);
        masks->addAction(MaskActions[i]);
    }
    TitleSafeAction = toggle(&TLiveGuideSettings::TitleSafe);
    ActionSafeAction = toggle(&TLiveGuideSettings::ActionSafe);
    CentreCrossAction = toggle(&TLiveGuideSettings::CentreCross);
}

void TCaptureViewMenu::CreateReferenceActions() {
    ReferenceAction = ViewMenu->addAction(QString(), this, [this](bool on) {
        Reference.Settings.Shown = on;
        ReferenceChanged();
    });
    ReferenceAction->setCheckable(true);
    OpenReferenceAction = ViewMenu->addAction(QString(), this, [this] { Guard([this] { OpenReference(); }); });
    ReferenceFromCelAction =
        ViewMenu->addAction(QString(), this, [this] { Guard([this] { ReferenceFromCel(); }); });
    ReferenceDifferenceAction = ViewMenu->addAction(QString(), this, [this](bool on) {
        Reference.Settings.Difference = on;
        ReferenceChanged();
    });
    ReferenceDifferenceAction->setCheckable(true);

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
    if (SheetKnown && sheetPath == SheetPath)
        return;
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
    if (!Reference.Settings.File.empty())
        LoadReferenceImage(Reference.Settings.File);
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
    if (!ReadCelPicture(name, file, picture))
        throw ECwError(ToStd(Fill(Translate(LanguageKey("msgErrNotAPicture")), {FromStd(file)})));
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
