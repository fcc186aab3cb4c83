#include "cli/RenderCommands.h"

#include "cli/CliArguments.h"
#include "base/AtomicFile.h"
#include "document/CelPictures.h"
#include "document/MissingDrawings.h"
#include "base/Error.h"
#include "base/TextUtil.h"
#include "document/SheetDocument.h"
#include "document/SheetInputs.h"
#include "export/EncodeGraph.h"
#include "export/EncoderProperties.h"
#include "export/AviBuilder.h"
#include "imaging/FramePipeline.h"
#include "imaging/PictureCodecs.h"
#include "imaging/PictureFilters.h"
#include "imaging/Compositor.h"
#include "settings/Preferences.h"

#include <QCoreApplication>
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
)";

const char* const kExportHelp =
    R"(Usage: celwright-cli export SHEET.xps OUT.avi [--size WxH] [--video-codec NAME] [--audio-codec NAME]
                           [--encoder-defaults] [--allow-missing]
       celwright-cli export --list-codecs [--size WxH]

Builds the AVI movie of the sheet as Celwright's export does: frames 1 to the last frame with a cel
on any layer (hidden layers count for the length but are not drawn), at the sheet's frame rate,
combined with the composite mode in force from your preferences. Without a video encoder and
without sound the movie is written uncompressed, 24-bit; with an encoder, or when the sheet has a
sound file, the movie passes through the media platform's encoders and carries the sound up to
its last frame, in stereo at most. OUT.avi is replaced only when the movie is complete; a failed or
interrupted export leaves no file behind, neither beside it nor in the temporary folder. An OUT.avi
that is the sheet, its sound file or one of its drawings is refused, and nothing is written. An
encoder runs with the settings
last chosen for it in Celwright's export dialog (kept in celwright.ini); stored values that no
longer fit the encoder are left out, each named on stderr.

  --size WxH          movie size in pixels (default: the size of the sheet's first drawing)
  --video-codec NAME  a video encoder element, or none (uncompressed; the default)
  --audio-codec NAME  an audio encoder element, or none (16-bit PCM; the default)
  --encoder-defaults  run the encoders with their own defaults, not the settings in celwright.ini
  --allow-missing     drawings that are not on disk become white paper; without it a sheet that
                      names missing drawings is refused with their list (file, layer, frames) and
                      nothing is written
  --list-codecs       print the encoders that work here, one a line: "video NAME DESCRIPTION" and
                      "audio NAME DESCRIPTION" (checked at --size, default 320x240, at 24 fps)
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

// The encoder named on the command line: "" for none. Throws when it is not a working encoder.
std::string CheckedCompressor(const std::string& name, bool video, TSize size, std::int32_t fps) {
    if (name.empty() || name == "none")
        return {};
    const auto candidates = CandidateCompressors(video);
    if (std::none_of(candidates.begin(), candidates.end(),
                     [&](const TCompressorInfo& info) { return info.Element == name; }))
        throw ECwError(std::string("Unknown ") + (video ? "video" : "audio") + " encoder \"" + name +
                       "\" (celwright-cli export --list-codecs shows those that work).");
    std::string why;
    if (!CompressorWorks(name, video, size.Width, size.Height, fps, &why))
        throw ECwError("The encoder \"" + name + "\" does not work at " + std::to_string(size.Width) + " x " +
                       std::to_string(size.Height) + ", " + std::to_string(fps) + " fps: " + why);
    return name;
}

int ListCodecs(std::optional<TSize> size, std::ostream& out) {
    const TSize at = size.value_or(TSize{320, 240});
    for (const bool video : {true, false}) {
        for (const TCompressorInfo& info : InstalledCompressors(video, at.Width, at.Height, 24))
            out << (video ? "video " : "audio ") << info.Element << ' ' << info.Description << '\n';
    }
    return kCliExitOk;
}

// The media platform reports on an event loop; a command-line run has none of its own.
std::unique_ptr<QCoreApplication> EnsureEventLoop() {
    if (QCoreApplication::instance())
        return nullptr;
    static int argc = 1;
    static char name[] = "celwright-cli";
    static char* argv[] = {name, nullptr};
    return std::make_unique<QCoreApplication>(argc, argv);
}

} // namespace

int RunExport(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
              const TSheetOpener& open) {
    const TArguments parsed = ParseArguments(args, {"--size", "--video-codec", "--audio-codec"},
                                             {"--list-codecs", "--encoder-defaults", "--allow-missing"});
    if (!parsed.Error.empty())
        return UsageError("export", parsed.Error, kExportHelp, err);
    std::optional<TSize> size;
    if (parsed.Values.contains("--size") && !(size = ParseSize(parsed.Values.at("--size"))))
        return UsageError("export", "--size must be WxH, for example 640x480", kExportHelp, err);
    if (parsed.Values.contains("--list-codecs")) {
        if (!parsed.Positional.empty())
            return UsageError("export", "--list-codecs takes no sheet", kExportHelp, err);
        return ListCodecs(size, out);
    }
    if (parsed.Positional.size() != 2)
        return UsageError("export", "give a sheet and a movie file", kExportHelp, err);
    const auto value = [&parsed](const char* name) {
        return parsed.Values.contains(name) ? parsed.Values.at(name) : std::string();
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
        RefuseSheetInputAsOutput(sheet, parsed.Positional[0], parsed.Positional[1]);
        CheckMissingDrawings(sheet, 1, sheet.UsedFrameCount(), parsed.Values.contains("--allow-missing"), err);
        // Without a drawing anywhere the movie is white, at the preview's default size.
        if (!size)
            size = ReferenceSize(sheet).value_or(TSize{320, 240});
        const std::int32_t fps = settings.General.Fps;
        const std::string videoCodec = CheckedCompressor(value("--video-codec"), true, *size, fps);
        std::filesystem::path sound = sheet.AudioFileName();
        std::error_code error;
        if (!sound.empty() && !std::filesystem::is_regular_file(sound, error))
            sound.clear();
        const std::string audioCodec =
            sound.empty() ? std::string() : CheckedCompressor(value("--audio-codec"), false, *size, fps);
        TCompositor rostrum(sheet);
        const TComp mode = settings.General.CompositeMode;
        rostrum.CompositeMode = [mode] { return mode; };
        TAviBuilder builder;
        if (ShowsProgress(err))
            builder.OnProgress = [&](const std::string& caption, std::int32_t done, std::int32_t total) {
                PrintProgress(err, caption, done, total);
            };
        builder.OnInfo = [&](const std::string& line) { out << line << '\n'; };
        const std::filesystem::path target = parsed.Positional[1];
        if (videoCodec.empty() && sound.empty()) {
            builder.BuildFromSheet(target, size->Width, size->Height, rostrum, fps);
            return kCliExitOk;
        }
        // The compressed route: the raw movie first, then through the encoders into a temporary
        // file beside the target that takes its place once complete. An interruption removes the
        // raw movie, its private folder and the unfinished movie.
        const auto loop = EnsureEventLoop();
        TAtomicFile movie(target, TAtomicFile::TAccess::Seekable);
        TRawMovieFile raw(settings.General.TempPath.empty()
                              ? std::filesystem::temp_directory_path()
                              : std::filesystem::path(settings.General.TempPath));
        const TUnfinishedPath rawFolder(raw.Path().parent_path()), rawFile(raw.Path());
        builder.BuildFromSheet(raw.Path(), size->Width, size->Height, rostrum, fps);
        TEncodeGraph graph;
        StartCompression(graph, raw.Path(), movie.TemporaryPath(), videoCodec, remembered(videoCodec), sound,
                         audioCodec, remembered(audioCodec), builder.MovieLengthMs());
        const std::string failure = graph.WaitForCompletion();
        if (!failure.empty())
            throw ECwError("Error during Compressed build of \"" + target.string() + "\": " + failure);
        movie.Commit();
        out << "Compression complete." << '\n';
        return kCliExitOk;
    });
}
