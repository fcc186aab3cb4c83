#include "platform/StillCamera.h"

#include "base/Error.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <gphoto2/gphoto2-file.h>
#include <gphoto2/gphoto2-result.h>
#include <map>

namespace {

// A libgphoto2 file or widget tree freed with its scope.
struct TFileHolder {
    CameraFile* File = nullptr;
    TFileHolder() { gp_file_new(&File); }
    ~TFileHolder() { gp_file_unref(File); }
    std::vector<std::uint8_t> Bytes() const {
        const char* data = nullptr;
        unsigned long size = 0;
        if (gp_file_get_data_and_size(File, &data, &size) < GP_OK || !data)
            return {};
        return {reinterpret_cast<const std::uint8_t*>(data),
                reinterpret_cast<const std::uint8_t*>(data) + size};
    }
};

struct TWidgetHolder {
    CameraWidget* Window = nullptr;
    ~TWidgetHolder() {
        if (Window)
            gp_widget_free(Window);
    }
};

std::string NumberText(float value) {
    std::string text = std::to_string(value);
    text.erase(text.find_last_not_of('0') + 1);
    if (!text.empty() && text.back() == '.')
        text.pop_back();
    return text == "-0" ? "0" : text;
}

} // namespace

std::vector<std::string> StillSettingValues(const TStillSetting& setting) {
    if (setting.Kind != TStillSettingKind::sskRange)
        return setting.Choices;
    std::vector<std::string> values;
    constexpr int kMostValues = 1000;
    const float step = setting.Step > 0 ? setting.Step : 1;
    for (int i = 0; i < kMostValues; ++i) {
        const float value = setting.Minimum + step * static_cast<float>(i);
        if (value > setting.Maximum + step / 2)
            break;
        values.push_back(NumberText(value));
    }
    return values;
}

namespace {

CameraWidget* FindWidget(CameraWidget* window, const std::vector<const char*>& names, std::string& found) {
    for (const char* name : names) {
        CameraWidget* child = nullptr;
        if (gp_widget_get_child_by_name(window, name, &child) >= GP_OK && child) {
            found = name;
            return child;
        }
    }
    return nullptr;
}

// The setting a widget holds; false for widget types that are not offered.
bool ReadSetting(CameraWidget* widget, TStillSetting& setting) {
    CameraWidgetType type;
    if (gp_widget_get_type(widget, &type) < GP_OK)
        return false;
    int readOnly = 0;
    gp_widget_get_readonly(widget, &readOnly);
    setting.ReadOnly = readOnly != 0;
    switch (type) {
    case GP_WIDGET_RADIO:
    case GP_WIDGET_MENU: {
        setting.Kind = TStillSettingKind::sskChoice;
        const int count = gp_widget_count_choices(widget);
        for (int i = 0; i < count; ++i) {
            const char* choice = nullptr;
            if (gp_widget_get_choice(widget, i, &choice) >= GP_OK && choice)
                setting.Choices.emplace_back(choice);
        }
        const char* value = nullptr;
        if (gp_widget_get_value(widget, &value) >= GP_OK && value)
            setting.Value = value;
        return true;
    }
    case GP_WIDGET_TEXT: {
        // Some cameras only report a setting as text: shown, not changed.
        setting.Kind = TStillSettingKind::sskChoice;
        const char* value = nullptr;
        if (gp_widget_get_value(widget, &value) >= GP_OK && value)
            setting.Value = value;
        setting.Choices = {setting.Value};
        setting.ReadOnly = true;
        return true;
    }
    case GP_WIDGET_RANGE: {
        setting.Kind = TStillSettingKind::sskRange;
        float value = 0;
        gp_widget_get_range(widget, &setting.Minimum, &setting.Maximum, &setting.Step);
        gp_widget_get_value(widget, &value);
        setting.Value = NumberText(value);
        return true;
    }
    case GP_WIDGET_TOGGLE: {
        setting.Kind = TStillSettingKind::sskToggle;
        int value = 0;
        gp_widget_get_value(widget, &value);
        setting.Value = value ? "1" : "0";
        return true;
    }
    default:
        return false;
    }
}

constexpr const char* kNotConnected = "is not connected: it may have been unplugged or switched off. Connect "
                                      "it, switch it on and choose it again in the Cameras menu.";

bool SamePath(const CameraFilePath& a, const CameraFilePath& b) {
    return std::strcmp(a.folder, b.folder) == 0 && std::strcmp(a.name, b.name) == 0;
}

} // namespace

std::vector<TStillCameraInfo> ListStillCameras(TGPhotoPort& port) {
    CameraList* list = nullptr;
    if (gp_list_new(&list) < GP_OK)
        return {};
    std::vector<TStillCameraInfo> cameras;
    if (port.Autodetect(list) >= GP_OK) {
        const int count = gp_list_count(list);
        for (int i = 0; i < count; ++i) {
            const char* model = nullptr;
            const char* path = nullptr;
            if (gp_list_get_name(list, i, &model) < GP_OK || gp_list_get_value(list, i, &path) < GP_OK ||
                !model || !path)
                continue;
            cameras.push_back({model, model, path});
        }
    }
    gp_list_free(list);
    std::map<std::string, int> models;
    for (const TStillCameraInfo& camera : cameras)
        ++models[camera.Model];
    for (TStillCameraInfo& camera : cameras) {
        if (models[camera.Model] > 1)
            camera.Name = camera.Model + " (" + camera.Port + ")";
    }
    return cameras;
}

std::string StillCameraMessage(const std::string& camera, int result) {
    const std::string named = "The camera \"" + camera + "\" ";
    std::string what;
    switch (result) {
    case GP_ERROR_CAMERA_BUSY:
        what = "is busy: it may be taking a picture, writing to its card or showing a menu. Wait a moment "
               "and try again.";
        break;
    case GP_ERROR_IO_USB_CLAIM:
    case GP_ERROR_IO_LOCK:
        what = "is in use by another program (a photo importer or the file manager may have opened it). "
               "Close that program and try again.";
        break;
    case GP_ERROR_MODEL_NOT_FOUND:
    case GP_ERROR_IO_USB_FIND:
    case GP_ERROR_UNKNOWN_PORT:
        what = kNotConnected;
        break;
    case GP_ERROR_TIMEOUT:
    case GP_ERROR_IO:
    case GP_ERROR_IO_READ:
    case GP_ERROR_IO_WRITE:
    case GP_ERROR_IO_INIT:
        what = "does not answer: it may be asleep, switched off or unplugged. Wake it (press the shutter "
               "button halfway) and choose it again in the Cameras menu.";
        break;
    case GP_ERROR_NOT_SUPPORTED:
        what = "cannot do this over USB (some cameras offer no live view or remote capture).";
        break;
    default:
        what = "reported an error.";
        break;
    }
    return named + what + " (" + gp_result_as_string(result) + ")";
}

const std::vector<TStillSettingName>& StillSettingNames() {
    static const std::vector<TStillSettingName> names = {
        {"ISO", {"iso", "isospeed"}},
        {"Shutter speed", {"shutterspeed", "shutterspeed2", "eos-shutterspeed"}},
        {"Aperture", {"aperture", "f-number", "fnumber"}},
        {"White balance", {"whitebalance"}},
    };
    return names;
}

TStillCamera::TStillCamera(TGPhotoPort& port, TStillCameraInfo info) : Camera(std::move(info)) {
    const int result = port.Open(Camera.Model, Camera.Port, Session);
    // libgphoto2 answers bad parameters when the port's USB device is not there at all.
    if (result == GP_ERROR_BAD_PARAMETERS)
        throw ECwError("The camera \"" + Camera.Name + "\" " + kNotConnected + " (" +
                       gp_result_as_string(result) + ")");
    Check(result);
}

TStillCamera::~TStillCamera() = default;

void TStillCamera::Check(int result) const {
    if (result < GP_OK)
        throw ECwError(StillCameraMessage(Camera.Name, result));
}

std::vector<std::uint8_t> TStillCamera::Preview() {
    TFileHolder file;
    Check(Session->CapturePreview(file.File));
    std::vector<std::uint8_t> bytes = file.Bytes();
    if (bytes.empty())
        throw ECwError("The camera \"" + Camera.Name + "\" sent an empty live-view picture.");
    return bytes;
}

std::vector<std::uint8_t> TStillCamera::Download(const CameraFilePath& path) {
    TFileHolder file;
    Check(Session->FileGet(path, file.File));
    return file.Bytes();
}

std::vector<TStillFile> TStillCamera::Capture() {
    CameraFilePath first{};
    Check(Session->Capture(&first));
    std::vector<TStillFile> files{{first.name, Download(first)}};
    using TClock = std::chrono::steady_clock;
    const auto end = TClock::now() + std::chrono::milliseconds(kExtraFileWaitMs);
    while (TClock::now() < end) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - TClock::now()).count();
        CameraEventType type = GP_EVENT_UNKNOWN;
        CameraFilePath added{};
        // A camera that cannot report events just has no second file.
        if (Session->WaitForEvent(static_cast<int>(std::max<long long>(left, 1)), &type, &added) < GP_OK ||
            type == GP_EVENT_TIMEOUT || type == GP_EVENT_CAPTURE_COMPLETE)
            break;
        if (type == GP_EVENT_FILE_ADDED && !SamePath(added, first))
            files.push_back({added.name, Download(added)});
    }
    return files;
}

std::vector<TStillSetting> TStillCamera::Settings() {
    TWidgetHolder tree;
    Check(Session->GetConfig(&tree.Window));
    std::vector<TStillSetting> settings;
    for (const TStillSettingName& name : StillSettingNames()) {
        TStillSetting setting;
        setting.Label = name.Label;
        if (CameraWidget* widget = FindWidget(tree.Window, name.Widgets, setting.Widget);
            widget && ReadSetting(widget, setting))
            settings.push_back(std::move(setting));
    }
    return settings;
}

void TStillCamera::SetSetting(const std::string& widgetName, const std::string& value) {
    TWidgetHolder tree;
    Check(Session->GetConfig(&tree.Window));
    CameraWidget* widget = nullptr;
    TStillSetting setting;
    if (gp_widget_get_child_by_name(tree.Window, widgetName.c_str(), &widget) < GP_OK || !widget ||
        !ReadSetting(widget, setting))
        throw ECwError("The camera \"" + Camera.Name + "\" has no setting \"" + widgetName + "\".");
    const auto refuse = [&] {
        return ECwError("The camera \"" + Camera.Name + "\" does not take \"" + value + "\" for " +
                        widgetName + ".");
    };
    if (setting.ReadOnly)
        throw refuse();
    int result = GP_OK;
    switch (setting.Kind) {
    case TStillSettingKind::sskChoice:
        if (std::find(setting.Choices.begin(), setting.Choices.end(), value) == setting.Choices.end())
            throw refuse();
        result = gp_widget_set_value(widget, value.c_str());
        break;
    case TStillSettingKind::sskRange: {
        float number = 0;
        try {
            number = std::stof(value);
        } catch (const std::exception&) {
            throw refuse();
        }
        if (number < setting.Minimum || number > setting.Maximum)
            throw refuse();
        result = gp_widget_set_value(widget, &number);
        break;
    }
    case TStillSettingKind::sskToggle: {
        if (value != "0" && value != "1")
            throw refuse();
        const int on = value == "1";
        result = gp_widget_set_value(widget, &on);
        break;
    }
    }
    Check(result);
    Check(Session->SetConfig(tree.Window));
}
