#include "cli/LipSyncCommands.h"

#include "audio/AudioConverter.h"
#include "base/Error.h"
#include "base/TextUtil.h"
#include "cli/CliArguments.h"
#include "document/DialogueFile.h"
#include "document/SheetDocument.h"
#include "settings/MouthChartFile.h"

#include <algorithm>
#include <filesystem>
#include <ostream>

const char* const kPhonemesHelp = R"(Usage: celwright-cli phonemes SHEET.xps DATA [--voice NAME] [--out OUT.xps]

Imports the dialogue breakdown DATA into the sheet's phoneme column, as Audio > Import Phonemes
does, and saves the sheet (in place unless --out is given). DATA is a switch data file
("MohoSwitch1" then "FRAME PHONEME" lines), mouth cues as TSV ("SECONDS<TAB>SHAPE" lines) or as
JSON ({"mouthCues": [...]}), or a lip-sync project (.pgo). Times go to the frame whose start is
nearest at the sheet's frame rate. The phonemes from the first imported frame to the last are
replaced. Prints
  imported: COUNT phonemes, frames FIRST to LAST
Phonemes past frame 1637 are left out, each named on stderr; the exit status is then 3.

  --voice NAME    only the phonemes of this voice of a project (default: every voice)
  --out OUT.xps   save the sheet there instead
)";

const char* const kLipSyncHelp = R"(Usage: celwright-cli lipsync SHEET.xps --layer L [--out OUT.xps]

Applies the mouth chart of layer L (mouths.ini in the layer's folder) to the sheet's phonemes, as
Audio > Apply Lip-sync does, and saves the sheet (in place unless --out is given): the layer's cels
from the first phoneme (from frame 1 when the chart has "rest") to the last frame of the sound or
of the phonemes become the chart's drawing for each phoneme, held until the next. Prints the
layer's cels afterwards:
  lip-sync: COUNT cels, frames FIRST to LAST
Phonemes that have no drawing and no "rest" to stand for them are named on stderr and their
frames left empty; the exit status is then 3.

  --layer L       the layer's number (from 1) or its caption
  --out OUT.xps   save the sheet there instead
)";

namespace {

std::int32_t FindLayer(const TSheetDocument& sheet, const std::string& text) {
    if (const auto number = ParseInt32(text); number && *number >= 1 && *number <= sheet.LayerCount())
        return *number;
    for (std::int32_t layer = 1; layer <= sheet.LayerCount(); ++layer) {
        if (sheet.LayerCaption(layer) == text)
            return layer;
    }
    throw ECwError("The sheet has no layer \"" + text + "\".");
}

// The sound's length, read as the audio column's loader would, so the last phoneme holds to its end.
void ReadSoundLength(TSheetDocument& sheet) {
    const std::string sound = sheet.StoredAudioFileName();
    std::error_code error;
    if (sound.empty() || !std::filesystem::is_regular_file(sound, error))
        return;
    std::string reason;
    const std::int64_t lengthMs = AudioPlayLengthMs(sound, reason);
    if (lengthMs <= 0)
        return;
    TSoundTrack read;
    read.DurationMs = static_cast<std::int32_t>(std::min<std::int64_t>(lengthMs, INT32_MAX));
    sheet.AudioLoaded(std::move(read));
}

} // namespace

int RunPhonemes(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                const TSheetEditOpener& open) {
    const TArguments parsed = ParseArguments(args, {"--voice", "--out"}, {});
    if (!parsed.Error.empty())
        return UsageError("phonemes", parsed.Error, kPhonemesHelp, err);
    if (parsed.Positional.size() != 2)
        return UsageError("phonemes", "give the sheet and the dialogue file", kPhonemesHelp, err);
    const std::string& sheetPath = parsed.Positional[0];
    const std::string& dataPath = parsed.Positional[1];
    const std::string voice = parsed.Values.count("--voice") ? parsed.Values.at("--voice") : "";
    const std::string outPath = parsed.Values.count("--out") ? parsed.Values.at("--out") : sheetPath;
    return open(sheetPath, err, [&](TSheetDocument& sheet, const auto& saveAs) {
        const TDialogue dialogue = TDialogueFile::Read(dataPath, sheet.Fps(), voice);
        const auto leftOut = sheet.ImportPhonemes(dialogue.Cues);
        const auto imported = static_cast<std::int32_t>(dialogue.Cues.size() - leftOut.size());
        saveAs(outPath);
        out << "imported: " << imported << " phonemes";
        if (imported > 0)
            out << ", frames " << dialogue.Cues.front().Frame << " to " << dialogue.Cues[imported - 1].Frame;
        out << '\n';
        for (const TPhonemeCue& cue : leftOut)
            err << "Left out: frame " << cue.Frame << " " << cue.Phoneme << " (past frame " << kMaxFrames << ")\n";
        return leftOut.empty() ? kCliExitOk : kCliExitLeftOut;
    });
}

int RunLipSync(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
               const TSheetEditOpener& open) {
    const TArguments parsed = ParseArguments(args, {"--layer", "--out"}, {});
    if (!parsed.Error.empty())
        return UsageError("lipsync", parsed.Error, kLipSyncHelp, err);
    if (parsed.Positional.size() != 1 || !parsed.Values.count("--layer"))
        return UsageError("lipsync", "give the sheet and --layer", kLipSyncHelp, err);
    const std::string& sheetPath = parsed.Positional[0];
    const std::string outPath = parsed.Values.count("--out") ? parsed.Values.at("--out") : sheetPath;
    return open(sheetPath, err, [&](TSheetDocument& sheet, const auto& saveAs) {
        const std::int32_t layer = FindLayer(sheet, parsed.Values.at("--layer"));
        const TMouthChart chart = TMouthChartFile::Load(sheet.LayerFolder(layer));
        if (chart.IsEmpty())
            throw ECwError("Layer \"" + sheet.LayerCaption(layer) + "\" has no mouth chart (" +
                           FolderPath(sheet.LayerFolder(layer)) + TMouthChartFile::kFileName + ").");
        ReadSoundLength(sheet);
        const auto missing = sheet.ApplyLipSync(layer, chart);
        saveAs(outPath);
        std::int32_t cels = 0;
        std::int32_t first = 0;
        std::int32_t last = 0;
        for (std::int32_t frame = 1; frame <= sheet.FrameCount(); ++frame) {
            if (const TCel* cel = sheet.CelAt(layer, frame)) {
                cels += cel->Row == frame - 1 ? 1 : 0;
                first = first == 0 ? frame : first;
                last = frame;
            }
        }
        out << "lip-sync: " << cels << " cels, frames " << first << " to " << last << '\n';
        if (!missing.empty()) {
            err << "No drawing in the mouth chart for:";
            for (const std::string& phoneme : missing)
                err << ' ' << phoneme;
            err << '\n';
        }
        return missing.empty() ? kCliExitOk : kCliExitLeftOut;
    });
}
