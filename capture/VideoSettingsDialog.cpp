#include "capture/VideoSettingsDialog.h"

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
    const char* Caption;
    const char* Line; // the report's name for it
};
constexpr TDialogKind kDialogs[] = {
    {TCameraDialog::Device, "device", "Device"},
    {TCameraDialog::Crossbar, "crossbar", "Crossbar"},
    {TCameraDialog::Videostream, "videostream", "Videostream"},
    {TCameraDialog::VfwFormat, "vfw format", "VfwFormat"},
    {TCameraDialog::VfwSource, "vfw source", "VfwSource"},
    {TCameraDialog::VfwDisplay, "vfw display", "VfwDisplay"},
};
constexpr const char* kSliderLabels[] = {"Brightness", "Contrast", "Gamma", "Hue", "White bal.", "Backlight"};
} // namespace

TVideoSettingsDialog::TVideoSettingsDialog(TVideoGrabber& grabber, QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::WindowStaysOnTopHint), Grabber(grabber) {
    setWindowTitle("Video Device Settings");
    auto* layout = new QVBoxLayout(this);
    auto* menus = new QMenuBar(this);
    Devicedialogs1 = menus->addMenu("Camera dialogs");
    layout->setMenuBar(menus);

    layout->addWidget(new QLabel("Video Overlay", this));
    VideoOverlaySelect = new QComboBox(this);
    VideoOverlaySelect->addItems({"Enabled", "Disabled"});
    layout->addWidget(VideoOverlaySelect);
    layout->addWidget(new QLabel("Reduce Camera Preview Rate", this));
    CpuLoadSelect = new QComboBox(this);
    CpuLoadSelect->addItems({"Enabled", "Disabled"});
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
        sliders->addRow(kSliderLabels[i], bar);
        TrackBars[i] = bar;
        connect(bar, &QSlider::valueChanged, this, [this, i] { TrackBarChange(static_cast<int>(i)); });
    }
    layout->addWidget(panel);

    auto* buttons = new QHBoxLayout;
    Button1 = new QPushButton("Ok", this);
    Button2 = new QPushButton("Reset", this);
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    layout->addLayout(buttons);
    connect(Button1, &QPushButton::clicked, this, [this] { close(); });
    connect(Button2, &QPushButton::clicked, this, [this] { Button2Click(); });
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
    lines << (Grabber.IsDV() ? "Source: DV." : Grabber.IsAnalog() ? "Source: Analog." : "Source: Other.");
    const int inputs = Grabber.VideoInputCount();
    lines << "Number of inputs: " + QString::number(inputs) + ".";
    if (inputs > 1)
        lines << "Video Input: " + QString::number(Grabber.VideoInput()) + ".";
    lines << (Grabber.HasVideoPort() ? "Overlay available." : "Overlay not available.");
    lines << "FPS: " + QString::number(static_cast<int>(Grabber.FrameRate()));
    lines << (Grabber.HasCrossbar() ? "Corssbar: yes." : "Crossbar: no.");
    const std::pair<TVideoProperty, const char*> properties[] = {{TVideoProperty::Brightness, "Brightness"},
                                                                 {TVideoProperty::Contrast, "Contrast"},
                                                                 {TVideoProperty::Gamma, "Gamma"},
                                                                 {TVideoProperty::WhiteBalance, "White balance"},
                                                                 {TVideoProperty::Hue, "Hue"}};
    for (const auto& [property, name] : properties)
        lines << QString(name) + (Grabber.PropertyAvailable(property) ? ": yes." : ": no.");
    for (const TDialogKind& dialog : kDialogs)
        lines << QString(dialog.Line) +
                     (Grabber.DialogAvailable(dialog.Kind) ? " dialog: yes." : " dialog: no.");
    return lines;
}

void TVideoSettingsDialog::Refresh() {
    Devicedialogs1->clear();
    Debug->setPlainText(ReportLines().join("\n"));
    for (const TDialogKind& dialog : kDialogs) {
        if (Grabber.DialogAvailable(dialog.Kind)) {
            const TCameraDialog kind = dialog.Kind;
            Devicedialogs1->addAction(dialog.Caption, this, [this, kind] { ShowCameraDialog(kind); });
        }
    }
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
