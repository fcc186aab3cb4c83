#pragma once

#include "imaging/PictureCodecs.h"
#include "platform/GPhotoPort.h"

#include <atomic>
#include <cstring>
#include <filesystem>
#include <gphoto2/gphoto2-file.h>
#include <gphoto2/gphoto2-result.h>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

// A still camera's answers played back through libgphoto2's own structures (lists, files, widget
// trees made with the real library), for the cameras this machine does not have. Results that a
// test changes while a camera runs (unplugging it, making it busy) are atomic.
struct TRecordedFile {
    std::string Folder;
    std::string Name;
    std::vector<std::uint8_t> Bytes;
};

struct TRecordedWidget {
    std::string Name;
    std::string Label;
    CameraWidgetType Type = GP_WIDGET_RADIO;
    std::vector<std::string> Choices;
    std::string Value; // choice text, range number or "0"/"1"
    float Minimum = 0, Maximum = 0, Step = 0;
    bool ReadOnly = false;
};

class TRecordedGPhoto : public TGPhotoPort {
public:
    // Answers.
    std::vector<std::pair<std::string, std::string>> Cameras; // model, port
    std::atomic<int> OpenResult{GP_OK};
    std::vector<std::uint8_t> PreviewJpeg;
    std::atomic<int> PreviewResult{GP_OK};
    std::atomic<int> CaptureResult{GP_OK};
    std::vector<TRecordedFile> CaptureFiles; // the first from the capture, the rest as added files
    std::vector<TRecordedWidget> Widgets;    // one section of the camera's settings
    std::atomic<int> SetConfigResult{GP_OK};

    // What the camera was asked.
    std::atomic<int> Previews{0};
    std::atomic<int> Captures{0};
    std::vector<std::pair<std::string, std::string>> Written; // settings the camera took, by widget name

    int Autodetect(CameraList* list) override {
        for (const auto& [model, port] : Cameras)
            gp_list_append(list, model.c_str(), port.c_str());
        return GP_OK;
    }

    int Open(const std::string& model, const std::string& port,
             std::unique_ptr<TGPhotoSession>& session) override {
        bool known = false;
        for (const auto& camera : Cameras)
            known = known || (camera.first == model && camera.second == port);
        if (!known)
            return GP_ERROR_MODEL_NOT_FOUND;
        if (OpenResult != GP_OK)
            return OpenResult;
        session = std::make_unique<TSession>(*this);
        return GP_OK;
    }

    std::lock_guard<std::mutex> Lock() { return std::lock_guard<std::mutex>(Mutex); }

private:
    class TSession : public TGPhotoSession {
    public:
        explicit TSession(TRecordedGPhoto& camera) : Camera(camera) {}

        int CapturePreview(CameraFile* file) override {
            ++Camera.Previews;
            if (Camera.PreviewResult != GP_OK)
                return Camera.PreviewResult;
            return Fill(file, Camera.PreviewJpeg);
        }

        int Capture(CameraFilePath* path) override {
            ++Camera.Captures;
            if (Camera.CaptureResult != GP_OK)
                return Camera.CaptureResult;
            Added = 1;
            SetPath(path, Camera.CaptureFiles.at(0));
            return GP_OK;
        }

        int WaitForEvent(int, CameraEventType* type, CameraFilePath* path) override {
            if (Added < Camera.CaptureFiles.size()) {
                *type = GP_EVENT_FILE_ADDED;
                SetPath(path, Camera.CaptureFiles[Added++]);
            } else {
                *type = GP_EVENT_CAPTURE_COMPLETE;
            }
            return GP_OK;
        }

        int FileGet(const CameraFilePath& path, CameraFile* file) override {
            for (const TRecordedFile& recorded : Camera.CaptureFiles) {
                if (recorded.Folder == path.folder && recorded.Name == path.name)
                    return Fill(file, recorded.Bytes);
            }
            return GP_ERROR_FILE_NOT_FOUND;
        }

        int GetConfig(CameraWidget** window) override {
            const std::lock_guard lock(Camera.Mutex);
            gp_widget_new(GP_WIDGET_WINDOW, "Camera and Driver Configuration", window);
            CameraWidget* section = nullptr;
            gp_widget_new(GP_WIDGET_SECTION, "Capture Settings", &section);
            gp_widget_set_name(section, "capturesettings");
            gp_widget_append(*window, section);
            for (const TRecordedWidget& recorded : Camera.Widgets) {
                CameraWidget* widget = nullptr;
                gp_widget_new(recorded.Type, recorded.Label.c_str(), &widget);
                gp_widget_set_name(widget, recorded.Name.c_str());
                for (const std::string& choice : recorded.Choices)
                    gp_widget_add_choice(widget, choice.c_str());
                if (recorded.Type == GP_WIDGET_RANGE) {
                    gp_widget_set_range(widget, recorded.Minimum, recorded.Maximum, recorded.Step);
                    const float value = std::stof(recorded.Value);
                    gp_widget_set_value(widget, &value);
                } else if (recorded.Type == GP_WIDGET_TOGGLE) {
                    const int value = recorded.Value == "1";
                    gp_widget_set_value(widget, &value);
                } else {
                    gp_widget_set_value(widget, recorded.Value.c_str());
                }
                gp_widget_set_readonly(widget, recorded.ReadOnly);
                gp_widget_set_changed(widget, 0);
                gp_widget_append(section, widget);
            }
            return GP_OK;
        }

        int SetConfig(CameraWidget* window) override {
            if (Camera.SetConfigResult != GP_OK)
                return Camera.SetConfigResult;
            const std::lock_guard lock(Camera.Mutex);
            for (TRecordedWidget& recorded : Camera.Widgets) {
                CameraWidget* widget = nullptr;
                if (gp_widget_get_child_by_name(window, recorded.Name.c_str(), &widget) < GP_OK ||
                    !gp_widget_changed(widget))
                    continue;
                if (recorded.Type == GP_WIDGET_RANGE) {
                    float value = 0;
                    gp_widget_get_value(widget, &value);
                    recorded.Value = std::to_string(value);
                } else if (recorded.Type == GP_WIDGET_TOGGLE) {
                    int value = 0;
                    gp_widget_get_value(widget, &value);
                    recorded.Value = value ? "1" : "0";
                } else {
                    const char* value = nullptr;
                    gp_widget_get_value(widget, &value);
                    recorded.Value = value;
                }
                Camera.Written.emplace_back(recorded.Name, recorded.Value);
            }
            return GP_OK;
        }

    private:
        static int Fill(CameraFile* file, const std::vector<std::uint8_t>& bytes) {
            return gp_file_append(file, reinterpret_cast<const char*>(bytes.data()), bytes.size());
        }
        static void SetPath(CameraFilePath* path, const TRecordedFile& file) {
            std::strncpy(path->folder, file.Folder.c_str(), sizeof path->folder - 1);
            std::strncpy(path->name, file.Name.c_str(), sizeof path->name - 1);
        }

        TRecordedGPhoto& Camera;
        std::size_t Added = 0;
    };

    std::mutex Mutex;
};

// A picture as the bytes of a JPEG file, the way a camera sends one.
inline std::vector<std::uint8_t> JpegBytes(const TPicture& picture, const std::filesystem::path& scratch) {
    WriteJpeg(scratch, picture, 95, false);
    std::vector<std::uint8_t> bytes = ReadPictureFile(scratch);
    std::filesystem::remove(scratch);
    return bytes;
}

// A picture of `width` x `height` in three upright bands, red, green and blue from the left.
inline TPicture ThreeBands(std::int32_t width, std::int32_t height) {
    TPicture picture(width, height, TPixelFormat::pf24bit);
    for (std::int32_t y = 0; y < height; ++y) {
        std::uint8_t* p = picture.Row(y);
        for (std::int32_t x = 0; x < width; ++x, p += 3) {
            const int band = x * 3 / width;
            p[0] = band == 2 ? 255 : 0; // B
            p[1] = band == 1 ? 255 : 0; // G
            p[2] = band == 0 ? 255 : 0; // R
        }
    }
    return picture;
}

// A DSLR as it answered: one camera on USB, a 640 x 424 live view, RAW + JPEG pictures of 1500 x
// 1000 whose JPEG is the three bands, and its ISO, shutter speed, aperture and white balance
// beside a setting that is not offered.
inline std::shared_ptr<TRecordedGPhoto> RecordedDslr(const std::filesystem::path& scratch) {
    auto camera = std::make_shared<TRecordedGPhoto>();
    camera->Cameras = {{"Canon EOS 550D", "usb:001,004"}};
    camera->PreviewJpeg = JpegBytes(ThreeBands(640, 424), scratch);
    camera->CaptureFiles = {
        {"/store_00020001/DCIM/100CANON", "IMG_0042.CR2", {'I', 'I', '*', 0, 'r', 'a', 'w'}},
        {"/store_00020001/DCIM/100CANON", "IMG_0042.JPG", JpegBytes(ThreeBands(1500, 1000), scratch)}};
    camera->Widgets = {
        {"iso", "ISO Speed", GP_WIDGET_RADIO, {"Auto", "100", "200", "400", "800", "1600"}, "400"},
        {"shutterspeed", "Shutter Speed", GP_WIDGET_RADIO, {"bulb", "1", "1/30", "1/60", "1/125"}, "1/60"},
        {"aperture", "Aperture", GP_WIDGET_RADIO, {"4", "5.6", "8", "11"}, "8"},
        {"whitebalance", "WhiteBalance", GP_WIDGET_RADIO, {"Auto", "Daylight", "Cloudy", "Tungsten"}, "Auto"},
        {"capturetarget", "Capture Target", GP_WIDGET_RADIO, {"Internal RAM", "Memory card"}, "Internal RAM"},
    };
    return camera;
}
