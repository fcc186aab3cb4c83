#include "platform/StillCameraStream.h"

#include "base/Error.h"
#include "imaging/PictureCodecs.h"
#include "imaging/PictureFilters.h"
#include "platform/UiThread.h"

#include <algorithm>
#include <chrono>

namespace {

bool IsJpeg(const std::vector<std::uint8_t>& bytes) {
    return bytes.size() > 3 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF;
}

TPicture Decode(const std::vector<std::uint8_t>& bytes, const std::string& name) {
    TPicture picture;
    DecodeJpeg(bytes.data(), bytes.size(), name, picture);
    return picture.PixelFormat() == TPixelFormat::pf8bit ? ExpandTo24(picture) : picture;
}

} // namespace

TStillCameraStream::TStillCameraStream(std::shared_ptr<TGPhotoPort> port, TStillCameraInfo camera,
                                       std::int32_t width, std::int32_t height)
    : Port(std::move(port)), Info(std::move(camera)), Width(width), Height(height),
      Alive(std::make_shared<bool>(true)) {}

TStillCameraStream::~TStillCameraStream() {
    Alive.reset();
    {
        const std::lock_guard lock(StateLock);
        Stopping = true;
    }
    Wake.notify_all();
    if (Worker.joinable())
        Worker.join();
}

void TStillCameraStream::Start() {
    if (!Worker.joinable())
        Worker = std::thread([this] { Run(); });
}

void TStillCameraStream::RequestStill() {
    {
        const std::lock_guard lock(StateLock);
        StillWanted = true;
    }
    Wake.notify_all();
}

void TStillCameraStream::CancelStill() {
    const std::lock_guard lock(StateLock);
    StillWanted = false;
}

TStillCamera& TStillCameraStream::OpenedCamera() {
    if (!Camera)
        throw ECwError("The camera \"" + Info.Name + "\" is not ready yet: it is still being opened.");
    return *Camera;
}

std::vector<TStillSetting> TStillCameraStream::Settings() {
    const std::lock_guard lock(CameraLock);
    return OpenedCamera().Settings();
}

void TStillCameraStream::SetSetting(const std::string& widget, const std::string& value) {
    const std::lock_guard lock(CameraLock);
    OpenedCamera().SetSetting(widget, value);
}

void TStillCameraStream::Run() {
    const std::weak_ptr<bool> alive = Alive;
    try {
        auto camera = std::make_unique<TStillCamera>(*Port, Info);
        const std::lock_guard lock(CameraLock);
        Camera = std::move(camera);
    } catch (const std::exception& error) {
        PostToUi(alive, [this, message = std::string(error.what())] {
            if (OnError)
                OnError(message);
        });
        return;
    }
    using TClock = std::chrono::steady_clock;
    auto failingSince = TClock::time_point{};
    auto nextPreview = TClock::now();
    for (;;) {
        bool still = false;
        {
            std::unique_lock lock(StateLock);
            // While a frame waits to be painted, the camera is left alone a moment.
            const auto until =
                std::max(nextPreview, FrameInFlight->load() ? TClock::now() + std::chrono::milliseconds(10)
                                                            : TClock::now());
            Wake.wait_until(lock, until, [this] { return Stopping || StillWanted; });
            if (Stopping)
                break;
            still = StillWanted;
            StillWanted = false;
        }
        const std::lock_guard lock(CameraLock);
        if (still) {
            TakeStill(*Camera);
            continue;
        }
        if (FrameInFlight->load() || TClock::now() < nextPreview)
            continue;
        nextPreview = TClock::now() + std::chrono::milliseconds(kPreviewIntervalMs);
        try {
            Preview(*Camera);
            failingSince = {};
        } catch (const std::exception& error) {
            // A busy or briefly silent camera gets a few seconds before the live view is given up.
            const auto now = TClock::now();
            if (failingSince == TClock::time_point{})
                failingSince = now;
            if (now - failingSince >= std::chrono::milliseconds(kPreviewRetryMs)) {
                PostToUi(alive, [this, message = std::string(error.what())] {
                    if (OnError)
                        OnError(message);
                });
                break;
            }
        }
    }
    const std::lock_guard lock(CameraLock);
    Camera.reset();
}

void TStillCameraStream::Preview(TStillCamera& camera) {
    TPicture frame = Decode(camera.Preview(), Info.Name + " live view");
    PreviewWidth = frame.Width();
    PreviewHeight = frame.Height();
    ++Frames;
    FrameInFlight->store(true);
    PostToUi(Alive, [this, frame = std::move(frame), inFlight = FrameInFlight] {
        inFlight->store(false);
        if (OnPreviewFrame)
            OnPreviewFrame(frame);
    });
}

void TStillCameraStream::TakeStill(TStillCamera& camera) {
    try {
        std::vector<TStillFile> files = camera.Capture();
        const TStillFile* jpeg = nullptr;
        for (const TStillFile& file : files) {
            if (!jpeg && IsJpeg(file.Bytes))
                jpeg = &file;
        }
        if (!jpeg)
            throw ECwError("The camera \"" + Info.Name + "\" saved the picture only as " +
                           files.front().Name +
                           ", which cannot be made into a drawing. Set the camera's image quality to JPEG or "
                           "RAW + JPEG.");
        TPicture picture = Decode(jpeg->Bytes, jpeg->Name);
        const std::int32_t width = Width > 0 ? Width : PreviewWidth;
        const std::int32_t height = Height > 0 ? Height : PreviewHeight;
        if (width > 0 && height > 0)
            picture = ScaleToFill(picture, width, height);
        PostToUi(Alive, [this, picture = std::move(picture), files = std::move(files)] {
            if (OnStill)
                OnStill(picture, files);
        });
    } catch (const std::exception& error) {
        PostToUi(Alive, [this, message = std::string(error.what())] {
            if (OnStillFailed)
                OnStillFailed(message);
        });
    }
}
