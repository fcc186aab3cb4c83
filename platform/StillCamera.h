#pragma once

#include "platform/GPhotoPort.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// Still cameras (DSLR and mirrorless) through libgphoto2: the connected cameras, their live view,
// taking a full-resolution picture and the settings a photographer changes between shots. Every
// failure throws ECwError with a message that names the camera and says what is wrong.

struct TStillCameraInfo {
    std::string Name;  // as menus show it: the model, with its port when two of a model are connected
    std::string Model; // libgphoto2's model name
    std::string Port;  // "usb:001,004"
};

// A file the camera wrote for a picture, with the camera's own name ("IMG_0001.CR2").
struct TStillFile {
    std::string Name;
    std::vector<std::uint8_t> Bytes;
};

enum class TStillSettingKind { sskChoice, sskRange, sskToggle };

// One of the settings offered: ISO, shutter speed, aperture, white balance.
struct TStillSetting {
    std::string Label;  // "ISO", "Shutter speed", "Aperture", "White balance"
    std::string Widget; // the camera's name for it ("iso", "f-number", ...)
    TStillSettingKind Kind = TStillSettingKind::sskChoice;
    std::vector<std::string> Choices;         // choice settings, in the camera's order
    float Minimum = 0, Maximum = 0, Step = 0; // range settings
    std::string Value; // the choice's text, the range's number, "1" or "0" for a toggle
    bool ReadOnly = false;
};

// The values a choice or range setting offers, as Settings and SetSetting write them (a range
// from its minimum in steps, at most 1000 values).
std::vector<std::string> StillSettingValues(const TStillSetting& setting);

// The cameras connected now; none when libgphoto2 finds none or cannot look.
std::vector<TStillCameraInfo> ListStillCameras(TGPhotoPort& port);

// What a libgphoto2 result means for the user, as a sentence naming the camera.
std::string StillCameraMessage(const std::string& camera, int result);

// The settings offered, in this order, and the camera widget names each is known by.
struct TStillSettingName {
    const char* Label;
    std::vector<const char*> Widgets;
};
const std::vector<TStillSettingName>& StillSettingNames();

// One opened camera. Not thread-safe: one thread at a time.
class TStillCamera {
public:
    // Opens the camera; throws when it cannot be reached.
    TStillCamera(TGPhotoPort& port, TStillCameraInfo info);
    ~TStillCamera();
    TStillCamera(const TStillCamera&) = delete;
    TStillCamera& operator=(const TStillCamera&) = delete;

    const TStillCameraInfo& Info() const { return Camera; }
    // One live-view picture, as the camera sends it (a JPEG).
    std::vector<std::uint8_t> Preview();
    // Takes a picture and downloads it: the file the capture names, then any the camera adds for
    // the same shot (the JPEG of RAW + JPEG).
    std::vector<TStillFile> Capture();
    // The settings of StillSettingNames the camera has.
    std::vector<TStillSetting> Settings();
    // Writes one setting (by its widget name) as the text Settings gives for a value.
    void SetSetting(const std::string& widget, const std::string& value);

    // How long Capture waits for the files a shot adds beside the first one.
    static constexpr int kExtraFileWaitMs = 3000;

private:
    void Check(int result) const;
    std::vector<std::uint8_t> Download(const CameraFilePath& path);

    TStillCameraInfo Camera;
    std::unique_ptr<TGPhotoSession> Session;
};
