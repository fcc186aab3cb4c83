#include "capture/CaptureWindow.h"

#include "base/Error.h"
#include "base/TextUtil.h"
#include "capture/CaptureViewMenu.h"
#include "capture/VideoSettingsDialog.h"
#include "capture/VideoView.h"
#include "settings/Preferences.h"
#include "sheetview/SheetView.h"
#include "ui/AlertPrompt.h"
#include "ui/AppTexts.h"
#include "ui/ErrorBox.h"
#include "ui/PictureImage.h"
#include "ui/PlacementPanel.h"
#include "ui/QtText.h"

#include <QAbstractSpinBox>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSlider>
#include <QSpinBox>
#include <QToolBar>
#include <QToolButton>
#include <filesystem>

namespace {
constexpr int kVideoTop = 11;
constexpr int kMinVideoWidth = 320;
constexpr int kMinVideoHeight = 240;
constexpr int kThumbnailWidth = 129;
constexpr int kColumnGap = 6;
constexpr int kGap = 8;
constexpr int kEdge = 8;       // the window's margin
constexpr int kWindowChrome = 100; // the menu bar, the tool bar and the window's frame, about
constexpr int kWindowFrameWidth = 16; // the window's frame left and right, about
constexpr int kColumnTop = 5;  // of the placement column beside the picture
// The placement column below a narrow picture shows at least this much, and scrolls.
constexpr int kLeastColumnHeight = 160;
// Refresh Preview, Capture and the frame number side by side.
constexpr int kButtonRowWidth = 290;

// A field the user types into: Left and Right move its text cursor.
bool IsTextField(const QObject* widget) {
    return qobject_cast<const QLineEdit*>(widget) || qobject_cast<const QAbstractSpinBox*>(widget);
}

// Shift, Ctrl and the like start a shortcut rather than being a key of their own.
bool IsModifierKey(int key) {
    return key == Qt::Key_Shift || key == Qt::Key_Control || key == Qt::Key_Alt || key == Qt::Key_Meta ||
           key == Qt::Key_AltGr;
}
} // namespace

TCaptureWindow::TCaptureWindow(TSheetView& sheet, TSettings& settings, TAlertPrompt& prompt, bool testCamera,
                               QWidget* parent)
    : QMainWindow(parent, Qt::Tool), Grabber(testCamera), Onion(sheet.Document()),
      PlayLayers(sheet.Document()), Sheet(sheet), Settings(settings), Prompt(prompt) {
    CreateControls();
    connect(&sheet, &TSheetView::SelectionChanged, this,
            [this](int layer, int frame) { SheetSelect(layer, frame); });
    connect(&sheet, &TSheetView::CurrentLayerChanged, this, [this] { LayerChanged(); });
    VideoSettings = new TVideoSettingsDialog(Grabber, this);
    Retranslate();
    RequestedMode = Settings.Capture.CaptureMode;

    Grabber.OnPreviewStarted = [this](TVideoGrabber&) {
        LiveSize = Grabber.VideoSize();
        ButtonCapture->setEnabled(!Grabber.GrabPending());
        OverlayPanel->hide();
        FillCameras();
    };
    Grabber.OnPreviewFrame = [this](TVideoGrabber&, const TPicture& frame) { ShowLiveFrame(frame); };
    Player.OnStep = [this](std::int32_t framesBack) { ShowPlayStep(framesBack); };
    Grabber.OnResizeVideo = [this](TVideoGrabber&) { ResizeForm(); };
    Grabber.OnFrameCaptureCompleted = [this](TVideoGrabber&, const TPicture& frame) {
        Guard([&] { CaptureCompleted(frame); });
        if (!Grabber.GrabPending()) {
            TimeLapse->Schedule.ShotEnded(ShotPlaced);
            ShotPlaced = false;
        }
    };
    Grabber.OnFrameCaptureFailed = [this](TVideoGrabber&, const std::string& message) {
        ButtonCapture->setEnabled(Grabber.PreviewStarted());
        TimeLapse->Schedule.ShotEnded(false);
        // A camera that stopped says so once, over the live picture.
        if (Grabber.PreviewRunning())
            ShowErrorBox(this, FromStd(message));
    };
    Grabber.OnSizeRefused = [this](TVideoGrabber&, const std::string& message) {
        TimeLapse->Schedule.Stop();
        ShowErrorBox(this, FromStd(message));
        if (LiveSize != Grabber.VideoSize())
            Guard([this] { SelectSize(LiveSize); });
    };
    Grabber.OnPreviewError = [this](TVideoGrabber&, const std::string& message) {
        TimeLapse->Schedule.Stop();
        ButtonCapture->setEnabled(false);
        OverlayPanel->setText(FromStd(message));
        OverlayPanel->show();
        // The stopped camera loses its check (the menu may be the sender: its items stay).
        for (QAction* item : Source1->actions())
            item->setChecked(false);
    };
    Grabber.OnDeviceLost = [this](TVideoGrabber&) {
        TimeLapse->Schedule.Stop();
        ButtonCapture->setEnabled(false);
        OverlayPanel->setText(windowTitle().section(": ", 1) +
                              " was disconnected. It is taken up again when it returns.");
        OverlayPanel->show();
    };
    Grabber.OnDeviceArrivalOrRemoval = [this](TVideoGrabber&) { FillCameras(); };
}

TCaptureWindow::~TCaptureWindow() = default;

void TCaptureWindow::CreateControls() {
    auto* central = new QWidget(this);
    setCentralWidget(central);

    Mode1 = menuBar()->addMenu(QString());
    auto* modes = new QActionGroup(this);
    XSheet1 = Mode1->addAction(QString(), this, [this] { SetMode(TCapMode::cmXSheet); });
    StopMotion1 = Mode1->addAction(QString(), this, [this] { SetMode(TCapMode::cmStopMotion); });
    for (QAction* item : {XSheet1, StopMotion1}) {
        item->setCheckable(true);
        modes->addAction(item);
    }
    Source1 = menuBar()->addMenu(QString());
    Size1 = menuBar()->addMenu(QString());
    VideoSettings1 =
        menuBar()->addAction(QString(), this, [this] { Guard([this] { VideoSettings1Click(); }); });

    QToolBar* bar = addToolBar("ToolBar");
    bar->setMovable(false);
    auto toggle = [this, bar] {
        auto* button = new QToolButton(bar);
        button->setCheckable(true);
        bar->addWidget(button);
        return button;
    };
    FrameAvgBtn = toggle();
    OneEightyBtn = toggle();
    OneEightyBtn->setText("180");
    BWBtn = toggle();
    SquarePxlBtn = toggle();
    connect(FrameAvgBtn, &QToolButton::clicked, this, [this] { FrameAvgBtnClick(); });
    connect(BWBtn, &QToolButton::clicked, this, [this] { BWBtnClick(); });

    OnionMenu = menuBar()->addMenu(QString());
    // Ctrl with Shift: the main window's Ctrl keys (Open, Print) stay its own while both windows are
    // open, and a text field with the focus does not take them (Ctrl+D deletes there).
    OnionSkin1 = OnionMenu->addAction(QString(), this, [this] { OnionSkinClick(); });
    OnionSkin1->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O));
    Difference1 = OnionMenu->addAction(QString(), this, [this] { OnionSettingsChange(); });
    Difference1->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_D));
    OnionMenu->addSeparator();
    Flip1 = OnionMenu->addAction(QString(), this, [this] { Guard([this] { FlipClick(); }); });
    Flip1->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F));
    PlayWithLive1 = OnionMenu->addAction(QString(), this, [this] { Guard([this] { PlayWithLiveClick(); }); });
    PlayWithLive1->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_P));
    for (QAction* item : {OnionSkin1, Difference1, Flip1})
        item->setCheckable(true);
    bar->addSeparator();
    for (QAction* item : {OnionSkin1, PlayWithLive1})
        bar->addAction(item);

    // The placement, onion skin and time-lapse column scrolls when the window is too short for it,
    // and goes below the picture when the window is too narrow for both side by side.
    SidePanel = new QScrollArea(central);
    SidePanel->setFrameShape(QFrame::NoFrame);
    SidePanel->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* side = new QWidget;
    Placement = new TPlacementPanel(
        Settings.Capture, [this] { return Sheet.CurrentFrame(); }, side);
    Placement->setGeometry(0, 0, 150, std::max(292, Placement->sizeHint().height()));
    connect(Placement, &TPlacementPanel::HoldRefused, this,
            [this](const QString& message) { ShowErrorBox(this, message); });

    VideoGrabber1 = new TVideoView(central);
    FrameImage = new TVideoView(central);
    FrameImage->hide();
    OverlayPanel = new QLabel(central);
    OverlayPanel->setAlignment(Qt::AlignCenter);
    OverlayPanel->setWordWrap(true);
    OverlayPanel->setTextFormat(Qt::PlainText);
    OverlayPanel->setAutoFillBackground(true);
    OverlayPanel->setFrameShape(QFrame::Panel);

    FrameBar = new QSlider(Qt::Horizontal, central);
    FrameBar->setTickPosition(QSlider::TicksBelow);
    connect(FrameBar, &QSlider::valueChanged, this, [this] { FrameBarChange(); });
    FrameLbl = new QLabel(central);
    FrameLbl->resize(60, 24);
    ButtonCapture = new QPushButton(central);
    ButtonCapture->resize(100, 28);
    connect(ButtonCapture, &QPushButton::clicked, this, [this] { Guard([this] { CaptureClick(); }); });
    Rebuild = new QPushButton(central);
    Rebuild->resize(104, 28);
    connect(Rebuild, &QPushButton::clicked, this, [this] { Guard([this] { RebuildClick(); }); });
    CreateOnionControls(side);
    ViewMenu = new TCaptureViewMenu(*menuBar(), *VideoGrabber1, Sheet, *this, Prompt);
    TimeLapse = new TTimeLapsePanel(side);
    SidePanel->setWidget(side);
    TimeLapse->Schedule.OnShoot = [this] { return TimeLapseShot(); };

    // The window sees keys before its controls.
    for (QWidget* child : findChildren<QWidget*>())
        child->installEventFilter(this);
}

void TCaptureWindow::FitPlacementPanel() {
    Placement->resize(Placement->width(), std::max(292, Placement->sizeHint().height()));
    OnionGroup->move(Placement->x(), Placement->geometry().bottom() + 1 + kColumnGap);
    TimeLapse->setGeometry(Placement->x(), OnionGroup->geometry().bottom() + 1 + kColumnGap, Placement->width(),
                           TimeLapse->sizeHint().height());
    if (QWidget* column = SidePanel->widget())
        column->resize(Placement->width(), TimeLapse->geometry().bottom() + 1);
}

void TCaptureWindow::CreateOnionControls(QWidget* column) {
    OnionGroup = new QGroupBox(column);
    OnionGroup->setGeometry(Placement->x(), Placement->geometry().bottom() + 1 + kColumnGap,
                            Placement->width(), 158);
    OpacityLabel = new QLabel(OnionGroup);
    OpacityLabel->setGeometry(10, 22, 90, 16);
    OpacityValue = new QLabel(OnionGroup);
    OpacityValue->setGeometry(100, 22, 40, 16);
    OpacityValue->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    OpacityBar = new QSlider(Qt::Horizontal, OnionGroup);
    OpacityBar->setGeometry(10, 40, 130, 22);
    OpacityBar->setRange(0, 100);
    OpacityBar->setPageStep(10);
    auto spin = [this](int maximum, int y) {
        auto* box = new QSpinBox(OnionGroup);
        box->setGeometry(94, y, 46, 24);
        box->setRange(1, maximum);
        return box;
    };
    FramesBackLabel = new QLabel(OnionGroup);
    FramesBackLabel->setGeometry(10, 70, 84, 16);
    FramesBackBox = spin(TOnionSkinSettings::kMaxFrames, 66);
    PlayFramesLabel = new QLabel(OnionGroup);
    PlayFramesLabel->setGeometry(10, 100, 84, 16);
    PlayFramesBox = spin(TOnionSkinSettings::kMaxPlayFrames, 96);
    auto* difference = new QToolButton(OnionGroup);
    difference->setGeometry(10, 126, 130, 24);
    difference->setDefaultAction(Difference1);
    ApplyOnionSettings();
    connect(OpacityBar, &QSlider::valueChanged, this, [this] { OnionSettingsChange(); });
    for (QSpinBox* box : {FramesBackBox, PlayFramesBox})
        connect(box, &QSpinBox::valueChanged, this, [this] { OnionSettingsChange(); });
}

void TCaptureWindow::Retranslate() {
    Mode1->setTitle(Translate(LanguageKey("sMode")));
    XSheet1->setText(Translate(LanguageKey("sStandard")));
    StopMotion1->setText(Translate(LanguageKey("sStopMotion")));
    Source1->setTitle(Translate(LanguageKey("sCameras")));
    Size1->setTitle(Translate(LanguageKey("sSize")));
    VideoSettings1->setText(Translate(LanguageKey("sVideoSettings")));
    FrameAvgBtn->setText(Translate(LanguageKey("sAvg")));
    BWBtn->setText(Translate(LanguageKey("sBW")));
    SquarePxlBtn->setText(Translate(LanguageKey("sSquare")));
    SquarePxlBtn->setToolTip(Translate(LanguageKey("msgNonSquareToSquare")));
    FrameAvgBtn->setToolTip(Translate(LanguageKey("msgFrameAveraging")));
    OneEightyBtn->setToolTip(Translate(LanguageKey("msgUpsideDown")));
    BWBtn->setToolTip(Translate(LanguageKey("msgBlackAndWhite")));
    Placement->Retranslate();
    TimeLapse->Retranslate();
    VideoSettings->Retranslate();
    FitPlacementPanel();
    SetCaptureCaption(IsRecaptureCaption());
    OnionMenu->setTitle(Translate(LanguageKey("sOnionSkin")));
    OnionSkin1->setText(Translate(LanguageKey("sOnionSkin")));
    Difference1->setText(Translate(LanguageKey("sDifference")));
    Flip1->setText(Translate(LanguageKey("sFlipLastFrame")));
    PlayWithLive1->setText(Translate(LanguageKey("sPlayWithLive")));
    OnionGroup->setTitle(Translate(LanguageKey("sOnionSkin")));
    ViewMenu->Retranslate();
    OpacityLabel->setText(Translate(LanguageKey("sOpacity")));
    FramesBackLabel->setText(Translate(LanguageKey("sFramesBack")));
    PlayFramesLabel->setText(Translate(LanguageKey("sPlayFrames")));
    Rebuild->setText(Translate(LanguageKey("sRefreshPreview")));
    if (!CameraChosen)
        OverlayPanel->setText(Translate(LanguageKey("msgSelectCamera")));
    BaseCaption = Translate(ActiveMode == TCapMode::cmStopMotion ? LanguageKey("sStopMotionCapture")
                                                                 : LanguageKey("sCapture"));
    setWindowTitle(Grabber.PreviewRunning() ? BaseCaption + ": " + FromStd(Grabber.VideoDeviceName())
                                            : BaseCaption);
}

void TCaptureWindow::Guard(const std::function<void()>& handler) {
    GuardCommand(this, handler);
}

// ---------------------------------------------------------------------------------------------
// Showing, cameras and sizes

void TCaptureWindow::InitForm() {
    CameraChosen = false;
    // Still cameras are not announced when plugged in: look for them each time.
    Grabber.RefreshDevices();
    FillCameras();
    OverlayPanel->hide();
    Grabber.Visible = false;
    VideoGrabber1->hide();
    ButtonCapture->setEnabled(false);
    Buffer.SetSize(TFrameBuffer::kDefaultSize);
    if (!OnionSettingsRead) {
        OnionSettings = LoadOnionSkinSettings(SettingsFile);
        OnionSettingsRead = true;
        ApplyOnionSettings();
    }
    ViewMenu->SettingsFile = SettingsFile;
    SheetFileChanged();
    BuildLayout(RequestedMode);
    SquarePxlBtn->setEnabled(false);
    Averaging = FrameAvgBtn->isChecked();

    const QList<QAction*> cameras = Source1->actions();
    if (!RememberedCamera.isEmpty()) {
        for (int i = 0; i < cameras.size(); ++i) {
            if (cameras[i]->text() == RememberedCamera)
                SelectSource(i);
        }
        Grabber.Visible = true;
        VideoGrabber1->show();
    } else {
        if (cameras.size() == 1) {
            SelectSource(0);
        } else {
            OverlayPanel->setText(Translate(LanguageKey("msgSelectCamera")));
            OverlayPanel->show();
        }
        BlackAndWhite = false;
        BWBtn->setChecked(false);
    }
}

void TCaptureWindow::SheetFileChanged() {
    Guard([this] { ViewMenu->SheetShown(SheetFile ? SheetFile().string() : std::string()); });
}

void TCaptureWindow::FillCameras() {
    Source1->clear();
    const auto names = SplitLines(Grabber.VideoDevices());
    for (std::size_t i = 0; i < names.size(); ++i) {
        QAction* item = Source1->addAction(FromStd(names[i]));
        item->setCheckable(true);
        item->setChecked(CameraChosen && Grabber.PreviewRunning() &&
                         static_cast<int>(i) == Grabber.VideoDevice());
        connect(item, &QAction::triggered, this,
                [this, i] { Guard([this, i] { SelectSource(static_cast<int>(i)); }); });
    }
}

void TCaptureWindow::SelectSource(int index) {
    Grabber.StopPreview();
    ButtonCapture->setEnabled(false); // until the camera gives its first picture
    for (QAction* item : Source1->actions())
        item->setChecked(false);
    Grabber.SetVideoDevice(index);
    if (QAction* item = Source1->actions().value(index))
        item->setChecked(true);
    setWindowTitle(BaseCaption + ": " + FromStd(Grabber.VideoDeviceName()));
    ViewMenu->CameraChosen(Grabber.VideoDeviceName());

    Size1->clear();
    auto* sizes = new QActionGroup(Size1);
    const auto lines = SplitLines(Grabber.VideoSizes());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        // The first size is the camera's own choice, named in the user's language.
        QAction* item = Size1->addAction(i == 0 ? Translate(LanguageKey("sDefaultSize")) : FromStd(lines[i]));
        item->setCheckable(true);
        sizes->addAction(item);
        item->setChecked(static_cast<int>(i) == Grabber.VideoSize());
        connect(item, &QAction::triggered, this,
                [this, i] { Guard([this, i] { SelectSize(static_cast<int>(i)); }); });
    }
    CameraChosen = true;
    Grabber.VideoPortEnabled = Grabber.HasVideoPort();
    Grabber.ReducePreviewCPULoad = !Grabber.HasVideoPort();
    SquarePxlBtn->setEnabled(Grabber.IsDV());
    Grabber.ColorKeyEnabled = !Grabber.IsDV();
    if (!Grabber.IsDV())
        Grabber.SetFrameRate(15.0);
    OverlayPanel->hide();
    Grabber.Visible = true;
    VideoGrabber1->show();
    ResizeForm();
    Grabber.StartPreview();
    if (VideoSettings->isVisible())
        VideoSettings->Refresh();
}

void TCaptureWindow::SelectSize(int index) {
    if (QAction* item = Size1->actions().value(index))
        item->setChecked(true);
    Grabber.StopPreview();
    Grabber.SetVideoSize(index);
    ButtonCapture->setEnabled(false);
    Grabber.StartPreview();
    if (Grabber.VideoWidth() > 0 && OnThumbnailHeight)
        OnThumbnailHeight(qRound(double(kThumbnailWidth) * Grabber.VideoHeight() / Grabber.VideoWidth()));
    ResizeForm();
}

void TCaptureWindow::VideoSettings1Click() {
    if (!CameraChosen)
        throw ECwError(ToStd(Translate(LanguageKey("msgErrCamSettings"))));
    VideoSettings->show();
    VideoSettings->raise();
}

// ---------------------------------------------------------------------------------------------
// Layouts

void TCaptureWindow::SetMode(TCapMode mode) {
    RequestedMode = ActiveMode = mode;
    BuildLayout(mode);
}

void TCaptureWindow::SettingsApplied() {
    SetMode(Settings.Capture.CaptureMode);
}

void TCaptureWindow::BuildLayout(TCapMode mode) {
    ReturnToLive();
    ActiveMode = mode;
    (mode == TCapMode::cmStopMotion ? StopMotion1 : XSheet1)->setChecked(true);
    Placement->show();
    const bool stopMotion = mode == TCapMode::cmStopMotion;
    for (QWidget* control : std::initializer_list<QWidget*>{FrameBar, FrameLbl, Rebuild})
        control->setVisible(stopMotion);
    FrameImage->hide();
    RecaptureArmed = false;
    SetCaptureCaption(false);
    if (CameraChosen) {
        Grabber.Visible = true;
        VideoGrabber1->show();
    }
    const std::int32_t current = Sheet.CurrentFrame();
    Placement->OfferFrameNumberingOnly(stopMotion);
    if (!stopMotion) {
        Placement->ShowKept(Sheet.LayerCaption(Sheet.CurrentLayer()));
    } else {
        Buffer.Clear();
        Buffer.Reload(std::max(current, 1), [this](std::int32_t f) { return CelPictureOrWhite(f); });
        const QSignalBlocker block(FrameBar);
        FrameBar->setRange(Buffer.Size() - Buffer.Held(), Buffer.Size());
        FrameBar->setValue(Buffer.Size());
        FrameLbl->setText(QString::number(current));
        FrameBar->setFocus();
    }
    BaseCaption = Translate(stopMotion ? LanguageKey("sStopMotionCapture") : LanguageKey("sCapture"));
    setWindowTitle(Grabber.PreviewRunning() ? BaseCaption + ": " + FromStd(Grabber.VideoDeviceName())
                                            : BaseCaption);
    ResizeForm();
}

int TCaptureWindow::BelowPictureHeight(int areaWidth) const {
    int height = kGap + ButtonCapture->height();
    if (ActiveMode == TCapMode::cmStopMotion) {
        height += FrameBar->height() + kGap;
        if (areaWidth < kButtonRowWidth)
            height += kGap + Rebuild->height();
    }
    return height;
}

QSize TCaptureWindow::CentralSize(QSize area) const {
    const QSize column = SidePanel->widget()->size();
    return {kEdge + column.width() + kGap + area.width() + kGap,
            std::max(kColumnTop + column.height() + kEdge,
                     kVideoTop + area.height() + BelowPictureHeight(area.width()) + 16)};
}

QSize TCaptureWindow::LeastCentralSize() const {
    const int width = kEdge + SidePanel->widget()->width() + SidePanel->verticalScrollBar()->sizeHint().width() + kEdge;
    const QSize picture = QSize(LiveWidth(), LiveHeight()).scaled(width - 2 * kEdge, width, Qt::KeepAspectRatio);
    return {width, kVideoTop + picture.height() + BelowPictureHeight(picture.width()) + kLeastColumnHeight + kEdge};
}

void TCaptureWindow::ResizeForm() {
    QSize area = QSize(LiveWidth(), LiveHeight()).expandedTo({kMinVideoWidth, kMinVideoHeight});
    if (const QScreen* shown = screen()) {
        // A camera larger than the screen opens scaled down to fit it, with room for the menus and frame.
        const int besidePicture = CentralSize({0, 0}).width(); // the column and the margins
        const QSize room = shown->availableGeometry().size() -
                           QSize(besidePicture + kWindowFrameWidth, kVideoTop + BelowPictureHeight(area.width()) + kWindowChrome);
        if (room.isValid() && (area.width() > room.width() || area.height() > room.height()))
            area = area.scaled(room, Qt::KeepAspectRatio);
    }
    const QSize natural = CentralSize(area);
    // The window follows the camera's size until the user gives it a size of their own.
    if (!isVisible() || centralWidget()->size() == NaturalSize) {
        centralWidget()->setMinimumSize(natural);
        adjustSize();
    }
    NaturalSize = natural;
    centralWidget()->setMinimumSize(LeastCentralSize());
    LayOutPicture();
}

void TCaptureWindow::LayOutPicture() {
    const QSize room = centralWidget()->size();
    const QSize column = SidePanel->widget()->size();
    const QSize live(LiveWidth(), LiveHeight());
    // Side by side while the picture beside the column is at least half its own width.
    const bool beside = room.width() >= kEdge + column.width() + kGap + kMinVideoWidth / 2 + kGap;
    const int left = beside ? kEdge + column.width() + kGap : kEdge;
    const int areaWidth = std::max(room.width() - left - kEdge, 1);
    const int below = BelowPictureHeight(areaWidth);
    const int areaHeight =
        std::max(room.height() - kVideoTop - below - (beside ? 16 : kLeastColumnHeight + kEdge), 1);
    const QSize picture = live.scaled(areaWidth, areaHeight, Qt::KeepAspectRatio);
    VideoGrabber1->setGeometry(left + (areaWidth - picture.width()) / 2, kVideoTop, picture.width(),
                               picture.height());
    FrameImage->setGeometry(VideoGrabber1->geometry());
    OverlayPanel->setGeometry(left, kVideoTop, areaWidth, std::max(picture.height(), kMinVideoHeight / 2));
    int y = kVideoTop + picture.height() + kGap;
    if (ActiveMode == TCapMode::cmStopMotion) {
        FrameBar->setGeometry(left, y, areaWidth, 24);
        y = FrameBar->geometry().bottom() + 1 + kGap;
    }
    ButtonCapture->move(left + areaWidth / 2 - ButtonCapture->width() / 2, y);
    int bottom = ButtonCapture->geometry().bottom() + 1;
    if (ActiveMode == TCapMode::cmStopMotion) {
        // A narrow picture puts Refresh Preview and the frame number on a row of their own.
        if (areaWidth < kButtonRowWidth) {
            Rebuild->move(left, bottom + kGap);
            FrameLbl->move(Rebuild->geometry().right() + 1 + kGap, Rebuild->y());
            bottom = Rebuild->geometry().bottom() + 1;
        } else {
            Rebuild->move(left, y);
            FrameLbl->move(ButtonCapture->x() + 150, y);
        }
    }
    const int top = beside ? kColumnTop : bottom + kGap;
    SidePanel->setGeometry(kEdge, top, room.width() - 2 * kEdge - (beside ? areaWidth + kGap : 0),
                           std::min(column.height(), room.height() - top - kEdge));
}

// ---------------------------------------------------------------------------------------------
// Image settings

void TCaptureWindow::FrameAvgBtnClick() {
    Averaging = FrameAvgBtn->isChecked();
}

void TCaptureWindow::BWBtnClick() {
    BlackAndWhite = BWBtn->isChecked();
}

// ---------------------------------------------------------------------------------------------
// Capturing

void TCaptureWindow::SetCaptureCaption(bool recapture) {
    ButtonCapture->setText(Translate(recapture ? LanguageKey("sReCapture") : LanguageKey("sCapture")));
}

bool TCaptureWindow::IsRecaptureCaption() const {
    return ButtonCapture->text() == Translate(LanguageKey("sReCapture"));
}

void TCaptureWindow::CaptureClick() {
    ReturnToLive();
    if (IsRecaptureCaption()) {
        ArmRecapture();
        return;
    }
    ButtonCapture->setEnabled(false);
    std::error_code error;
    if (!std::filesystem::is_directory(Sheet.LayerFolder(Sheet.CurrentLayer()), error)) {
        ButtonCapture->setEnabled(true);
        throw ECwError(ToStd(Translate(LanguageKey("msgErrBadPath"))));
    }
    try {
        Placement->PicturePath(Sheet.LayerFolder(Sheet.CurrentLayer()), Settings.Capture.CaptureFormat);
    } catch (const ECwError&) {
        ButtonCapture->setEnabled(true);
        throw;
    }
    Collector.Start(Averaging);
    Grabber.GrabFrame();
}

bool TCaptureWindow::TimeLapseShot() {
    if (!ButtonCapture->isEnabled() || Grabber.GrabPending())
        return false;
    BringLiveForward();
    Guard([this] { CaptureClick(); });
    // A capture refused at once (no layer folder, a bad name) has said why and ends the time-lapse.
    if (!Grabber.GrabPending())
        TimeLapse->Schedule.ShotEnded(false);
    return true;
}

void TCaptureWindow::CaptureCompleted(const TPicture& frame) {
    if (!Collector.Add(frame)) {
        Grabber.GrabFrame();
        return;
    }
    // Whatever happens while saving, the button comes back.
    struct TEnableAgain {
        QPushButton* Button;
        ~TEnableAgain() { Button->setEnabled(true); }
    } enableAgain{ButtonCapture};
    SaveCapture(Collector.Result());
}

void TCaptureWindow::SaveCapture(TPicture picture) {
    ProcessCapture(picture, {.SquarePixels = Grabber.IsDV() && SquarePxlBtn->isChecked(),
                             .UpsideDown = OneEightyBtn->isChecked(),
                             .BlackAndWhite = BlackAndWhite});
    const TcwImageFormat format = Settings.Capture.CaptureFormat;
    const std::int32_t layer = Sheet.CurrentLayer();
    const std::filesystem::path target = Placement->PicturePath(Sheet.LayerFolder(layer), format);
    FileName = FromStd(target.filename().string());
    const std::string path = target.string();
    std::error_code error;
    if (std::filesystem::exists(path, error)) {
        QString message = Translate(LanguageKey("msgCapFileExists"));
        message.replace(message.indexOf("%s"), 2, FileName);
        if (Prompt.Prompt(message, Translate(LanguageKey("sOverwrite")), Translate(LanguageKey("sCancel"))) !=
            TAlertPrompt::TAnswer::Ok)
            return;
    }
    const bool existed = std::filesystem::exists(path, error);
    WriteCapture(path, picture, format, BlackAndWhite);
    try {
        KeepStillOriginals(Sheet.LayerFolder(layer), ToStd(FileName), Grabber.StillFiles());
        if (RecaptureArmed)
            PlaceRecapture(picture);
        else
            PlaceCapture(Sheet, layer, Sheet.CurrentFrame(), ToStd(FileName), Settings.Capture.Hold);
    } catch (...) {
        // The sheet does not name the picture: a new one is not left behind.
        if (!existed)
            std::filesystem::remove(path, error);
        throw;
    }
    ShotPlaced = true;
    if (RecaptureArmed) {
        Placement->NumberEdit->setText(SavedNumber);
        RecaptureArmed = false;
        if (OnPicturePlaced)
            OnPicturePlaced();
        return;
    }
    if (OnPicturePlaced)
        OnPicturePlaced();
    if (OnShowCapture)
        OnShowCapture(PictureToImage(picture));
    if (ActiveMode == TCapMode::cmXSheet && !Placement->NumberingIsFrame())
        Placement->AdvanceNumber();
}

// ---------------------------------------------------------------------------------------------
// Frame changes and Stop Motion review

void TCaptureWindow::SheetSelect(std::int32_t, std::int32_t frame) {
    // The last frame and the frames played belong to the capture frame that was selected.
    ReturnToLive();
    if (isVisible() && (Placement->NumberingIsFrame() || ActiveMode == TCapMode::cmStopMotion))
        FrameChange(frame);
}

void TCaptureWindow::LayerChanged() {
    ReturnToLive();
    if (isVisible())
        Placement->ShowLayerName(Sheet.LayerCaption(Sheet.CurrentLayer()));
}

void TCaptureWindow::FrameChange(std::int32_t frame) {
    if (Placement->NumberingIsFrame() || ActiveMode == TCapMode::cmStopMotion)
        Placement->ShowFrameNumber(frame);
    if (ActiveMode != TCapMode::cmStopMotion)
        return;
    FrameBar->setEnabled(false);
    ButtonCapture->setEnabled(false);
    Buffer.Update(frame, [this](std::int32_t f) { return CelPictureOrWhite(f); });
    FrameBar->setRange(Buffer.Size() - Buffer.Held(), Buffer.Size());
    FrameBar->setValue(Buffer.Size());
    FrameBarChange();
    FrameLbl->setText(QString::number(frame));
    FrameBar->setEnabled(true);
    ButtonCapture->setEnabled(Grabber.PreviewStarted());
}

TPicture TCaptureWindow::CelPictureOrWhite(std::int32_t frame) {
    const TPicture* picture = nullptr;
    try {
        picture = Sheet.GetCelImage(Sheet.CurrentLayer(), frame);
    } catch (const ECwError&) {
        picture = nullptr; // an unreadable drawing shows white
    }
    if (picture)
        return *picture;
    TPicture white(Grabber.VideoWidth() > 0 ? Grabber.VideoWidth() : kMinVideoWidth,
                   Grabber.VideoHeight() > 0 ? Grabber.VideoHeight() : kMinVideoHeight,
                   TPixelFormat::pf24bit);
    white.Fill(255);
    return white;
}

void TCaptureWindow::RebuildClick() {
    Buffer.Reload(Sheet.CurrentFrame(), [this](std::int32_t f) { return CelPictureOrWhite(f); });
    FrameBarChange();
}

void TCaptureWindow::ShowLive(bool live) {
    Grabber.Visible = live;
    VideoGrabber1->setVisible(live && CameraChosen);
    FrameImage->setVisible(!live);
}

void TCaptureWindow::ShowSlot(std::int32_t k) {
    FrameImage->ShowFrame(Buffer.Slot(k));
    ShowLive(false);
}

void TCaptureWindow::FrameBarChange() {
    if (ActiveMode != TCapMode::cmStopMotion)
        return;
    const std::int32_t k = Buffer.Size() - FrameBar->value();
    const std::int32_t current = Sheet.CurrentFrame();
    FrameLbl->setText(QString::number(current - k));
    if (!RecaptureArmed) {
        SetCaptureCaption(k >= 1);
        if (k >= 1 && k <= Buffer.Held())
            ShowSlot(k);
        else
            ShowLive(true);
        return;
    }
    if (current - k == RecaptureFrame) {
        ShowLive(true);
        SetCaptureCaption(false);
    } else if (k == 0) {
        RecaptureArmed = false;
        ShowLive(true);
        Placement->ShowFrameNumber(current);
    } else {
        ShowSlot(k);
    }
}

void TCaptureWindow::ArmRecapture() {
    const std::int32_t k = Buffer.Size() - FrameBar->value();
    RecaptureArmed = true;
    RecaptureFrame = Sheet.CurrentFrame() - k;
    SavedNumber = Placement->NumberEdit->text();
    Placement->ShowFrameNumber(RecaptureFrame);
    const TCel* cel = Sheet.CelAt(Sheet.CurrentLayer(), RecaptureFrame);
    if (cel && cel->Row + 1 == RecaptureFrame) {
        const std::string& name = cel->Name;
        const std::size_t dot = name.find('.');
        const std::size_t end = dot == std::string::npos ? name.size() : dot;
        if (end >= 4) {
            if (const auto number = ParseInt32(name.substr(end - 4, 4)); number && *number >= 0)
                Placement->ShowFrameNumber(*number);
        }
        const std::size_t underscore = name.find('_');
        Placement->NameEdit->setText(underscore == std::string::npos ? QString()
                                                                     : FromStd(name.substr(0, underscore)));
    }
    ShowLive(true);
    SetCaptureCaption(false);
}

void TCaptureWindow::PlaceRecapture(const TPicture& picture) {
    const std::int32_t frame = RecaptureFrame;
    const std::int32_t hold = Sheet.PlaceHeldCel(Sheet.CurrentLayer(), frame, ToStd(FileName), Settings.Capture.Hold);
    for (std::int32_t f = frame; f <= std::min(frame + hold - 1, Buffer.Reference() - 1); ++f)
        Buffer.Replace(f, picture);
    FrameImage->ShowFrame(picture);
    ShowLive(false);
    SetCaptureCaption(true);
}

// ---------------------------------------------------------------------------------------------
// Keys and closing

bool TCaptureWindow::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (watched == centralWidget() && type == QEvent::Resize)
        LayOutPicture();
    if (Player.Playing() && isAncestorOf(qobject_cast<QWidget*>(watched)) &&
        (((type == QEvent::ShortcutOverride || type == QEvent::KeyPress) &&
          !IsModifierKey(static_cast<QKeyEvent*>(event)->key())) ||
         type == QEvent::MouseButtonPress)) {
        // Any key or click stops playing and does nothing else; a shortcut's key is claimed here so
        // its command does not run, and its key press is dropped below.
        ReturnToLive();
        SwallowKey = type == QEvent::ShortcutOverride;
        event->accept();
        return true;
    }
    if (type == QEvent::KeyPress && SwallowKey) {
        SwallowKey = false;
        return true;
    }
    if (event->type() == QEvent::KeyPress && isAncestorOf(qobject_cast<QWidget*>(watched))) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && ButtonCapture->isEnabled()) {
            Guard([this] { CaptureClick(); });
            return true;
        }
        if (ActiveMode == TCapMode::cmStopMotion && (key->key() == Qt::Key_Left || key->key() == Qt::Key_Right) &&
            !IsTextField(watched)) {
            // One step, never past the range; the slider does not take the key a second time.
            FrameBar->setValue(FrameBar->value() + (key->key() == Qt::Key_Left ? -1 : 1));
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void TCaptureWindow::closeEvent(QCloseEvent* event) {
    if (Grabber.PreviewRunning()) {
        for (QAction* item : Source1->actions()) {
            if (item->isChecked())
                RememberedCamera = item->text().mid(item->text().indexOf('&') + 1);
        }
    }
    TimeLapse->Schedule.Stop();
    ReturnToLive();
    Grabber.StopPreview();
    Buffer.Clear();
    Guard([this] { SaveOnionSkinSettings(SettingsFile, OnionSettings); });
    if (VideoSettings->isVisible())
        VideoSettings->close();
    RequestedMode = ActiveMode;
    QMainWindow::closeEvent(event);
}

// ---------------------------------------------------------------------------------------------
// Onion skin, Flip and Play with Live

void TCaptureWindow::ApplyOnionSettings() {
    const QSignalBlocker blockOpacity(OpacityBar);
    const QSignalBlocker blockFrames(FramesBackBox);
    const QSignalBlocker blockPlay(PlayFramesBox);
    OnionSkin1->setChecked(OnionSettings.Enabled);
    Difference1->setChecked(OnionSettings.Difference);
    OpacityBar->setValue(OnionSettings.Opacity);
    FramesBackBox->setValue(OnionSettings.Frames);
    PlayFramesBox->setValue(OnionSettings.PlayFrames);
    OnionSettingsChange();
}

void TCaptureWindow::OnionSkinClick() {
    OnionSettingsChange();
    if (FollowLive && !LastLive.Empty())
        ShowLiveFrame(LastLive);
}

void TCaptureWindow::OnionSettingsChange() {
    OnionSettings.Enabled = OnionSkin1->isChecked();
    OnionSettings.Difference = Difference1->isChecked();
    OnionSettings.Opacity = OpacityBar->value();
    OnionSettings.Frames = FramesBackBox->value();
    OnionSettings.PlayFrames = PlayFramesBox->value();
    Onion.SetOpacity(OnionSettings.Opacity);
    Onion.SetCount(OnionSettings.Frames);
    Onion.Difference = OnionSettings.Difference;
    OpacityValue->setText(QString::number(OnionSettings.Opacity) + " %");
    // The next live frame shows the change; nothing in the camera's pipeline is touched.
}

std::int32_t TCaptureWindow::CaptureFrame() const {
    return RecaptureArmed ? RecaptureFrame : Sheet.CurrentFrame();
}

std::int32_t TCaptureWindow::LiveWidth() const {
    return Grabber.VideoWidth() > 0 ? Grabber.VideoWidth() : kMinVideoWidth;
}

std::int32_t TCaptureWindow::LiveHeight() const {
    return Grabber.VideoHeight() > 0 ? Grabber.VideoHeight() : kMinVideoHeight;
}

void TCaptureWindow::ShowLiveFrame(const TPicture& frame) {
    LastLive = frame;
    if (!FollowLive)
        return;
    if (OnionSkin1->isChecked() && !Player.Playing()) {
        Onion.Update(Sheet.CurrentLayer(), CaptureFrame(), frame.Width(), frame.Height());
        if (Onion.Frames().Held() > 0) {
            Onion.Compose(frame, Composed);
            VideoGrabber1->ShowFrame(Composed);
            return;
        }
    }
    VideoGrabber1->ShowFrame(frame);
}

void TCaptureWindow::BringLiveForward() {
    if (ActiveMode == TCapMode::cmStopMotion && !RecaptureArmed && FrameBar->value() != FrameBar->maximum())
        FrameBar->setValue(FrameBar->maximum());
    ShowLive(true);
}

void TCaptureWindow::ReturnToLive() {
    Player.Stop();
    Flip1->setChecked(false);
    if (FollowLive)
        return;
    FollowLive = true;
    if (!LastLive.Empty())
        ShowLiveFrame(LastLive);
}

void TCaptureWindow::FlipClick() {
    if (!Flip1->isChecked()) {
        ReturnToLive();
        return;
    }
    Player.Stop();
    Onion.Update(Sheet.CurrentLayer(), CaptureFrame(), LiveWidth(), LiveHeight());
    if (Onion.Frames().Held() == 0) {
        Flip1->setChecked(false);
        QApplication::beep(); // nothing before the capture frame
        return;
    }
    BringLiveForward();
    FollowLive = false;
    VideoGrabber1->ShowFrame(Onion.Frames().Frame(1), CaptureFrame() - 1);
}

void TCaptureWindow::PlayWithLiveClick() {
    if (Player.Playing()) {
        ReturnToLive();
        return;
    }
    Flip1->setChecked(false);
    PlayLayers.Update(Sheet.CurrentLayer(), CaptureFrame(), PlayFramesBox->value(), LiveWidth(),
                      LiveHeight());
    show(); // what plays is seen, even when the window was behind another
    raise();
    if (PlayLayers.Held() == 0) {
        QApplication::beep();
        return;
    }
    BringLiveForward();
    Player.Start(PlayLayers.Held(), Sheet.Fps());
}

void TCaptureWindow::ShowPlayStep(std::int32_t framesBack) {
    FollowLive = framesBack == 0;
    if (framesBack > 0)
        VideoGrabber1->ShowFrame(PlayLayers.Frame(framesBack), CaptureFrame() - framesBack);
    else if (!LastLive.Empty())
        VideoGrabber1->ShowFrame(LastLive);
}
