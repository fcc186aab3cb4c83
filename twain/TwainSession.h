#pragma once

#include "imaging/Picture.h"
#include "twain/TwainTypes.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

enum class TcsPixelType : std::uint8_t { pxBW, pxGray, pxRGB, pxPalette };
enum class TcsBitDepth : std::uint8_t { bd1Bit, bd4Bit, bd8Bit, bd24Bit };
enum class TcsBitDepthReduction : std::uint8_t { brThreshold, brHalftones, brCustom, brDiffusion };
enum class TcsFrameSize : std::uint8_t { fsCustom, fsDetected, fsA4, fsA5, fsB5, fsLegal, fsLetter };
enum class TcsRootKeyType : std::uint8_t { THKEY_CURRENT_USER, THKEY_LOCAL_MACHINE };

// Capabilities negotiated successfully, as bits.
using TcsCapSet = std::uint32_t;
namespace TcsCap {
inline constexpr TcsCapSet PixelType = 0x1;
inline constexpr TcsCapSet BitDepth = 0x2;
inline constexpr TcsCapSet BitDepthReduction = 0x4;
inline constexpr TcsCapSet Resolution = 0x10;
inline constexpr TcsCapSet AutoBrightness = 0x20;
inline constexpr TcsCapSet Brightness = 0x40;
inline constexpr TcsCapSet Contrast = 0x80;
inline constexpr TcsCapSet Highlight = 0x100;
inline constexpr TcsCapSet Shadow = 0x200;
inline constexpr TcsCapSet Threshold = 0x400;
inline constexpr TcsCapSet FeederEnabled = 0x800;
inline constexpr TcsCapSet FeederLoaded = 0x1000;
inline constexpr TcsCapSet AutoFeed = 0x2000;
inline constexpr TcsCapSet BorderDetection = 0x4000;
inline constexpr TcsCapSet Indicators = 0x8000;
inline constexpr TcsCapSet TransferMechanism = 0x10000;
inline constexpr TcsCapSet Units = 0x20000;
inline constexpr TcsCapSet ImageLayout = 0x40000;
} // namespace TcsCap

// Real <-> TW_FIX32: nearest value, ties to even.
TW_FIX32 FloatToFix32(double value);
double Fix32ToFloat(TW_FIX32 value);

// The scan area of a frame preset, in centimetres (all zero for fsCustom and fsDetected).
TW_FRAME FramePreset(TcsFrameSize size);

// The texts of the error kinds (0 to 14), return codes (0 to 7) and condition codes (0 to 12);
// other numbers give their decimal value.
std::string TwainErrorKindText(int kind);
std::string TwainReturnCodeText(TW_UINT16 code);
std::string TwainConditionCodeText(TW_UINT16 code);

// Where the component finds its source manager: the library's name (for messages) and its entry
// point, null when the library is not there.
struct TTwainSourceManager {
    std::string Name;
    DSMENTRYPROC Entry = nullptr;
};

// Talks to scanners through a TWAIN source manager: opens a source, negotiates capabilities from
// its properties, enables it, runs the message loop until the source is done, fetches every image
// by native transfer and hands it over through OnDibReady, then takes everything down again. Every
// top-level operation (SelectSource, ListSources, Acquire) leaves the session in state 1.
class TTwainSession {
public:
    TTwainSession();
    // Keeps the settings (see SaveKeptSettings); a file that cannot be written is left as it was.
    ~TTwainSession();
    TTwainSession(const TTwainSession&) = delete;
    TTwainSession& operator=(const TTwainSession&) = delete;

    TTwainSourceManager SourceManager;
    // Passed to the source as the parent of its own windows.
    TW_HANDLE OwnerWindow = nullptr;
    TW_IDENTITY AppIdentity;

    bool UserInterface = false;
    bool Indicators = true;
    bool AutoBrightness = true;
    bool Inverted = false;
    bool FeederEnabled = true;
    TcsBitDepthReduction BitDepthReduction = TcsBitDepthReduction::brThreshold;
    TcsFrameSize FrameSize = TcsFrameSize::fsA4;
    std::uint8_t Threshold = 128;

    TcsPixelType PixelType() const { return PixelType_; }
    void SetPixelType(TcsPixelType value);
    TcsBitDepth BitDepth() const { return BitDepth_; }
    void SetBitDepth(TcsBitDepth value);
    std::int32_t Resolution() const { return Resolution_; }
    void SetResolution(std::int32_t value);
    std::uint8_t Brightness() const { return Brightness_; }
    void SetBrightness(std::uint8_t value);
    std::uint8_t Contrast() const { return Contrast_; }
    void SetContrast(std::uint8_t value);
    std::uint8_t Highlight() const { return Highlight_; }
    void SetHighlight(std::uint8_t value);
    std::uint8_t Shadow() const { return Shadow_; }
    void SetShadow(std::uint8_t value);

    // Kept settings: an INI file stands in for the registry. Its section is the registry key,
    // HKEY_CURRENT_USER (or HKEY_LOCAL_MACHINE) then Software, RegCompany, AppIdentity's product
    // family and product name and TWAIN, joined by backslashes. Nothing is written while RegCompany
    // is blank.
    TcsRootKeyType RegRootKey = TcsRootKeyType::THKEY_CURRENT_USER;
    std::string RegCompany;
    std::string RegistryFile; // the INI file's path; empty keeps nothing
    std::string RegistryKey() const;
    // Reads the kept values when the key exists; a missing or unreadable value keeps the property.
    void LoadKeptSettings();
    // Writes the kept values unless RegCompany is blank. Throws ECwError when the file cannot be written.
    void SaveKeptSettings() const;

    // Events; the first argument is the sender.
    std::function<void(TTwainSession&, bool& enable, bool& setCurrent)> OnNegotiate;
    std::function<void(TTwainSession&, bool& enable, TcsCapSet capSet)> OnEnableSource;
    std::function<void(TTwainSession&, TW_FRAME& frame)> OnSetFrame;
    std::function<void(TTwainSession&)> OnNewImage;
    std::function<void(TTwainSession&, const TPicture& dib)> OnDibReady;
    // The raw native-transfer memory (a packed DIB) and its size, before it is freed.
    std::function<void(TTwainSession&, const std::uint8_t* memory, std::size_t size)> OnMemoryReady;
    // Shows a message to the user (the window puts up an error box; the command line prints it).
    std::function<void(const std::string& message)> OnErrorMessage;
    // The message loop's wait: lets the rest of the program run until something may have happened
    // and returns false when the program is told to quit. Without it the loop polls the source.
    std::function<bool()> WaitForEvents;

    // Low-level operations; each returns whether the state was reached.
    bool LoadSourceManager();
    bool OpenSourceManager();
    bool OpenDefaultSource();
    bool OpenSource(const std::string& name);
    bool EnableSource();
    void DisableSource();
    void CloseSource();
    void CloseSourceManager();
    void UnloadSourceManager();

    // Capability access (state 4 and above for reading, exactly 4 for setting).
    bool GetCapabilityValue(TW_UINT16 cap, TW_UINT16 itemType, void* destination, std::size_t size);
    std::string GetCapabilityText(TW_UINT16 cap);
    bool GetCapabilityRange(TW_UINT16 cap, double& min, double& max, double& step);
    bool SetCapability(TW_UINT16 cap, TW_UINT16 itemType, TW_UINT32 value);

    // Lets the user choose the default source; true when one was chosen.
    bool SelectSource();
    // The product names of all sources, and the 0-based index of the default one (-1 when none).
    int ListSources(std::vector<std::string>& list);
    // One acquisition from the source of that product name (the default source when empty); true
    // when the source was enabled and the message loop ran.
    bool Acquire(const std::string& name);

    int State() const { return State_; }
    const TW_IDENTITY& SourceIdentity() const { return SourceId_; }
    int ImageCount() const { return ImageCount_; }
    bool FeederLoaded() const { return FeederLoaded_; }
    bool AutoFeed = true;
    bool BorderDetection = true;

    // firstLine + the kind's text, and for kinds 2 to 5 the return and condition codes.
    std::string ErrorMessage(const std::string& firstLine) const;

private:
    TW_UINT16 CallManager(TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data, TW_UINT32 dg = DG_CONTROL);
    TW_UINT16 CallSource(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);
    void RecordError(int kind, TW_UINT16 rc);
    void ClearError();
    void ShowMessage(const std::string& message);
    bool StartSession();
    void EndSession();
    bool Negotiate();
    void NegotiateScanArea();
    void NegotiateScaled(TW_UINT16 cap, std::uint8_t value, double divisor, TcsCapSet flag);
    TW_HANDLE GetCapability(TW_UINT16 cap, TW_UINT16& conType);
    void MessageLoop();
    void TransferLoop();
    bool EndTransfer();
    void ResetTransfers();
    void DeliverImage(TW_HANDLE memory);

    int State_ = 1;
    DSMENTRYPROC Entry_ = nullptr;
    TW_IDENTITY SourceId_;
    int ImageCount_ = 0;
    TcsCapSet CapSet_ = 0;
    bool FeederLoaded_ = false;

    TcsPixelType PixelType_ = TcsPixelType::pxGray;
    TcsBitDepth BitDepth_ = TcsBitDepth::bd8Bit;
    std::int32_t Resolution_ = 100;
    std::uint8_t Brightness_ = 125;
    std::uint8_t Contrast_ = 125;
    std::uint8_t Highlight_ = 255;
    std::uint8_t Shadow_ = 0;

    int ErrorKind_ = 0;
    TW_UINT16 ErrorRc_ = TWRC_SUCCESS;
    TW_UINT16 ErrorCc_ = TWCC_SUCCESS;
    bool ErrorRecorded_ = false;
};
