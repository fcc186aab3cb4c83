#include "scanner/ScannerWindow.h"

#include "base/Error.h"
#include "base/FlagGuard.h"
#include "base/TextUtil.h"
#include "capture/CaptureRules.h"
#include "imaging/PictureFilters.h"
#include "platform/ScanHelperClient.h"
#include "scanner/ScanSettingsDialog.h"
#include "settings/Folders.h"
#include "settings/Preferences.h"
#include "sheetview/SheetView.h"
#include "ui/AlertPrompt.h"
#include "ui/AppTexts.h"
#include "ui/ErrorBox.h"
#include "ui/PictureImage.h"
#include "ui/PlacementPanel.h"
#include "ui/QtText.h"

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QThread>
#include <QVBoxLayout>
#include <filesystem>

namespace {

// A Letter page turned upright, at 40 preview pixels per inch.
constexpr int kPreviewWidth = 440;
constexpr int kPreviewHeight = 340;

int ChooseSource(QWidget* parent, const std::vector<std::string>& names, int current) {
    QStringList items;
    for (const std::string& name : names)
        items << QString::fromStdString(name);
    bool ok = false;
    const QString chosen =
        QInputDialog::getItem(parent, Translate(LanguageKey("sSelect")), Translate(LanguageKey("sScanner")),
                              items, std::max(current, 0), false, &ok);
    return ok ? static_cast<int>(items.indexOf(chosen)) : -1;
}

} // namespace

// --- preview control ---

TScanImage::TScanImage(QWidget* parent) : QWidget(parent) {
    setFixedSize(kPreviewWidth, kPreviewHeight);
    Selection.SetBounds(kPreviewWidth, kPreviewHeight);
    setCursor(Qt::CrossCursor);
}

void TScanImage::SetPreview(const QImage& image, int width, int height) {
    Image = image;
    setFixedSize(width, height);
    Selection.SetBounds(width, height);
    update();
}

void TScanImage::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (Image.isNull())
        painter.fillRect(rect(), Qt::white);
    else
        painter.drawImage(rect(), Image);
    const TScanRect& r = Selection.Rect;
    if (r.Empty())
        return;
    // Black dashes on white show on paper and on ink alike, where a thin line of either colour
    // vanishes into line art.
    const QRect frame(QPoint(r.Left, r.Top), QPoint(r.Right, r.Bottom));
    painter.setPen(QPen(Qt::white, 1));
    painter.drawRect(frame);
    painter.setPen(QPen(Qt::black, 1, Qt::DashLine));
    painter.drawRect(frame);
}

void TScanImage::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    Selection.Press(event->position().toPoint().x(), event->position().toPoint().y());
    update();
}

void TScanImage::mouseMoveEvent(QMouseEvent* event) {
    if (!(event->buttons() & Qt::LeftButton))
        return;
    Selection.Move(event->position().toPoint().x(), event->position().toPoint().y());
    update();
}

void TScanImage::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    Selection.Release(event->position().toPoint().x(), event->position().toPoint().y());
    update();
}

// --- window ---

TScannerWindow::TScannerWindow(TSheetView& sheet, TSettings& settings, TAlertPrompt* alert, QWidget* parent)
    : QWidget(parent, Qt::Window), Sheet(sheet), Settings(settings), Alert(alert) {
    BuildControls();
    Retranslate();
    connect(&sheet, &TSheetView::SelectionChanged, this, [this] { SheetSelectionChanged(); });
    connect(&sheet, &TSheetView::CurrentLayerChanged, this, [this] { LayerChanged(); });

    // The driver runs in the scan helper; while it works the window handles its events.
    SetScanHelperSettings({UserFolder(),
                           [this](const std::vector<std::string>& names, int current) {
                               return ChooseSource(this, names, current);
                           },
                           [] { QApplication::processEvents(QEventLoop::AllEvents, 20); },
                           [this](TScanFault fault, double seconds) {
                               DriverFailed = true;
                               ShowErrorBox(this, fault == TScanFault::Timeout
                                                      ? Fill(Translate(LanguageKey("msgErrScannerSilent")),
                                                             {QString::number(seconds)})
                                                      : Translate(LanguageKey("msgErrScannerStopped")));
                           }});
    Twain.SourceManager = {"SANE", &ScanHelperDsmEntry};
    Twain.OnErrorMessage = [this](const std::string& message) {
        ShowErrorBox(this, QString::fromStdString(message));
    };
    Twain.WaitForEvents = [] {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
        return true;
    };
    Twain.OnDibReady = [this](TTwainSession&, const TPicture& picture) { DibReady(picture); };
    Twain.OnSetFrame = [this](TTwainSession&, TW_FRAME& frame) {
        frame = PreviewRectToFrame(ScanImage1->Selection.Rect, ScanImage1->width());
    };
    ScanImage1->Selection.SetPortrait(false);
}

void TScannerWindow::BuildControls() {
    auto* menus = new QMenuBar(this);
    Scanner1 = menus->addMenu(QString());
    Select1 =
        Scanner1->addAction(QString(), this, [this] { GuardCommand(this, [this] { Scanner1Click(); }); });
    Settings1 = menus->addMenu(QString());
    SaveSettings1 = Settings1->addAction(QString(), this,
                                         [this] { GuardCommand(this, [this] { SaveSettings1Click(); }); });
    LoadSettings1 = Settings1->addAction(QString(), this,
                                         [this] { GuardCommand(this, [this] { LoadSettings1Click(); }); });

    Panel1 = new QFrame;
    Panel1->setFrameShape(QFrame::StyledPanel);
    ScanImage1 = new TScanImage;
    PreviewBtn1 = new QPushButton;
    ScanBtn1 = new QPushButton;
    auto* buttonBar = new QHBoxLayout;
    buttonBar->addStretch();
    buttonBar->addWidget(PreviewBtn1);
    buttonBar->addSpacing(40);
    buttonBar->addWidget(ScanBtn1);
    buttonBar->addStretch();
    // The preview takes the glass's size; its place keeps at least the blank page's, so a smaller
    // glass does not narrow the window at each Preview.
    auto* previewPlace = new QWidget;
    previewPlace->setMinimumSize(kPreviewWidth, kPreviewHeight);
    auto* placeLayout = new QVBoxLayout(previewPlace);
    placeLayout->setContentsMargins(0, 0, 0, 0);
    placeLayout->addWidget(ScanImage1, 0, Qt::AlignCenter);
    auto* panelLayout = new QVBoxLayout(Panel1);
    panelLayout->addWidget(previewPlace);
    panelLayout->addLayout(buttonBar);

    auto combo = [](const QStringList& items) {
        auto* box = new QComboBox;
        box->addItems(items);
        return box;
    };
    OrientCombo = combo({QString(), QString()});
    RotateCombo = combo({QString(), QString(), QString(), "180"});
    QStringList sizes;
    for (const TScanSize& size : kScanSizes)
        sizes << QString::fromUtf8(size.Text.data(), static_cast<int>(size.Text.size()));
    SizeCombo = combo(sizes);
    ColorCombo = combo({QString(), QString()});
    ScanGroup = new QGroupBox;
    auto* scanLayout = new QVBoxLayout(ScanGroup);
    for (QComboBox* box : {OrientCombo, RotateCombo, SizeCombo, ColorCombo}) {
        scanLayout->addWidget(new QLabel);
        scanLayout->addWidget(box);
    }

    Placement = new TPlacementPanel(Settings.Capture, [this] { return Sheet.CurrentFrame(); });
    connect(Placement, &TPlacementPanel::HoldRefused, this,
            [this](const QString& message) { ShowErrorBox(this, message); });

    auto* side = new QVBoxLayout;
    side->addWidget(ScanGroup);
    side->addWidget(Placement);
    side->addStretch();
    auto* body = new QHBoxLayout;
    body->addWidget(Panel1, 0, Qt::AlignTop);
    body->addLayout(side);
    auto* layout = new QVBoxLayout(this);
    layout->setMenuBar(menus);
    layout->addLayout(body);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(PreviewBtn1, &QPushButton::clicked, this,
            [this] { GuardCommand(this, [this] { PreviewBtn1Click(); }); });
    connect(ScanBtn1, &QPushButton::clicked, this,
            [this] { GuardCommand(this, [this] { ScanBtn1Click(); }); });
    connect(OrientCombo, &QComboBox::activated, this, [this] { OrientComboChange(); });
    connect(RotateCombo, &QComboBox::activated, this, [this] { RotateComboChange(); });
    connect(SizeCombo, &QComboBox::activated, this, [this] { SizeComboChange(); });
    connect(ColorCombo, &QComboBox::activated, this, [this] { ColorComboChange(); });
}

void TScannerWindow::Retranslate() {
    Scanner1->setTitle(Translate(LanguageKey("sScanner")));
    Select1->setText(Translate(LanguageKey("sSelect")));
    Settings1->setTitle(Translate(LanguageKey("sSettings")));
    SaveSettings1->setText(Translate(LanguageKey("sSaveSettings")));
    LoadSettings1->setText(Translate(LanguageKey("sLoadSettings")));
    ScanGroup->setTitle(Translate(LanguageKey("sScanSettings")));
    auto* scanLayout = static_cast<QVBoxLayout*>(ScanGroup->layout());
    const TLanguageKey labels[] = {LanguageKey("sFrameOrientation"), LanguageKey("sRotateImage"),
                                   LanguageKey("sImageSize"), LanguageKey("sColorMode")};
    for (int i = 0; i < 4; ++i)
        static_cast<QLabel*>(scanLayout->itemAt(2 * i)->widget())->setText(Translate(labels[i]));
    OrientCombo->setItemText(0, Translate(LanguageKey("sLandscape")));
    OrientCombo->setItemText(1, Translate(LanguageKey("sPortrait")));
    RotateCombo->setItemText(0, Translate(LanguageKey("sNone")));
    RotateCombo->setItemText(1, Translate(LanguageKey("s90clockwise")));
    RotateCombo->setItemText(2, Translate(LanguageKey("s90counterclockwise")));
    ColorCombo->setItemText(0, Translate(LanguageKey("sBlackAndWhite")));
    ColorCombo->setItemText(1, Translate(LanguageKey("sColor")));
    Placement->Retranslate();
    PreviewBtn1->setText(Translate(LanguageKey("sPreview")));
    ScanBtn1->setText(Translate(LanguageKey("sScan")));
    ShowTitle();
}

void TScannerWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!event->spontaneous())
        GuardCommand(this, [this] { FormShow(); });
}

void TScannerWindow::closeEvent(QCloseEvent* event) {
    // Closing only hides the window; a scan still running is stopped.
    if (Busy())
        CancelScanHelperScan();
    QWidget::closeEvent(event);
}

void TScannerWindow::FormShow() {
    OrientCombo->setCurrentIndex(0);
    SizeCombo->setCurrentIndex(1);
    RotateCombo->setCurrentIndex(0);
    ColorCombo->setCurrentIndex(0);
    OrientComboChange();
    SizeComboChange();
    RotateComboChange();
    ColorComboChange();
    Panel1->setToolTip(PreviewDone ? QString() : Translate(LanguageKey("msgScanHint")));

    Placement->ShowKept(Sheet.LayerCaption(Sheet.CurrentLayer()));
    ShowCaption();

    if (QWidget* owner = parentWidget()) {
        const QPoint origin = owner->mapToGlobal(QPoint(0, 0));
        const int screenWidth = screen() ? screen()->availableGeometry().width() : 1920;
        move(std::min(origin.x() + Sheet.x() + 80, screenWidth - width() - 20), origin.y() + 40);
    }
}

void TScannerWindow::ShowCaption() {
    std::vector<std::string> names;
    const int index = Twain.ListSources(names);
    SourceName = index >= 0 ? QString::fromStdString(names[static_cast<std::size_t>(index)]) : QString();
    ShowTitle();
}

void TScannerWindow::ShowTitle() {
    setWindowTitle(Translate(LanguageKey("sScan")) + " - " +
                   (SourceName.isEmpty() ? Translate(LanguageKey("sNoScannerFound")) : SourceName));
}

void TScannerWindow::LayerChanged() {
    if (isVisible())
        Placement->ShowLayerName(Sheet.LayerCaption(Sheet.CurrentLayer()));
}

void TScannerWindow::SheetSelectionChanged() {
    if (!isVisible())
        return;
    LayerChanged();
    if (Placement->NumberingIsFrame())
        Placement->ShowFrameNumber(Sheet.CurrentFrame());
}

void TScannerWindow::Scanner1Click() {
    if (Twain.SelectSource())
        ShowCaption();
}

// --- lists and image settings ---

void TScannerWindow::OrientComboChange() {
    if (OrientCombo->currentIndex() >= 0)
        ScanImage1->Selection.SetPortrait(OrientCombo->currentIndex() == 1);
}

void TScannerWindow::RotateComboChange() {
    if (RotateCombo->currentIndex() >= 0)
        Rotation = static_cast<TScanRotation>(RotateCombo->currentIndex());
}

void TScannerWindow::SizeComboChange() {
    const int index = SizeCombo->currentIndex();
    if (index < 0 || index >= static_cast<int>(kScanSizes.size()))
        return;
    TargetWidth_ = kScanSizes[static_cast<std::size_t>(index)].Width;
    TargetHeight_ = kScanSizes[static_cast<std::size_t>(index)].Height;
}

void TScannerWindow::ColorComboChange() {
    if (ColorCombo->currentIndex() == 0) {
        Twain.SetPixelType(TcsPixelType::pxGray);
        Twain.SetBitDepth(TcsBitDepth::bd8Bit);
    } else if (ColorCombo->currentIndex() == 1) {
        Twain.SetPixelType(TcsPixelType::pxRGB);
        Twain.SetBitDepth(TcsBitDepth::bd24Bit);
    }
}

// --- settings ---

void TScannerWindow::SaveSettings1Click() {
    const TScanRect& r = ScanImage1->Selection.Rect;
    TScanSettingsDialog::Save({OrientCombo->currentIndex(), RotateCombo->currentIndex(),
                               SizeCombo->currentIndex(), ColorCombo->currentIndex(), r.Left, r.Top, r.Right,
                               r.Bottom},
                              this);
}

void TScannerWindow::LoadSettings1Click() {
    const TScanRect& r = ScanImage1->Selection.Rect;
    TScanSettings record{OrientCombo->currentIndex(),
                         RotateCombo->currentIndex(),
                         SizeCombo->currentIndex(),
                         ColorCombo->currentIndex(),
                         r.Left,
                         r.Top,
                         r.Right,
                         r.Bottom};
    if (!TScanSettingsDialog::Load(record, this))
        return;
    OrientCombo->setCurrentIndex(record.Orientation);
    RotateCombo->setCurrentIndex(record.Rotation);
    SizeCombo->setCurrentIndex(record.ImageSize);
    ColorCombo->setCurrentIndex(record.ColorMode);
    OrientComboChange();
    RotateComboChange();
    SizeComboChange();
    ColorComboChange();
    ScanImage1->Selection.Rect = {record.ScanRectLeft, record.ScanRectTop, record.ScanRectRight,
                                  record.ScanRectBottom};
    ScanImage1->Selection.LimitToBounds();
    ScanImage1->update();
}

// --- scanning ---

void TScannerWindow::PreviewBtn1Click() {
    if (Busy())
        return;
    DriverFailed = false;
    const std::string failure = ReadResolutionRange(Twain, "", Range);
    // A driver that hung or died (already told) is not asked again for this click.
    if (DriverFailed)
        return;
    if (!failure.empty())
        throw ECwError(failure);
    ScanMode = TScanMode::Preview;
    Twain.SetResolution(std::max(Range.Minimum, kMinPreviewResolution));
    Twain.FrameSize = TcsFrameSize::fsLetter;
    {
        TFlagGuard previewing(Previewing);
        Twain.Acquire("");
        PreviewDone = true;
        Panel1->setToolTip(QString());
    }
}

void TScannerWindow::ScanBtn1Click() {
    const std::string path =
        Placement->PicturePath(Sheet.LayerFolder(Sheet.CurrentLayer()), Settings.Capture.CaptureFormat).string();
    const TScanRect& r = ScanImage1->Selection.Rect;
    // A click without dragging selects nothing: no resolution could cover it.
    if (r.Empty() || r.Right <= r.Left)
        throw ECwError(ToStd(Translate(LanguageKey("msgErrNoScanArea"))));
    if (Busy())
        return;
    std::error_code error;
    if (std::filesystem::exists(path, error) &&
        Alert->Prompt(Fill(Translate(LanguageKey("msgCapFileExists")), {QString::fromStdString(path)}),
                      Translate(LanguageKey("sOverwrite")),
                      Translate(LanguageKey("sCancel"))) != TAlertPrompt::TAnswer::Ok)
        return;
    ScanMode = TScanMode::Final;
    Twain.FrameSize = TcsFrameSize::fsCustom;
    Twain.SetResolution(ScanResolution(Range, (r.Right - r.Left) * kInchesPerPreviewPixel, TargetWidth_));
    TFlagGuard scanning(Scanning);
    Twain.Acquire("");
}

void TScannerWindow::DibReady(const TPicture& picture) {
    if (ScanMode == TScanMode::Preview)
        PreviewReady(picture);
    else
        FinalReady(picture);
}

void TScannerWindow::PreviewReady(const TPicture& picture) {
    const double resolution = Twain.Resolution();
    const int width = static_cast<int>(picture.Height() / resolution * 40);
    const int height = static_cast<int>(picture.Width() / resolution * 40);
    ScanImage1->SetPreview(PictureToImage(RotateQuarter(picture, true)), std::max(width, 1),
                           std::max(height, 1));
}

void TScannerWindow::FinalReady(const TPicture& picture) {
    const bool portrait = ScanImage1->Selection.Portrait();
    const TPicture cel = FinishScan(picture, portrait ? TargetHeight_ : TargetWidth_,
                                    portrait ? TargetWidth_ : TargetHeight_, Rotation);
    const std::int32_t layer = Sheet.CurrentLayer();
    const std::filesystem::path path = Placement->PicturePath(Sheet.LayerFolder(layer), Settings.Capture.CaptureFormat);
    const std::string fileName = path.filename().string();
    WriteCapture(path.string(), cel, Settings.Capture.CaptureFormat,
                 ColorCombo->currentIndex() != 1);
    if (!Placement->NumberingIsFrame())
        Placement->AdvanceNumber();
    PlaceCapture(Sheet, layer, Sheet.CurrentFrame(), fileName, Settings.Capture.Hold);
    if (OnPicturePlaced)
        OnPicturePlaced();
    SheetSelectionChanged();
}
