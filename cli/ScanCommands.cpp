#include "cli/ScanCommands.h"

#include "capture/CaptureRules.h"
#include "cli/CliArguments.h"
#include "base/Error.h"
#include "base/TextUtil.h"
#include "document/SheetDocument.h"
#include "document/SheetData.h"
#include "platform/ScanHelperClient.h"
#include "scanner/ScanRules.h"
#include "twain/TwainSession.h"
#include "settings/Folders.h"
#include "settings/LanguageCatalogue.h"
#include "settings/Preferences.h"

#include <chrono>
#include <filesystem>
#include <optional>
#include <ostream>
#include <sstream>
#include <thread>

const char* const kScannersHelp = R"(Usage: celwright-cli scanners

Prints the name of each scanner Celwright can scan from, one per line.
)";

const char* const kScanHelp =
    R"(Usage: celwright-cli scan SHEET.xps --layer L --frame F [--hold H] [--source NAME] [--size WxH]
                         [--portrait] [--area LEFT,TOP,WIDTH,HEIGHT] [--color]
                         [--rotate none|cw|ccw|180] [--name TEXT] [--number TEXT]
                         [--format png|jpg|bmp] [--overwrite]

Scans an area of the glass as the scanner window does: at the resolution the target size needs,
turned upright, resampled to exactly the target size and rotated. Writes it into the folder of
layer L as NAME_NUMBER.png (or .jpg, .bmp), places it on frame F held H frames (the sheet grows as
needed), saves the sheet and prints the path of the written picture.

  --layer L        the layer, counted from 1 (leftmost)
  --frame F        the frame, 1 to 1637
  --hold H         frames the drawing is held (default: your preferences; below 1 counts as 1)
  --source NAME    the scanner, as "celwright-cli scanners" names it (default: the default scanner)
  --size WxH       the picture's size (default 640x480)
  --portrait       an upright frame: the picture is H x W
  --area L,T,W,H   the area on the glass in centimetres (default: the whole Letter page,
                   0,0,21.6,27.9)
  --color          scan in colour (default: grey)
  --rotate R       none, cw, ccw or 180 (default none)
  --name TEXT      the file name's first part (default: the layer's caption)
  --number TEXT    the file name's number (default: the frame, with at least four digits)
  --format F       png, jpg or bmp (default: your preferences)
  --overwrite      replace a picture of the same name; without it such a picture is refused
)";

namespace {

constexpr double kLetterWidthCm = 21.6;
constexpr double kLetterHeightCm = 27.9;

struct TArea {
    double Left = 0;
    double Top = 0;
    double Width = kLetterWidthCm;
    double Height = kLetterHeightCm;
};

std::optional<TArea> ParseArea(const std::string& text) {
    std::vector<double> values;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find(',', start), text.size());
        const std::string part = text.substr(start, end - start);
        try {
            std::size_t used = 0;
            values.push_back(std::stod(part, &used));
            if (used != part.size())
                return std::nullopt;
        } catch (const std::exception&) {
            return std::nullopt;
        }
        start = end + 1;
    }
    if (values.size() != 4 || values[0] < 0 || values[1] < 0 || values[2] <= 0 || values[3] <= 0)
        return std::nullopt;
    return TArea{values[0], values[1], values[2], values[3]};
}

std::optional<TScanRotation> ParseRotation(const std::string& text) {
    if (text == "none")
        return TScanRotation::None;
    if (text == "cw")
        return TScanRotation::Clockwise;
    if (text == "ccw")
        return TScanRotation::CounterClockwise;
    if (text == "180")
        return TScanRotation::Half;
    return std::nullopt;
}

std::string ScanFaultMessage(TScanFault fault, double seconds) {
    if (fault == TScanFault::Crash)
        return std::string(LanguageKey("msgErrScannerStopped").Text);
    std::string text(LanguageKey("msgErrScannerSilent").Text);
    std::ostringstream number;
    number << seconds;
    return text.replace(text.find("%s"), 2, number.str());
}

// The component on the SANE source manager, its messages gathered for the caller.
struct TScanSession {
    TTwainSession Scan;
    std::vector<std::string> Messages;
    bool Faulted = false;

    TScanSession() {
        // The driver runs in the scan helper, under its watchdog.
        SetScanHelperSettings({UserFolder(), nullptr, nullptr, [this](TScanFault fault, double seconds) {
                                   Messages.push_back(ScanFaultMessage(fault, seconds));
                                   Faulted = true;
                               }});
        Scan.SourceManager = {"SANE", &ScanHelperDsmEntry};
        Scan.OnErrorMessage = [this](const std::string& message) { Messages.push_back(message); };
        // The scan runs in the helper; the loop only has to look now and then.
        Scan.WaitForEvents = [] {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            return true;
        };
    }
    ~TScanSession() { SetScanHelperSettings({}); }
    // A driver that hung or died ends the command, whatever it had delivered.
    void FailOnFault() const {
        if (Faulted)
            Fail("");
    }
    [[noreturn]] void Fail(const std::string& fallback) const {
        std::string text;
        for (const std::string& message : Messages)
            text += (text.empty() ? "" : "\n") + message;
        throw ECwError(text.empty() ? fallback : text);
    }
};

std::string JoinNames(const std::vector<std::string>& names) {
    std::string list;
    for (const std::string& name : names)
        list += (list.empty() ? "" : ", ") + name;
    return list;
}

struct TScanRequest {
    TNewCelPlacement Place;
    std::string Source;
    TSize Size{640, 480};
    bool Portrait = false;
    TArea Area;
    bool Color = false;
    TScanRotation Rotation = TScanRotation::None;
};

// Scans the request's area, turned upright and finished at its size.
TPicture ScanPicture(const TScanRequest& request) {
    TScanSession session;
    std::vector<std::string> names;
    session.Scan.ListSources(names);
    session.FailOnFault();
    if (names.empty())
        session.Fail("No scanner found.");
    if (!request.Source.empty() && std::find(names.begin(), names.end(), request.Source) == names.end())
        throw ECwError("No scanner is named \"" + request.Source + "\". Scanners: " + JoinNames(names));

    TResolutionRange range;
    const std::string failure = ReadResolutionRange(session.Scan, request.Source, range);
    session.FailOnFault();
    if (!failure.empty())
        session.Fail(failure);
    // The picture's width runs along the glass's height once the scan is turned upright.
    session.Scan.SetResolution(ScanResolution(range, request.Area.Height / 2.54, request.Size.Width));
    session.Scan.SetPixelType(request.Color ? TcsPixelType::pxRGB : TcsPixelType::pxGray);
    session.Scan.FrameSize = TcsFrameSize::fsCustom;
    session.Scan.OnSetFrame = [&](TTwainSession&, TW_FRAME& frame) {
        frame =
            GlassAreaToFrame(request.Area.Left, request.Area.Top, request.Area.Width, request.Area.Height);
    };
    std::optional<TPicture> scanned;
    session.Scan.OnDibReady = [&](TTwainSession&, const TPicture& picture) { scanned = picture; };
    session.Scan.Acquire(request.Source);
    session.FailOnFault();
    if (!scanned)
        session.Fail("The scanner gave no picture.");
    const std::int32_t width = request.Portrait ? request.Size.Height : request.Size.Width;
    const std::int32_t height = request.Portrait ? request.Size.Width : request.Size.Height;
    return FinishScan(*scanned, width, height, request.Rotation);
}

} // namespace

int RunScanners(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (!args.empty())
        return UsageError("scanners", "takes no arguments", kScannersHelp, err);
    TScanSession session;
    std::vector<std::string> names;
    session.Scan.ListSources(names);
    session.FailOnFault();
    for (const std::string& name : names)
        out << name << '\n';
    return kCliExitOk;
}

int RunScan(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
            const TCaptureOpener& open) {
    const TArguments parsed = ParseArguments(args,
                                             {"--layer", "--frame", "--hold", "--source", "--size", "--area",
                                              "--rotate", "--name", "--number", "--format"},
                                             {"--portrait", "--color", "--overwrite"});
    if (!parsed.Error.empty())
        return UsageError("scan", parsed.Error, kScanHelp, err);
    if (parsed.Positional.size() != 1)
        return UsageError("scan", "give one sheet", kScanHelp, err);
    for (const char* needed : {"--layer", "--frame"}) {
        if (!parsed.Values.contains(needed))
            return UsageError("scan", std::string(needed) + " is missing", kScanHelp, err);
    }
    auto value = [&](const char* name) -> std::optional<std::string> {
        const auto it = parsed.Values.find(name);
        return it == parsed.Values.end() ? std::nullopt : std::optional<std::string>(it->second);
    };
    TScanRequest request;
    request.Place = ReadNewCelPlacement(parsed);
    request.Source = value("--source").value_or("");
    if (value("--size")) {
        const std::optional<TSize> size = ParseSize(*value("--size"));
        if (!size)
            return UsageError("scan", "--size must be WxH, for example 640x480", kScanHelp, err);
        request.Size = *size;
    }
    if (value("--area")) {
        const std::optional<TArea> area = ParseArea(*value("--area"));
        if (!area)
            return UsageError("scan",
                              "--area must be LEFT,TOP,WIDTH,HEIGHT in centimetres, for example 2,3,12,9",
                              kScanHelp, err);
        request.Area = *area;
    }
    if (value("--rotate")) {
        const std::optional<TScanRotation> rotation = ParseRotation(*value("--rotate"));
        if (!rotation)
            return UsageError("scan", "--rotate must be none, cw, ccw or 180", kScanHelp, err);
        request.Rotation = *rotation;
    }
    if (value("--format") && !(request.Place.Format = ImageFormatFromName(*value("--format"))))
        return UsageError("scan", "--format must be png, jpg or bmp", kScanHelp, err);
    request.Portrait = parsed.Values.contains("--portrait");
    request.Color = parsed.Values.contains("--color");
    CheckNewCelFrame(request.Place);

    return open(parsed.Positional[0], err,
                [&](TSheetDocument& sheet, const TSettings& settings, const std::function<void()>& save) {
                    return PlaceNewPicture(
                        sheet, settings, save, request.Place, !request.Color,
                        [&] { return ScanPicture(request); }, out);
                });
}
