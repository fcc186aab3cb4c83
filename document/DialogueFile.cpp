#include "document/DialogueFile.h"

#include "base/Error.h"
#include "base/TextUtil.h"
#include "document/JsonValue.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>
#include <sstream>

namespace {

// Frames far past any sheet stay countable without overflowing.
constexpr double kFrameCeiling = 10'000'000;

std::vector<std::string> Words(std::string_view line) {
    std::vector<std::string> words;
    std::istringstream stream{std::string(line)};
    for (std::string word; stream >> word;)
        words.push_back(word);
    return words;
}

std::optional<double> ParseDouble(std::string_view text) {
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

// The frame (from 1) whose start lies nearest the time.
std::int32_t FrameAt(double seconds, std::int32_t fps) {
    return static_cast<std::int32_t>(std::lround(std::min(seconds * fps, kFrameCeiling))) + 1;
}

class TParse {
public:
    TParse(std::string fileName, std::int32_t fps) : FileName(std::move(fileName)), Fps(fps) {}

    [[noreturn]] void Fail(std::size_t line, const std::string& what) const {
        throw ECwError("Cannot import \"" + FileName + "\": line " + std::to_string(line) + ": " + what + ".");
    }
    [[noreturn]] void Fail(const std::string& what) const {
        throw ECwError("Cannot import \"" + FileName + "\": " + what + ".");
    }

    double Seconds(std::size_t line, std::string_view text) const {
        const auto seconds = ParseDouble(text);
        if (!seconds || *seconds < 0)
            Fail(line, "\"" + std::string(text) + "\" is not a time in seconds");
        return *seconds;
    }

    void Add(std::int32_t frame, std::string phoneme) { Result.Cues.push_back({frame, std::move(phoneme)}); }

    TDialogue Finish() {
        // One cue per frame, the last one read winning.
        std::stable_sort(Result.Cues.begin(), Result.Cues.end(),
                         [](const TPhonemeCue& a, const TPhonemeCue& b) { return a.Frame < b.Frame; });
        std::vector<TPhonemeCue> unique;
        for (TPhonemeCue& cue : Result.Cues) {
            if (!unique.empty() && unique.back().Frame == cue.Frame)
                unique.back() = std::move(cue);
            else
                unique.push_back(std::move(cue));
        }
        Result.Cues = std::move(unique);
        return std::move(Result);
    }

    const std::string FileName;
    const std::int32_t Fps;
    TDialogue Result;
};

// "FRAME PHONEME" or "SECONDS SHAPE" lines after `first`, blank lines skipped.
template <typename ToFrame>
void ReadPairs(TParse& parse, const std::vector<std::string>& lines, std::size_t first, ToFrame toFrame,
               const char* layout) {
    for (std::size_t i = first; i < lines.size(); ++i) {
        const std::string_view line = Trim(lines[i]);
        if (line.empty())
            continue;
        const auto words = Words(line);
        if (words.size() != 2)
            parse.Fail(i + 1, std::string("expected ") + layout + ", found \"" + std::string(line) + "\"");
        parse.Add(toFrame(i + 1, words[0]), words[1]);
    }
}

void ReadSwitchFile(TParse& parse, const std::vector<std::string>& lines, std::size_t header) {
    ReadPairs(
        parse, lines, header + 1,
        [&](std::size_t line, const std::string& text) {
            const auto frame = ParseInt32(text);
            if (!frame || *frame < 1)
                parse.Fail(line, "\"" + text + "\" is not a frame number from 1");
            return *frame;
        },
        "FRAME PHONEME");
}

void ReadCueTable(TParse& parse, const std::vector<std::string>& lines) {
    ReadPairs(
        parse, lines, 0,
        [&](std::size_t line, const std::string& text) { return FrameAt(parse.Seconds(line, text), parse.Fps); },
        "SECONDS<TAB>SHAPE");
}

// A lip-sync project: nested counts, one item per line, indented with tabs.
class TProjectReader {
public:
    TProjectReader(TParse& parse, const std::vector<std::string>& lines, std::size_t header)
        : Parse(parse), Lines(lines), Next(header + 1) {}

    void Read(const std::string& voice) {
        Line(); // the sound file
        const std::int32_t projectFps = Count("the frame rate");
        if (projectFps < 1)
            Parse.Fail(Next, "the frame rate must be 1 or more");
        ProjectFps = projectFps;
        Line(); // the sound's length in frames
        const std::int32_t voices = Count("the number of voices");
        for (std::int32_t v = 0; v < voices; ++v) {
            const std::string name(Line());
            Parse.Result.Voices.push_back(name);
            Line(); // the voice's text
            ReadPhrases(voice.empty() || name == voice);
        }
        if (!voice.empty() &&
            std::find(Parse.Result.Voices.begin(), Parse.Result.Voices.end(), voice) == Parse.Result.Voices.end())
            Parse.Fail("there is no voice \"" + voice + "\" in it");
    }

private:
    std::string_view Line() {
        if (Next >= Lines.size())
            Parse.Fail(Lines.size(), "the project ends too early");
        return Trim(Lines[Next++]);
    }

    std::int32_t Count(const std::string& what) {
        const std::string_view text = Line();
        const auto value = ParseInt32(text);
        if (!value || *value < 0)
            Parse.Fail(Next, "\"" + std::string(text) + "\" is not " + what);
        return *value;
    }

    std::int32_t SheetFrame(std::int64_t projectFrame) const {
        return FrameAt(static_cast<double>(projectFrame) / ProjectFps, Parse.Fps);
    }

    void ReadPhrases(bool keep) {
        const std::int32_t phrases = Count("the number of phrases");
        for (std::int32_t p = 0; p < phrases; ++p) {
            Line(); // the phrase's text
            Count("the phrase's first frame");
            Count("the phrase's last frame");
            const std::int32_t words = Count("the number of words");
            for (std::int32_t w = 0; w < words; ++w)
                ReadWord(keep);
        }
    }

    // "WORD FIRST LAST PHONEMES", then that many "FRAME PHONEME" lines.
    void ReadWord(bool keep) {
        const auto words = Words(Line());
        const auto phonemes = words.size() >= 4 ? ParseInt32(words.back()) : std::nullopt;
        if (!phonemes || *phonemes < 0)
            Parse.Fail(Next, "expected WORD FIRST LAST PHONEMES");
        for (std::int32_t i = 0; i < *phonemes; ++i) {
            const auto cue = Words(Line());
            const auto frame = cue.size() == 2 ? ParseInt32(cue[0]) : std::nullopt;
            if (!frame || *frame < 0)
                Parse.Fail(Next, "expected FRAME PHONEME");
            if (keep)
                Parse.Add(SheetFrame(*frame), cue[1]);
        }
    }

    TParse& Parse;
    const std::vector<std::string>& Lines;
    std::size_t Next; // index of the next line
    std::int32_t ProjectFps = 1;
};

void ReadMouthCues(TParse& parse, std::string_view text) {
    TJsonValue document;
    try {
        document = ParseJson(text);
    } catch (const EJsonError& e) {
        parse.Fail(e.Line, "this is not valid JSON");
    }
    const TJsonValue* cues = document.Member("mouthCues");
    if (!cues || cues->Kind != TJsonValue::TKind::Array)
        parse.Fail(document.Line, "there is no \"mouthCues\" list");
    for (const TJsonValue& cue : cues->Items) {
        const TJsonValue* start = cue.Member("start");
        const TJsonValue* value = cue.Member("value");
        if (!start || start->Kind != TJsonValue::TKind::Number || !value ||
            value->Kind != TJsonValue::TKind::String || Trim(value->String).empty())
            parse.Fail(cue.Line, "a mouth cue needs a \"start\" time and a \"value\"");
        if (start->Number < 0)
            parse.Fail(start->Line, "a mouth cue starts before 0 seconds");
        parse.Add(FrameAt(start->Number, parse.Fps), std::string(Trim(value->String)));
    }
}

} // namespace

TDialogue TDialogueFile::ReadText(std::string_view bytes, const std::string& fileName, std::int32_t fps,
                                  const std::string& voice) {
    TParse parse(fileName, std::max(fps, 1));
    const std::string text = DecodeText(bytes);
    const std::vector<std::string> lines = SplitLines(text);
    const auto first = std::find_if(lines.begin(), lines.end(),
                                     [](const std::string& line) { return !Trim(line).empty(); });
    if (first == lines.end())
        parse.Fail("the file holds no phonemes");
    const std::size_t header = static_cast<std::size_t>(first - lines.begin());
    const std::string_view head = Trim(*first);
    if (head == "MohoSwitch1")
        ReadSwitchFile(parse, lines, header);
    else if (StartsWithIgnoringCase(head, "lipsync version"))
        TProjectReader(parse, lines, header).Read(voice);
    else if (head.front() == '{')
        ReadMouthCues(parse, text);
    else
        ReadCueTable(parse, lines);
    return parse.Finish();
}

TDialogue TDialogueFile::Read(const std::filesystem::path& path, std::int32_t fps, const std::string& voice) {
    const auto bytes = ReadFileBytes(path);
    if (!bytes)
        throw ECwError("Cannot import \"" + path.string() + "\": the file cannot be read.");
    return ReadText(*bytes, path.string(), fps, voice);
}
