#pragma once

#include <gphoto2/gphoto2-camera.h>
#include <gphoto2/gphoto2-list.h>
#include <gphoto2/gphoto2-widget.h>
#include <memory>
#include <string>

// The calls through which cameras are reached with libgphoto2 (DSLR and mirrorless cameras over
// USB). Each returns libgphoto2's result code (GP_OK or a GP_ERROR_...) and answers in the
// library's own structures, which the caller makes and frees. TGPhotoLibrary makes the calls on
// real cameras; everything above this interface (TStillCamera) is the same whoever answers.

// One opened camera. Calls on one session must come from one thread at a time.
class TGPhotoSession {
public:
    virtual ~TGPhotoSession() = default;
    // gp_camera_capture_preview: one live-view picture (usually a JPEG) into `file`.
    virtual int CapturePreview(CameraFile* file) = 0;
    // gp_camera_capture (GP_CAPTURE_IMAGE): takes a picture; `path` says where it is on the camera.
    virtual int Capture(CameraFilePath* path) = 0;
    // gp_camera_wait_for_event: the next event within `timeoutMs`; for GP_EVENT_FILE_ADDED the new
    // file's place is copied into `path`.
    virtual int WaitForEvent(int timeoutMs, CameraEventType* type, CameraFilePath* path) = 0;
    // gp_camera_file_get (GP_FILE_TYPE_NORMAL): the file's bytes into `file`.
    virtual int FileGet(const CameraFilePath& path, CameraFile* file) = 0;
    // gp_camera_get_config: the camera's settings as a widget tree the caller frees.
    virtual int GetConfig(CameraWidget** window) = 0;
    // gp_camera_set_config: writes the changed widgets of a tree from GetConfig.
    virtual int SetConfig(CameraWidget* window) = 0;
};

class TGPhotoPort {
public:
    virtual ~TGPhotoPort() = default;
    // gp_camera_autodetect: one entry per connected camera, name = model, value = port ("usb:001,004").
    virtual int Autodetect(CameraList* list) = 0;
    // Opens the camera `model` on `port` (abilities, port info, gp_camera_init); the session in
    // `session` on GP_OK.
    virtual int Open(const std::string& model, const std::string& port,
                     std::unique_ptr<TGPhotoSession>& session) = 0;
};

// libgphoto2 itself.
class TGPhotoLibrary : public TGPhotoPort {
public:
    TGPhotoLibrary();
    ~TGPhotoLibrary() override;
    TGPhotoLibrary(const TGPhotoLibrary&) = delete;
    TGPhotoLibrary& operator=(const TGPhotoLibrary&) = delete;

    int Autodetect(CameraList* list) override;
    int Open(const std::string& model, const std::string& port,
             std::unique_ptr<TGPhotoSession>& session) override;

    // How many camera models the installed camera drivers know (gp_abilities_list_load).
    int KnownModels();

private:
    GPContext* Context;
};

// The port cameras are reached through: libgphoto2 unless another was put in its place.
std::shared_ptr<TGPhotoPort>& GPhotoPort();
