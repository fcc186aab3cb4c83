#pragma once

#include "imaging/Picture.h"
#include "platform/StillCamera.h"

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// A still camera's live view and pictures on a thread of its own, so that the user-interface
// thread never waits for the camera. The thread opens the camera, then polls live-view pictures,
// decodes them and hands them over; a requested picture is taken between two of them. Callbacks
// run on the user-interface thread (a Qt application's event loop must run).
class TStillCameraStream {
public:
    // `width` x `height`: the size a taken picture is scaled to (0: the live view's size).
    TStillCameraStream(std::shared_ptr<TGPhotoPort> port, TStillCameraInfo camera, std::int32_t width,
                       std::int32_t height);
    ~TStillCameraStream();
    TStillCameraStream(const TStillCameraStream&) = delete;
    TStillCameraStream& operator=(const TStillCameraStream&) = delete;

    // The latest live-view picture, 24-bit; at most one is on its way at a time.
    std::function<void(const TPicture& frame)> OnPreviewFrame;
    // The picture asked for: scaled to the size, with the files the camera wrote for it.
    std::function<void(const TPicture& picture, const std::vector<TStillFile>& files)> OnStill;
    // The picture asked for was not taken or cannot be used; the live view goes on.
    std::function<void(const std::string& message)> OnStillFailed;
    // The camera stopped (could not be opened, unplugged, asleep); nothing more comes.
    std::function<void(const std::string& message)> OnError;

    void Start();
    // Asks for one full-resolution picture.
    void RequestStill();
    void CancelStill();
    // The camera's settings and writing one (see TStillCamera); they wait for the camera between
    // two live-view pictures. Failures throw ECwError.
    std::vector<TStillSetting> Settings();
    void SetSetting(const std::string& widget, const std::string& value);

    std::int64_t FramesSeen() const { return Frames; }

    // The least time between two live-view pictures asked of the camera (at most 30 a second).
    static constexpr int kPreviewIntervalMs = 33;
    // How long the live view keeps trying before a camera that stopped answering is given up.
    static constexpr int kPreviewRetryMs = 3000;

private:
    void Run();
    void TakeStill(TStillCamera& camera);
    void Preview(TStillCamera& camera);
    TStillCamera& OpenedCamera();

    std::shared_ptr<TGPhotoPort> Port;
    TStillCameraInfo Info;
    std::int32_t Width;
    std::int32_t Height;
    std::shared_ptr<bool> Alive;
    std::mutex CameraLock; // held for every call on the camera
    std::unique_ptr<TStillCamera> Camera;
    std::mutex StateLock;
    std::condition_variable Wake;
    bool Stopping = false;
    bool StillWanted = false;
    std::shared_ptr<std::atomic<bool>> FrameInFlight = std::make_shared<std::atomic<bool>>(false);
    std::atomic<std::int64_t> Frames{0};
    std::int32_t PreviewWidth = 0;
    std::int32_t PreviewHeight = 0;
    std::thread Worker;
};
