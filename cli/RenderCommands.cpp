#include "cli/RenderCommands.h"

#include "cli/CliArguments.h"
#include "base/AtomicFile.h"
#include "document/CelPictures.h"
#include "document/MissingDrawings.h"
#include "base/Error.h"
#include "base/TextUtil.h"
#include "document/SheetDocument.h"
#include "document/SheetInputs.h"
#include "audio/AudioConverter.h"
#include "export/EncodeGraph.h"
#include "export/EncoderProperties.h"
#include "export/MovieExport.h"
#include "imaging/FramePipeline.h"
#include "imaging/PictureCodecs.h"
#include "imaging/PictureFilters.h"
#include "imaging/Compositor.h"
#include "settings/Preferences.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <sys/stat.h>
#include <unistd.h>

const char* const kRenderHelp =
    R"(Usage: celwright-cli render SHEET.xps --out-dir DIR [--from A] [--to B] [--size WxH]
                           [--composite darken|blend|multiply] [--bw] [--allow-missing]

Renders frames of the sheet the way the preview does and writes each as DIR/NNNN.png, NNNN being
the sheet's frame number with at least four digits. The frames run upward from A, as many as lie
between A and B (so --from 5 --to 2 renders frames 5 to 8). Pictures are 24-bit RGB, or 8-bit grey
with --bw.

  --from A        first frame (default 1)
  --to B          together with A, sets the count: |B - A| + 1 frames (default: the last frame
                  with a drawing on a visible layer)
  --size WxH      frame size in pixels (default: the size of the sheet's first drawing)
  --composite M   how layers combine: darken, blend or multiply (default: the mode in force from
                  your preferences)
  --bw            black and white
  --out-dir DIR   where the pictures go; made when missing, existing pictures are replaced
  --allow-missing render drawings that are not on disk as white paper; without it a sheet that
                  names missing drawings on these frames is refused with their list (file, layer,
                  frames) and nothing is written

Cels that cannot be placed on a sheet (no first frame, a hold below 1 frame, or passing frame
1637) are left out, each named on stderr; the frames are rendered without them and the exit
status is then 3.
)";

const char* const kExportHelp =
    R"(Usage: celwright-cli export SHEET.xps OUT [--frames A-B] [--size WxH] [--video-codec NAME]
                           [--audio-codec NAME] [--encoder-defaults] [--allow-missing]
       celwright-cli export --list-codecs [--size WxH]

Builds the movie of the sheet as Celwright's export does, in the kind of file OUT's suffix names:
.avi (AVI), .mp4 (MP4), .mkv (Matroska), .webm (WebM), .gif (animated GIF) or .png (a PNG picture
per frame, OUT_NNNN.png with the sheet's frame number). The movie runs from frame 1 to the last
frame with a cel on any layer, or to the frame in which the sound ends when the sound is longer
(the last frame's picture holds), at most 1637 frames; --frames chooses the range instead. It
plays at the sheet's frame rate, combined with the composite mode in force from your preferences
(hidden layers count for the length but are not drawn). The sound is cut to the movie's range and
starts with its first frame, in stereo at most, with silence after its end; GIF and PNG carry no
sound. An uncompressed AVI without sound is written straight from the frames, and into a pipe or a
device as it is built; the other kinds pass the frames straight into the media platform's
encoders. OUT is replaced only when the movie is complete; a failed or interrupted export leaves no
file behind, neither beside it nor in the temporary folder. An OUT that is the sheet, its sound file
or one of its drawings is refused, and nothing is written. An encoder runs with the settings last
chosen for it in Celwright's export dialog (kept in celwright.ini); stored values that no longer fit
the encoder are left out, each named on stderr. Cels that cannot be placed on a sheet (no first
frame, a hold below 1 frame, or passing frame 1637) are left out, each named on stderr; the movie
is built without them and the exit status is then 3.

  --frames A-B        the frames to export, from 1 to 1637 (default: see above)
  --size WxH          movie size in pixels (default: the size of the sheet's first drawing)
  --video-codec NAME  a video encoder element, or none (uncompressed, AVI only); the default is
                      none for AVI, else the first that works of x264enc and openh264enc (MP4),
                      x264enc, openh264enc and vp9enc (Matroska), vp8enc and vp9enc (WebM)
  --audio-codec NAME  an audio encoder element, or none (16-bit PCM, AVI and Matroska); the default
                      is none for AVI, else the first that works of avenc_aac, voaacenc and
                      lamemp3enc (MP4), avenc_aac, voaacenc and opusenc (Matroska), opusenc (WebM)
  --encoder-defaults  run the encoders with their own defaults, not the settings in celwright.ini
  --allow-missing     drawings that are not on disk become white paper; without it a sheet that
                      names missing drawings is refused with their list (file, layer, frames) and
                      nothing is written
  --list-codecs       print the encoders that work here, one a line: "video NAME DESCRIPTION" and
                      "audio NAME DESCRIPTION", then one line per kind of movie that can be written:
                      "container SUFFIX video=NAMES audio=NAMES", NAMES separated by commas ("none"
                      uncompressed, "builtin" Celwright's own writer, "-" no sound); checked at
                      --size (default 320x240) at 24 fps
)";

namespace {

const char* const kSheetEmpty = "Exposure Sheet is empty.";

std::optional<TComp> ParseComposite(const std::string& text) {
    const std::string name = ToLowerAscii(text);
    if (name == "darken")
        return TComp::cDarken;
    if (name == "blend")
        return TComp::cBlend;
    if (name == "multiply")
        return TComp::cMultiply;
    return std::nullopt;
}

// Progress lines are for a person watching: only when stderr is a terminal.
bool ShowsProgress(const std::ostream& err) {
    return &err == &std::cerr && ::isatty(STDERR_FILENO) == 1;
}

void PrintProgress(std::ostream& err, const std::string& caption, std::int32_t done, std::int32_t total) {
    err << '\r' << caption << ": " << done << " / " << total << (done == total ? "\n" : "") << std::flush;
}

// The size of the sheet's first drawing; nothing when the sheet has none.
std::optional<TSize> ReferenceSize(TSheetDocument& sheet) {
    std::int32_t width = 0;
    std::int32_t height = 0;
    TPixelFormat format = TPixelFormat::pf24bit;
    if (!GetFirstImageInfo(sheet, width, height, format))
        return std::nullopt;
    return TSize{width, height};
}

// A drawing that is not on disk renders as white paper: the run stops with the list, unless
// allowed, when the list still goes to stderr.
void CheckMissingDrawings(const TSheetDocument& sheet, std::int32_t first, std::int32_t last, bool allowed,
                          std::ostream& err) {
    const std::vector<TMissingDrawing> missing = FindMissingDrawings(sheet, first, last);
    if (missing.empty())
        return;
    std::string report = MissingDrawingsReport(missing);
    if (allowed) {
        err << "Drawings are missing and render as white paper:\n" << report;
        return;
    }
    report.pop_back(); // the error's own line end follows
    throw ECwError("Drawings are missing (--allow-missing renders them as white paper):\n" + report);
}

std::string FramePictureName(std::int32_t frame) {
    char name[32];
    std::snprintf(name, sizeof name, "%04d.png", frame);
    return name;
}

} // namespace

int RunRender(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
              const TSheetOpener& open) {
    const TArguments parsed =
        ParseArguments(args, {"--from", "--to", "--size", "--composite", "--out-dir"}, {"--bw", "--allow-missing"});
    if (!parsed.Error.empty())
        return UsageError("render", parsed.Error, kRenderHelp, err);
    if (parsed.Positional.size() != 1)
        return UsageError("render", "give one sheet", kRenderHelp, err);
    if (!parsed.Values.contains("--out-dir"))
        return UsageError("render", "--out-dir is missing", kRenderHelp, err);
    std::optional<TSize> size;
    if (parsed.Values.contains("--size") && !(size = ParseSize(parsed.Values.at("--size"))))
        return UsageError("render", "--size must be WxH, for example 640x480", kRenderHelp, err);
    std::optional<TComp> composite;
    if (parsed.Values.contains("--composite") &&
        !(composite = ParseComposite(parsed.Values.at("--composite"))))
        return UsageError("render", "--composite must be darken, blend or multiply", kRenderHelp, err);
    std::optional<std::int32_t> from, to;
    if (parsed.Values.contains("--from"))
        from = StrToInt(parsed.Values.at("--from"));
    if (parsed.Values.contains("--to"))
        to = StrToInt(parsed.Values.at("--to"));
    const bool bw = parsed.Values.contains("--bw");
    const std::filesystem::path folder = parsed.Values.at("--out-dir");

    return open(parsed.Positional[0], err, [&](TSheetDocument& sheet, const TSettings& settings) {
        if (sheet.IsEmpty())
            throw ECwError(kSheetEmpty);
        // The range the preview would accept: frames of the sheet, counted from 1.
        const std::int32_t first = from.value_or(1);
        const std::int32_t last = to.value_or(sheet.VisibleUsedFrameCount());
        for (const std::int32_t frame : {first, last}) {
            if (frame < 1 || frame > sheet.FrameCount())
                throw ECwError("Frame " + std::to_string(frame) + " is not on the sheet (1 to " +
                               std::to_string(sheet.FrameCount()) + ").");
        }
        CheckMissingDrawings(sheet, first, first + std::abs(last - first), parsed.Values.contains("--allow-missing"),
                             err);
        if (!size && !(size = ReferenceSize(sheet)))
            throw ECwError(kSheetEmpty);

        std::error_code error;
        std::filesystem::create_directories(folder, error);
        if (!std::filesystem::is_directory(folder))
            throw ECwError("Cannot make the folder \"" + folder.string() + "\": " + error.message());

        TCompositor rostrum(sheet);
        const TComp mode = composite.value_or(settings.General.CompositeMode);
        rostrum.CompositeMode = [mode] { return mode; };
        rostrum.SetStageSize(size->Width, size->Height);
        const std::int32_t count = std::abs(last - first) + 1;
        const bool progress = ShowsProgress(err);
        // Frame n + 1 is composited on a worker while frame n is encoded and written; the frames
        // reach the disk with one sync at the end.
        std::array<TPicture, 2> frames;
        RunFramePipeline(
            *rostrum.Pool, count, frames,
            [&](std::int32_t i, TPicture& picture) {
                picture.SetSize(size->Width, size->Height, TPixelFormat::pf24bit);
                rostrum.RenderFrameInto(first + i, {picture.Row(0), picture.Stride(), false});
            },
            [&](std::int32_t i, TPicture& picture) {
                if (bw)
                    ConvertToBw(picture);
                WritePng(folder / FramePictureName(first + i), picture,
                         bw ? TPngIndexedMode::Grayscale : TPngIndexedMode::Palette,
                         {.Fast = true, .Sync = false});
                if (progress)
                    PrintProgress(err, "Rendering", i + 1, count);
                return true;
            });
        SyncFolder(folder);
        out << "Rendered frames " << first << " to " << first + count - 1 << " at " << size->Width << " x "
            << size->Height << " into " << folder.string() << '\n';
        return kCliExitOk;
    });
}

namespace {

// The encoder named on the command line for the format; "none" for none. Without a name, the
// format's default. Throws when it is not a working encoder.
std::string CheckedCompressor(const std::optional<std::string>& name, const TMovieFormat& format, bool video,
                              TSize size, std::int32_t fps) {
    const char* kind = video ? "video" : "audio";
    if (!name) {
        if (video ? format.TakesRawVideo : format.Container == TMovieContainer::Avi)
            return {};
        const std::string element = DefaultCompressor(format, video, size.Width, size.Height, fps);
        if (element.empty())
            throw ECwError(std::string("No ") + kind + " encoder for a " + format.EnglishDescription() +
                           " works here (celwright-cli export --list-codecs shows those that do).");
        return element;
    }
    if (name->empty() || *name == "none")
        return {};
    const auto candidates = CandidateCompressors(format, video);
    if (std::none_of(candidates.begin(), candidates.end(),
                     [&](const TCompressorInfo& info) { return info.Element == *name; }))
        throw ECwError(std::string("Unknown ") + kind + " encoder \"" + *name + "\" for a " +
                       format.EnglishDescription() + " (celwright-cli export --list-codecs shows those that work).");
    std::string why;
    if (!CompressorWorks(*name, format, video, size.Width, size.Height, fps, &why))
        throw ECwError("The encoder \"" + *name + "\" does not work at " + std::to_string(size.Width) + " x " +
                       std::to_string(size.Height) + ", " + std::to_string(fps) + " fps: " + why);
    return *name;
}

std::string JoinNames(const std::vector<TCompressorInfo>& list, bool withNone) {
    std::string names = withNone ? "none" : "";
    for (const TCompressorInfo& info : list)
        names += (names.empty() ? "" : ",") + info.Element;
    return names;
}

int ListCodecs(std::optional<TSize> size, std::ostream& out) {
    const TSize at = size.value_or(TSize{320, 240});
    std::map<const TMovieFormat*, std::array<std::vector<TCompressorInfo>, 2>> working;
    for (const bool video : {true, false}) {
        std::map<std::string, std::string> all;
        for (const TMovieFormat& format : MovieFormats()) {
            working[&format][video] = InstalledCompressors(format, video, at.Width, at.Height, 24);
            for (const TCompressorInfo& info : working[&format][video])
                all.emplace(info.Element, info.Description);
        }
        for (const auto& [element, description] : all)
            out << (video ? "video " : "audio ") << element << ' ' << description << '\n';
    }
    for (const TMovieFormat& format : MovieFormats()) {
        const auto& [audio, video] = working[&format];
        std::string videoNames = *format.Muxer ? JoinNames(video, format.TakesRawVideo) : "builtin";
        if (videoNames.empty())
            continue;
        const std::string audioNames = format.TakesSound ? JoinNames(audio, format.Container != TMovieContainer::Mp4 &&
                                                                                format.Container != TMovieContainer::WebM)
                                                         : "-";
        out << "container " << format.Suffix << " video=" << videoNames << " audio=" << (audioNames.empty() ? "-" : audioNames)
            << '\n';
    }
    return kCliExitOk;
}

// Whether `file` is where standard output goes (/dev/stdout, or the pipe it is): the movie is, and
// the closing line goes to stderr instead.
bool IsStandardOutput(const std::filesystem::path& file) {
    struct stat target {}, output {};
    return ::stat(file.c_str(), &target) == 0 && ::fstat(STDOUT_FILENO, &output) == 0 &&
           target.st_dev == output.st_dev && target.st_ino == output.st_ino;
}

// The sheet's sound file, when it is there to be played, and its length in milliseconds.
std::pair<std::filesystem::path, std::int64_t> SheetSound(const TSheetDocument& sheet) {
    std::filesystem::path sound = sheet.AudioFileName();
    std::error_code error;
    if (sound.empty() || !std::filesystem::is_regular_file(sound, error))
        return {};
    std::string reason;
    return {sound, std::max<std::int64_t>(AudioPlayLengthMs(sound.string(), reason), 0)};
}

} // namespace

int RunExport(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
              const TSheetOpener& open) {
    const TArguments parsed = ParseArguments(args, {"--size", "--video-codec", "--audio-codec", "--frames"},
                                             {"--list-codecs", "--encoder-defaults", "--allow-missing"});
    if (!parsed.Error.empty())
        return UsageError("export", parsed.Error, kExportHelp, err);
    std::optional<TSize> size;
    if (parsed.Values.contains("--size") && !(size = ParseSize(parsed.Values.at("--size"))))
        return UsageError("export", "--size must be WxH, for example 640x480", kExportHelp, err);
    std::optional<TMovieRange> range;
    if (parsed.Values.contains("--frames") && !(range = ParseMovieRange(parsed.Values.at("--frames"))))
        return UsageError("export", "--frames must be A-B, for example 1-48", kExportHelp, err);
    if (parsed.Values.contains("--list-codecs")) {
        if (!parsed.Positional.empty())
            return UsageError("export", "--list-codecs takes no sheet", kExportHelp, err);
        return ListCodecs(size, out);
    }
    if (parsed.Positional.size() != 2)
        return UsageError("export", "give a sheet and a movie file", kExportHelp, err);
    const auto value = [&parsed](const char* name) -> std::optional<std::string> {
        if (!parsed.Values.contains(name))
            return std::nullopt;
        return parsed.Values.at(name);
    };
    // The settings the export dialog would use for the encoder.
    const auto remembered = [&parsed, &err](const std::string& element) {
        if (element.empty() || parsed.Values.contains("--encoder-defaults"))
            return TCompressorSettings{};
        const std::string file = TSettingsManager(UserFolder()).SettingsFilePath();
        std::vector<std::string> dropped;
        TCompressorSettings settings = RememberedEncoderSettings(file, element, &dropped);
        for (const std::string& setting : dropped)
            err << "Left out the setting " << setting << " of " << element << " in " << file
                << ": the encoder takes no such value.\n";
        return settings;
    };

    return open(parsed.Positional[0], err, [&](TSheetDocument& sheet, const TSettings& settings) {
        const std::filesystem::path target = parsed.Positional[1];
        TMovieEncoding encoding;
        encoding.Format = &MovieFormatOf(target);
        encoding.Fps = settings.General.Fps;
        const auto [sound, soundMs] = SheetSound(sheet);
        encoding.Range = range.value_or(WholeMovie(sheet, encoding.Fps, soundMs));
        CheckMovieRange(encoding.Range);
        for (const std::filesystem::path& file : MovieFiles(target, encoding))
            RefuseSheetInputAsOutput(sheet, parsed.Positional[0], file);
        CheckMissingDrawings(sheet, encoding.Range.First, std::min(encoding.Range.Last, sheet.UsedFrameCount()),
                             parsed.Values.contains("--allow-missing"), err);
        // Without a drawing anywhere the movie is white, at the preview's default size.
        if (!size)
            size = ReferenceSize(sheet).value_or(TSize{320, 240});
        encoding.Width = size->Width;
        encoding.Height = size->Height;
        if (*encoding.Format->Muxer) {
            encoding.VideoCompressor = CheckedCompressor(value("--video-codec"), *encoding.Format, true, *size, encoding.Fps);
            encoding.VideoSettings = remembered(encoding.VideoCompressor);
        }
        if (!sound.empty() && encoding.Format->TakesSound) {
            encoding.Sound = sound;
            encoding.AudioCompressor =
                CheckedCompressor(value("--audio-codec"), *encoding.Format, false, *size, encoding.Fps);
            encoding.AudioSettings = remembered(encoding.AudioCompressor);
        }
        TCompositor rostrum(sheet);
        const TComp mode = settings.General.CompositeMode;
        rostrum.CompositeMode = [mode] { return mode; };
        TExportProgress progress;
        if (ShowsProgress(err))
            progress.OnProgress = [&](std::int32_t done, std::int32_t total) {
                PrintProgress(err, "Exporting", done, total);
            };
        try {
            const std::string line = ExportSheetMovie(rostrum, encoding, target, progress);
            (&out == &std::cout && IsStandardOutput(target) ? err : out) << line << '\n';
        } catch (const ECwError& error) {
            if (!PassesThroughEncoders(encoding))
                throw;
            throw ECwError("Error during Compressed build of \"" + target.string() + "\": " + error.what());
        }
        return kCliExitOk;
    });
}
