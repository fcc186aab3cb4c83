#include "cli/CaptureCommands.h"

#include "document/FileNameRules.h"

#include "capture/CaptureRules.h"
#include "capture/TimeLapse.h"
#include "capture/VideoGrabber.h"
#include "cli/CliArguments.h"
#include "base/Error.h"
#include "base/TextUtil.h"
#include "document/SheetDocument.h"
#include "document/SheetData.h"
#include "settings/Folders.h"
#include "settings/LanguageCatalogue.h"
#include "settings/Preferences.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <filesystem>
#include <memory>
#include <ostream>
#include <sstream>

const char* const kCamerasHelp = R"(Usage: celwright-cli cameras

Prints the name of each camera Celwright can capture from, one per line, in the order the
capture window's Cameras menu lists them: video cameras, then still cameras (DSLR, mirrorless)
connected by USB.
)";

const char* const kCaptureHelp =
    R"(Usage: celwright-cli capture SHEET.xps --layer L --frame F [--hold H] [--camera NAME]
                            [--size WxH] [--name TEXT] [--number TEXT] [--format png|jpg|bmp]
                            [--average] [--flip] [--bw] [--square] [--overwrite]
                            [--interval S --count N]

Grabs one picture from a camera as the capture window's Standard layout does, writes it into the
folder of layer L as NAME_NUMBER.png (or .jpg, .bmp), places it on frame F held H frames (the
sheet grows as needed), saves the sheet and prints the path of the written picture. With
--interval and --count it takes N pictures S seconds apart (a time-lapse), each placed after the
one before and numbered on from it, saving the sheet and printing the path after each. A still
camera (DSLR, mirrorless) takes a full-resolution picture: it is scaled to the size for the
sheet, and the camera's own files are kept in the folder raw/ beside it as NAME_NUMBER with
their own extension (.cr2, .nef, .jpg, ...).

  --layer L       the layer, counted from 1 (leftmost)
  --frame F       the frame, 1 to 1637
  --hold H        frames the drawing is held (default: your preferences; below 1 counts as 1)
  --camera NAME   the camera, as "celwright-cli cameras" names it (may be left out with one camera)
  --size WxH      a frame size the camera offers (default: the camera's own); for a still
                  camera, the size its picture is cut and scaled to (default: its live view's)
  --name TEXT     the file name's first part (default: the layer's caption)
  --number TEXT   the file name's number (default: the frame, with at least four digits)
  --format F      png, jpg or bmp (default: your preferences)
  --average       the mean of eight frames, to reduce noise
  --flip          turn the picture upside down
  --bw            black and white
  --square        square pixels (DV cameras only; others keep their size)
  --overwrite     replace a picture of the same name; without it such a picture is refused
  --interval S    seconds from one picture to the next, 1 to 3600 (give --count with it)
  --count N       the number of pictures, 1 to 1637 (give --interval with it)
)";

namespace {

// The event loop the video device component reports through; made when the program has none.
class TEventLoopHost {
public:
    TEventLoopHost() {
        if (!QCoreApplication::instance())
            App = std::make_unique<QCoreApplication>(Argc, Argv);
    }

private:
    int Argc = 1;
    char Name[16] = "celwright-cli";
    char* Argv[2] = {Name, nullptr};
    std::unique_ptr<QCoreApplication> App;
};

std::string CameraList(const std::string& lines) {
    std::string list;
    for (const std::string& name : SplitLines(lines))
        list += (list.empty() ? "" : ", ") + name;
    return list;
}

struct TCaptureRequest {
    TNewCelPlacement Place;
    std::optional<std::string> Camera;
    std::optional<TSize> Size;
    bool Average = false;
    TCaptureFilters Filters;
    bool Square = false;
    std::int32_t Interval = TTimeLapse::kMinInterval; // seconds
    std::int32_t Count = 1;
};

// Selects the camera and size the request names; throws when it names none the system has.
void ChooseCamera(TVideoGrabber& grabber, const TCaptureRequest& request) {
    const std::vector<std::string> names = SplitLines(grabber.VideoDevices());
    if (names.empty())
        throw ECwError("No camera found.");
    std::int32_t index = -1;
    if (request.Camera) {
        for (std::size_t i = 0; i < names.size(); ++i) {
            if (names[i] == *request.Camera)
                index = static_cast<std::int32_t>(i);
        }
        if (index < 0)
            throw ECwError("No camera is named \"" + *request.Camera +
                           "\". Cameras: " + CameraList(grabber.VideoDevices()));
    } else if (names.size() == 1) {
        index = 0;
    } else {
        throw ECwError("There are several cameras; choose one with --camera: " +
                       CameraList(grabber.VideoDevices()));
    }
    grabber.SetVideoDevice(index);
    if (request.Size) {
        const std::int32_t size = grabber.FindVideoSize(request.Size->Width, request.Size->Height);
        if (size < 0) {
            std::vector<std::string> sizes = SplitLines(grabber.VideoSizes());
            sizes.erase(sizes.begin());
            std::string offered;
            for (const std::string& line : sizes)
                offered += (offered.empty() ? "" : ", ") + line;
            throw ECwError("The camera \"" + names[static_cast<std::size_t>(index)] +
                           "\" does not offer the size " + std::to_string(request.Size->Width) + "x" +
                           std::to_string(request.Size->Height) + ". Sizes: " + offered);
        }
        grabber.SetVideoSize(size);
    }
    if (!grabber.IsDV())
        grabber.SetFrameRate(15.0);
}

// The camera running for a capture: its pictures one after another, each one interval after the one
// before (the first at once), each its frame or the mean of eight.
class TCameraShots {
public:
    TCameraShots(TVideoGrabber& grabber, bool average, std::int32_t intervalSeconds)
        : Grabber(grabber), Average(average), Interval(intervalSeconds) {
        auto fail = [this](TVideoGrabber&, const std::string& message) {
            Failure = message;
            Loop.quit();
        };
        Grabber.OnPreviewError = fail;
        Grabber.OnSizeRefused = fail;
        Grabber.OnFrameCaptureFailed = fail;
        Grabber.OnFrameCaptureCompleted = [this](TVideoGrabber& sender, const TPicture& frame) {
            if (!Collector.Add(frame)) {
                sender.GrabFrame();
                return;
            }
            Picture = Collector.Result();
            Loop.quit();
        };
        Schedule.OnShoot = [this] {
            if (!Grabber.PreviewStarted())
                return false;
            Collector.Start(Average);
            Grabber.GrabFrame();
            return true;
        };
    }
    ~TCameraShots() { Grabber.StopPreview(); }
    TCameraShots(const TCameraShots&) = delete;
    TCameraShots& operator=(const TCameraShots&) = delete;

    // Waits for the next picture; throws ECwError when the camera gives none.
    TPicture Next() {
        Picture = TPicture();
        if (Schedule.Running()) {
            Schedule.ShotEnded(true);
        } else {
            StartCamera();
            Schedule.Start(Interval, 0);
        }
        if (Picture.Empty() && Failure.empty())
            Loop.exec();
        if (Picture.Empty())
            throw ECwError(Failure.empty() ? "The camera gave no picture." : Failure);
        return std::move(Picture);
    }

private:
    void StartCamera() {
        // A still camera takes a few seconds to open and start its live view.
        const std::int32_t startMs =
            Grabber.IsStillCamera() ? TVideoGrabber::kStillGrabTimeoutMs : TVideoGrabber::kGrabTimeoutMs;
        StartTimeout.setSingleShot(true);
        QObject::connect(&StartTimeout, &QTimer::timeout, [this, startMs] {
            if (!Grabber.PreviewStarted()) {
                Failure = "The camera \"" + Grabber.VideoDeviceName() + "\" gave no picture within " +
                          std::to_string(startMs / 1000) + " seconds.";
                Loop.quit();
            }
        });
        StartTimeout.start(startMs);
        Grabber.StartPreview();
    }

    TVideoGrabber& Grabber;
    bool Average;
    std::int32_t Interval;
    TTimeLapse Schedule;
    TFrameCollector Collector;
    QEventLoop Loop;
    QTimer StartTimeout;
    TPicture Picture;
    std::string Failure;
};

} // namespace

TNewCelPlacement ReadNewCelPlacement(const TArguments& parsed) {
    auto value = [&](const char* name) -> std::optional<std::string> {
        const auto it = parsed.Values.find(name);
        return it == parsed.Values.end() ? std::nullopt : std::optional<std::string>(it->second);
    };
    TNewCelPlacement placement;
    placement.Layer = StrToInt(*value("--layer"));
    placement.Frame = StrToInt(*value("--frame"));
    if (value("--hold"))
        placement.Hold = StrToInt(*value("--hold"));
    placement.Name = value("--name");
    placement.Number = value("--number");
    placement.Overwrite = parsed.Values.contains("--overwrite");
    return placement;
}

void CheckNewCelFrame(const TNewCelPlacement& placement) {
    if (placement.Frame < 1 || placement.Frame > kMaxFrames)
        throw ECwError("Frame " + std::to_string(placement.Frame) + " is outside 1 to " +
                       std::to_string(kMaxFrames) + ".");
}

int PlaceNewPicture(TSheetDocument& sheet, const TSettings& settings, const std::function<void()>& save,
                    const TNewCelPlacement& placement, bool blackAndWhite,
                    const std::function<TPicture()>& produce, std::ostream& out,
                    const TBesidePicture& beside) {
    if (placement.Layer < 1 || placement.Layer > sheet.LayerCount())
        throw ECwError("Layer " + std::to_string(placement.Layer) + " is not on the sheet (1 to " +
                       std::to_string(sheet.LayerCount()) + ").");
    const std::string folder = sheet.LayerFolder(placement.Layer);
    std::error_code error;
    if (folder.empty() || !std::filesystem::is_directory(folder, error))
        throw ECwError(std::string(LanguageKey("msgErrBadPath").Text) + " (layer " +
                       std::to_string(placement.Layer) + ": \"" + folder + "\")");
    const std::int32_t hold = std::max(1, placement.Hold.value_or(settings.Capture.Hold));
    if (placement.Frame + hold - 1 > kMaxFrames)
        throw ECwError("The Xsheet has a maximum of 1637 frames.");
    const TcwImageFormat format = placement.Format.value_or(settings.Capture.CaptureFormat);
    const std::filesystem::path picture =
        NewPicturePath(folder, placement.Name.value_or(NameFromCaption(sheet.LayerCaption(placement.Layer))),
                       placement.Number.value_or(PadNumber(placement.Frame)), format);
    const std::string fileName = picture.filename().string();
    const std::string path = picture.string();
    const bool existed = std::filesystem::exists(path, error);
    if (existed && !placement.Overwrite)
        throw ECwError(fileName + " already exists in the Layer directory (" + folder +
                       "). Give --overwrite to replace it.");

    WriteCapture(path, produce(), format, blackAndWhite);
    try {
        if (beside)
            beside(folder, fileName);
        PlaceCapture(sheet, placement.Layer, placement.Frame, fileName, hold);
        save();
    } catch (...) {
        // The sheet does not name the picture: a new one is not left behind.
        if (!existed)
            std::filesystem::remove(path, error);
        throw;
    }
    out << path << '\n';
    return kCliExitOk;
}

int RunCameras(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (!args.empty())
        return UsageError("cameras", "takes no arguments", kCamerasHelp, err);
    TEventLoopHost host;
    TVideoGrabber grabber(TVideoGrabber::TestCameraEnabled(UserFolder()), false);
    out << grabber.VideoDevices();
    return kCliExitOk;
}

int RunCapture(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
               const TCaptureOpener& open) {
    const TArguments parsed = ParseArguments(
        args,
        {"--layer", "--frame", "--hold", "--camera", "--size", "--name", "--number", "--format", "--interval",
         "--count"},
        {"--average", "--flip", "--bw", "--square", "--overwrite"});
    if (!parsed.Error.empty())
        return UsageError("capture", parsed.Error, kCaptureHelp, err);
    if (parsed.Positional.size() != 1)
        return UsageError("capture", "give one sheet", kCaptureHelp, err);
    for (const char* needed : {"--layer", "--frame"}) {
        if (!parsed.Values.contains(needed))
            return UsageError("capture", std::string(needed) + " is missing", kCaptureHelp, err);
    }
    TCaptureRequest request;
    request.Place = ReadNewCelPlacement(parsed);
    if (parsed.Values.contains("--camera"))
        request.Camera = parsed.Values.at("--camera");
    if (parsed.Values.contains("--size") && !(request.Size = ParseSize(parsed.Values.at("--size"))))
        return UsageError("capture", "--size must be WxH, for example 640x480", kCaptureHelp, err);
    if (parsed.Values.contains("--format") &&
        !(request.Place.Format = ImageFormatFromName(parsed.Values.at("--format"))))
        return UsageError("capture", "--format must be png, jpg or bmp", kCaptureHelp, err);
    request.Average = parsed.Values.contains("--average");
    request.Filters.UpsideDown = parsed.Values.contains("--flip");
    request.Filters.BlackAndWhite = parsed.Values.contains("--bw");
    request.Square = parsed.Values.contains("--square");
    if (parsed.Values.contains("--interval") != parsed.Values.contains("--count"))
        return UsageError("capture", "--interval and --count go together", kCaptureHelp, err);
    if (parsed.Values.contains("--interval")) {
        request.Interval = StrToInt(parsed.Values.at("--interval"));
        request.Count = StrToInt(parsed.Values.at("--count"));
        if (request.Interval < TTimeLapse::kMinInterval || request.Interval > TTimeLapse::kMaxInterval)
            return UsageError("capture", "--interval must be 1 to 3600 seconds", kCaptureHelp, err);
        if (request.Count < 1 || request.Count > kMaxFrames)
            return UsageError("capture", "--count must be 1 to 1637", kCaptureHelp, err);
    }
    CheckNewCelFrame(request.Place);

    return open(parsed.Positional[0], err,
                [&](TSheetDocument& sheet, const TSettings& settings, const std::function<void()>& save) {
                    TEventLoopHost host;
                    TVideoGrabber grabber(TVideoGrabber::TestCameraEnabled(UserFolder()), false);
                    grabber.TestFaults = TVideoGrabber::TestCameraFaults(UserFolder());
                    ChooseCamera(grabber, request);
                    TCameraShots shots(grabber, request.Average, request.Interval);
                    const std::int32_t hold = std::max(1, request.Place.Hold.value_or(settings.Capture.Hold));
                    if (request.Place.Frame + request.Count * hold - 1 > kMaxFrames)
                        throw ECwError(std::string(LanguageKey("msgErrMaxFrame").Text));
                    TNewCelPlacement place = request.Place;
                    for (std::int32_t shot = 0; shot < request.Count; ++shot) {
                        PlaceNewPicture(
                            sheet, settings, save, place, request.Filters.BlackAndWhite,
                            [&] {
                                TPicture picture = shots.Next();
                                TCaptureFilters filters = request.Filters;
                                filters.SquarePixels = request.Square && grabber.IsDV();
                                ProcessCapture(picture, filters);
                                return picture;
                            },
                            out,
                            [&](const std::string& folder, const std::string& fileName) {
                                // A still camera's own files for the picture, kept in raw/ beside it.
                                KeepStillOriginals(folder, fileName, grabber.StillFiles());
                            });
                        out.flush();
                        place.Frame += hold;
                        if (place.Number)
                            place.Number = IncrementNumber(*place.Number);
                    }
                    return kCliExitOk;
                });
}
