#pragma once

#include "imaging/Picture.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

typedef struct _GstDeviceMonitor GstDeviceMonitor;
class TGstPipeline;

// Video sources through GStreamer: the cameras the system offers, and a live stream from one of
// them whose frames reach the user-interface thread. Callbacks run on the thread of the Qt
// application's event loop; without one nothing is delivered.

// One frame size a camera offers and the frame rates it offers at that size (frames per second).
struct TVideoMode {
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    std::vector<double> Rates;
    // The picture formats it sends at that size, each once: the raw format's name (YUY2, NV12, ...)
    // or MJPG for JPEG frames; empty when not known.
    std::vector<std::string> Formats;
    double MaxRate() const;
};

// A camera: a V4L2 device, the built-in test pattern, or a still camera (libgphoto2).
struct TVideoSourceInfo {
    std::string Name;
    std::string DevicePath; // "/dev/videoN"; empty for the test pattern and still cameras
    bool TestPattern = false;
    std::string StillModel; // a still camera's model and port; empty for the others
    std::string StillPort;
    std::vector<TVideoMode> Modes; // one per size, in the order the camera lists them
    // The test pattern acts out a failing camera: it stops after this many frames (0: never) and
    // refuses this size (0 x 0: none).
    std::int64_t FailAfterFrames = 0;
    std::int32_t RefusedWidth = 0;
    std::int32_t RefusedHeight = 0;
};

// The name and sizes of the test camera.
inline constexpr const char* kTestCameraName = "Test pattern";
TVideoSourceInfo TestPatternSource();

// The sizes, rates and formats of a camera's caps in GStreamer's text form, as a camera lists them.
std::vector<TVideoMode> VideoModesFromCaps(const std::string& caps);

// The cameras the device monitor ("Video/Source") finds now. Devices that are not V4L2 nodes are
// left out: grabbing and camera properties go through the node.
std::vector<TVideoSourceInfo> ListVideoSources();

// Watches for cameras being plugged in or removed. OnChange runs on the user-interface thread.
class TGstVideoMonitor {
public:
    TGstVideoMonitor();
    ~TGstVideoMonitor();
    TGstVideoMonitor(const TGstVideoMonitor&) = delete;
    TGstVideoMonitor& operator=(const TGstVideoMonitor&) = delete;

    std::function<void()> OnChange;

private:
    GstDeviceMonitor* Monitor = nullptr;
    std::shared_ptr<bool> Alive;
};

// A running camera stream: `source ! videoconvert ! appsink` giving 24-bit frames (B, G, R).
class TGstVideoStream {
public:
    // `width`/`height` 0 leave the size to the camera; `rate` 0 leaves the frame rate to it.
    // Throws ECwError when the pipeline cannot be built (a missing element, say).
    TGstVideoStream(const TVideoSourceInfo& source, std::int32_t width, std::int32_t height, double rate);
    ~TGstVideoStream();
    TGstVideoStream(const TGstVideoStream&) = delete;
    TGstVideoStream& operator=(const TGstVideoStream&) = delete;

    // The latest frame for the live picture; at most one is on its way at a time, so a slow
    // painter sees fewer frames rather than a queue.
    std::function<void(const TPicture& frame)> OnPreviewFrame;
    // The frame asked for by RequestFrame, with the running time (ns) at which its capture began.
    std::function<void(const TPicture& frame, std::int64_t startNs)> OnFrame;
    // A pipeline error (device unplugged, busy, refused the format).
    std::function<void(const std::string& message)> OnError;

    // Starts streaming; false, with the reason in OnError's text, when it cannot.
    bool Start(std::string& reason);
    // Asks for the first frame whose capture began after this call: frames already queued or
    // being captured when it is made are skipped.
    // Returns the running time (ns) of the request; 0 when the stream has no clock yet.
    std::int64_t RequestFrame();
    void CancelRequest();

    // Frames delivered by the camera since Start (a measure of the preview rate).
    std::int64_t FramesSeen() const;

    struct TShared; // what the streaming thread shares with this object

private:
    std::shared_ptr<TShared> Shared;
    std::unique_ptr<TGstPipeline> Pipeline;
};
