#include "twain/TwainSession.h"

#include "base/Error.h"
#include "imaging/PictureCodecs.h"
#include "settings/IniFile.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

namespace {

template <std::size_t N> void SetTwString(char (&target)[N], const std::string& text) {
    const std::size_t length = std::min(text.size(), N - 1);
    std::memcpy(target, text.data(), length);
    std::fill(target + length, target + N, '\0');
}

template <std::size_t N> std::string TwString(const char (&text)[N]) {
    return std::string(text, strnlen(text, N));
}

std::string TwString(const std::uint8_t* item, std::size_t size) {
    const char* text = reinterpret_cast<const char*>(item);
    return std::string(text, strnlen(text, size));
}

// Rounds halves to even, as the negotiation arithmetic does.
double RoundEven(double value) {
    return std::nearbyint(value);
}

TW_UINT32 Fix32Bits(TW_FIX32 value) {
    return static_cast<TW_UINT16>(value.Whole) | (static_cast<TW_UINT32>(value.Frac) << 16);
}

TW_FIX32 Fix32FromBits(TW_UINT32 bits) {
    return {static_cast<TW_INT16>(bits & 0xFFFF), static_cast<TW_UINT16>(bits >> 16)};
}

bool IsIntegerType(TW_UINT16 type) {
    return type <= TWTY_UINT32;
}

bool ItemTypesMatch(TW_UINT16 stored, TW_UINT16 wanted) {
    return stored == wanted ||
           (IsIntegerType(stored) && IsIntegerType(wanted) && TwItemSize(stored) == TwItemSize(wanted));
}

// A number item (integers, booleans, fixed point) as a real.
double ItemValue(TW_UINT16 type, const std::uint8_t* item) {
    switch (type) {
    case TWTY_INT8:
        return static_cast<std::int8_t>(item[0]);
    case TWTY_UINT8:
        return item[0];
    case TWTY_INT16: {
        std::int16_t v;
        std::memcpy(&v, item, 2);
        return v;
    }
    case TWTY_UINT16:
    case TWTY_BOOL: {
        std::uint16_t v;
        std::memcpy(&v, item, 2);
        return v;
    }
    case TWTY_INT32: {
        std::int32_t v;
        std::memcpy(&v, item, 4);
        return v;
    }
    case TWTY_UINT32: {
        std::uint32_t v;
        std::memcpy(&v, item, 4);
        return v;
    }
    case TWTY_FIX32: {
        TW_UINT32 bits;
        std::memcpy(&bits, item, 4);
        return Fix32ToFloat(Fix32FromBits(bits));
    }
    default:
        return 0;
    }
}

std::string NumberText(double value) {
    return std::to_string(static_cast<long long>(RoundEven(value)));
}

std::string ItemText(TW_UINT16 type, const std::uint8_t* item) {
    switch (type) {
    case TWTY_BOOL:
        return ItemValue(type, item) != 0 ? "True" : "False";
    case TWTY_STR32:
    case TWTY_STR64:
    case TWTY_STR128:
    case TWTY_STR255:
        return TwString(item, TwItemSize(type));
    case TWTY_FRAME:
        return {};
    default:
        return NumberText(ItemValue(type, item));
    }
}

// A range value, stored in a 32-bit field, as a real.
double RangeValue(TW_UINT16 type, TW_UINT32 field) {
    std::uint8_t bytes[4];
    std::memcpy(bytes, &field, 4);
    return ItemValue(type, bytes);
}

// The items of an array or enumeration, when they all lie inside the block.
bool ItemsFit(std::size_t blockSize, std::size_t listOffset, TW_UINT16 type, TW_UINT32 count) {
    const std::size_t itemSize = TwItemSize(type);
    return itemSize != 0 && listOffset <= blockSize && count <= (blockSize - listOffset) / itemSize;
}

// Bitwise inversion of a native-transfer image: the colour table of 4 and 8-bit pictures, the
// pixels of all others.
void InvertDib(std::uint8_t* dib, std::size_t size) {
    TDibLayout layout;
    try {
        layout = CompleteDibHeader(dib, size, "scanned image");
    } catch (const ECwError&) {
        return; // not a picture: the conversion reports it
    }
    if (layout.BitCount == 4 || layout.BitCount == 8) {
        for (std::size_t i = layout.ColorTableOffset; i < layout.PixelOffset; ++i)
            dib[i] = static_cast<std::uint8_t>(~dib[i]);
        return;
    }
    const std::size_t end = std::min(size, layout.PixelOffset + layout.ImageSize);
    for (std::size_t i = layout.PixelOffset; i + 4 <= end; i += 4)
        for (std::size_t b = 0; b < 4; ++b)
            dib[i + b] = static_cast<std::uint8_t>(~dib[i + b]);
}

constexpr const char* kStateMessage = "Attempt to get capability value below State 4.";
constexpr const char* kOpenManagerMessage = "Unable to open Source Manager.";

} // namespace

TW_FIX32 FloatToFix32(double value) {
    const auto v = static_cast<std::int64_t>(RoundEven(value * 65536 + 0.5));
    return {static_cast<TW_INT16>(v >> 16), static_cast<TW_UINT16>(v & 0xFFFF)};
}

double Fix32ToFloat(TW_FIX32 value) {
    return (value.Whole * 65536.0 + value.Frac) / 65536.0;
}

TW_FRAME FramePreset(TcsFrameSize size) {
    auto frame = [](double right, double bottom) {
        TW_FRAME f;
        f.Right = FloatToFix32(right);
        f.Bottom = FloatToFix32(bottom);
        return f;
    };
    switch (size) {
    case TcsFrameSize::fsA4:
        return frame(20.9, 29.6);
    case TcsFrameSize::fsA5:
        return frame(14.8, 20.9);
    case TcsFrameSize::fsB5:
        return frame(17.5, 24.9);
    case TcsFrameSize::fsLegal:
        return frame(21.6, 35.6);
    case TcsFrameSize::fsLetter:
        return frame(21.6, 27.9);
    default:
        return TW_FRAME{};
    }
}

std::string TwainErrorKindText(int kind) {
    static const std::array<const char*, 15> texts = {"[no details available]",
                                                      "",
                                                      "DAT_CAPABILITY/MSG_GET failed",
                                                      "DAT_CAPABILITY/MSG_SET failed",
                                                      "Source Manager operation failed",
                                                      "DataSource operation failed",
                                                      "",
                                                      "TWAIN session not in State 4 (Source Open)",
                                                      "MSG_GET returned a NULL container handle",
                                                      "MSG_GET returned an invalid container handle",
                                                      "Returned container is not valid type",
                                                      "Returned container has invalid ItemType",
                                                      "Returned container is empty",
                                                      "App and source found NO values in common",
                                                      "Trying to open an nonexistent DataSource"};
    return kind >= 0 && kind < static_cast<int>(texts.size()) ? texts[kind] : std::to_string(kind);
}

std::string TwainReturnCodeText(TW_UINT16 code) {
    static const std::array<const char*, 8> texts = {"TWRC_SUCCESS",  "TWRC_FAILURE",  "TWRC_CHECKSTATUS",
                                                     "TWRC_CANCEL",   "TWRC_DSEVENT",  "TWRC_NOTDSEVENT",
                                                     "TWRC_XFERDONE", "TWRC_ENDOFLIST"};
    return code < texts.size() ? texts[code] : std::to_string(code);
}

std::string TwainConditionCodeText(TW_UINT16 code) {
    static const std::array<const char*, 13> texts = {
        "TWCC_SUCCESS",
        "TWCC_BUMMER (Failure due to unknown causes)",
        "TWCC_LOWMEMORY",
        "TWCC_NODS (No Data Source)",
        "TWCC_MAXCONNECTIONS (DS is connected to max possible apps)",
        "TWCC_OPERATIONERROR (DS or DSM reported error, app shouldn't)",
        "TWCC_BADCAP (Unknown capability)",
        "7 (undefined)",
        "8 (undefined)",
        "TWCC_BADPROTOCOL (Unrecognized triplet)",
        "TWCC_BADVALUE (Data parameter out of range)",
        "TWCC_SEQERROR (Triplet out of sequence)",
        "TWCC_BADDEST (Unknown dest. App/Src in DSM_Entry)"};
    return code < texts.size() ? texts[code] : std::to_string(code);
}

TTwainSession::TTwainSession() {
    AppIdentity.Id = 0;
    AppIdentity.Version.MajorNum = 1;
    AppIdentity.Version.MinorNum = 0;
    AppIdentity.Version.Language = TWLG_USA;
    AppIdentity.Version.Country = TWCY_USA;
    SetTwString(AppIdentity.Version.Info, "Version 1.0");
    AppIdentity.ProtocolMajor = 1;
    AppIdentity.ProtocolMinor = 8;
    AppIdentity.SupportedGroups = DG_CONTROL | DG_IMAGE;
    SetTwString(AppIdentity.Manufacturer, "Manufacturer");
    SetTwString(AppIdentity.ProductFamily, "Product Family");
    SetTwString(AppIdentity.ProductName, "Product Name");
}

TTwainSession::~TTwainSession() {
    try {
        SaveKeptSettings();
    } catch (const std::exception&) {
        // The owner is going away with the component: there is no one left to tell.
    }
}

// --- kept settings ---

std::string TTwainSession::RegistryKey() const {
    const std::string root =
        RegRootKey == TcsRootKeyType::THKEY_LOCAL_MACHINE ? "HKEY_LOCAL_MACHINE\\" : "HKEY_CURRENT_USER\\";
    return root + "Software\\" + RegCompany + "\\" + TwString(AppIdentity.ProductFamily) + "\\" +
           TwString(AppIdentity.ProductName) + "\\TWAIN";
}

namespace {
template <class TEnum>
void ReadOrdinal(const TIniFile& ini, const std::string& key, const char* name, TEnum last, TEnum& value) {
    const std::int32_t ordinal = ini.ReadInteger(key, name, -1);
    if (ordinal >= 0 && ordinal <= static_cast<std::int32_t>(last))
        value = static_cast<TEnum>(ordinal);
}

std::uint8_t ReadByte(const TIniFile& ini, const std::string& key, const char* name, std::uint8_t value) {
    const std::int32_t read = ini.ReadInteger(key, name, value);
    return read >= 0 && read <= 255 ? static_cast<std::uint8_t>(read) : value;
}
} // namespace

void TTwainSession::LoadKeptSettings() {
    if (RegistryFile.empty())
        return;
    TIniFile ini;
    ini.LoadFromFile(RegistryFile);
    const std::string key = RegistryKey();
    if (!ini.SectionExists(key))
        return;
    AutoBrightness = ini.ReadBool(key, "AutoBrightness", AutoBrightness);
    FeederEnabled = ini.ReadBool(key, "FeederEnabled", FeederEnabled);
    Inverted = ini.ReadBool(key, "Inverted", Inverted);
    TcsPixelType pixelType = PixelType_;
    ReadOrdinal(ini, key, "PixelType", TcsPixelType::pxPalette, pixelType);
    SetPixelType(pixelType);
    TcsBitDepth depth = BitDepth_;
    ReadOrdinal(ini, key, "BitDepth", TcsBitDepth::bd24Bit, depth);
    SetBitDepth(depth);
    ReadOrdinal(ini, key, "BitDepthReduction", TcsBitDepthReduction::brDiffusion, BitDepthReduction);
    ReadOrdinal(ini, key, "FrameSize", TcsFrameSize::fsLetter, FrameSize);
    SetResolution(ini.ReadInteger(key, "Resolution", Resolution_));
    SetBrightness(ReadByte(ini, key, "Brightness", Brightness_));
    SetContrast(ReadByte(ini, key, "Contrast", Contrast_));
    // Highlight first against a low shadow, so that a kept pair is taken as it was kept.
    Shadow_ = 0;
    SetHighlight(ReadByte(ini, key, "Highlight", Highlight_));
    SetShadow(ReadByte(ini, key, "Shadow", Shadow_));
    Threshold = ReadByte(ini, key, "Threshold", Threshold);
}

void TTwainSession::SaveKeptSettings() const {
    if (RegistryFile.empty() || RegCompany.find_first_not_of(" \t") == std::string::npos)
        return;
    TIniFile ini;
    ini.LoadFromFile(RegistryFile);
    const std::string key = RegistryKey();
    ini.WriteBool(key, "AutoBrightness", AutoBrightness);
    ini.WriteInteger(key, "BitDepth", static_cast<std::int32_t>(BitDepth_));
    ini.WriteInteger(key, "BitDepthReduction", static_cast<std::int32_t>(BitDepthReduction));
    ini.WriteInteger(key, "Brightness", Brightness_);
    ini.WriteInteger(key, "Contrast", Contrast_);
    ini.WriteBool(key, "FeederEnabled", FeederEnabled);
    ini.WriteInteger(key, "FrameSize", static_cast<std::int32_t>(FrameSize));
    ini.WriteInteger(key, "Highlight", Highlight_);
    ini.WriteBool(key, "Inverted", Inverted);
    ini.WriteInteger(key, "PixelType", static_cast<std::int32_t>(PixelType_));
    ini.WriteInteger(key, "Resolution", Resolution_);
    ini.WriteInteger(key, "Shadow", Shadow_);
    ini.WriteInteger(key, "Threshold", Threshold);
    ini.SaveToFile(RegistryFile);
}

// --- properties ---

void TTwainSession::SetPixelType(TcsPixelType value) {
    PixelType_ = value;
    SetBitDepth(BitDepth_);
}

void TTwainSession::SetBitDepth(TcsBitDepth value) {
    switch (PixelType_) {
    case TcsPixelType::pxBW:
        BitDepth_ = TcsBitDepth::bd1Bit;
        break;
    case TcsPixelType::pxRGB:
        BitDepth_ = TcsBitDepth::bd24Bit;
        break;
    default:
        BitDepth_ =
            value == TcsBitDepth::bd1Bit || value == TcsBitDepth::bd24Bit ? TcsBitDepth::bd8Bit : value;
        break;
    }
}

void TTwainSession::SetResolution(std::int32_t value) {
    Resolution_ = std::clamp(value, 10, 1200);
}
void TTwainSession::SetBrightness(std::uint8_t value) {
    Brightness_ = std::min<std::uint8_t>(value, 250);
}
void TTwainSession::SetContrast(std::uint8_t value) {
    Contrast_ = std::min<std::uint8_t>(value, 250);
}

void TTwainSession::SetHighlight(std::uint8_t value) {
    Highlight_ = value > Shadow_ ? value : static_cast<std::uint8_t>(Shadow_ + 1);
}

void TTwainSession::SetShadow(std::uint8_t value) {
    Shadow_ = value < Highlight_ ? value : static_cast<std::uint8_t>(Highlight_ - 1);
}

// --- errors ---

void TTwainSession::ClearError() {
    ErrorKind_ = 0;
    ErrorRc_ = TWRC_SUCCESS;
    ErrorCc_ = TWCC_SUCCESS;
    ErrorRecorded_ = false;
}

void TTwainSession::RecordError(int kind, TW_UINT16 rc) {
    if (ErrorRecorded_)
        return;
    ErrorRecorded_ = true;
    ErrorKind_ = kind;
    ErrorRc_ = rc;
    ErrorCc_ = TWCC_SUCCESS;
    if (kind < 2 || kind > 5)
        return;
    if (State_ < 3 || Entry_ == nullptr) {
        ErrorCc_ = TWCC_SEQERROR;
        return;
    }
    TW_STATUS status;
    TW_IDENTITY* destination = State_ >= 4 ? &SourceId_ : nullptr;
    const TW_UINT16 statusRc = Entry_(&AppIdentity, destination, DG_CONTROL, DAT_STATUS, MSG_GET, &status);
    ErrorCc_ = statusRc == TWRC_SUCCESS ? status.ConditionCode : TWCC_BUMMER;
}

std::string TTwainSession::ErrorMessage(const std::string& firstLine) const {
    std::string message = firstLine + "\n\r" + TwainErrorKindText(ErrorKind_);
    if (ErrorKind_ >= 2 && ErrorKind_ <= 5)
        message +=
            "\n\rRC:  " + TwainReturnCodeText(ErrorRc_) + "\n\rCC:  " + TwainConditionCodeText(ErrorCc_);
    return message;
}

void TTwainSession::ShowMessage(const std::string& message) {
    if (OnErrorMessage)
        OnErrorMessage(message);
}

// --- calls ---

TW_UINT16 TTwainSession::CallManager(TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data, TW_UINT32 dg) {
    if (Entry_ == nullptr)
        return TWRC_FAILURE;
    const TW_UINT16 rc = Entry_(&AppIdentity, nullptr, dg, dat, msg, data);
    if (rc != TWRC_SUCCESS)
        RecordError(4, rc);
    return rc;
}

TW_UINT16 TTwainSession::CallSource(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
    if (Entry_ == nullptr)
        return TWRC_FAILURE;
    const TW_UINT16 rc = Entry_(&AppIdentity, &SourceId_, dg, dat, msg, data);
    // Asking the source about an event is routine: "not mine" and "mine" are answers, not failures.
    if (rc != TWRC_SUCCESS && !(msg == MSG_PROCESSEVENT && (rc == TWRC_NOTDSEVENT || rc == TWRC_DSEVENT))) {
        const bool isGet = msg == MSG_GET || msg == MSG_GETCURRENT || msg == MSG_GETDEFAULT ||
                           msg == MSG_GETFIRST || msg == MSG_GETNEXT;
        RecordError(isGet ? 2 : msg == MSG_SET ? 3 : 5, rc);
    }
    return rc;
}

// --- session ---

bool TTwainSession::LoadSourceManager() {
    if (State_ == 1 && SourceManager.Entry != nullptr) {
        Entry_ = SourceManager.Entry;
        State_ = 2;
    }
    return State_ >= 2;
}

bool TTwainSession::OpenSourceManager() {
    if (State_ == 2) {
        TW_HANDLE parent = OwnerWindow;
        if (CallManager(DAT_PARENT, MSG_OPENDSM, &parent) == TWRC_SUCCESS)
            State_ = 3;
    }
    return State_ >= 3;
}

bool TTwainSession::OpenDefaultSource() {
    if (State_ == 3) {
        SourceId_ = TW_IDENTITY{};
        if (CallManager(DAT_IDENTITY, MSG_OPENDS, &SourceId_) == TWRC_SUCCESS)
            State_ = 4;
    }
    return State_ == 4;
}

bool TTwainSession::OpenSource(const std::string& name) {
    if (name.empty())
        return OpenDefaultSource();
    if (State_ != 3)
        return false;
    TW_IDENTITY identity;
    for (TW_UINT16 rc = CallManager(DAT_IDENTITY, MSG_GETFIRST, &identity); rc == TWRC_SUCCESS;
         rc = CallManager(DAT_IDENTITY, MSG_GETNEXT, &identity)) {
        if (TwString(identity.ProductName) == name) {
            SourceId_ = identity;
            if (CallManager(DAT_IDENTITY, MSG_OPENDS, &SourceId_) == TWRC_SUCCESS)
                State_ = 4;
            return State_ == 4;
        }
    }
    ClearError();
    ErrorKind_ = 14;
    ErrorRecorded_ = true;
    return false;
}

bool TTwainSession::EnableSource() {
    if (State_ == 4) {
        ImageCount_ = 0;
        TW_USERINTERFACE ui;
        ui.ShowUI = UserInterface ? 0xFFFF : 0;
        ui.ModalUI = 0;
        ui.hParent = OwnerWindow;
        if (CallSource(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui) != TWRC_FAILURE)
            State_ = 5;
    }
    return State_ == 5;
}

void TTwainSession::DisableSource() {
    if (State_ != 5)
        return;
    TW_USERINTERFACE ui;
    ui.hParent = OwnerWindow;
    CallSource(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui);
    State_ = 4;
}

void TTwainSession::CloseSource() {
    if (State_ > 5)
        ResetTransfers();
    DisableSource();
    if (State_ == 4) {
        CallManager(DAT_IDENTITY, MSG_CLOSEDS, &SourceId_);
        State_ = 3;
    }
}

void TTwainSession::CloseSourceManager() {
    if (State_ < 2)
        return;
    CloseSource();
    if (State_ == 3) {
        TW_HANDLE parent = OwnerWindow;
        CallManager(DAT_PARENT, MSG_CLOSEDSM, &parent);
        State_ = 2;
    }
}

void TTwainSession::UnloadSourceManager() {
    if (State_ == 2) {
        Entry_ = nullptr;
        State_ = 1;
    }
}

bool TTwainSession::StartSession() {
    if (!LoadSourceManager()) {
        ShowMessage("Unable to load Source Manager  (" + SourceManager.Name + ")");
        return false;
    }
    if (!OpenSourceManager()) {
        ShowMessage(kOpenManagerMessage);
        return false;
    }
    return true;
}

void TTwainSession::EndSession() {
    DisableSource();
    CloseSource();
    CloseSourceManager();
    UnloadSourceManager();
    ClearError();
}

namespace {
// Takes the session down however the operation ends, also when an event handler throws.
struct TSessionGuard {
    std::function<void()> End;
    ~TSessionGuard() { End(); }
};
} // namespace

// --- capabilities ---

TW_HANDLE TTwainSession::GetCapability(TW_UINT16 cap, TW_UINT16& conType) {
    if (State_ <= 3) {
        ShowMessage(kStateMessage);
        return nullptr;
    }
    TW_CAPABILITY capability;
    capability.Cap = cap;
    capability.ConType = 0xFFFF;
    if (CallSource(DG_CONTROL, DAT_CAPABILITY, MSG_GET, &capability) != TWRC_SUCCESS) {
        TwFree(capability.hContainer);
        return nullptr;
    }
    conType = capability.ConType;
    return capability.hContainer;
}

bool TTwainSession::GetCapabilityValue(TW_UINT16 cap, TW_UINT16 itemType, void* destination,
                                      std::size_t size) {
    TW_UINT16 conType = 0;
    TW_HANDLE container = GetCapability(cap, conType);
    if (container == nullptr)
        return false;
    const std::size_t itemSize = TwItemSize(itemType);
    const std::size_t blockSize = TwSize(container);
    const auto* block = static_cast<const std::uint8_t*>(container);
    const std::uint8_t* item = nullptr;
    TW_UINT16 storedType = 0;
    if (conType == TWON_ONEVALUE && blockSize >= sizeof(TW_ONEVALUE) && itemSize <= 4) {
        const auto* one = static_cast<const TW_ONEVALUE*>(container);
        storedType = one->ItemType;
        item = reinterpret_cast<const std::uint8_t*>(&one->Item);
    } else if (conType == TWON_RANGE && blockSize >= sizeof(TW_RANGE) && itemSize <= 4) {
        const auto* range = static_cast<const TW_RANGE*>(container);
        storedType = range->ItemType;
        item = reinterpret_cast<const std::uint8_t*>(&range->CurrentValue);
    } else if (conType == TWON_ENUMERATION && blockSize >= sizeof(TW_ENUMERATION)) {
        const auto* list = static_cast<const TW_ENUMERATION*>(container);
        storedType = list->ItemType;
        const std::size_t offset = offsetof(TW_ENUMERATION, ItemList);
        if (list->CurrentIndex < list->NumItems && ItemsFit(blockSize, offset, storedType, list->NumItems))
            item = block + offset + list->CurrentIndex * TwItemSize(storedType);
    }
    const bool copied =
        item != nullptr && itemSize != 0 && itemSize <= size && ItemTypesMatch(storedType, itemType);
    if (copied)
        std::memcpy(destination, item, itemSize);
    TwFree(container);
    return copied;
}

std::string TTwainSession::GetCapabilityText(TW_UINT16 cap) {
    TW_UINT16 conType = 0;
    TW_HANDLE container = GetCapability(cap, conType);
    if (container == nullptr)
        return {};
    const std::size_t blockSize = TwSize(container);
    const auto* block = static_cast<const std::uint8_t*>(container);
    std::string text;
    auto joinItems = [&](TW_UINT16 type, TW_UINT32 count, std::size_t offset) {
        if (!ItemsFit(blockSize, offset, type, count))
            return;
        for (TW_UINT32 i = 0; i < count; ++i) {
            if (i > 0)
                text += "; ";
            text += ItemText(type, block + offset + i * TwItemSize(type));
        }
    };
    if (conType == TWON_ONEVALUE && blockSize >= sizeof(TW_ONEVALUE)) {
        const auto* one = static_cast<const TW_ONEVALUE*>(container);
        if (TwItemSize(one->ItemType) <= 4)
            text = ItemText(one->ItemType, reinterpret_cast<const std::uint8_t*>(&one->Item));
    } else if (conType == TWON_ARRAY && blockSize >= sizeof(TW_ARRAY)) {
        const auto* array = static_cast<const TW_ARRAY*>(container);
        joinItems(array->ItemType, array->NumItems, offsetof(TW_ARRAY, ItemList));
    } else if (conType == TWON_ENUMERATION && blockSize >= sizeof(TW_ENUMERATION)) {
        const auto* list = static_cast<const TW_ENUMERATION*>(container);
        joinItems(list->ItemType, list->NumItems, offsetof(TW_ENUMERATION, ItemList));
    } else if (conType == TWON_RANGE && blockSize >= sizeof(TW_RANGE)) {
        const auto* range = static_cast<const TW_RANGE*>(container);
        text = "Min: " + NumberText(RangeValue(range->ItemType, range->MinValue)) +
               " Max: " + NumberText(RangeValue(range->ItemType, range->MaxValue)) +
               " Step: " + NumberText(RangeValue(range->ItemType, range->StepSize));
    }
    TwFree(container);
    return text;
}

bool TTwainSession::GetCapabilityRange(TW_UINT16 cap, double& min, double& max, double& step) {
    TW_UINT16 conType = 0;
    TW_HANDLE container = GetCapability(cap, conType);
    if (container == nullptr)
        return false;
    const bool isRange = conType == TWON_RANGE && TwSize(container) >= sizeof(TW_RANGE);
    if (isRange) {
        const auto* range = static_cast<const TW_RANGE*>(container);
        min = RangeValue(range->ItemType, range->MinValue);
        max = RangeValue(range->ItemType, range->MaxValue);
        step = RangeValue(range->ItemType, range->StepSize);
    }
    TwFree(container);
    return isRange;
}

bool TTwainSession::SetCapability(TW_UINT16 cap, TW_UINT16 itemType, TW_UINT32 value) {
    if (State_ != 4) {
        ShowMessage(kStateMessage);
        return false;
    }
    TW_HANDLE container = TwAlloc(sizeof(TW_ONEVALUE));
    if (container == nullptr) {
        ShowMessage("Insufficient memory");
        return false;
    }
    auto* one = static_cast<TW_ONEVALUE*>(container);
    one->ItemType = itemType;
    one->Item = value;
    TW_CAPABILITY capability;
    capability.Cap = cap;
    capability.ConType = TWON_ONEVALUE;
    capability.hContainer = container;
    const TW_UINT16 rc = CallSource(DG_CONTROL, DAT_CAPABILITY, MSG_SET, &capability);
    TwFree(container);
    return rc == TWRC_SUCCESS;
}

// --- negotiation ---

bool TTwainSession::Negotiate() {
    CapSet_ = 0;
    bool enable = true;
    bool setCurrent = true;
    if (OnNegotiate)
        OnNegotiate(*this, enable, setCurrent);
    if (!setCurrent)
        return enable;

    auto set = [this](TW_UINT16 cap, TW_UINT16 type, TW_UINT32 value, TcsCapSet flag) {
        if (SetCapability(cap, type, value))
            CapSet_ |= flag;
    };
    static constexpr TW_UINT16 kDepths[] = {1, 4, 8, 8};
    set(CAP_INDICATORS, TWTY_BOOL, Indicators, TcsCap::Indicators);
    set(ICAP_PIXELTYPE, TWTY_UINT16, static_cast<TW_UINT16>(PixelType_), TcsCap::PixelType);
    set(ICAP_XFERMECH, TWTY_UINT16, TWSX_NATIVE, TcsCap::TransferMechanism);
    set(ICAP_BITDEPTH, TWTY_UINT16, kDepths[static_cast<int>(BitDepth_)], TcsCap::BitDepth);
    set(ICAP_BITDEPTHREDUCTION, TWTY_UINT16, static_cast<TW_UINT16>(BitDepthReduction),
        TcsCap::BitDepthReduction);
    const TW_UINT32 resolution = Fix32Bits(FloatToFix32(Resolution_));
    const bool x = SetCapability(ICAP_XRESOLUTION, TWTY_FIX32, resolution);
    const bool y = SetCapability(ICAP_YRESOLUTION, TWTY_FIX32, resolution);
    if (x && y)
        CapSet_ |= TcsCap::Resolution;
    set(ICAP_UNITS, TWTY_UINT16, TWUN_CENTIMETERS, TcsCap::Units);
    set(CAP_FEEDERENABLED, TWTY_BOOL, FeederEnabled, TcsCap::FeederEnabled);
    set(CAP_AUTOFEED, TWTY_BOOL, AutoFeed, TcsCap::AutoFeed);
    TW_BOOL loaded = 0;
    if (GetCapabilityValue(CAP_FEEDERLOADED, TWTY_BOOL, &loaded, sizeof loaded)) {
        FeederLoaded_ = loaded != 0;
        CapSet_ |= TcsCap::FeederLoaded;
    }

    NegotiateScanArea();

    set(ICAP_AUTOBRIGHT, TWTY_BOOL, AutoBrightness, TcsCap::AutoBrightness);
    NegotiateScaled(ICAP_BRIGHTNESS, Brightness_, 250, TcsCap::Brightness);
    NegotiateScaled(ICAP_CONTRAST, Contrast_, 250, TcsCap::Contrast);
    NegotiateScaled(ICAP_HIGHLIGHT, Highlight_, 255, TcsCap::Highlight);
    NegotiateScaled(ICAP_SHADOW, Shadow_, 255, TcsCap::Shadow);
    NegotiateScaled(ICAP_THRESHOLD, Threshold, 255, TcsCap::Threshold);
    return enable;
}

void TTwainSession::NegotiateScanArea() {
    if (FrameSize == TcsFrameSize::fsDetected) {
        if (SetCapability(ICAP_AUTOMATICBORDERDETECTION, TWTY_BOOL, BorderDetection))
            CapSet_ |= TcsCap::BorderDetection;
        return;
    }
    TW_IMAGELAYOUT layout;
    layout.Frame = FramePreset(FrameSize);
    layout.DocumentNumber = 1;
    layout.PageNumber = 1;
    layout.FrameNumber = 1;
    if (FrameSize == TcsFrameSize::fsCustom && OnSetFrame) {
        try {
            OnSetFrame(*this, layout.Frame);
        } catch (const std::exception& e) {
            ShowMessage(e.what());
        }
    }
    if (CallSource(DG_IMAGE, DAT_IMAGELAYOUT, MSG_SET, &layout) == TWRC_SUCCESS)
        CapSet_ |= TcsCap::ImageLayout;
}

void TTwainSession::NegotiateScaled(TW_UINT16 cap, std::uint8_t value, double divisor, TcsCapSet flag) {
    double min = 0, max = 0, step = 0;
    if (!GetCapabilityRange(cap, min, max, step))
        return;
    const double span = (RoundEven(max) - RoundEven(min)) / divisor;
    const double target = RoundEven(min) + value * span;
    const double sent = step > 0 ? step * RoundEven(target / step) : target;
    if (SetCapability(cap, TWTY_FIX32, Fix32Bits(FloatToFix32(sent))))
        CapSet_ |= flag;
}

// --- acquisition ---

void TTwainSession::MessageLoop() {
    while (State_ > 4) {
        if (WaitForEvents && !WaitForEvents())
            return;
        TW_EVENT event;
        event.TWMessage = MSG_NULL;
        if (CallSource(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event) == TWRC_NOTDSEVENT)
            continue;
        if (event.TWMessage == MSG_XFERREADY) {
            State_ = 6;
            TransferLoop();
        } else if (event.TWMessage != MSG_NULL) {
            DisableSource();
        }
    }
}

void TTwainSession::ResetTransfers() {
    State_ = 6;
    TW_PENDINGXFERS pending;
    CallSource(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending);
    CallSource(DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, &pending);
    State_ = 5;
}

bool TTwainSession::EndTransfer() {
    TW_PENDINGXFERS pending;
    if (CallSource(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending) != TWRC_SUCCESS) {
        // A source that cannot end the transfer is reset, so the session can still be closed.
        TW_PENDINGXFERS reset;
        CallSource(DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, &reset);
        State_ = 5;
        DisableSource();
        return false;
    }
    if (pending.Count != 0) {
        State_ = 6;
        return true;
    }
    State_ = 5;
    DisableSource();
    return false;
}

void TTwainSession::DeliverImage(TW_HANDLE memory) {
    auto* bytes = static_cast<std::uint8_t*>(memory);
    const std::size_t size = TwSize(memory);
    if (Inverted)
        InvertDib(bytes, size);
    try {
        if (OnDibReady) {
            TPicture picture;
            DecodeDib(bytes, size, "scanned image", picture);
            OnDibReady(*this, picture);
        }
        if (OnMemoryReady)
            OnMemoryReady(*this, bytes, size);
    } catch (const std::exception& e) {
        ShowMessage(e.what());
    }
}

void TTwainSession::TransferLoop() {
    for (;;) {
        if (OnNewImage)
            OnNewImage(*this);
        State_ = 7;
        TW_HANDLE memory = nullptr;
        const TW_UINT16 rc = CallSource(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &memory);
        if (rc == TWRC_XFERDONE) {
            if (memory != nullptr)
                DeliverImage(memory);
            TwFree(memory);
            ++ImageCount_;
            if (!EndTransfer())
                return;
        } else if (rc == TWRC_CANCEL) {
            TwFree(memory);
            if (!EndTransfer())
                return;
        } else {
            TwFree(memory);
            ResetTransfers();
            DisableSource();
            return;
        }
    }
}

bool TTwainSession::Acquire(const std::string& name) {
    ClearError();
    TSessionGuard guard{[this] { EndSession(); }};
    if (!StartSession())
        return false;
    if (!OpenSource(name)) {
        ShowMessage(ErrorMessage(name));
        return false;
    }
    if (!Negotiate())
        return false;
    bool enable = true;
    if (OnEnableSource)
        OnEnableSource(*this, enable, CapSet_);
    if (!enable)
        return false;
    if (!EnableSource()) {
        ShowMessage(ErrorMessage("Failed to enable Data Source."));
        return false;
    }
    MessageLoop();
    return true;
}

bool TTwainSession::SelectSource() {
    ClearError();
    TSessionGuard guard{[this] { EndSession(); }};
    if (!LoadSourceManager()) {
        ShowMessage("Unable to load Source Manager (" + SourceManager.Name + ")");
        return false;
    }
    if (!OpenSourceManager()) {
        ShowMessage(kOpenManagerMessage);
        return false;
    }
    TW_IDENTITY identity;
    CallManager(DAT_IDENTITY, MSG_GETDEFAULT, &identity);
    if (CallManager(DAT_IDENTITY, MSG_USERSELECT, &identity) != TWRC_SUCCESS)
        return false;
    SourceId_ = identity;
    return true;
}

int TTwainSession::ListSources(std::vector<std::string>& list) {
    ClearError();
    list.clear();
    TSessionGuard guard{[this] { EndSession(); }};
    if (!StartSession())
        return -1;
    TW_IDENTITY identity;
    std::string defaultName;
    if (CallManager(DAT_IDENTITY, MSG_GETDEFAULT, &identity) == TWRC_SUCCESS)
        defaultName = TwString(identity.ProductName);
    int index = -1;
    for (TW_UINT16 rc = CallManager(DAT_IDENTITY, MSG_GETFIRST, &identity); rc == TWRC_SUCCESS;
         rc = CallManager(DAT_IDENTITY, MSG_GETNEXT, &identity)) {
        list.push_back(TwString(identity.ProductName));
        if (!defaultName.empty() && list.back() == defaultName)
            index = static_cast<int>(list.size()) - 1;
    }
    return index;
}
