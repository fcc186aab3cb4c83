#include "platform/V4l2Controls.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/videodev2.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

TV4l2ControlType TypeOf(std::uint32_t type) {
    switch (type) {
    case V4L2_CTRL_TYPE_INTEGER:
        return TV4l2ControlType::ctInteger;
    case V4L2_CTRL_TYPE_BOOLEAN:
        return TV4l2ControlType::ctBoolean;
    case V4L2_CTRL_TYPE_MENU:
        return TV4l2ControlType::ctMenu;
    case V4L2_CTRL_TYPE_INTEGER_MENU:
        return TV4l2ControlType::ctIntegerMenu;
    case V4L2_CTRL_TYPE_BUTTON:
        return TV4l2ControlType::ctButton;
    default:
        return TV4l2ControlType::ctOther;
    }
}

std::string FixedText(const __u8* text, std::size_t size) {
    return std::string(reinterpret_cast<const char*>(text),
                       strnlen(reinterpret_cast<const char*>(text), size));
}

} // namespace

TV4l2Device::TV4l2Device(TV4l2Ioctl ioctl) : Ioctl(std::move(ioctl)) {}

std::unique_ptr<TV4l2Device> TV4l2Device::Open(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    auto device = std::make_unique<TV4l2Device>([fd](unsigned long request, void* arg) {
        int result = 0;
        do {
            result = ::ioctl(fd, request, arg);
        } while (result == -1 && errno == EINTR);
        return result;
    });
    device->Fd = fd;
    return device;
}

TV4l2Device::~TV4l2Device() {
    if (Fd >= 0)
        ::close(Fd);
}

bool TV4l2Device::Fill(TV4l2Control& control, const void* data) const {
    const auto& query = *static_cast<const v4l2_queryctrl*>(data);
    if (query.flags & V4L2_CTRL_FLAG_DISABLED)
        return false;
    control.Id = query.id;
    control.Name = FixedText(query.name, sizeof query.name);
    control.Type = TypeOf(query.type);
    control.Minimum = query.minimum;
    control.Maximum = query.maximum;
    control.Step = query.step > 0 ? query.step : 1;
    control.Default = query.default_value;
    control.ReadOnly = (query.flags & V4L2_CTRL_FLAG_READ_ONLY) != 0;
    control.Inactive = (query.flags & V4L2_CTRL_FLAG_INACTIVE) != 0;
    if (control.Type == TV4l2ControlType::ctMenu || control.Type == TV4l2ControlType::ctIntegerMenu) {
        for (std::int32_t index = query.minimum; index <= query.maximum; ++index) {
            v4l2_querymenu item{};
            item.id = query.id;
            item.index = static_cast<__u32>(index);
            if (Ioctl(VIDIOC_QUERYMENU, &item) != 0)
                continue; // menus may skip entries
            control.Menu.push_back({index, control.Type == TV4l2ControlType::ctMenu
                                               ? FixedText(item.name, sizeof item.name)
                                               : std::to_string(item.value)});
        }
    }
    if (control.Type != TV4l2ControlType::ctButton) {
        v4l2_control value{};
        value.id = query.id;
        control.Value = Ioctl(VIDIOC_G_CTRL, &value) == 0 ? value.value : control.Default;
    }
    return true;
}

std::optional<TV4l2Control> TV4l2Device::Query(std::uint32_t id) const {
    v4l2_queryctrl query{};
    query.id = id;
    if (Ioctl(VIDIOC_QUERYCTRL, &query) != 0)
        return std::nullopt;
    TV4l2Control control;
    if (!Fill(control, &query))
        return std::nullopt;
    return control;
}

std::vector<TV4l2Control> TV4l2Device::List() const {
    std::vector<TV4l2Control> controls;
    v4l2_queryctrl query{};
    query.id = V4L2_CTRL_FLAG_NEXT_CTRL;
    while (Ioctl(VIDIOC_QUERYCTRL, &query) == 0) {
        TV4l2Control control;
        if (query.type != V4L2_CTRL_TYPE_CTRL_CLASS && Fill(control, &query))
            controls.push_back(std::move(control));
        const __u32 next = query.id | V4L2_CTRL_FLAG_NEXT_CTRL;
        query = v4l2_queryctrl{};
        query.id = next;
    }
    return controls;
}

bool TV4l2Device::Set(std::uint32_t id, std::int32_t value) {
    v4l2_control control{};
    control.id = id;
    control.value = value;
    return Ioctl(VIDIOC_S_CTRL, &control) == 0;
}
