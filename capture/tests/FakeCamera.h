#pragma once

#include "platform/V4l2Controls.h"

#include <cerrno>
#include <cstring>
#include <linux/videodev2.h>
#include <map>
#include <memory>
#include <vector>

// A camera's V4L2 controls held in memory, answering the ioctl calls a real driver would.
struct TFakeControl {
    v4l2_queryctrl Query{};
    std::int32_t Value = 0;
    std::vector<const char*> Menu;
};

class TFakeCamera {
public:
    TFakeCamera();

    void Add(std::uint32_t id, const char* name, std::uint32_t type, std::int32_t min, std::int32_t max,
             std::int32_t step, std::int32_t def, std::vector<const char*> menu = {}) {
        TFakeControl control;
        control.Query.id = id;
        std::strncpy(reinterpret_cast<char*>(control.Query.name), name, sizeof control.Query.name - 1);
        control.Query.type = type;
        control.Query.minimum = min;
        control.Query.maximum = max;
        control.Query.step = step;
        control.Query.default_value = def;
        control.Value = def;
        control.Menu = std::move(menu);
        Controls[id] = control;
    }

    int Ioctl(unsigned long request, void* arg) {
        if (request == VIDIOC_QUERYCTRL) {
            auto* query = static_cast<v4l2_queryctrl*>(arg);
            auto it = Controls.end();
            if (query->id & V4L2_CTRL_FLAG_NEXT_CTRL)
                it = Controls.upper_bound(query->id & ~V4L2_CTRL_FLAG_NEXT_CTRL);
            else
                it = Controls.find(query->id);
            if (it == Controls.end())
                return Fail();
            *query = it->second.Query;
            return 0;
        }
        if (request == VIDIOC_QUERYMENU) {
            auto* item = static_cast<v4l2_querymenu*>(arg);
            const auto it = Controls.find(item->id);
            if (it == Controls.end() || item->index >= it->second.Menu.size() ||
                !it->second.Menu[item->index])
                return Fail();
            std::strncpy(reinterpret_cast<char*>(item->name), it->second.Menu[item->index],
                         sizeof item->name - 1);
            return 0;
        }
        if (request == VIDIOC_G_CTRL || request == VIDIOC_S_CTRL) {
            auto* control = static_cast<v4l2_control*>(arg);
            const auto it = Controls.find(control->id);
            if (it == Controls.end())
                return Fail();
            if (request == VIDIOC_G_CTRL) {
                control->value = it->second.Value;
            } else {
                if (control->value < it->second.Query.minimum || control->value > it->second.Query.maximum)
                    return Fail();
                it->second.Value = control->value;
                Writes.push_back({control->id, control->value});
            }
            return 0;
        }
        return Fail();
    }

    std::unique_ptr<TV4l2Device> Device() {
        return std::make_unique<TV4l2Device>(
            [this](unsigned long request, void* arg) { return Ioctl(request, arg); });
    }

    std::map<std::uint32_t, TFakeControl> Controls;
    std::vector<std::pair<std::uint32_t, std::int32_t>> Writes;

private:
    static int Fail() {
        errno = EINVAL;
        return -1;
    }
};

// A webcam's usual controls: no hue, no gamma; exposure and power-line menus.
inline TFakeCamera::TFakeCamera() {
    Add(V4L2_CID_BRIGHTNESS, "Brightness", V4L2_CTRL_TYPE_INTEGER, -64, 64, 1, 0);
    Add(V4L2_CID_CONTRAST, "Contrast", V4L2_CTRL_TYPE_INTEGER, 0, 95, 1, 32);
    Add(V4L2_CID_WHITE_BALANCE_TEMPERATURE, "White Balance Temperature", V4L2_CTRL_TYPE_INTEGER, 2800, 6500,
        10, 4600);
    Add(V4L2_CID_BACKLIGHT_COMPENSATION, "Backlight Compensation", V4L2_CTRL_TYPE_INTEGER, 0, 2, 1, 1);
    Add(V4L2_CID_POWER_LINE_FREQUENCY, "Power Line Frequency", V4L2_CTRL_TYPE_MENU, 0, 2, 1, 1,
        {"Disabled", "50 Hz", "60 Hz"});
    Add(V4L2_CID_EXPOSURE_AUTO, "Auto Exposure", V4L2_CTRL_TYPE_MENU, 0, 3, 1, 3,
        {nullptr, "Manual Mode", nullptr, "Aperture Priority Mode"});
    Add(V4L2_CID_FOCUS_AUTO, "Focus, Automatic Continuous", V4L2_CTRL_TYPE_BOOLEAN, 0, 1, 1, 1);
}
