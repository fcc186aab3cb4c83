#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

// A phoneme of a dialogue breakdown placed on a frame of the sheet (counted from 1).
struct TPhonemeCue {
    std::int32_t Frame = 0;
    std::string Phoneme;
    bool operator==(const TPhonemeCue&) const = default;
};

// The phonemes a lip-sync breakdown holds, at the sheet's frames, sorted by frame with one cue per
// frame (a later line wins over an earlier one on the same frame). Frames may lie past the sheet's
// limit: the importer decides what to leave out.
struct TDialogue {
    std::vector<TPhonemeCue> Cues;
    std::vector<std::string> Voices; // the voices of a project file, in file order; empty otherwise
};

// Reads the dialogue breakdowns of lip-sync tools, told apart by their content:
// - a switch data file: "MohoSwitch1", then "FRAME PHONEME" lines, frames from 1;
// - mouth cues as TSV ("SECONDS<TAB>SHAPE" lines) or as JSON ({"mouthCues": [{"start": s, "value": "X"}]}):
//   a time goes to the frame whose start is nearest at the sheet's rate;
// - a lip-sync project ("lipsync version 1"): the phonemes of every word of every voice, or of the
//   voice named, moved to the sheet's rate when the project has another.
// Blank lines between entries are skipped.
class TDialogueFile {
public:
    // `fps` is the sheet's frame rate; `voice` names the one voice of a project to read (empty: all).
    // Throws ECwError naming the file and the line when the text is not such a breakdown or the voice
    // is not in it.
    static TDialogue ReadText(std::string_view bytes, const std::string& fileName, std::int32_t fps,
                              const std::string& voice = {});
    // As ReadText, on the file's content; a file that cannot be read throws ECwError naming it.
    static TDialogue Read(const std::filesystem::path& path, std::int32_t fps, const std::string& voice = {});
};
