#include "capture/VideoSettingsDialog.h"

#include "ui/AppTexts.h"
#include "ui/ErrorBox.h"
#include "capture/VideoGrabber.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QSlider>
#include <QVBoxLayout>

namespace {
struct TDialogKind {
    TCameraDialog Kind;
    const char* Line; // the report's name for it, a technical one kept in every language
};
constexpr TDialogKind kDialogs[] = {
    {TCameraDialog::Device, "Device"},       {TCameraDialog::Crossbar, "Crossbar"},
    {TCameraDialog::Videostream, "Videostream"}, {TCameraDialog::VfwFormat, "VfwFormat"},
    {TCameraDialog::VfwSource, "VfwSource"}, {TCameraDialog::VfwDisplay, "VfwDisplay"},
};
constexpr TLanguageKey kSliderLabels[] = {LanguageKey("sBrightness"), LanguageKey("sContrast"),
                                          LanguageKey("sGamma"),      LanguageKey("sHue"),
                                          LanguageKey("sWhiteBal"),   LanguageKey("sBacklight")};

QString YesNo(bool yes, const QString& name) {
    return Fill(Translate(yes ? LanguageKey("msgVidYes") : LanguageKey("msgVidNo")), {name});
}
} // namespace

TVideoSettingsDialog::TVideoSettingsDialog(TVideoGrabber& grabber, QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::WindowStaysOnTopHint), Grabber(grabber) {
    auto* layout = new QVBoxLayout(this);
    auto* menus = new QMenuBar(this);
    Devicedialogs1 = menus->addMenu(QString());
    layout->setMenuBar(menus);

    VideoOverlayLabel = new QLabel(this);
    layout->addWidget(VideoOverlayLabel);
    VideoOverlaySelect = new QComboBox(this);
    VideoOverlaySelect->addItems({QString(), QString()});
    layout->addWidget(VideoOverlaySelect);
    CpuLoadLabel = new QLabel(this);
    layout->addWidget(CpuLoadLabel);
    CpuLoadSelect = new QComboBox(this);
    CpuLoadSelect->addItems({QString(), QString()});
    layout->addWidget(CpuLoadSelect);
    connect(VideoOverlaySelect, &QComboBox::activated, this, [this] { VideoOverlaySelectChange(); });
    connect(CpuLoadSelect, &QComboBox::activated, this, [this] { CpuLoadSelectChange(); });

    Debug = new QPlainTextEdit(this);
    Debug->setReadOnly(true);
    Debug->setMinimumHeight(150);
    layout->addWidget(Debug);

    auto* panel = new QWidget(this);
    auto* sliders = new QFormLayout(panel);
    for (std::size_t i = 0; i < TrackBars.size(); ++i) {
        QSlider* bar = new QSlider(Qt::Horizontal, panel);
        bar->setTickPosition(QSlider::TicksBothSides);
        bar->setMinimumWidth(160);
        SliderLabels[i] = new QLabel(panel);
        sliders->addRow(SliderLabels[i], bar);
        TrackBars[i] = bar;
        connect(bar, &QSlider::valueChanged, this, [this, i] { TrackBarChange(static_cast<int>(i)); });
    }
    layout->addWidget(panel);

    auto* buttons = new QHBoxLayout;
    Button1 = new QPushButton(this);
    Button2 = new QPushButton(this);
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    layout->addLayout(buttons);
    connect(Button1, &QPushButton::clicked, this, [this] { close(); });
    connect(Button2, &QPushButton::clicked, this, [this] { Button2Click(); });
    Retranslate();
}

void TVideoSettingsDialog::Retranslate() {
    setWindowTitle(Translate(LanguageKey("sVideoDeviceSettings")));
    Devicedialogs1->setTitle(Translate(LanguageKey("sCameraDialogs")));
    VideoOverlayLabel->setText(Translate(LanguageKey("sVideoOverlay")));
    CpuLoadLabel->setText(Translate(LanguageKey("sReducePreviewRate")));
    for (QComboBox* box : {VideoOverlaySelect, CpuLoadSelect}) {
        box->setItemText(0, Translate(LanguageKey("sEnabled")));
        box->setItemText(1, Translate(LanguageKey("sDisabled")));
    }
    for (std::size_t i = 0; i < SliderLabels.size(); ++i)
        SliderLabels[i]->setText(Translate(kSliderLabels[i]));
    Button1->setText(Translate(LanguageKey("sOk")));
    Button2->setText(Translate(LanguageKey("sReset")));
    if (isVisible())
        Refresh();
}

void TVideoSettingsDialog::showEvent(QShowEvent* event) {
    Refresh();
    if (QWidget* capture = parentWidget())
        move(capture->x() + 100, capture->y() + 100);
    QDialog::showEvent(event);
}

QStringList TVideoSettingsDialog::ReportLines() const {
    QStringList lines;
    lines << QString::fromStdString(Grabber.VideoDeviceName()) + ".";
    lines << Translate(Grabber.IsDV()       ? LanguageKey("msgVidSourceDV")
                       : Grabber.IsAnalog() ? LanguageKey("msgVidSourceAnalog")
                                            : LanguageKey("msgVidSourceOther"));
    const int inputs = Grabber.VideoInputCount();
    lines << Fill(Translate(LanguageKey("msgVidInputs")), {QString::number(inputs)});
    if (inputs > 1)
        lines << Fill(Translate(LanguageKey("msgVidInput")), {QString::number(Grabber.VideoInput())});
    lines << Translate(Grabber.HasVideoPort() ? LanguageKey("msgVidOverlayYes") : LanguageKey("msgVidOverlayNo"));
    lines << Fill(Translate(LanguageKey("msgVidFps")), {QString::number(static_cast<int>(Grabber.FrameRate()))});
    lines << YesNo(Grabber.HasCrossbar(), "Crossbar");
    const std::pair<TVideoProperty, TLanguageKey> properties[] = {
        {TVideoProperty::Brightness, LanguageKey("sBrightness")},
        {TVideoProperty::Contrast, LanguageKey("sContrast")},
        {TVideoProperty::Gamma, LanguageKey("sGamma")},
        {TVideoProperty::WhiteBalance, LanguageKey("sWhiteBalance")},
        {TVideoProperty::Hue, LanguageKey("sHue")}};
    for (const auto& [property, name] : properties)
        lines << YesNo(Grabber.PropertyAvailable(property), Translate(name));
    for (const TDialogKind& dialog : kDialogs)
        lines << Fill(Translate(Grabber.DialogAvailable(dialog.Kind) ? LanguageKey("msgVidDialogYes")
                                                                     : LanguageKey("msgVidDialogNo")),
                      {dialog.Line});
    return lines;
}

void TVideoSettingsDialog::Refresh() {
    Devicedialogs1->clear();
    Debug->setPlainText(ReportLines().join("\n"));
    // Of the kinds the report lists only the device dialog exists here.
    if (Grabber.DialogAvailable(TCameraDialog::Device))
        Devicedialogs1->addAction(Translate(LanguageKey("sDeviceDialog")), this,
                                  [this] { ShowCameraDialog(TCameraDialog::Device); });
    Debug->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    VideoOverlaySelect->setEnabled(Grabber.HasVideoPort());
    if (Grabber.HasVideoPort())
        VideoOverlaySelect->setCurrentIndex(Grabber.VideoPortEnabled ? 0 : 1);
    CpuLoadSelect->setCurrentIndex(Grabber.ReducePreviewCPULoad ? 0 : 1);
    for (std::size_t i = 0; i < TrackBars.size(); ++i)
        FillSlider(static_cast<int>(i), false);
}

void TVideoSettingsDialog::FillSlider(int slider, bool reset) {
    QSlider* bar = TrackBars[static_cast<std::size_t>(slider)];
    const TVideoProperty property = kSliderProperties[static_cast<std::size_t>(slider)];
    if (Grabber.PropertyAvailable(property)) {
        if (!reset)
            ChangesActive = false;
        bar->setEnabled(true);
        bar->setRange(Grabber.PropertyMinimum(property), Grabber.PropertyMaximum(property));
        bar->setTickInterval(Grabber.PropertyStep(property));
        bar->setSingleStep(Grabber.PropertyStep(property));
        bar->setValue(reset ? Grabber.PropertyDefault(property) : Grabber.PropertyValue(property));
    } else {
        ChangesActive = false;
        bar->setEnabled(false);
        bar->setTickInterval(0);
        bar->setRange(0, 1);
        bar->setValue(0);
    }
    ChangesActive = true;
}

void TVideoSettingsDialog::TrackBarChange(int slider) {
    if (ChangesActive)
        Grabber.SetProperty(kSliderProperties[static_cast<std::size_t>(slider)],
                            TrackBars[static_cast<std::size_t>(slider)]->value());
}

void TVideoSettingsDialog::VideoOverlaySelectChange() {
    Grabber.VideoPortEnabled = VideoOverlaySelect->currentIndex() == 0;
}

void TVideoSettingsDialog::CpuLoadSelectChange() {
    Grabber.ReducePreviewCPULoad = CpuLoadSelect->currentIndex() == 0;
}

void TVideoSettingsDialog::Button2Click() {
    for (std::size_t i = 0; i < TrackBars.size(); ++i)
        FillSlider(static_cast<int>(i), true);
}

void TVideoSettingsDialog::ShowCameraDialog(TCameraDialog kind) {
    if (kind != TCameraDialog::Device || !Grabber.DialogAvailable(kind))
        return;
    TCameraControlsDialog dialog(Grabber, this);
    dialog.exec();
    Refresh();
}

// ---------------------------------------------------------------------------------------------

TCameraControlsDialog::TCameraControlsDialog(TVideoGrabber& grabber, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QString::fromStdString(grabber.VideoDeviceName()));
    auto* layout = new QVBoxLayout(this);
    auto* area = new QScrollArea(this);
    auto* panel = new QWidget(area);
    auto* form = new QFormLayout(panel);
    // A still camera may refuse a setting (busy, asleep): say so rather than pretend it took.
    const auto set = [this, &grabber](std::uint32_t id, std::int32_t value) {
        if (!grabber.SetCameraControl(id, value) && !grabber.ControlError().empty())
            ShowErrorBox(this, QString::fromStdString(grabber.ControlError()));
    };
    const std::vector<TV4l2Control> controls = grabber.CameraControls();
    if (controls.empty() && !grabber.ControlError().empty()) {
        auto* reason = new QLabel(QString::fromStdString(grabber.ControlError()), panel);
        reason->setWordWrap(true);
        reason->setTextFormat(Qt::PlainText);
        form->addRow(reason);
    }
    for (const TV4l2Control& control : controls) {
        const QString name = QString::fromStdString(control.Name);
        const std::uint32_t id = control.Id;
        QWidget* editor = nullptr;
        switch (control.Type) {
        case TV4l2ControlType::ctBoolean: {
            auto* box = new QCheckBox(panel);
            box->setChecked(control.Value != 0);
            connect(box, &QCheckBox::toggled, this, [set, id](bool on) { set(id, on); });
            editor = box;
            break;
        }
        case TV4l2ControlType::ctMenu:
        case TV4l2ControlType::ctIntegerMenu: {
            auto* box = new QComboBox(panel);
            for (const TV4l2MenuItem& item : control.Menu) {
                box->addItem(QString::fromStdString(item.Name), item.Index);
                if (item.Index == control.Value)
                    box->setCurrentIndex(box->count() - 1);
            }
            connect(box, &QComboBox::activated, this,
                    [set, id, box](int row) { set(id, box->itemData(row).toInt()); });
            editor = box;
            break;
        }
        case TV4l2ControlType::ctInteger: {
            auto* bar = new QSlider(Qt::Horizontal, panel);
            bar->setRange(control.Minimum, control.Maximum);
            bar->setSingleStep(control.Step);
            bar->setValue(control.Value);
            connect(bar, &QSlider::valueChanged, this, [set, id](int value) { set(id, value); });
            editor = bar;
            break;
        }
        default:
            continue; // buttons and compound controls have no place here
        }
        editor->setEnabled(!control.ReadOnly);
        editor->setObjectName(name);
        auto* label = new QLabel(name, panel);
        label->setTextFormat(Qt::PlainText); // the device names its controls
        form->addRow(label, editor);
    }
    area->setWidget(panel);
    area->setWidgetResizable(true);
    layout->addWidget(area);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(420, 480);
}
