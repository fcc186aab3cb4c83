#include "capture/VideoGrabber.h"

#include "base/Error.h"
#include "base/TextUtil.h"
#include "settings/IniFile.h"

#include <QCoreApplication>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <linux/videodev2.h>

namespace {

// The V4L2 control behind each property; 0 where there is none.
std::uint32_t ControlId(TVideoProperty property) {
    switch (property) {
    case TVideoProperty::Brightness:
        return V4L2_CID_BRIGHTNESS;
    case TVideoProperty::Contrast:
        return V4L2_CID_CONTRAST;
    case TVideoProperty::Hue:
        return V4L2_CID_HUE;
    case TVideoProperty::Saturation:
        return V4L2_CID_SATURATION;
    case TVideoProperty::Sharpness:
        return V4L2_CID_SHARPNESS;
    case TVideoProperty::Gamma:
        return V4L2_CID_GAMMA;
    case TVideoProperty::WhiteBalance:
        return V4L2_CID_WHITE_BALANCE_TEMPERATURE;
    case TVideoProperty::Gain:
        return V4L2_CID_GAIN;
    case TVideoProperty::BacklightCompensation:
        return V4L2_CID_BACKLIGHT_COMPENSATION;
    default:
        return 0;
    }
}

// A still camera's settings as the device dialog's controls: choices and ranges as menus, toggles
// as check boxes. The id is the setting's place from 1.
std::vector<TV4l2Control> StillControls(const std::vector<TStillSetting>& settings) {
    std::vector<TV4l2Control> controls;
    for (std::size_t i = 0; i < settings.size(); ++i) {
        const TStillSetting& setting = settings[i];
        TV4l2Control control;
        control.Id = static_cast<std::uint32_t>(i + 1);
        control.Name = setting.Label;
        control.ReadOnly = setting.ReadOnly;
        if (setting.Kind == TStillSettingKind::sskToggle) {
            control.Type = TV4l2ControlType::ctBoolean;
            control.Maximum = 1;
            control.Value = setting.Value == "1";
        } else {
            control.Type = TV4l2ControlType::ctMenu;
            const std::vector<std::string> values = StillSettingValues(setting);
            for (std::size_t v = 0; v < values.size(); ++v) {
                control.Menu.push_back({static_cast<std::int32_t>(v), values[v]});
                if (values[v] == setting.Value)
                    control.Value = static_cast<std::int32_t>(v);
            }
            control.Maximum = static_cast<std::int32_t>(values.size()) - 1;
        }
        controls.push_back(std::move(control));
    }
    return controls;
}

// The text a still camera takes for a control's value.
std::string StillSettingValue(const TStillSetting& setting, std::int32_t value) {
    if (setting.Kind == TStillSettingKind::sskToggle)
        return value ? "1" : "0";
    const std::vector<std::string> values = StillSettingValues(setting);
    return value >= 0 && static_cast<std::size_t>(value) < values.size()
               ? values[static_cast<std::size_t>(value)]
               : std::string();
}

std::string RateText(double rate) {
    const double rounded = std::round(rate * 100) / 100;
    std::string text = std::to_string(rounded);
    text.erase(text.find_last_not_of('0') + 1);
    if (!text.empty() && text.back() == '.')
        text.pop_back();
    return text;
}

// The offered rate nearest the wanted one (an exact offer wins); `wanted` when nothing is known.
double ChooseRate(const std::vector<double>& offered, double wanted) {
    if (offered.empty() || wanted <= 0)
        return wanted;
    return *std::min_element(offered.begin(), offered.end(), [wanted](double a, double b) {
        return std::abs(a - wanted) < std::abs(b - wanted);
    });
}

} // namespace

TVideoGrabber::TVideoGrabber(bool testCamera, bool watchDevices)
    : TestCamera(testCamera), GrabTimer(std::make_unique<QTimer>()) {
    GrabTimer->setSingleShot(true);
    GrabTimer->setInterval(kGrabTimeoutMs);
    QObject::connect(GrabTimer.get(), &QTimer::timeout, [this] {
        FailGrab("The camera gave no picture within " + std::to_string(GrabTimer->interval() / 1000) +
                 " seconds.");
    });
    RefreshDevices();
    if (watchDevices) {
        Monitor = std::make_unique<TGstVideoMonitor>();
        Monitor->OnChange = [this] { DevicesChanged(); };
    }
}

TVideoGrabber::~TVideoGrabber() = default;

bool TVideoGrabber::TestCameraEnabled(const std::string& userFolder) {
    if (userFolder.empty())
        return false;
    TIniFile ini;
    ini.LoadFromFile(userFolder + "celwright.ini");
    return ini.ReadBool("capture devices", "test camera", false);
}

TTestCameraFaults TVideoGrabber::TestCameraFaults(const std::string& userFolder) {
    TTestCameraFaults faults;
    if (userFolder.empty())
        return faults;
    TIniFile ini;
    ini.LoadFromFile(userFolder + "celwright.ini");
    faults.FailAfterFrames = std::max(0, ini.ReadInteger("capture devices", "test camera fails after", 0));
    const std::string refused = ini.ReadString("capture devices", "test camera refuses", "");
    if (const std::size_t x = refused.find('x'); x != std::string::npos) {
        const auto width = ParseInt32(refused.substr(0, x));
        const auto height = ParseInt32(refused.substr(x + 1));
        if (width && height) {
            faults.RefusedWidth = *width;
            faults.RefusedHeight = *height;
        }
    }
    return faults;
}

void TVideoGrabber::RefreshDevices() {
    const std::string current = VideoDeviceName();
    Sources = ListSources();
    for (const TStillCameraInfo& camera : ListStillCameras(*StillCameras)) {
        TVideoSourceInfo source;
        source.Name = camera.Name;
        source.StillModel = camera.Model;
        source.StillPort = camera.Port;
        source.Modes = StillSizes();
        Sources.push_back(std::move(source));
    }
    if (TestCamera)
        Sources.push_back(TestPatternSource());
    // The selection follows its camera to its new index.
    Device = -1;
    for (std::size_t i = 0; i < Sources.size(); ++i) {
        if (!current.empty() && Sources[i].Name == current)
            Device = static_cast<std::int32_t>(i);
    }
}

void TVideoGrabber::DevicesChanged() {
    // A camera pulled out while previewing usually fails its stream first.
    const std::string previewing = Running ? VideoDeviceName() : FailedDevice;
    RefreshDevices();
    if (!previewing.empty() && Device < 0) {
        LostDevice = previewing;
        StopPreview();
        if (OnDeviceLost)
            OnDeviceLost(*this);
    }
    if (OnDeviceArrivalOrRemoval)
        OnDeviceArrivalOrRemoval(*this);
    if (!LostDevice.empty()) {
        for (std::size_t i = 0; i < Sources.size(); ++i) {
            if (Sources[i].Name == LostDevice) {
                LostDevice.clear();
                const std::int32_t size = SizeIndex;
                SetVideoDevice(static_cast<std::int32_t>(i));
                SetVideoSize(size);
                StartPreview();
                break;
            }
        }
    }
}

const std::vector<TVideoMode>& TVideoGrabber::StillSizes() {
    static const std::vector<TVideoMode> sizes = {{320, 240, {}}, {640, 480, {}},  {720, 480, {}},
                                                  {720, 576, {}}, {1280, 720, {}}, {1920, 1080, {}}};
    return sizes;
}

bool TVideoGrabber::IsStillCamera() const {
    return Device >= 0 && !Sources[static_cast<std::size_t>(Device)].StillPort.empty();
}

std::string TVideoGrabber::VideoDevices() const {
    std::string text;
    for (const TVideoSourceInfo& source : Sources)
        text += source.Name + "\n";
    return text;
}

void TVideoGrabber::SetVideoDevice(std::int32_t index) {
    StopPreview();
    Device = index >= 0 && index < VideoDevicesCount() ? index : -1;
    SizeIndex = 0;
    Width = 0;
    Height = 0;
    Controls.reset();
    if (Device >= 0 && !Sources[static_cast<std::size_t>(Device)].DevicePath.empty())
        Controls = TV4l2Device::Open(Sources[static_cast<std::size_t>(Device)].DevicePath);
}

std::string TVideoGrabber::VideoDeviceName() const {
    return Device >= 0 ? Sources[static_cast<std::size_t>(Device)].Name : std::string();
}

std::string TVideoGrabber::VideoSizes() const {
    if (Device < 0)
        return {};
    std::string text = "default\n";
    for (const TVideoMode& mode : Sources[static_cast<std::size_t>(Device)].Modes) {
        text += std::to_string(mode.Width) + " x " + std::to_string(mode.Height);
        std::string details = mode.MaxRate() > 0 ? RateText(mode.MaxRate()) + " fps" : std::string();
        for (std::size_t i = 0; i < mode.Formats.size(); ++i)
            details += (i == 0 ? (details.empty() ? "" : "; ") : ", ") + mode.Formats[i];
        if (!details.empty())
            text += " (" + details + ")";
        text += "\n";
    }
    return text;
}

void TVideoGrabber::SetVideoSize(std::int32_t index) {
    const std::int32_t count =
        Device >= 0 ? static_cast<std::int32_t>(Sources[static_cast<std::size_t>(Device)].Modes.size()) : 0;
    SizeIndex = index >= 0 && index <= count ? index : 0;
    if (SizeIndex > 0) {
        const TVideoMode& mode =
            Sources[static_cast<std::size_t>(Device)].Modes[static_cast<std::size_t>(SizeIndex - 1)];
        Width = mode.Width;
        Height = mode.Height;
    }
}

std::int32_t TVideoGrabber::FindVideoSize(std::int32_t width, std::int32_t height) const {
    if (Device < 0)
        return -1;
    const auto& modes = Sources[static_cast<std::size_t>(Device)].Modes;
    for (std::size_t i = 0; i < modes.size(); ++i) {
        if (modes[i].Width == width && modes[i].Height == height)
            return static_cast<std::int32_t>(i) + 1;
    }
    return -1;
}

void TVideoGrabber::StartPreview() {
    if (Running || Device < 0)
        return;
    FailedDevice.clear();
    TVideoSourceInfo source = Sources[static_cast<std::size_t>(Device)];
    if (source.TestPattern) {
        source.FailAfterFrames = TestFaults.FailAfterFrames;
        source.RefusedWidth = TestFaults.RefusedWidth;
        source.RefusedHeight = TestFaults.RefusedHeight;
    }
    if (!source.StillPort.empty()) {
        StartStillPreview(source);
        return;
    }
    std::int32_t width = 0;
    std::int32_t height = 0;
    double rate = 0;
    if (SizeIndex > 0) {
        const TVideoMode& mode = source.Modes[static_cast<std::size_t>(SizeIndex - 1)];
        width = mode.Width;
        height = mode.Height;
        rate = ChooseRate(mode.Rates, RequestedRate);
    } else if (source.TestPattern) {
        rate = RequestedRate;
    }
    Stream = std::make_unique<TGstVideoStream>(source, width, height, rate);
    Stream->OnPreviewFrame = [this](const TPicture& frame) { FrameArrived(frame); };
    Stream->OnFrame = [this](const TPicture& frame, std::int64_t) { GrabArrived(frame); };
    Stream->OnError = [this](const std::string& message) { StreamFailed(message); };
    std::string reason;
    Running = true;
    Started = false;
    if (!Stream->Start(reason)) {
        Stream.reset();
        Running = false;
        ReportStartFailure(false, reason, "The camera \"" + source.Name + "\" did not start: " + reason);
    }
}

void TVideoGrabber::ReportStartFailure(bool started, const std::string& reason, const std::string& otherwise) {
    if (!started && SizeIndex > 0 && OnSizeRefused) {
        OnSizeRefused(*this, "The camera \"" + VideoDeviceName() + "\" refused the size " + std::to_string(Width) +
                                 " x " + std::to_string(Height) + ": " + reason);
        return;
    }
    if (OnPreviewError)
        OnPreviewError(*this, otherwise);
}

void TVideoGrabber::StartStillPreview(const TVideoSourceInfo& source) {
    std::int32_t width = 0;
    std::int32_t height = 0;
    if (SizeIndex > 0) {
        width = source.Modes[static_cast<std::size_t>(SizeIndex - 1)].Width;
        height = source.Modes[static_cast<std::size_t>(SizeIndex - 1)].Height;
    }
    Still = std::make_unique<TStillCameraStream>(
        StillCameras, TStillCameraInfo{source.Name, source.StillModel, source.StillPort}, width, height);
    Still->OnPreviewFrame = [this](const TPicture& frame) { FrameArrived(frame); };
    Still->OnStill = [this](const TPicture& picture, const std::vector<TStillFile>& files) {
        if (!Grabbing)
            return;
        Files = files;
        GrabArrived(picture);
    };
    Still->OnStillFailed = [this](const std::string& message) { FailGrab(message); };
    Still->OnError = [this](const std::string& message) { StillStopped(message); };
    Running = true;
    Started = false;
    Still->Start();
}

void TVideoGrabber::StillStopped(const std::string& message) {
    FailedDevice = VideoDeviceName();
    if (Grabbing)
        Still->CancelStill();
    // The stream is inside its own callback: it goes once that has returned.
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [stream = std::shared_ptr<TStillCameraStream>(std::move(Still))] {},
        Qt::QueuedConnection);
    Running = false;
    Started = false;
    FailGrab(message);
    if (OnPreviewError)
        OnPreviewError(*this, message);
}

void TVideoGrabber::StopPreview() {
    if (Grabbing)
        FailGrab("The camera's live picture was stopped.");
    Stream.reset();
    Still.reset();
    StillSettings.clear();
    Running = false;
    Started = false;
}

double TVideoGrabber::FrameRate() const {
    if (Device < 0)
        return 0;
    const TVideoSourceInfo& source = Sources[static_cast<std::size_t>(Device)];
    if (SizeIndex > 0)
        return ChooseRate(source.Modes[static_cast<std::size_t>(SizeIndex - 1)].Rates, RequestedRate);
    return RequestedRate;
}

void TVideoGrabber::FrameArrived(const TPicture& frame) {
    const bool resized = frame.Width() != Width || frame.Height() != Height;
    Width = frame.Width();
    Height = frame.Height();
    if (!Started) {
        Started = true;
        if (OnPreviewStarted)
            OnPreviewStarted(*this);
    }
    if (resized && OnResizeVideo)
        OnResizeVideo(*this);
    if (Visible && OnPreviewFrame)
        OnPreviewFrame(*this, frame);
}

void TVideoGrabber::GrabFrame() {
    Files.clear();
    Grabbing = true;
    if (Still) {
        Still->RequestStill();
        GrabTimer->start(kStillGrabTimeoutMs);
        return;
    }
    if (!Stream) {
        FailGrab("No camera is running.");
        return;
    }
    Stream->RequestFrame();
    GrabTimer->start(kGrabTimeoutMs);
}

void TVideoGrabber::GrabArrived(const TPicture& frame) {
    if (!Grabbing)
        return;
    Grabbing = false;
    GrabTimer->stop();
    if (OnFrameCaptureCompleted)
        OnFrameCaptureCompleted(*this, frame);
}

void TVideoGrabber::FailGrab(const std::string& message) {
    if (!Grabbing)
        return;
    Grabbing = false;
    GrabTimer->stop();
    if (Stream)
        Stream->CancelRequest();
    if (Still)
        Still->CancelStill();
    if (OnFrameCaptureFailed)
        OnFrameCaptureFailed(*this, message);
}

void TVideoGrabber::StreamFailed(const std::string& message) {
    FailedDevice = VideoDeviceName();
    const std::string text = "The camera \"" + FailedDevice + "\" stopped: " + message;
    const bool started = Started;
    Stream.reset();
    Running = false;
    Started = false;
    FailGrab(text);
    ReportStartFailure(started, message, text);
}

std::int64_t TVideoGrabber::FramesSeen() const {
    return Stream ? Stream->FramesSeen() : Still ? Still->FramesSeen() : 0;
}

std::optional<TV4l2Control> TVideoGrabber::Property(TVideoProperty property) const {
    const std::uint32_t id = ControlId(property);
    if (!Controls || id == 0)
        return std::nullopt;
    return Controls->Query(id);
}

bool TVideoGrabber::PropertyAvailable(TVideoProperty property) const {
    return Property(property).has_value();
}

std::int32_t TVideoGrabber::PropertyMinimum(TVideoProperty property) const {
    const auto control = Property(property);
    return control ? control->Minimum : 0;
}

std::int32_t TVideoGrabber::PropertyMaximum(TVideoProperty property) const {
    const auto control = Property(property);
    return control ? control->Maximum : 0;
}

std::int32_t TVideoGrabber::PropertyStep(TVideoProperty property) const {
    const auto control = Property(property);
    return control ? control->Step : 0;
}

std::int32_t TVideoGrabber::PropertyDefault(TVideoProperty property) const {
    const auto control = Property(property);
    return control ? control->Default : 0;
}

std::int32_t TVideoGrabber::PropertyValue(TVideoProperty property) const {
    const auto control = Property(property);
    return control ? control->Value : 0;
}

bool TVideoGrabber::SetProperty(TVideoProperty property, std::int32_t value) {
    const std::uint32_t id = ControlId(property);
    return Controls && id != 0 && Controls->Set(id, value);
}

std::vector<TV4l2Control> TVideoGrabber::CameraControls() const {
    if (!Still)
        return Controls ? Controls->List() : std::vector<TV4l2Control>{};
    auto& self = const_cast<TVideoGrabber&>(*this);
    self.StillControlError.clear();
    try {
        self.StillSettings = Still->Settings();
    } catch (const ECwError& error) {
        self.StillSettings.clear();
        self.StillControlError = error.what();
    }
    return StillControls(StillSettings);
}

bool TVideoGrabber::SetCameraControl(std::uint32_t id, std::int32_t value) {
    if (!Still)
        return Controls && Controls->Set(id, value);
    StillControlError.clear();
    if (id < 1 || id > StillSettings.size())
        return false;
    const TStillSetting& setting = StillSettings[id - 1];
    try {
        Still->SetSetting(setting.Widget, StillSettingValue(setting, value));
        return true;
    } catch (const ECwError& error) {
        StillControlError = error.what();
        return false;
    }
}

bool TVideoGrabber::DialogAvailable(TCameraDialog kind) const {
    // A still camera's settings are read when the dialog opens, not to answer this.
    return kind == TCameraDialog::Device && (Still || !CameraControls().empty());
}

void TVideoGrabber::SetControlDevice(std::unique_ptr<TV4l2Device> device) {
    Controls = std::move(device);
}
