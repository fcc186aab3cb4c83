#pragma once

#include "imaging/Picture.h"
#include "platform/GstVideo.h"
#include "platform/StillCameraStream.h"
#include "platform/V4l2Controls.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QTimer;

// The video device component: the cameras, their frame sizes, the live picture, grabbing one
// frame, and the camera's picture properties. Events are raised on the user-interface thread (a Qt
// event loop must run). The component shows nothing itself: a view paints OnPreviewFrame.
// Camera picture properties, numbered as the video settings have always numbered them.
enum class TVideoProperty : std::int32_t {
    Brightness = 0,
    Contrast = 1,
    Hue = 2,
    Saturation = 3,
    Sharpness = 4,
    Gamma = 5,
    WhiteBalance = 6,
    Gain = 8,
    BacklightCompensation = 9,
};

// The kinds of camera dialog; only the device dialog exists here.
enum class TCameraDialog : std::int32_t {
    Device = 0,
    Videostream = 3,
    VfwFormat = 4,
    VfwSource = 5,
    VfwDisplay = 6,
    Crossbar = 7,
};

// How the test camera acts out a failing camera, from celwright.ini's [capture devices]: "test
// camera fails after=N" breaks its stream after N frames (as a camera pulled out does), "test camera
// refuses=WxH" refuses that size.
struct TTestCameraFaults {
    std::int64_t FailAfterFrames = 0;
    std::int32_t RefusedWidth = 0;
    std::int32_t RefusedHeight = 0;
};

class TVideoGrabber {
public:
    using TNotifyEvent = std::function<void(TVideoGrabber& sender)>;
    using TFrameEvent = std::function<void(TVideoGrabber& sender, const TPicture& frame)>;
    using TMessageEvent = std::function<void(TVideoGrabber& sender, const std::string& message)>;

    // How long a grab may wait for its frame; a still camera's picture (focus, exposure, download)
    // may take longer.
    static constexpr std::int32_t kGrabTimeoutMs = 5000;
    static constexpr std::int32_t kStillGrabTimeoutMs = 60000;
    // The sizes a still camera's pictures are scaled to for the sheet, after "default" (the size
    // of its live view).
    static const std::vector<TVideoMode>& StillSizes();

    // `testCamera` adds the "Test pattern" camera after the real ones; `watchDevices` follows
    // cameras being plugged in and removed.
    explicit TVideoGrabber(bool testCamera, bool watchDevices = true);
    ~TVideoGrabber();
    TVideoGrabber(const TVideoGrabber&) = delete;
    TVideoGrabber& operator=(const TVideoGrabber&) = delete;

    // Events.
    TNotifyEvent OnDeviceArrivalOrRemoval;
    TNotifyEvent OnPreviewStarted;
    TNotifyEvent OnResizeVideo; // the frames' size changed
    TNotifyEvent OnDeviceLost;  // the previewing camera went away; it is taken up again on return
    TFrameEvent OnPreviewFrame;
    TFrameEvent OnFrameCaptureCompleted; // a 24-bit picture
    TMessageEvent OnFrameCaptureFailed;  // the grab ended without a frame; no completion follows
    TMessageEvent OnPreviewError;        // the live picture stopped
    // The camera failed before its first frame at the size chosen in SetVideoSize; the message names
    // the camera and the size. Raised instead of OnPreviewError.
    TMessageEvent OnSizeRefused;

    // Cameras: one name per line, in index order.
    std::string VideoDevices() const;
    std::int32_t VideoDevicesCount() const { return static_cast<std::int32_t>(Sources.size()); }
    // The selected camera, 0-based; -1 when none. Selecting stops the preview.
    std::int32_t VideoDevice() const { return Device; }
    void SetVideoDevice(std::int32_t index);
    std::string VideoDeviceName() const;
    // Re-reads the cameras.
    void RefreshDevices();
    // A camera was plugged in or removed (the device monitor's handler): re-reads the cameras,
    // raises OnDeviceLost when the previewing camera is gone and takes it up again on its return.
    void DevicesChanged();
    // Where the cameras come from: the device monitor; tests stand in for plugging and unplugging.
    std::function<std::vector<TVideoSourceInfo>()> ListSources = ListVideoSources;
    // Where still cameras are reached: libgphoto2 unless another port was put in its place.
    std::shared_ptr<TGPhotoPort> StillCameras = GPhotoPort();
    // True when the selected camera is a still camera.
    bool IsStillCamera() const;

    // Sizes of the selected camera: "default" first, then "W x H (R fps; FORMATS)" per size, R the
    // largest rate at that size and FORMATS those it sends at that size ("YUY2, MJPG"), each part
    // left out when not known. The index counts the lines from 0 and is used from the next start.
    std::string VideoSizes() const;
    std::int32_t VideoSize() const { return SizeIndex; }
    void SetVideoSize(std::int32_t index);
    // The size line index of "WxH"; -1 when the camera does not offer it.
    std::int32_t FindVideoSize(std::int32_t width, std::int32_t height) const;

    void StartPreview();
    void StopPreview();
    bool PreviewRunning() const { return Running; }
    // True once the first frame of the running preview arrived.
    bool PreviewStarted() const { return Started; }

    // Size of the frames: the last frame seen, else the chosen size; 0 before either.
    std::int32_t VideoWidth() const { return Width; }
    std::int32_t VideoHeight() const { return Height; }

    bool IsDV() const { return false; }
    bool IsAnalog() const { return false; }
    bool HasVideoPort() const { return false; }
    bool HasCrossbar() const { return false; }
    std::int32_t VideoInputCount() const { return Device >= 0 ? 1 : 0; }
    std::int32_t VideoInput() const { return 0; }
    // The rate asked of the camera from the next start; the rate it delivers when it runs.
    void SetFrameRate(double rate) { RequestedRate = rate; }
    double FrameRate() const;

    // Switches kept for the settings window; the live picture is painted the same either way.
    bool VideoPortEnabled = false;
    bool ReducePreviewCPULoad = true;
    bool ColorKeyEnabled = false;
    // Whether the view shows the live picture.
    bool Visible = true;

    // Asks for one frame; OnFrameCaptureCompleted brings it, or OnFrameCaptureFailed says why not
    // (no preview, stream error, no frame within kGrabTimeoutMs). The frame's capture began after
    // the request: frames already queued are never delivered.
    void GrabFrame();
    bool GrabPending() const { return Grabbing; }
    // The files a still camera wrote for the last picture grabbed (its full-size original, and the
    // JPEG beside a RAW file); empty for other cameras. The grabbed frame itself is the picture
    // scaled to the chosen size.
    const std::vector<TStillFile>& StillFiles() const { return Files; }

    // Camera picture properties, through the camera's V4L2 controls.
    bool PropertyAvailable(TVideoProperty property) const;
    std::int32_t PropertyMinimum(TVideoProperty property) const;
    std::int32_t PropertyMaximum(TVideoProperty property) const;
    std::int32_t PropertyStep(TVideoProperty property) const;
    std::int32_t PropertyDefault(TVideoProperty property) const;
    std::int32_t PropertyValue(TVideoProperty property) const;
    bool SetProperty(TVideoProperty property, std::int32_t value);
    // Every control the camera offers (menus, integers, booleans), for the device dialog.
    std::vector<TV4l2Control> CameraControls() const;
    bool SetCameraControl(std::uint32_t id, std::int32_t value);
    // Why the last reading or writing of a still camera's settings failed; empty when it did not.
    const std::string& ControlError() const { return StillControlError; }
    // Only the device dialog exists, for a camera with controls.
    bool DialogAvailable(TCameraDialog kind) const;

    // A camera's controls reached another way (tests stand in for a camera with this).
    void SetControlDevice(std::unique_ptr<TV4l2Device> device);

    // The file "celwright.ini" in `userFolder` turns the test camera on with
    // [capture devices] test camera=1.
    static bool TestCameraEnabled(const std::string& userFolder);
    // The faults "celwright.ini" in `userFolder` gives the test camera.
    static TTestCameraFaults TestCameraFaults(const std::string& userFolder);
    // Applied to the test camera from its next start.
    TTestCameraFaults TestFaults;

    // Frames the camera delivered since the preview started.
    std::int64_t FramesSeen() const;

private:
    void FrameArrived(const TPicture& frame);
    void GrabArrived(const TPicture& frame);
    void StreamFailed(const std::string& message);
    // Tells of a stream that failed: a refused size when no frame came at a chosen size.
    void ReportStartFailure(bool started, const std::string& reason, const std::string& otherwise);
    void FailGrab(const std::string& message);
    void StartStillPreview(const TVideoSourceInfo& source);
    void StillStopped(const std::string& message);
    std::optional<TV4l2Control> Property(TVideoProperty property) const;

    bool TestCamera;
    std::vector<TVideoSourceInfo> Sources;
    std::int32_t Device = -1;
    std::int32_t SizeIndex = 0;
    double RequestedRate = 0;
    std::unique_ptr<TGstVideoStream> Stream;
    std::unique_ptr<TStillCameraStream> Still;
    std::vector<TStillFile> Files;
    std::vector<TStillSetting> StillSettings; // as the device dialog was last given them
    std::string StillControlError;
    std::unique_ptr<TGstVideoMonitor> Monitor;
    std::unique_ptr<TV4l2Device> Controls;
    std::unique_ptr<QTimer> GrabTimer;
    std::string LostDevice;   // name of the camera that went away while previewing
    std::string FailedDevice; // name of the camera whose stream failed
    bool Running = false;
    bool Started = false;
    bool Grabbing = false;
    std::int32_t Width = 0;
    std::int32_t Height = 0;
};
