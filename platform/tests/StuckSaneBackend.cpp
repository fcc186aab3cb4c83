// A SANE backend for the tests, loaded by SANE's dll backend as "stuck": one flatbed scanner,
// "stuck:0", whose page is 8 x 8 grey pixels. $CELWRIGHT_STUCK_SCANNER makes one of its calls go
// wrong: "read" never returns from reading the page, "close" never returns from closing the
// device, "slow-close" takes a quarter of a second to close it, "crash" ends the process while
// reading.
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <sane/sane.h>
#include <sane/saneopts.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr SANE_Int kPageSide = 8;

bool Fails(const char* call) {
    const char* failing = std::getenv("CELWRIGHT_STUCK_SCANNER");
    return failing != nullptr && std::strcmp(failing, call) == 0;
}

[[noreturn]] void NeverReturn() {
    for (;;)
        ::pause();
}

const SANE_Range kResolutions{50, 600, 1};
const SANE_Range kWidth{0, SANE_FIX(215.9), 0};
const SANE_Range kHeight{0, SANE_FIX(297.0), 0};
SANE_String_Const kModes[] = {SANE_VALUE_SCAN_MODE_GRAY, nullptr};

SANE_Option_Descriptor Option(const char* name, SANE_Value_Type type, SANE_Unit unit, SANE_Int size,
                              SANE_Constraint_Type constraint, const void* values) {
    SANE_Option_Descriptor d{};
    d.name = name;
    d.title = name;
    d.desc = name;
    d.type = type;
    d.unit = unit;
    d.size = size;
    d.cap = SANE_CAP_SOFT_SELECT | SANE_CAP_SOFT_DETECT;
    d.constraint_type = constraint;
    d.constraint.range = static_cast<const SANE_Range*>(values);
    return d;
}

struct TDevice {
    SANE_Option_Descriptor Options[7];
    SANE_Word Words[7] = {7, 0, 100, 0, 0, SANE_FIX(215.9), SANE_FIX(297.0)};
    SANE_Int Sent = 0;

    TDevice() {
        Options[0] = Option(SANE_NAME_NUM_OPTIONS, SANE_TYPE_INT, SANE_UNIT_NONE, sizeof(SANE_Word),
                            SANE_CONSTRAINT_NONE, nullptr);
        Options[0].cap = SANE_CAP_SOFT_DETECT;
        Options[1] = Option(SANE_NAME_SCAN_MODE, SANE_TYPE_STRING, SANE_UNIT_NONE, 16,
                            SANE_CONSTRAINT_STRING_LIST, nullptr);
        Options[1].constraint.string_list = kModes;
        Options[2] = Option(SANE_NAME_SCAN_RESOLUTION, SANE_TYPE_INT, SANE_UNIT_DPI, sizeof(SANE_Word),
                            SANE_CONSTRAINT_RANGE, &kResolutions);
        const char* edges[] = {SANE_NAME_SCAN_TL_X, SANE_NAME_SCAN_TL_Y, SANE_NAME_SCAN_BR_X,
                               SANE_NAME_SCAN_BR_Y};
        for (int i = 0; i < 4; ++i)
            Options[3 + i] = Option(edges[i], SANE_TYPE_FIXED, SANE_UNIT_MM, sizeof(SANE_Word),
                                    SANE_CONSTRAINT_RANGE, i % 2 == 0 ? &kWidth : &kHeight);
    }
};

TDevice* Device = nullptr;
SANE_Device kDevice{"stuck:0", "Stuck", "Flatbed", "flatbed scanner"};
const SANE_Device* kDevices[] = {&kDevice, nullptr};

} // namespace

extern "C" {

SANE_Status sane_stuck_init(SANE_Int* version, SANE_Auth_Callback) {
    if (version != nullptr)
        *version = SANE_VERSION_CODE(1, 0, 0);
    return SANE_STATUS_GOOD;
}

void sane_stuck_exit() {}

SANE_Status sane_stuck_get_devices(const SANE_Device*** list, SANE_Bool) {
    *list = kDevices;
    return SANE_STATUS_GOOD;
}

SANE_Status sane_stuck_open(SANE_String_Const, SANE_Handle* handle) {
    Device = new TDevice;
    *handle = Device;
    return SANE_STATUS_GOOD;
}

void sane_stuck_close(SANE_Handle) {
    if (Fails("close"))
        NeverReturn();
    if (Fails("slow-close"))
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
    delete Device;
    Device = nullptr;
}

const SANE_Option_Descriptor* sane_stuck_get_option_descriptor(SANE_Handle, SANE_Int index) {
    return index >= 0 && index < 7 ? &Device->Options[index] : nullptr;
}

SANE_Status sane_stuck_control_option(SANE_Handle, SANE_Int index, SANE_Action action, void* value,
                                      SANE_Int* info) {
    if (info != nullptr)
        *info = 0;
    if (index < 0 || index >= 7)
        return SANE_STATUS_INVAL;
    if (index == 1) {
        if (action == SANE_ACTION_GET_VALUE)
            std::strcpy(static_cast<char*>(value), SANE_VALUE_SCAN_MODE_GRAY);
        return SANE_STATUS_GOOD;
    }
    if (action == SANE_ACTION_GET_VALUE)
        *static_cast<SANE_Word*>(value) = Device->Words[index];
    else if (action == SANE_ACTION_SET_VALUE && index > 0)
        Device->Words[index] = *static_cast<SANE_Word*>(value);
    return SANE_STATUS_GOOD;
}

SANE_Status sane_stuck_get_parameters(SANE_Handle, SANE_Parameters* p) {
    *p = SANE_Parameters{SANE_FRAME_GRAY, SANE_TRUE, kPageSide, kPageSide, kPageSide, 8};
    return SANE_STATUS_GOOD;
}

SANE_Status sane_stuck_start(SANE_Handle) {
    Device->Sent = 0;
    return SANE_STATUS_GOOD;
}

SANE_Status sane_stuck_read(SANE_Handle, SANE_Byte* data, SANE_Int size, SANE_Int* length) {
    if (Fails("read"))
        NeverReturn();
    if (Fails("crash"))
        std::_Exit(1);
    *length = std::min(size, kPageSide * kPageSide - Device->Sent);
    if (*length == 0)
        return SANE_STATUS_EOF;
    std::memset(data, 128, static_cast<std::size_t>(*length));
    Device->Sent += *length;
    return SANE_STATUS_GOOD;
}

void sane_stuck_cancel(SANE_Handle) {}

SANE_Status sane_stuck_set_io_mode(SANE_Handle, SANE_Bool) {
    return SANE_STATUS_UNSUPPORTED;
}

SANE_Status sane_stuck_get_select_fd(SANE_Handle, SANE_Int*) {
    return SANE_STATUS_UNSUPPORTED;
}

} // extern "C"
