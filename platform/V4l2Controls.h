#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// A camera's controls through V4L2 (VIDIOC_QUERYCTRL, VIDIOC_QUERYMENU, VIDIOC_G_CTRL,
// VIDIOC_S_CTRL). Every ioctl goes through one function, so tests can stand in for a camera.

// Calls ioctl(request, arg) on the device; returns what ioctl returns (-1 with errno on failure).
using TV4l2Ioctl = std::function<int(unsigned long request, void* arg)>;

enum class TV4l2ControlType { ctInteger, ctBoolean, ctMenu, ctIntegerMenu, ctButton, ctOther };

struct TV4l2MenuItem {
    std::int32_t Index = 0;
    std::string Name;
};

struct TV4l2Control {
    std::uint32_t Id = 0;
    std::string Name;
    TV4l2ControlType Type = TV4l2ControlType::ctInteger;
    std::int32_t Minimum = 0;
    std::int32_t Maximum = 0;
    std::int32_t Step = 1;
    std::int32_t Default = 0;
    std::int32_t Value = 0;
    bool ReadOnly = false;
    bool Inactive = false; // another control's setting makes it have no effect now (auto exposure on)
    std::vector<TV4l2MenuItem> Menu;
};

class TV4l2Device {
public:
    explicit TV4l2Device(TV4l2Ioctl ioctl);
    // Opens a device node; nothing when it cannot be opened.
    static std::unique_ptr<TV4l2Device> Open(const std::string& path);
    ~TV4l2Device();
    TV4l2Device(const TV4l2Device&) = delete;
    TV4l2Device& operator=(const TV4l2Device&) = delete;

    // The control with its range and current value; nothing when the camera lacks it or it is
    // disabled.
    std::optional<TV4l2Control> Query(std::uint32_t id) const;
    // Every control the camera offers, in the camera's order (control classes left out).
    std::vector<TV4l2Control> List() const;
    // Sets a control's value; false when the camera refuses it.
    bool Set(std::uint32_t id, std::int32_t value);

private:
    bool Fill(TV4l2Control& control, const void* query) const;

    TV4l2Ioctl Ioctl;
    int Fd = -1;
};
