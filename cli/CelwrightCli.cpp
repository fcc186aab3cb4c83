#include "cli/CelwrightCli.h"

#include "CelwrightVersion.h"
#include "audio/AudioConverter.h"
#include "base/AtomicFile.h"
#include "cli/CaptureCommands.h"
#include "cli/CliArguments.h"
#include "cli/ConvertCommand.h"
#include "cli/LanguageCommands.h"
#include "cli/LipSyncCommands.h"
#include "cli/PrintCommand.h"
#include "cli/RecoverCommand.h"
#include "cli/RenderCommands.h"
#include "cli/ScanCommands.h"
#include "document/SheetDocument.h"
#include "document/SheetLoading.h"
#include "document/XpsFile.h"
#include "settings/Preferences.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <functional>
#include <iomanip>
#include <map>
#include <ostream>
#include <sstream>

namespace {

const char* const kGeneralHelp = R"(Usage: celwright-cli COMMAND [ARGUMENTS]

Works on Celwright exposure sheets (.xps) without opening a window.

Commands:
  info SHEET.xps             show what a sheet holds
  upgrade IN.xps OUT.xps     open a sheet of any version and save it as version 4.0
  convert IN OUT             convert between .xps and .xdts timesheets, both ways
  render SHEET.xps ...       render frames as PNG pictures, as the preview does
  export SHEET.xps OUT       build the movie of the sheet: AVI, MP4, Matroska, WebM, GIF or PNG
  cameras                    list the cameras
  capture SHEET.xps ...      grab a picture from a camera and place it on the sheet
  scanners                   list the scanners
  scan SHEET.xps ...         scan an area of the glass and place it on the sheet
  print SHEET.xps OUT.pdf    print the exposure sheet into a PDF file
  phonemes SHEET.xps DATA    import a dialogue breakdown into the phoneme column
  lipsync SHEET.xps ...      put a layer's mouth drawings on the phonemes
  recover --list             list the recovery records of unsaved sheets
  recover RECORD OUT.xps     save the sheet in a recovery record as OUT.xps
  language-template          write the English interface texts as a language file

Options:
  -h, --help                 show this help
  --version                  show the version

Run "celwright-cli COMMAND --help" for the arguments of one command.
)";

const char* const kInfoHelp = R"(Usage: celwright-cli info SHEET.xps

Opens the sheet the way Celwright does, with your preferences for whatever the sheet does not
say, and prints its version, frame rate and other settings, each layer with its cels (first frame
and hold), the sound file and the phonemes. A readable sound file adds two lines,
  sound length: MS ms
  sound rows: ROWS
where ROWS is what the audio column gets at the sheet's frame rate; a sound file that is missing
or cannot be decoded adds one line instead,
  sound: missing
  sound: unreadable (REASON)
)";

const char* const kUpgradeHelp = R"(Usage: celwright-cli upgrade IN.xps OUT.xps

Opens IN.xps (any version) the way Celwright does and saves it to OUT.xps as version 4.0, as
Save does, with the settings in force: your preferences with the sheet's own settings over them.
OUT.xps is replaced in one step; when saving fails, an existing OUT.xps is left as it was.
Cels that cannot be placed on a sheet (no first frame, a hold below 1 frame, or passing frame
1637) are left out, each named on stderr; the exit status is then 3.
)";

// A sheet opened as the program opens one: the user's preferences, with the sheet's own
// settings applied over them.
struct TOpenedSheet {
    TSheetDocument Document;
    TSettingsManager Settings{UserFolder()};
    float Version = 0;
    std::vector<TLeftOutCel> LeftOut;
};

void OpenSheet(TOpenedSheet& sheet, const std::string& path, std::ostream& err) {
    sheet.Settings.LoadFromFile();
    sheet.Settings.ResetCurrent();

    TXpsSettings documentSettings;
    sheet.Settings.GetDocumentSettings(documentSettings);
    sheet.Document.SetUpdateMode(TSheetDocument::TUpdateMode::Bulk);
    try {
        sheet.Version = LoadSheet(
            sheet.Document, path, documentSettings,
            [&](const TXpsSettings& loaded) { ApplyDocumentSettingsTo(sheet.Settings.Current, loaded); },
            &sheet.LeftOut);
    } catch (...) {
        sheet.Document.SetUpdateMode(TSheetDocument::TUpdateMode::Normal);
        throw;
    }
    sheet.Document.SetUpdateMode(TSheetDocument::TUpdateMode::Normal);
    for (const TLeftOutCel& cel : sheet.LeftOut)
        err << "Left out: " << DescribeLeftOutCel(cel, LeftOutReasonText(cel.Reason)) << '\n';
}

std::string FormatVersion(float version) {
    std::ostringstream text;
    text << version;
    return text.str();
}

// The sound's play length and the audio rows it gives the sheet at its frame rate, as the audio
// column would: a row per frame the sound spans, or per frame of the sheet when that is more.
void PrintSoundLength(const TSheetDocument& doc, const std::string& sound, std::ostream& out) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(sound, error)) {
        out << "sound: missing\n";
        return;
    }
    std::string reason;
    const std::int64_t lengthMs = AudioPlayLengthMs(sound, reason);
    if (lengthMs < 0) {
        out << "sound: unreadable (" << reason << ")\n";
        return;
    }
    TSoundTrack audio;
    audio.DurationMs = static_cast<std::int32_t>(std::min<std::int64_t>(lengthMs, INT32_MAX));
    const std::int32_t rows =
        std::min(kMaxFrames, std::max(audio.FramesCovered(doc.Fps()), doc.FrameCount()));
    out << "sound length: " << lengthMs << " ms\n";
    out << "sound rows: " << rows << '\n';
}

void PrintInfo(const TOpenedSheet& sheet, const std::string& path, std::ostream& out) {
    const TSheetDocument& doc = sheet.Document;
    TXpsSettings settings;
    sheet.Settings.GetDocumentSettings(settings);

    out << "Sheet:          " << path << '\n';
    out << "Version:        " << FormatVersion(sheet.Version) << '\n';
    out << "Frame rate:     " << doc.Fps() << " fps\n";
    out << "Hold:           " << settings.Step << '\n';
    out << "Numbering:      " << settings.Numbering << '\n';
    out << "Layer colour:   " << LayerColorScheme(settings.Color).Name << " (" << settings.Color << ")\n";
    out << "Image format:   " << ImageFormatName(settings.Format) << '\n';
    out << "Default path:   " << settings.Path << '\n';
    out << "Frames:         " << doc.FrameCount() << " (" << doc.UsedFrameCount() << " used)\n";
    out << "Layers:         " << doc.LayerCount() << '\n';
    for (std::int32_t layer = 1; layer <= doc.LayerCount(); ++layer) {
        std::int32_t cels = 0;
        for (std::int32_t frame = 1; frame <= doc.FrameCount(); ++frame) {
            if (const TCel* cel = doc.CelAt(layer, frame); cel && cel->Row == frame - 1)
                ++cels;
        }
        out << "\nLayer " << layer << ": " << doc.LayerCaption(layer) << '\n';
        out << "  Folder:       " << doc.LayerFolder(layer) << '\n';
        out << "  Colours:      " << doc.LayerColors(layer).Name << '\n';
        out << "  Visible:      " << (doc.LayerVisible(layer) ? "yes" : "no") << '\n';
        out << "  Cels:         " << cels << '\n';
        for (std::int32_t frame = 1; frame <= doc.FrameCount();) {
            const TCel* cel = doc.CelAt(layer, frame);
            if (!cel) {
                ++frame;
                continue;
            }
            out << "    frame " << std::setw(4) << frame << "  hold " << std::setw(4) << cel->Duration << "  "
                << cel->Name << '\n';
            frame += cel->Duration;
        }
    }

    const std::string sound = doc.StoredAudioFileName();
    out << "\nSound:          ";
    if (sound.empty())
        out << "none\n";
    else
        out << sound << (std::filesystem::is_regular_file(sound) ? "" : " (missing)") << '\n';
    if (!sound.empty())
        PrintSoundLength(doc, sound, out);
    std::int32_t phonemes = 0;
    for (std::int32_t frame = 1; frame <= doc.AudioRows(); ++frame)
        phonemes += doc.Phoneme(frame).empty() ? 0 : 1;
    out << "Phonemes:       " << phonemes << '\n';
    for (std::int32_t frame = 1; frame <= doc.AudioRows(); ++frame) {
        if (!doc.Phoneme(frame).empty())
            out << "    frame " << std::setw(4) << frame << "  " << doc.Phoneme(frame) << '\n';
    }
}

int RunInfo(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.size() != 1) {
        err << kInfoHelp;
        return kCliExitUsage;
    }
    TOpenedSheet sheet;
    OpenSheet(sheet, args[0], err);
    PrintInfo(sheet, args[0], out);
    return kCliExitOk;
}

int RunUpgrade(const std::vector<std::string>& args, std::ostream&, std::ostream& err) {
    if (args.size() != 2) {
        err << kUpgradeHelp;
        return kCliExitUsage;
    }
    TOpenedSheet sheet;
    OpenSheet(sheet, args[0], err);
    TXpsSettings settings;
    sheet.Settings.GetDocumentSettings(settings);
    TXpsFile::SaveSheet(args[1], sheet.Document, settings);
    return sheet.LeftOut.empty() ? kCliExitOk : kCliExitLeftOut;
}

// Opens a sheet for capture, with a way to save it back where it came from.
int WithSheetToCapture(const std::string& path, std::ostream& err, const TCaptureWork& work) {
    TOpenedSheet sheet;
    OpenSheet(sheet, path, err);
    return work(sheet.Document, sheet.Settings.Current, [&] {
        TXpsSettings settings;
        sheet.Settings.GetDocumentSettings(settings);
        TXpsFile::SaveSheet(path, sheet.Document, settings);
    });
}

// Opens a sheet for an edit that saves it where the command says.
int WithSheetToEdit(const std::string& path, std::ostream& err, const TSheetEdit& edit) {
    TOpenedSheet sheet;
    OpenSheet(sheet, path, err);
    return edit(sheet.Document, [&](const std::string& target) {
        TXpsSettings settings;
        sheet.Settings.GetDocumentSettings(settings);
        TXpsFile::SaveSheet(target, sheet.Document, settings);
    });
}

// Opens a sheet for a command that writes what the sheet holds into other files (a timesheet,
// frames, a movie, a printout) and runs its work on it: the cels left out on opening are missing
// from what it wrote, so its success is a partial one.
int WithOpenedSheetToWrite(const std::string& path, std::ostream& err, const TSheetWork& work) {
    TOpenedSheet sheet;
    OpenSheet(sheet, path, err);
    const int status = work(sheet.Document, sheet.Settings.Current);
    return status == kCliExitOk && !sheet.LeftOut.empty() ? kCliExitLeftOut : status;
}

struct TCommand {
    const char* Help;
    std::function<int(const std::vector<std::string>&, std::ostream&, std::ostream&)> Run;
};

const std::map<std::string, TCommand>& Commands() {
    static const std::map<std::string, TCommand> commands{
        {"info", {kInfoHelp, RunInfo}},
        {"upgrade", {kUpgradeHelp, RunUpgrade}},
        {"convert",
         {kConvertHelp,
          [](const auto& args, auto& out, auto& err) { return RunConvert(args, out, err, WithOpenedSheetToWrite); }}},
        {"render",
         {kRenderHelp,
          [](const auto& args, auto& out, auto& err) { return RunRender(args, out, err, WithOpenedSheetToWrite); }}},
        {"export",
         {kExportHelp,
          [](const auto& args, auto& out, auto& err) { return RunExport(args, out, err, WithOpenedSheetToWrite); }}},
        {"cameras", {kCamerasHelp, RunCameras}},
        {"scanners", {kScannersHelp, RunScanners}},
        {"scan",
         {kScanHelp, [](const auto& args, auto& out,
                        auto& err) { return RunScan(args, out, err, WithSheetToCapture); }}},
        {"capture",
         {kCaptureHelp, [](const auto& args, auto& out,
                           auto& err) { return RunCapture(args, out, err, WithSheetToCapture); }}},
        {"print",
         {kPrintHelp, [](const auto& args, auto& out,
                         auto& err) { return RunPrint(args, out, err, WithOpenedSheetToWrite); }}},
        {"phonemes",
         {kPhonemesHelp,
          [](const auto& args, auto& out, auto& err) { return RunPhonemes(args, out, err, WithSheetToEdit); }}},
        {"lipsync",
         {kLipSyncHelp,
          [](const auto& args, auto& out, auto& err) { return RunLipSync(args, out, err, WithSheetToEdit); }}},
        {"recover",
         {kRecoverHelp, [](const auto& args, auto& out, auto& err) { return RunRecover(args, out, err, RunUpgrade); }}},
        {"language-template", {kLanguageTemplateHelp, RunLanguageTemplate}},
    };
    return commands;
}

bool AsksForHelp(const std::vector<std::string>& args) {
    return std::any_of(args.begin(), args.end(),
                       [](const std::string& a) { return a == "--help" || a == "-h"; });
}

int RunCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.empty()) {
        err << kGeneralHelp;
        return kCliExitUsage;
    }
    if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        out << kGeneralHelp;
        return kCliExitOk;
    }
    if (args[0] == "--version") {
        out << "celwright-cli " << CELWRIGHT_VERSION << '\n';
        return kCliExitOk;
    }
    const auto command = Commands().find(args[0]);
    if (command == Commands().end()) {
        err << "celwright-cli: unknown command \"" << args[0] << "\"\n\n" << kGeneralHelp;
        return kCliExitUsage;
    }
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    if (AsksForHelp(rest)) {
        out << command->second.Help;
        return kCliExitOk;
    }
    try {
        return command->second.Run(rest, out, err);
    } catch (const std::exception& e) {
        err << e.what() << '\n';
        return kCliExitFailed;
    }
}

} // namespace

int RunCelwrightCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const int status = RunCommand(args, out, err);
    // Output that never arrived (a full disk, a closed pipe) is a failure, not a success.
    errno = 0;
    out.flush();
    if (!out) {
        err << "celwright-cli: cannot write the output"
            << (errno != 0 ? std::string(": ") + std::strerror(errno) : "") << '\n';
        return kCliExitFailed;
    }
    return status;
}

namespace {
void RemoveUnfinishedFilesAndStop(int signal) {
    RemoveUnfinishedTemporaryFiles();
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}
} // namespace

void RemoveUnfinishedFilesOnSignals() {
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
        std::signal(signal, RemoveUnfinishedFilesAndStop);
    // A reader that went away makes a write fail, which is reported; it does not end the program.
    std::signal(SIGPIPE, SIG_IGN);
}
