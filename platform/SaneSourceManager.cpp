#include "platform/SaneSourceManager.h"

#include "imaging/PictureCodecs.h"
#include "twain/TwainSession.h"
#include "settings/IniFile.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <mutex>
#include <sane/sane.h>
#include <sane/saneopts.h>
#include <thread>

namespace {

constexpr const char* kIniName = "twain.ini";
constexpr const char* kIniSection = "source manager";
constexpr const char* kIniKey = "default source";

// A scan larger than this is refused rather than held in memory.
constexpr std::size_t kMaxScanBytes = std::size_t{1} << 31;

struct TSaneDevice {
    std::string SaneName;
    std::string ProductName;
};

enum class TScanState { Idle, Scanning, Done, Failed };

class TSaneSourceManager {
public:
    ~TSaneSourceManager() {
        CancelRequested = true;
        if (Worker.joinable())
            Worker.join();
    }
    TW_UINT16 Entry(TW_IDENTITY* dest, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);

    std::string DefaultFolder;
    std::function<int(const std::vector<std::string>&, int)> Chooser;
    void Cancel() {
        CancelRequested = true;
        if (Handle != nullptr && State == TScanState::Scanning)
            sane_cancel(Handle);
    }
    double CallSeconds() const {
        const auto started = CallStarted.load();
        if (started == 0)
            return 0;
        const std::chrono::steady_clock::duration running{
            std::chrono::steady_clock::now().time_since_epoch().count() - started};
        return std::chrono::duration<double>(running).count();
    }

private:
    TW_UINT16 Fail(TW_UINT16 condition, TW_UINT16 rc = TWRC_FAILURE) {
        Condition = condition;
        return rc;
    }
    TW_UINT16 ManagerOperation(TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);
    TW_UINT16 SourceOperation(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);
    TW_UINT16 Capability(TW_UINT16 msg, TW_CAPABILITY& capability);
    TW_UINT16 GetCapability(TW_CAPABILITY& capability);
    TW_UINT16 SetCapability(TW_UINT16 cap, double value);
    TW_UINT16 SetLayout(const TW_IMAGELAYOUT& layout);

    void OpenManager();
    void CloseManager();
    int DefaultIndex() const;
    void RememberDefault(int index);
    void FillIdentity(TW_IDENTITY& identity, int index) const;
    bool OpenSource(int index);
    void CloseSource();
    void StartScan();
    void StopScan();
    void Scan();
    // Runs one driver call of the scan, noting when it began for SaneScanCallSeconds.
    template <typename TCall>
    SANE_Status Timed(TCall call) {
        CallStarted = std::chrono::steady_clock::now().time_since_epoch().count();
        const SANE_Status status = call();
        CallStarted = 0;
        return status;
    }

    // SANE options by name.
    SANE_Int FindOption(const char* name) const;
    const SANE_Option_Descriptor* Descriptor(SANE_Int index) const {
        return index < 0 ? nullptr : sane_get_option_descriptor(Handle, index);
    }
    bool GetNumber(const char* name, double& value) const;
    bool SetNumber(const char* name, double value);
    std::string GetString(const char* name) const;
    bool SetString(const char* name, const std::string& value);
    bool HasStringValue(const char* name, const std::string& value) const;

    double UnitsPerInch() const { return Units == TWUN_CENTIMETERS ? 2.54 : 1.0; }

    bool ManagerOpen = false;
    std::vector<TSaneDevice> Devices;
    std::size_t NextDevice = 0;
    int OpenIndex = -1;
    SANE_Handle Handle = nullptr;
    TW_UINT16 Units = TWUN_INCHES;
    TW_UINT16 Condition = TWCC_SUCCESS;

    std::thread Worker;
    std::atomic<TScanState> State{TScanState::Idle};
    std::atomic<std::chrono::steady_clock::rep> CallStarted{0}; // 0 while no driver call runs
    std::atomic<bool> CancelRequested{false};
    bool ReadyAnnounced = false;
    std::vector<std::uint8_t> Dib; // written by the worker, read after State is Done
};

TSaneSourceManager& Manager() {
    static TSaneSourceManager manager;
    return manager;
}

void SetTwString(char (&target)[34], const std::string& text) {
    const std::size_t length = std::min(text.size(), sizeof target - 1);
    std::memset(target, 0, sizeof target);
    std::memcpy(target, text.data(), length);
}

TW_UINT32 FixBits(double value) {
    const TW_FIX32 f = FloatToFix32(value);
    return static_cast<TW_UINT16>(f.Whole) | (static_cast<TW_UINT32>(f.Frac) << 16);
}

double ItemAsNumber(TW_UINT16 type, TW_UINT32 item) {
    switch (type) {
    case TWTY_FIX32:
        return Fix32ToFloat({static_cast<TW_INT16>(item & 0xFFFF), static_cast<TW_UINT16>(item >> 16)});
    case TWTY_INT8:
        return static_cast<std::int8_t>(item);
    case TWTY_INT16:
        return static_cast<std::int16_t>(item);
    case TWTY_INT32:
        return static_cast<std::int32_t>(item);
    case TWTY_UINT8:
        return item & 0xFF;
    case TWTY_UINT16:
    case TWTY_BOOL:
        return item & 0xFFFF;
    default:
        return item;
    }
}

TW_HANDLE MakeRange(double min, double max, double step, double current) {
    TW_HANDLE handle = TwAlloc(sizeof(TW_RANGE));
    if (handle != nullptr) {
        auto* range = static_cast<TW_RANGE*>(handle);
        range->ItemType = TWTY_FIX32;
        range->MinValue = FixBits(min);
        range->MaxValue = FixBits(max);
        range->StepSize = FixBits(step);
        range->DefaultValue = FixBits(current);
        range->CurrentValue = FixBits(current);
    }
    return handle;
}

// An enumeration of UINT16 or FIX32 items (the values are converted to the type).
TW_HANDLE MakeEnumeration(TW_UINT16 type, const std::vector<double>& values, std::size_t current) {
    const std::size_t itemSize = TwItemSize(type);
    TW_HANDLE handle =
        TwAlloc(offsetof(TW_ENUMERATION, ItemList) + itemSize * std::max<std::size_t>(values.size(), 1));
    if (handle == nullptr)
        return nullptr;
    auto* list = static_cast<TW_ENUMERATION*>(handle);
    list->ItemType = type;
    list->NumItems = static_cast<TW_UINT32>(values.size());
    list->CurrentIndex = static_cast<TW_UINT32>(current);
    list->DefaultIndex = static_cast<TW_UINT32>(current);
    auto* items = static_cast<std::uint8_t*>(handle) + offsetof(TW_ENUMERATION, ItemList);
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (type == TWTY_FIX32) {
            const TW_UINT32 bits = FixBits(values[i]);
            std::memcpy(items + 4 * i, &bits, 4);
        } else {
            const auto v = static_cast<TW_UINT16>(values[i]);
            std::memcpy(items + 2 * i, &v, 2);
        }
    }
    return handle;
}

TW_HANDLE MakeOneValue(TW_UINT16 type, TW_UINT32 item) {
    TW_HANDLE handle = TwAlloc(sizeof(TW_ONEVALUE));
    if (handle != nullptr)
        *static_cast<TW_ONEVALUE*>(handle) = {type, item};
    return handle;
}

// The pixel types and the SANE mode each stands for.
struct TModeName {
    TW_UINT16 PixelType;
    const char* Mode;
};
constexpr TModeName kModes[] = {{TWPT_BW, SANE_VALUE_SCAN_MODE_LINEART},
                                {TWPT_GRAY, SANE_VALUE_SCAN_MODE_GRAY},
                                {TWPT_RGB, SANE_VALUE_SCAN_MODE_COLOR}};

// The scanned lines as a packed bottom-up DIB; empty once `stop` is set, so that a scan cancelled
// as its last lines came in is not held up by the picture of a large page.
std::vector<std::uint8_t> MakeDib(const SANE_Parameters& p, const std::vector<std::uint8_t>& data,
                                  const std::atomic<bool>& stop) {
    const bool colour = p.format == SANE_FRAME_RGB;
    const std::int32_t width = p.pixels_per_line;
    const std::size_t bpl = static_cast<std::size_t>(p.bytes_per_line);
    const std::int32_t height = p.lines > 0 ? p.lines : static_cast<std::int32_t>(data.size() / bpl);
    const TPixelFormat format = colour ? TPixelFormat::pf24bit : TPixelFormat::pf8bit;
    const std::size_t stride = DibStride(width, format);
    const std::size_t header = DibHeaderSize(format);
    std::vector<std::uint8_t> dib(header + stride * static_cast<std::size_t>(height), 0);
    WriteDibHeader(dib.data(), width, height, format, CreateGrayPalette());

    // One sample of line y: 1-bit samples are 1 for black, 16-bit ones in machine order.
    auto sample = [&](const std::uint8_t* line, std::size_t index) -> std::uint8_t {
        switch (p.depth) {
        case 1:
            return (line[index / 8] >> (7 - index % 8)) & 1 ? 0 : 255;
        case 16: {
            std::uint16_t v;
            std::memcpy(&v, line + 2 * index, 2);
            return static_cast<std::uint8_t>(v >> 8);
        }
        default:
            return line[index];
        }
    };
    for (std::int32_t y = 0; y < height; ++y) {
        if (stop)
            return {};
        if ((static_cast<std::size_t>(y) + 1) * bpl > data.size())
            break;
        const std::uint8_t* line = data.data() + static_cast<std::size_t>(y) * bpl;
        std::uint8_t* out = dib.data() + header + stride * static_cast<std::size_t>(height - 1 - y);
        for (std::int32_t x = 0; x < width; ++x) {
            if (colour) {
                const std::size_t at = 3 * static_cast<std::size_t>(x);
                out[3 * x] = sample(line, at + 2);
                out[3 * x + 1] = sample(line, at + 1);
                out[3 * x + 2] = sample(line, at);
            } else {
                out[x] = sample(line, static_cast<std::size_t>(x));
            }
        }
    }
    return dib;
}

// --- options ---

SANE_Int TSaneSourceManager::FindOption(const char* name) const {
    if (Handle == nullptr)
        return -1;
    for (SANE_Int i = 1;; ++i) {
        const SANE_Option_Descriptor* d = sane_get_option_descriptor(Handle, i);
        if (d == nullptr)
            return -1;
        if (d->name != nullptr && std::strcmp(d->name, name) == 0 && SANE_OPTION_IS_ACTIVE(d->cap))
            return i;
    }
}

bool TSaneSourceManager::GetNumber(const char* name, double& value) const {
    const SANE_Int index = FindOption(name);
    const SANE_Option_Descriptor* d = Descriptor(index);
    if (d == nullptr || (d->type != SANE_TYPE_INT && d->type != SANE_TYPE_FIXED) || d->size < 1)
        return false;
    std::vector<SANE_Word> words(static_cast<std::size_t>(d->size) / sizeof(SANE_Word) + 1);
    if (sane_control_option(Handle, index, SANE_ACTION_GET_VALUE, words.data(), nullptr) != SANE_STATUS_GOOD)
        return false;
    value = d->type == SANE_TYPE_FIXED ? SANE_UNFIX(words[0]) : words[0];
    return true;
}

bool TSaneSourceManager::SetNumber(const char* name, double value) {
    const SANE_Int index = FindOption(name);
    const SANE_Option_Descriptor* d = Descriptor(index);
    if (d == nullptr || (d->type != SANE_TYPE_INT && d->type != SANE_TYPE_FIXED) ||
        !SANE_OPTION_IS_SETTABLE(d->cap))
        return false;
    auto toWord = [&](double v) {
        return d->type == SANE_TYPE_FIXED ? SANE_FIX(v) : static_cast<SANE_Word>(std::lround(v));
    };
    SANE_Word word = toWord(value);
    if (d->constraint_type == SANE_CONSTRAINT_RANGE) {
        word = std::clamp(word, d->constraint.range->min, d->constraint.range->max);
    } else if (d->constraint_type == SANE_CONSTRAINT_WORD_LIST) {
        // The nearest value the device offers.
        const SANE_Word* list = d->constraint.word_list;
        SANE_Word best = list[0] > 0 ? list[1] : word;
        for (SANE_Int i = 1; i <= list[0]; ++i)
            if (std::llabs(static_cast<long long>(list[i]) - word) <
                std::llabs(static_cast<long long>(best) - word))
                best = list[i];
        word = best;
    }
    std::vector<SANE_Word> words(
        std::max<std::size_t>(static_cast<std::size_t>(d->size) / sizeof(SANE_Word), 1), word);
    return sane_control_option(Handle, index, SANE_ACTION_SET_VALUE, words.data(), nullptr) ==
           SANE_STATUS_GOOD;
}

std::string TSaneSourceManager::GetString(const char* name) const {
    const SANE_Int index = FindOption(name);
    const SANE_Option_Descriptor* d = Descriptor(index);
    if (d == nullptr || d->type != SANE_TYPE_STRING || d->size < 1)
        return {};
    std::vector<char> text(static_cast<std::size_t>(d->size) + 1, '\0');
    if (sane_control_option(Handle, index, SANE_ACTION_GET_VALUE, text.data(), nullptr) != SANE_STATUS_GOOD)
        return {};
    return text.data();
}

bool TSaneSourceManager::HasStringValue(const char* name, const std::string& value) const {
    const SANE_Option_Descriptor* d = Descriptor(FindOption(name));
    if (d == nullptr || d->constraint_type != SANE_CONSTRAINT_STRING_LIST)
        return false;
    for (const SANE_String_Const* s = d->constraint.string_list; *s != nullptr; ++s)
        if (value == *s)
            return true;
    return false;
}

bool TSaneSourceManager::SetString(const char* name, const std::string& value) {
    const SANE_Int index = FindOption(name);
    const SANE_Option_Descriptor* d = Descriptor(index);
    if (d == nullptr || d->type != SANE_TYPE_STRING || value.size() >= static_cast<std::size_t>(d->size))
        return false;
    std::vector<char> text(static_cast<std::size_t>(d->size), '\0');
    std::memcpy(text.data(), value.data(), value.size());
    return sane_control_option(Handle, index, SANE_ACTION_SET_VALUE, text.data(), nullptr) ==
           SANE_STATUS_GOOD;
}

// --- source manager ---

void TSaneSourceManager::OpenManager() {
    SANE_Int version = 0;
    sane_init(&version, nullptr);
    ManagerOpen = true;
    Devices.clear();
    const SANE_Device** list = nullptr;
    if (sane_get_devices(&list, SANE_FALSE) != SANE_STATUS_GOOD || list == nullptr)
        return;
    for (; *list != nullptr; ++list) {
        const SANE_Device* d = *list;
        Devices.push_back(
            {d->name, std::string(d->vendor ? d->vendor : "") + " " + (d->model ? d->model : "")});
    }
    // Shared names get the device name in brackets, cut so that the bracket fits.
    const std::size_t maxLength = sizeof(TW_STR32) - 1;
    std::vector<std::string> plain;
    for (const TSaneDevice& d : Devices)
        plain.push_back(d.ProductName);
    for (TSaneDevice& d : Devices) {
        if (std::count(plain.begin(), plain.end(), d.ProductName) > 1) {
            const std::string suffix = " (" + d.SaneName + ")";
            const std::size_t keep = suffix.size() < maxLength ? maxLength - suffix.size() : 0;
            d.ProductName = d.ProductName.substr(0, keep) + suffix;
        }
        d.ProductName = d.ProductName.substr(0, maxLength);
    }
}

void TSaneSourceManager::CloseManager() {
    CloseSource();
    if (ManagerOpen)
        sane_exit();
    ManagerOpen = false;
    Devices.clear();
}

int TSaneSourceManager::DefaultIndex() const {
    if (Devices.empty())
        return -1;
    if (!DefaultFolder.empty()) {
        TIniFile ini;
        ini.LoadFromFile(DefaultFolder + kIniName);
        const std::string name = ini.ReadString(kIniSection, kIniKey, "");
        for (std::size_t i = 0; i < Devices.size(); ++i)
            if (Devices[i].SaneName == name)
                return static_cast<int>(i);
    }
    return 0;
}

void TSaneSourceManager::RememberDefault(int index) {
    if (DefaultFolder.empty())
        return;
    TIniFile ini;
    ini.LoadFromFile(DefaultFolder + kIniName);
    ini.WriteString(kIniSection, kIniKey, Devices[static_cast<std::size_t>(index)].SaneName);
    ini.SaveToFile(DefaultFolder + kIniName);
}

void TSaneSourceManager::FillIdentity(TW_IDENTITY& identity, int index) const {
    identity = TW_IDENTITY{};
    identity.Id = static_cast<TW_UINT32>(index + 1);
    identity.Version.MajorNum = 1;
    identity.ProtocolMajor = 1;
    identity.ProtocolMinor = 8;
    identity.SupportedGroups = DG_CONTROL | DG_IMAGE;
    SetTwString(identity.Manufacturer, "SANE");
    SetTwString(identity.ProductFamily, "SANE");
    SetTwString(identity.ProductName, Devices[static_cast<std::size_t>(index)].ProductName);
}

TW_UINT16 TSaneSourceManager::ManagerOperation(TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
    if (dat == DAT_STATUS && msg == MSG_GET) {
        static_cast<TW_STATUS*>(data)->ConditionCode = Condition;
        Condition = TWCC_SUCCESS;
        return TWRC_SUCCESS;
    }
    if (dat == DAT_PARENT) {
        if (msg == MSG_OPENDSM) {
            if (ManagerOpen)
                return Fail(TWCC_SEQERROR);
            OpenManager();
            return TWRC_SUCCESS;
        }
        if (msg == MSG_CLOSEDSM) {
            if (!ManagerOpen)
                return Fail(TWCC_SEQERROR);
            CloseManager();
            return TWRC_SUCCESS;
        }
        return Fail(TWCC_BADPROTOCOL);
    }
    if (dat != DAT_IDENTITY)
        return Fail(TWCC_BADPROTOCOL);
    if (!ManagerOpen)
        return Fail(TWCC_SEQERROR);
    auto& identity = *static_cast<TW_IDENTITY*>(data);
    switch (msg) {
    case MSG_GETDEFAULT: {
        const int index = DefaultIndex();
        if (index < 0)
            return Fail(TWCC_NODS);
        FillIdentity(identity, index);
        return TWRC_SUCCESS;
    }
    case MSG_GETFIRST:
        NextDevice = 0;
        [[fallthrough]];
    case MSG_GETNEXT:
        if (NextDevice >= Devices.size())
            return TWRC_ENDOFLIST;
        FillIdentity(identity, static_cast<int>(NextDevice++));
        return TWRC_SUCCESS;
    case MSG_USERSELECT: {
        if (Devices.empty())
            return Fail(TWCC_NODS);
        std::vector<std::string> names;
        for (const TSaneDevice& d : Devices)
            names.push_back(d.ProductName);
        const int current = DefaultIndex();
        const int chosen = Chooser ? Chooser(names, current) : current;
        if (chosen < 0 || chosen >= static_cast<int>(Devices.size()))
            return TWRC_CANCEL;
        RememberDefault(chosen);
        FillIdentity(identity, chosen);
        return TWRC_SUCCESS;
    }
    case MSG_OPENDS: {
        if (Handle != nullptr)
            return Fail(TWCC_MAXCONNECTIONS);
        int index = -1;
        if (identity.ProductName[0] == '\0') {
            index = DefaultIndex();
        } else {
            for (std::size_t i = 0; i < Devices.size(); ++i)
                if (Devices[i].ProductName == identity.ProductName)
                    index = static_cast<int>(i);
        }
        if (index < 0)
            return Fail(TWCC_NODS);
        if (!OpenSource(index))
            return Fail(TWCC_OPERATIONERROR);
        FillIdentity(identity, index);
        return TWRC_SUCCESS;
    }
    case MSG_CLOSEDS:
        if (Handle == nullptr)
            return Fail(TWCC_SEQERROR);
        CloseSource();
        return TWRC_SUCCESS;
    default:
        return Fail(TWCC_BADPROTOCOL);
    }
}

bool TSaneSourceManager::OpenSource(int index) {
    if (sane_open(Devices[static_cast<std::size_t>(index)].SaneName.c_str(), &Handle) != SANE_STATUS_GOOD) {
        Handle = nullptr;
        return false;
    }
    OpenIndex = index;
    Units = TWUN_INCHES;
    // Some backends start with an unusable resolution; give every scan a definite one.
    SetNumber(SANE_NAME_SCAN_RESOLUTION, 100);
    return true;
}

void TSaneSourceManager::CloseSource() {
    StopScan();
    if (Handle != nullptr)
        sane_close(Handle);
    Handle = nullptr;
    OpenIndex = -1;
    Dib.clear();
}

// --- scanning ---

void TSaneSourceManager::StartScan() {
    StopScan();
    CancelRequested = false;
    ReadyAnnounced = false;
    Dib.clear();
    State = TScanState::Scanning;
    Worker = std::thread([this] { Scan(); });
}

void TSaneSourceManager::StopScan() {
    if (Worker.joinable()) {
        if (State == TScanState::Scanning)
            Cancel();
        Worker.join();
    }
    State = TScanState::Idle;
}

void TSaneSourceManager::Scan() {
    std::vector<std::uint8_t> data;
    SANE_Parameters p{};
    SANE_Status status = Timed([&] { return sane_start(Handle); });
    if (status == SANE_STATUS_GOOD)
        status = Timed([&] { return sane_get_parameters(Handle, &p); });
    const bool usable = status == SANE_STATUS_GOOD && p.last_frame &&
                        (p.format == SANE_FRAME_GRAY || p.format == SANE_FRAME_RGB) &&
                        (p.depth == 1 || p.depth == 8 || p.depth == 16) && p.pixels_per_line > 0 &&
                        p.bytes_per_line > 0;
    if (usable) {
        std::vector<SANE_Byte> buffer(65536);
        while (!CancelRequested) {
            SANE_Int length = 0;
            status = Timed(
                [&] { return sane_read(Handle, buffer.data(), static_cast<SANE_Int>(buffer.size()), &length); });
            if (status != SANE_STATUS_GOOD || data.size() + static_cast<std::size_t>(length) > kMaxScanBytes)
                break;
            data.insert(data.end(), buffer.begin(), buffer.begin() + length);
        }
    }
    Timed([&] {
        sane_cancel(Handle);
        return SANE_STATUS_GOOD;
    });
    if (!usable || status != SANE_STATUS_EOF || CancelRequested ||
        data.size() < static_cast<std::size_t>(p.bytes_per_line)) {
        State = TScanState::Failed;
        return;
    }
    Dib = MakeDib(p, data, CancelRequested);
    State = Dib.empty() ? TScanState::Failed : TScanState::Done;
}

// --- source operations ---

TW_UINT16 TSaneSourceManager::SourceOperation(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
    if (Handle == nullptr)
        return Fail(TWCC_BADDEST);
    if (dg == DG_CONTROL && dat == DAT_STATUS) {
        static_cast<TW_STATUS*>(data)->ConditionCode = Condition;
        Condition = TWCC_SUCCESS;
        return TWRC_SUCCESS;
    }
    if (dg == DG_CONTROL && dat == DAT_CAPABILITY)
        return Capability(msg, *static_cast<TW_CAPABILITY*>(data));
    if (dg == DG_IMAGE && dat == DAT_IMAGELAYOUT && msg == MSG_SET)
        return SetLayout(*static_cast<TW_IMAGELAYOUT*>(data));
    if (dg == DG_CONTROL && dat == DAT_USERINTERFACE) {
        if (msg == MSG_ENABLEDS) {
            // There is no user interface of our own: the scan starts at once.
            StartScan();
            return TWRC_SUCCESS;
        }
        if (msg == MSG_DISABLEDS) {
            StopScan();
            return TWRC_SUCCESS;
        }
    }
    if (dg == DG_CONTROL && dat == DAT_EVENT && msg == MSG_PROCESSEVENT) {
        auto& event = *static_cast<TW_EVENT*>(data);
        event.TWMessage = MSG_NULL;
        const TScanState state = State;
        if (state == TScanState::Done && !ReadyAnnounced) {
            ReadyAnnounced = true;
            event.TWMessage = MSG_XFERREADY;
            return TWRC_DSEVENT;
        }
        if (state == TScanState::Failed) {
            State = TScanState::Idle;
            event.TWMessage = MSG_CLOSEDSREQ;
            return TWRC_DSEVENT;
        }
        return TWRC_NOTDSEVENT;
    }
    if (dg == DG_IMAGE && dat == DAT_IMAGENATIVEXFER && msg == MSG_GET) {
        if (State != TScanState::Done || Dib.empty())
            return Fail(TWCC_SEQERROR);
        TW_HANDLE memory = TwAlloc(Dib.size());
        if (memory == nullptr)
            return Fail(TWCC_LOWMEMORY);
        std::memcpy(memory, Dib.data(), Dib.size());
        Dib.clear();
        *static_cast<TW_HANDLE*>(data) = memory;
        return TWRC_XFERDONE;
    }
    if (dg == DG_CONTROL && dat == DAT_PENDINGXFERS) {
        auto& pending = *static_cast<TW_PENDINGXFERS*>(data);
        pending.Count = State == TScanState::Done && !Dib.empty() ? 1 : 0;
        if (msg == MSG_ENDXFER || msg == MSG_RESET) {
            Dib.clear();
            pending.Count = 0;
        }
        return TWRC_SUCCESS;
    }
    return Fail(TWCC_BADPROTOCOL);
}

TW_UINT16 TSaneSourceManager::Capability(TW_UINT16 msg, TW_CAPABILITY& capability) {
    if (State == TScanState::Scanning)
        return Fail(TWCC_SEQERROR);
    if (msg == MSG_GET || msg == MSG_GETCURRENT)
        return GetCapability(capability);
    if (msg != MSG_SET)
        return Fail(TWCC_BADPROTOCOL);
    if (capability.ConType != TWON_ONEVALUE || TwSize(capability.hContainer) < sizeof(TW_ONEVALUE))
        return Fail(TWCC_BADVALUE);
    const auto& one = *static_cast<const TW_ONEVALUE*>(capability.hContainer);
    return SetCapability(capability.Cap, ItemAsNumber(one.ItemType, one.Item));
}

TW_UINT16 TSaneSourceManager::GetCapability(TW_CAPABILITY& capability) {
    TW_HANDLE container = nullptr;
    TW_UINT16 conType = TWON_ONEVALUE;
    switch (capability.Cap) {
    case ICAP_PIXELTYPE: {
        const std::string mode = GetString(SANE_NAME_SCAN_MODE);
        std::vector<double> types;
        std::size_t current = 0;
        for (const TModeName& m : kModes) {
            if (HasStringValue(SANE_NAME_SCAN_MODE, m.Mode)) {
                if (mode == m.Mode)
                    current = types.size();
                types.push_back(m.PixelType);
            }
        }
        if (types.empty())
            return Fail(TWCC_BADCAP);
        container = MakeEnumeration(TWTY_UINT16, types, current);
        conType = TWON_ENUMERATION;
        break;
    }
    case ICAP_BITDEPTH: {
        double depth = 8;
        GetNumber(SANE_NAME_BIT_DEPTH, depth);
        container = MakeOneValue(TWTY_UINT16, static_cast<TW_UINT32>(depth));
        break;
    }
    case ICAP_UNITS:
        container =
            MakeEnumeration(TWTY_UINT16, {TWUN_INCHES, TWUN_CENTIMETERS}, Units == TWUN_CENTIMETERS ? 1 : 0);
        conType = TWON_ENUMERATION;
        break;
    case ICAP_XFERMECH:
        container = MakeOneValue(TWTY_UINT16, TWSX_NATIVE);
        break;
    case ICAP_XRESOLUTION:
    case ICAP_YRESOLUTION:
    case ICAP_BRIGHTNESS:
    case ICAP_CONTRAST:
    case ICAP_THRESHOLD: {
        const bool resolution = capability.Cap == ICAP_XRESOLUTION || capability.Cap == ICAP_YRESOLUTION;
        const char* name =
            capability.Cap == ICAP_BRIGHTNESS  ? SANE_NAME_BRIGHTNESS
            : capability.Cap == ICAP_CONTRAST  ? SANE_NAME_CONTRAST
            : capability.Cap == ICAP_THRESHOLD ? SANE_NAME_THRESHOLD
            : capability.Cap == ICAP_XRESOLUTION && FindOption(SANE_NAME_SCAN_X_RESOLUTION) >= 0
                ? SANE_NAME_SCAN_X_RESOLUTION
            : capability.Cap == ICAP_YRESOLUTION && FindOption(SANE_NAME_SCAN_Y_RESOLUTION) >= 0
                ? SANE_NAME_SCAN_Y_RESOLUTION
                : SANE_NAME_SCAN_RESOLUTION;
        const SANE_Option_Descriptor* d = Descriptor(FindOption(name));
        double current = 0;
        if (d == nullptr || !GetNumber(name, current))
            return Fail(TWCC_BADCAP);
        // Resolutions are dots per unit of ICAP_UNITS; SANE's are per inch.
        const double scale = resolution ? 1.0 / UnitsPerInch() : 1.0;
        auto value = [&](SANE_Word w) { return (d->type == SANE_TYPE_FIXED ? SANE_UNFIX(w) : w) * scale; };
        if (d->constraint_type == SANE_CONSTRAINT_RANGE) {
            const SANE_Range& r = *d->constraint.range;
            container =
                MakeRange(value(r.min), value(r.max), r.quant != 0 ? value(r.quant) : scale, current * scale);
            conType = TWON_RANGE;
        } else if (d->constraint_type == SANE_CONSTRAINT_WORD_LIST) {
            std::vector<double> values;
            std::size_t index = 0;
            for (SANE_Int i = 1; i <= d->constraint.word_list[0]; ++i) {
                values.push_back(value(d->constraint.word_list[i]));
                if (std::abs(values.back() - current * scale) < 1e-6)
                    index = values.size() - 1;
            }
            container = MakeEnumeration(TWTY_FIX32, values, index);
            conType = TWON_ENUMERATION;
        } else {
            container = MakeOneValue(TWTY_FIX32, FixBits(current * scale));
        }
        break;
    }
    default:
        return Fail(TWCC_BADCAP);
    }
    if (container == nullptr)
        return Fail(TWCC_LOWMEMORY);
    capability.ConType = conType;
    capability.hContainer = container;
    return TWRC_SUCCESS;
}

TW_UINT16 TSaneSourceManager::SetCapability(TW_UINT16 cap, double value) {
    bool done = false;
    switch (cap) {
    case ICAP_PIXELTYPE:
        for (const TModeName& m : kModes)
            if (m.PixelType == value && HasStringValue(SANE_NAME_SCAN_MODE, m.Mode))
                done = SetString(SANE_NAME_SCAN_MODE, m.Mode);
        break;
    case ICAP_BITDEPTH:
        done = FindOption(SANE_NAME_BIT_DEPTH) < 0 ? value == 8 : SetNumber(SANE_NAME_BIT_DEPTH, value);
        break;
    case ICAP_UNITS:
        if (value == TWUN_INCHES || value == TWUN_CENTIMETERS) {
            Units = static_cast<TW_UINT16>(value);
            done = true;
        }
        break;
    case ICAP_XFERMECH:
        done = value == TWSX_NATIVE;
        break;
    case CAP_INDICATORS:
        done = true; // nothing to show or hide: the scan has no window of its own
        break;
    case ICAP_XRESOLUTION:
    case ICAP_YRESOLUTION: {
        const bool x = cap == ICAP_XRESOLUTION;
        const char* own = x ? SANE_NAME_SCAN_X_RESOLUTION : SANE_NAME_SCAN_Y_RESOLUTION;
        done = SetNumber(FindOption(own) >= 0 ? own : SANE_NAME_SCAN_RESOLUTION, value * UnitsPerInch());
        break;
    }
    case ICAP_BRIGHTNESS:
        done = SetNumber(SANE_NAME_BRIGHTNESS, value);
        break;
    case ICAP_CONTRAST:
        done = SetNumber(SANE_NAME_CONTRAST, value);
        break;
    case ICAP_THRESHOLD:
        done = SetNumber(SANE_NAME_THRESHOLD, value);
        break;
    default:
        return Fail(TWCC_BADCAP);
    }
    return done ? TWRC_SUCCESS : Fail(TWCC_BADVALUE);
}

TW_UINT16 TSaneSourceManager::SetLayout(const TW_IMAGELAYOUT& layout) {
    if (State == TScanState::Scanning)
        return Fail(TWCC_SEQERROR);
    const double mmPerUnit = 25.4 / UnitsPerInch();
    const struct {
        const char* Name;
        TW_FIX32 Value;
    } edges[] = {{SANE_NAME_SCAN_TL_X, layout.Frame.Left},
                 {SANE_NAME_SCAN_TL_Y, layout.Frame.Top},
                 {SANE_NAME_SCAN_BR_X, layout.Frame.Right},
                 {SANE_NAME_SCAN_BR_Y, layout.Frame.Bottom}};
    bool all = true;
    for (const auto& edge : edges) {
        const SANE_Option_Descriptor* d = Descriptor(FindOption(edge.Name));
        all = d != nullptr && d->unit == SANE_UNIT_MM &&
              SetNumber(edge.Name, Fix32ToFloat(edge.Value) * mmPerUnit) && all;
    }
    return all ? TWRC_SUCCESS : Fail(TWCC_BADVALUE);
}

TW_UINT16 TSaneSourceManager::Entry(TW_IDENTITY* dest, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg,
                                    TW_MEMREF data) {
    if (data == nullptr)
        return Fail(TWCC_BADVALUE);
    if (dest == nullptr)
        return ManagerOperation(dat, msg, data);
    if (OpenIndex < 0 || dest->Id != static_cast<TW_UINT32>(OpenIndex + 1))
        return Fail(TWCC_BADDEST);
    return SourceOperation(dg, dat, msg, data);
}

} // namespace

TW_UINT16 SaneDsmEntry(TW_IDENTITY*, TW_IDENTITY* dest, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg,
                       TW_MEMREF data) {
    return Manager().Entry(dest, dg, dat, msg, data);
}

void SetSaneDefaultSourceFolder(const std::string& folder) {
    Manager().DefaultFolder = folder;
}

void SetSaneSourceChooser(std::function<int(const std::vector<std::string>&, int)> chooser) {
    Manager().Chooser = std::move(chooser);
}

void CancelSaneScan() {
    Manager().Cancel();
}

double SaneScanCallSeconds() {
    return Manager().CallSeconds();
}
