#pragma once

#include <cstddef>
#include <cstdint>

// The TWAIN 1.x structures and constants Celwright uses, written from the published TWAIN
// standard. The application and its source manager live in one process, so the structures
// use the compiler's natural layout rather than the 2-byte packing of the Windows library.

using TW_INT8 = std::int8_t;
using TW_INT16 = std::int16_t;
using TW_INT32 = std::int32_t;
using TW_UINT8 = std::uint8_t;
using TW_UINT16 = std::uint16_t;
using TW_UINT32 = std::uint32_t;
using TW_BOOL = std::uint16_t;
using TW_MEMREF = void*;
using TW_HANDLE = void*;
using TW_STR32 = char[34];
using TW_STR64 = char[66];
using TW_STR128 = char[130];
using TW_STR255 = char[256];

struct TW_FIX32 {
    TW_INT16 Whole = 0;
    TW_UINT16 Frac = 0;
};

struct TW_FRAME {
    TW_FIX32 Left;
    TW_FIX32 Top;
    TW_FIX32 Right;
    TW_FIX32 Bottom;
};

struct TW_VERSION {
    TW_UINT16 MajorNum = 0;
    TW_UINT16 MinorNum = 0;
    TW_UINT16 Language = 0;
    TW_UINT16 Country = 0;
    TW_STR32 Info = {};
};

struct TW_IDENTITY {
    TW_UINT32 Id = 0;
    TW_VERSION Version;
    TW_UINT16 ProtocolMajor = 0;
    TW_UINT16 ProtocolMinor = 0;
    TW_UINT32 SupportedGroups = 0;
    TW_STR32 Manufacturer = {};
    TW_STR32 ProductFamily = {};
    TW_STR32 ProductName = {};
};

struct TW_CAPABILITY {
    TW_UINT16 Cap = 0;
    TW_UINT16 ConType = 0;
    TW_HANDLE hContainer = nullptr;
};

struct TW_ONEVALUE {
    TW_UINT16 ItemType = 0;
    TW_UINT32 Item = 0;
};

// Followed in memory by NumItems items of ItemType.
struct TW_ARRAY {
    TW_UINT16 ItemType = 0;
    TW_UINT32 NumItems = 0;
    TW_UINT8 ItemList[1] = {};
};

struct TW_ENUMERATION {
    TW_UINT16 ItemType = 0;
    TW_UINT32 NumItems = 0;
    TW_UINT32 CurrentIndex = 0;
    TW_UINT32 DefaultIndex = 0;
    TW_UINT8 ItemList[1] = {};
};

// Values of FIX32 ranges hold the TW_FIX32 bit pattern (Whole in the low 16 bits).
struct TW_RANGE {
    TW_UINT16 ItemType = 0;
    TW_UINT32 MinValue = 0;
    TW_UINT32 MaxValue = 0;
    TW_UINT32 StepSize = 0;
    TW_UINT32 DefaultValue = 0;
    TW_UINT32 CurrentValue = 0;
};

struct TW_IMAGELAYOUT {
    TW_FRAME Frame;
    TW_UINT32 DocumentNumber = 0;
    TW_UINT32 PageNumber = 0;
    TW_UINT32 FrameNumber = 0;
};

struct TW_USERINTERFACE {
    TW_BOOL ShowUI = 0;
    TW_BOOL ModalUI = 0;
    TW_HANDLE hParent = nullptr;
};

struct TW_PENDINGXFERS {
    TW_UINT16 Count = 0;
    TW_UINT32 Reserved = 0;
};

struct TW_STATUS {
    TW_UINT16 ConditionCode = 0;
    TW_UINT16 Reserved = 0;
};

struct TW_EVENT {
    TW_MEMREF pEvent = nullptr;
    TW_UINT16 TWMessage = 0;
};

// The single entry point of a source manager. pDest is null for the source manager's own operations.
using DSMENTRYPROC = TW_UINT16 (*)(TW_IDENTITY* pOrigin, TW_IDENTITY* pDest, TW_UINT32 DG, TW_UINT16 DAT,
                                   TW_UINT16 MSG, TW_MEMREF pData);

// Memory handed across DSM_Entry (capability containers, native-transfer images). Whoever receives
// a handle frees it with TwFree. TwAlloc returns null when memory is short; TwSize gives the size
// asked for at allocation.
TW_HANDLE TwAlloc(std::size_t size);
std::size_t TwSize(TW_HANDLE handle);
void TwFree(TW_HANDLE handle);

// Data groups
inline constexpr TW_UINT32 DG_CONTROL = 0x0001;
inline constexpr TW_UINT32 DG_IMAGE = 0x0002;

// Data argument types
inline constexpr TW_UINT16 DAT_CAPABILITY = 0x0001;
inline constexpr TW_UINT16 DAT_EVENT = 0x0002;
inline constexpr TW_UINT16 DAT_IDENTITY = 0x0003;
inline constexpr TW_UINT16 DAT_PARENT = 0x0004;
inline constexpr TW_UINT16 DAT_PENDINGXFERS = 0x0005;
inline constexpr TW_UINT16 DAT_STATUS = 0x0008;
inline constexpr TW_UINT16 DAT_USERINTERFACE = 0x0009;
inline constexpr TW_UINT16 DAT_IMAGELAYOUT = 0x0102;
inline constexpr TW_UINT16 DAT_IMAGENATIVEXFER = 0x0104;

// Messages
inline constexpr TW_UINT16 MSG_NULL = 0x0000;
inline constexpr TW_UINT16 MSG_GET = 0x0001;
inline constexpr TW_UINT16 MSG_GETCURRENT = 0x0002;
inline constexpr TW_UINT16 MSG_GETDEFAULT = 0x0003;
inline constexpr TW_UINT16 MSG_GETFIRST = 0x0004;
inline constexpr TW_UINT16 MSG_GETNEXT = 0x0005;
inline constexpr TW_UINT16 MSG_SET = 0x0006;
inline constexpr TW_UINT16 MSG_RESET = 0x0007;
inline constexpr TW_UINT16 MSG_XFERREADY = 0x0101;
inline constexpr TW_UINT16 MSG_CLOSEDSREQ = 0x0102;
inline constexpr TW_UINT16 MSG_OPENDSM = 0x0301;
inline constexpr TW_UINT16 MSG_CLOSEDSM = 0x0302;
inline constexpr TW_UINT16 MSG_OPENDS = 0x0401;
inline constexpr TW_UINT16 MSG_CLOSEDS = 0x0402;
inline constexpr TW_UINT16 MSG_USERSELECT = 0x0403;
inline constexpr TW_UINT16 MSG_DISABLEDS = 0x0501;
inline constexpr TW_UINT16 MSG_ENABLEDS = 0x0502;
inline constexpr TW_UINT16 MSG_PROCESSEVENT = 0x0601;
inline constexpr TW_UINT16 MSG_ENDXFER = 0x0701;

// Return codes
inline constexpr TW_UINT16 TWRC_SUCCESS = 0;
inline constexpr TW_UINT16 TWRC_FAILURE = 1;
inline constexpr TW_UINT16 TWRC_CHECKSTATUS = 2;
inline constexpr TW_UINT16 TWRC_CANCEL = 3;
inline constexpr TW_UINT16 TWRC_DSEVENT = 4;
inline constexpr TW_UINT16 TWRC_NOTDSEVENT = 5;
inline constexpr TW_UINT16 TWRC_XFERDONE = 6;
inline constexpr TW_UINT16 TWRC_ENDOFLIST = 7;

// Condition codes
inline constexpr TW_UINT16 TWCC_SUCCESS = 0;
inline constexpr TW_UINT16 TWCC_BUMMER = 1;
inline constexpr TW_UINT16 TWCC_LOWMEMORY = 2;
inline constexpr TW_UINT16 TWCC_NODS = 3;
inline constexpr TW_UINT16 TWCC_MAXCONNECTIONS = 4;
inline constexpr TW_UINT16 TWCC_OPERATIONERROR = 5;
inline constexpr TW_UINT16 TWCC_BADCAP = 6;
inline constexpr TW_UINT16 TWCC_BADPROTOCOL = 9;
inline constexpr TW_UINT16 TWCC_BADVALUE = 10;
inline constexpr TW_UINT16 TWCC_SEQERROR = 11;
inline constexpr TW_UINT16 TWCC_BADDEST = 12;

// Container types
inline constexpr TW_UINT16 TWON_ARRAY = 3;
inline constexpr TW_UINT16 TWON_ENUMERATION = 4;
inline constexpr TW_UINT16 TWON_ONEVALUE = 5;
inline constexpr TW_UINT16 TWON_RANGE = 6;

// Item types
inline constexpr TW_UINT16 TWTY_INT8 = 0x0000;
inline constexpr TW_UINT16 TWTY_INT16 = 0x0001;
inline constexpr TW_UINT16 TWTY_INT32 = 0x0002;
inline constexpr TW_UINT16 TWTY_UINT8 = 0x0003;
inline constexpr TW_UINT16 TWTY_UINT16 = 0x0004;
inline constexpr TW_UINT16 TWTY_UINT32 = 0x0005;
inline constexpr TW_UINT16 TWTY_BOOL = 0x0006;
inline constexpr TW_UINT16 TWTY_FIX32 = 0x0007;
inline constexpr TW_UINT16 TWTY_FRAME = 0x0008;
inline constexpr TW_UINT16 TWTY_STR32 = 0x0009;
inline constexpr TW_UINT16 TWTY_STR64 = 0x000a;
inline constexpr TW_UINT16 TWTY_STR128 = 0x000b;
inline constexpr TW_UINT16 TWTY_STR255 = 0x000c;

// Bytes one item of the type takes; 0 for an unknown type.
std::size_t TwItemSize(TW_UINT16 itemType);

// Capabilities
inline constexpr TW_UINT16 CAP_FEEDERENABLED = 0x1002;
inline constexpr TW_UINT16 CAP_FEEDERLOADED = 0x1003;
inline constexpr TW_UINT16 CAP_AUTOFEED = 0x1007;
inline constexpr TW_UINT16 CAP_INDICATORS = 0x100b;
inline constexpr TW_UINT16 ICAP_PIXELTYPE = 0x0101;
inline constexpr TW_UINT16 ICAP_UNITS = 0x0102;
inline constexpr TW_UINT16 ICAP_XFERMECH = 0x0103;
inline constexpr TW_UINT16 ICAP_AUTOBRIGHT = 0x1100;
inline constexpr TW_UINT16 ICAP_BRIGHTNESS = 0x1101;
inline constexpr TW_UINT16 ICAP_CONTRAST = 0x1103;
inline constexpr TW_UINT16 ICAP_HIGHLIGHT = 0x110a;
inline constexpr TW_UINT16 ICAP_SHADOW = 0x1113;
inline constexpr TW_UINT16 ICAP_XRESOLUTION = 0x1118;
inline constexpr TW_UINT16 ICAP_YRESOLUTION = 0x1119;
inline constexpr TW_UINT16 ICAP_THRESHOLD = 0x1123;
inline constexpr TW_UINT16 ICAP_BITDEPTH = 0x112b;
inline constexpr TW_UINT16 ICAP_BITDEPTHREDUCTION = 0x112c;
inline constexpr TW_UINT16 ICAP_AUTOMATICBORDERDETECTION = 0x1150;

// Capability values
inline constexpr TW_UINT16 TWPT_BW = 0;
inline constexpr TW_UINT16 TWPT_GRAY = 1;
inline constexpr TW_UINT16 TWPT_RGB = 2;
inline constexpr TW_UINT16 TWPT_PALETTE = 3;
inline constexpr TW_UINT16 TWSX_NATIVE = 0;
inline constexpr TW_UINT16 TWUN_INCHES = 0;
inline constexpr TW_UINT16 TWUN_CENTIMETERS = 1;

// Identity values
inline constexpr TW_UINT16 TWLG_USA = 13;
inline constexpr TW_UINT16 TWCY_USA = 1;
