#include "document/XpsFile.h"

#include "base/Error.h"
#include "base/TextUtil.h"
#include "document/SheetDocument.h"

#include <algorithm>
#include <cmath>
#include <ostream>
#include <system_error>
#include <unordered_map>

namespace {

const char* const kNewerVersionError = "This Xps file was created by a newer version and cannot be read.";

// "<name" at the start of a trimmed line, letter case ignored.
bool StartsWithTag(std::string_view trimmed, std::string_view name) {
    return !trimmed.empty() && trimmed.front() == '<' && StartsWithIgnoringCase(trimmed.substr(1), name);
}

bool EndsTagName(std::string_view trimmed, std::size_t at) {
    return at < trimmed.size() && (trimmed[at] == ' ' || trimmed[at] == '>');
}

// "<name" followed by a space or ">".
bool OpensElement(std::string_view trimmed, std::string_view name) {
    return StartsWithTag(trimmed, name) && EndsTagName(trimmed, name.size() + 1);
}

// "</name" followed by a space or ">".
bool ClosesElement(std::string_view trimmed, std::string_view name) {
    return trimmed.size() > 1 && trimmed[0] == '<' && trimmed[1] == '/' &&
           StartsWithIgnoringCase(trimmed.substr(2), name) && EndsTagName(trimmed, name.size() + 2);
}

std::int32_t IntOrMinusOne(std::string_view text) {
    return ParseInt32(text).value_or(-1);
}

std::int32_t ToInt32(std::size_t value) {
    return static_cast<std::int32_t>(std::min<std::size_t>(value, INT32_MAX));
}

// Bounds the text ReadLayers copies into its records. Blocks and columns that overlap make the
// same lines count for several layers, which could otherwise multiply a small file many times.
class TCopyBudget {
public:
    explicit TCopyBudget(std::size_t fileText) : Left(2 * fileText + (std::size_t{1} << 20)) {}
    // Charges one record holding `bytes` of text; false once the budget is spent.
    bool Take(std::size_t bytes) {
        const std::size_t cost = bytes + 1;
        if (cost > Left) {
            Left = 0;
            return false;
        }
        Left -= cost;
        return true;
    }

private:
    std::size_t Left;
};

// Where the opening and closing lines of one element lie in a list, so that the repeated block
// searches of the layer loop cost a binary search each instead of a scan.
class TElementIndex {
public:
    TElementIndex(std::string_view name, std::span<const std::string> lines) {
        for (std::size_t i = 0; i < lines.size(); ++i) {
            const auto trimmed = Trim(lines[i]);
            if (OpensElement(trimmed, name))
                Opening.push_back(i);
            else if (ClosesElement(trimmed, name))
                Closing.push_back(i);
        }
    }

    // Same result as TXpsFile::FindBlock(name, lines, start).
    std::optional<TXpsFile::TLineRange> FindBlock(std::size_t start) const {
        const auto open = std::lower_bound(Opening.begin(), Opening.end(), start);
        if (open == Opening.end())
            return std::nullopt;
        const auto close = std::upper_bound(Closing.begin(), Closing.end(), *open);
        if (close == Closing.end())
            return std::nullopt;
        return TXpsFile::TLineRange{*open, *close};
    }

private:
    std::vector<std::size_t> Opening;
    std::vector<std::size_t> Closing;
};

void AppendLine(std::string& out, std::string_view text) {
    out += text;
    out += "\r\n";
}

// Nothing in the file is escaped, so a value keeps to its line, and an attribute's value holds no
// double quote (it becomes an apostrophe), or it would end the value early when read back.
std::string LineValue(std::string_view value) {
    std::string out(value);
    std::replace_if(
        out.begin(), out.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
    return out;
}

std::string Attribute(std::string_view name, std::string_view value) {
    std::string quoted = LineValue(value);
    std::replace(quoted.begin(), quoted.end(), '"', '\'');
    std::string text = " ";
    text += name;
    text += "=\"";
    text += quoted;
    text += '"';
    return text;
}

std::string Attribute(std::string_view name, std::int64_t value) {
    return Attribute(name, std::to_string(value));
}

std::string Element(std::string_view indent, std::string_view name, std::string_view value) {
    std::string text(indent);
    text += '<';
    text += name;
    text += '>';
    text += LineValue(value);
    text += "</";
    text += name;
    text += '>';
    return text;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Line primitives

std::optional<TXpsFile::TLineRange> TXpsFile::FindBlock(std::string_view name, std::span<const std::string> lines,
                                                    std::size_t start) {
    std::size_t open = start;
    while (open < lines.size() && !OpensElement(Trim(lines[open]), name))
        ++open;
    if (open >= lines.size())
        return std::nullopt;
    for (std::size_t close = open + 1; close < lines.size(); ++close) {
        if (ClosesElement(Trim(lines[close]), name))
            return TLineRange{open, close};
    }
    return std::nullopt;
}

std::string_view TXpsFile::FirstLine(std::string_view name, std::span<const std::string> lines) {
    for (const auto& line : lines) {
        const auto trimmed = Trim(line);
        if (StartsWithTag(trimmed, name))
            return trimmed;
    }
    return {};
}

std::string_view TXpsFile::Attr(std::string_view line, std::string_view name) {
    // The attributes are read one after the other, so a name inside another attribute's value
    // (a caption "Walk dir=left") is never taken for an attribute.
    auto rest = Trim(line);
    if (rest.starts_with('<')) {
        rest.remove_prefix(1);
        rest = Trim(rest);
        rest.remove_prefix(std::min(rest.find_first_of(" >"), rest.size()));
    }
    while (true) {
        rest = Trim(rest);
        if (rest.empty() || rest.front() == '>')
            return {};
        const auto end = std::min(rest.find_first_of(" =>"), rest.size());
        const auto key = rest.substr(0, end);
        rest.remove_prefix(end);
        if (!rest.starts_with("=\"")) {
            // A value without quotes is skipped up to the next blank.
            rest.remove_prefix(std::min(rest.find_first_of(" >"), rest.size()));
            continue;
        }
        rest.remove_prefix(2);
        const auto close = rest.find('"');
        if (close == std::string_view::npos)
            return {};
        if (key == name)
            return Trim(rest.substr(0, close));
        rest.remove_prefix(close + 1);
    }
}

std::int32_t TXpsFile::AttrInt(std::string_view line, std::string_view name) {
    return IntOrMinusOne(Attr(line, name));
}

std::string_view TXpsFile::Text(std::string_view line) {
    const auto open = line.find('>');
    if (open == std::string_view::npos)
        return {};
    // Up to the closing tag, the last "<": a "<" or ">" inside a name is part of it.
    const auto close = line.rfind('<');
    if (close == std::string_view::npos || close < open)
        return {};
    return Trim(line.substr(open + 1, close - open - 1));
}

std::int32_t TXpsFile::TextInt(std::string_view line) {
    return IntOrMinusOne(Text(line));
}

std::string_view TXpsFile::TagName(std::string_view line) {
    const auto trimmed = Trim(line);
    const auto lt = trimmed.find('<');
    if (lt == std::string_view::npos)
        return {};
    const auto rest = Trim(trimmed.substr(lt + 1));
    return rest.substr(0, std::min(rest.find(' '), rest.find('>')));
}

double TXpsFile::ParseVersion(std::string_view text) {
    const auto dot = text.find('.');
    if (dot == std::string_view::npos)
        return StrToInt(text);
    const auto fraction = text.substr(dot + 1);
    // A long run of digits makes the power infinite and the fraction 0, which is what it is worth.
    return StrToInt(text.substr(0, dot)) +
           StrToInt(fraction) / std::pow(10.0, static_cast<double>(fraction.size()));
}

// ---------------------------------------------------------------------------------------------
// Opening

bool TXpsFile::Open(const std::filesystem::path& path) {
    Opened = false;
    const auto bytes = ReadFileBytes(path);
    if (!bytes)
        return false;
    LoadText(*bytes);
    return true;
}

void TXpsFile::OpenText(std::string_view bytes) {
    Opened = false;
    LoadText(bytes);
}

void TXpsFile::LoadText(std::string_view bytes) {
    FileLines = SplitLines(DecodeText(bytes));
    Block.clear();
    Version = 0;
    DetectVersion();
    Opened = true;
}

void TXpsFile::DetectVersion() {
    double version = 1;
    std::optional<double> keyed;
    for (const auto& line : HeaderLines()) {
        if (StartsWithIgnoringCase(line, "version=")) {
            keyed = ParseVersion(std::string_view(line).substr(8));
            break;
        }
    }
    if (keyed && *keyed < 3) {
        version = *keyed;
    } else {
        const auto xsheet = FirstLine("xsheet", FileLines);
        if (!xsheet.empty())
            version = ParseVersion(Attr(xsheet, "version"));
    }
    Version = static_cast<float>(version);
    if (Version > 4.0f)
        throw ECwError(kNewerVersionError);
}

// The key=value lines of versions 1 and 2: everything before the first "begin" line. Keys are
// looked up only here so that a cel named like a key ("fps=2.png") cannot pass for one.
std::span<const std::string> TXpsFile::HeaderLines() const {
    const auto begin = std::find_if(FileLines.begin(), FileLines.end(), [](const std::string& line) {
        return EqualsIgnoringCase(line, "begin");
    });
    return {FileLines.begin(), begin};
}

std::optional<std::string_view> TXpsFile::HeaderValue(std::string_view key) const {
    for (const auto& line : HeaderLines()) {
        const auto eq = line.find('=');
        if (eq != std::string::npos && EqualsIgnoringCase(std::string_view(line).substr(0, eq), key))
            return std::string_view(line).substr(eq + 1);
    }
    return std::nullopt;
}

std::int32_t TXpsFile::HeaderNumber(std::string_view value) const {
    try {
        return StrToInt(value);
    } catch (const ECwError& error) {
        const auto header = HeaderLines();
        const auto line = std::find_if(header.begin(), header.end(), [&](const std::string& text) {
            return text.data() <= value.data() && value.data() <= text.data() + text.size();
        });
        if (line == header.end())
            throw;
        throw ECwError("line " + std::to_string(line - header.begin() + 1) + ": " + error.what());
    }
}

bool TXpsFile::IsSheet() const {
    return !FirstLine("xsheet", FileLines).empty() || HeaderValue("cols").has_value();
}

bool TXpsFile::CutBlock(std::string_view name) {
    const auto range = FindBlock(name, FileLines);
    if (!range)
        return false;
    Block.assign(FileLines.begin() + static_cast<std::ptrdiff_t>(range->First),
                 FileLines.begin() + static_cast<std::ptrdiff_t>(range->Last) + 1);
    return true;
}

std::size_t TXpsFile::TextSize() const {
    std::size_t size = 0;
    for (const auto& line : FileLines)
        size += line.size() + 1;
    return size;
}

// ---------------------------------------------------------------------------------------------
// Reading

bool TXpsFile::ReadSettings(TXpsSettings& settings) {
    if (!Opened)
        return false;
    return Version < 3 ? ReadSettingsV1(settings) : ReadSettingsTagged(settings);
}

bool TXpsFile::ReadLayers(TLayersData& layers) {
    if (!Opened)
        return false;
    return Version < 3 ? ReadLayersV1(layers) : ReadLayersTagged(layers);
}

bool TXpsFile::ReadSettingsV1(TXpsSettings& settings) const {
    if (const auto fps = HeaderValue("fps"); fps && !fps->empty()) {
        if (const auto value = HeaderNumber(*fps); IsFrameRate(value))
            settings.Fps = value;
    }
    if (const auto step = HeaderValue("step"); step && !step->empty())
        settings.Step = HeaderNumber(*step);
    if (const auto numbering = HeaderValue("numbering"); numbering && !numbering->empty())
        settings.Numbering = std::string(*numbering);
    return true;
}

bool TXpsFile::ReadSettingsTagged(TXpsSettings& settings) {
    if (!CutBlock("settings"))
        return false;
    // Version 3 keeps each value in the attribute "value", version 4 as the element's text.
    const bool inAttributes = Version < 4;
    auto text = [&](std::string_view name) {
        const auto line = FirstLine(name, Block);
        return inAttributes ? Attr(line, "value") : Text(line);
    };
    auto number = [&](std::string_view name) { return IntOrMinusOne(text(name)); };

    if (const auto fps = number("fps"); IsFrameRate(fps))
        settings.Fps = fps;
    if (const auto step = number("step"); step >= 0)
        settings.Step = step;
    if (const auto color = number("color"); color >= 0)
        settings.Color = color;
    if (const auto numbering = text("numbering"); !numbering.empty())
        settings.Numbering = std::string(numbering);
    if (const auto path = text("path"); !path.empty())
        settings.Path = std::string(path);
    if (const auto format = ImageFormatFromName(text("format")))
        settings.Format = *format;
    return true;
}

bool TXpsFile::ReadLayersTagged(TLayersData& layers) {
    if (!CutBlock("layers"))
        return false;
    const bool version3 = Version < 4;
    const auto count = AttrInt(FirstLine("layers", Block), version3 ? "value" : "cols");
    if (count <= 0)
        return false;

    TCopyBudget budget(TextSize());
    const TElementIndex layerIndex("layer", Block);
    // The stored count is untrusted: layers past the last block the file holds would all be
    // alike and empty, and a few bytes could declare millions of them. They are left out.
    const auto records = static_cast<std::size_t>(count);
    TLayersData result;
    std::size_t start = 0;
    while (result.size() < records) {
        TLayerData layer;
        const auto range = layerIndex.FindBlock(start);
        if (!range)
            break;
        // The search goes on from the start plus the lines taken, not from the block's end:
        // lines before a block make the next search find it again.
        start += range->Count();
        const std::string_view header = Trim(Block[range->First]);
        layer.Col = AttrInt(header, version3 ? "value" : "col");
        layer.Caption = std::string(Attr(header, "caption"));
        layer.Dir = std::string(Attr(header, "dir"));
        layer.Color = AttrInt(header, "color");
        layer.Visible = version3 ? 1 : AttrInt(header, "visible");
        if (!budget.Take(layer.Caption.size() + layer.Dir.size()))
            break;
        bool spent = false;
        for (std::size_t i = range->First; i <= range->Last && !spent; ++i) {
            const std::string_view line = Block[i];
            if (!StartsWithTag(Trim(line), "cel"))
                continue;
            TCelData cel;
            cel.Caption = std::string(version3 ? Attr(line, "caption") : Text(line));
            cel.Duration = AttrInt(line, "duration");
            cel.Col = AttrInt(line, "col");
            cel.Row = AttrInt(line, "row");
            spent = !budget.Take(cel.Caption.size());
            if (!spent)
                layer.Cels.push_back(std::move(cel));
        }
        layer.CelCount = ToInt32(layer.Cels.size());
        result.push_back(std::move(layer));
        if (spent)
            break;
    }
    layers = std::move(result);
    return true;
}

bool TXpsFile::ReadLayersV1(TLayersData& layers) {
    const auto cols = HeaderValue("cols");
    const auto count = cols ? HeaderNumber(*cols) : StrToInt("");
    if (count <= 0)
        return false;

    // Header keys by lower-case name, first occurrence, for the per-layer "layerNpath" look-ups.
    std::unordered_map<std::string, std::string> keys;
    for (const auto& line : HeaderLines()) {
        const auto eq = line.find('=');
        if (eq != std::string::npos)
            keys.try_emplace(ToLowerAscii(std::string_view(line).substr(0, eq)), line.substr(eq + 1));
    }
    TCopyBudget budget(TextSize());

    const auto header = HeaderLines();
    if (header.size() < FileLines.size())
        FileLines.erase(FileLines.begin(),
                        FileLines.begin() + static_cast<std::ptrdiff_t>(header.size()) + 1);

    // First line of each "colN" text, so that finding a column is a look-up, not a scan.
    std::unordered_map<std::string_view, std::size_t> columnStarts;
    for (std::size_t i = 0; i < FileLines.size(); ++i) {
        if (FileLines[i].starts_with("col"))
            columnStarts.try_emplace(FileLines[i], i);
    }
    auto columnLine = [&](std::size_t n) -> std::optional<std::size_t> {
        const auto found = columnStarts.find("col" + std::to_string(n));
        if (found == columnStarts.end())
            return std::nullopt;
        return found->second;
    };
    // The stored count is untrusted: a few bytes could declare millions of layers. Layers count
    // from 1 for as long as the file names each one, by its column or its folder key.
    std::size_t records = 0;
    while (records < static_cast<std::size_t>(count) &&
           (columnLine(records + 1) || keys.contains("layer" + std::to_string(records + 1) + "path")))
        ++records;

    TLayersData result;
    result.reserve(std::min<std::size_t>(records, 4096));
    bool spent = false;
    for (std::size_t n = 1; n <= records && !spent; ++n) {
        TLayerData layer;
        layer.Col = ToInt32(n);
        if (const auto dir = keys.find("layer" + std::to_string(n) + "path"); dir != keys.end())
            layer.Dir = dir->second;
        layer.Color = 0;
        layer.Visible = 1;
        if (!budget.Take(layer.Dir.size()))
            break;
        if (const auto start = columnLine(n)) {
            const auto next = columnLine(n + 1);
            const std::size_t end = next ? *next : FileLines.size();
            bool held = false; // a cel covers the frame above, so "*" extends it
            for (std::size_t i = *start + 1; i < end; ++i) {
                const auto& line = FileLines[i];
                if (!budget.Take(line.size())) {
                    spent = true;
                    break;
                }
                if (line == "*") {
                    if (held)
                        ++layer.Cels.back().Duration;
                } else if (line.empty()) {
                    held = false;
                } else {
                    layer.Cels.push_back({line, 1, layer.Col, ToInt32(i - *start)});
                    held = true;
                }
            }
        }
        layer.CelCount = ToInt32(layer.Cels.size());
        result.push_back(std::move(layer));
    }
    layers = std::move(result);
    return true;
}

bool TXpsFile::ReadAudio(TAudioInfo& audio) {
    if (!Opened || !CutBlock("audio"))
        return false;
    audio.AudioFile = std::string(Text(FirstLine("audiofile", Block)));
    audio.Reserved.clear();
    audio.Phonemes.clear();
    const auto phonemes = FindBlock("phonemes", Block);
    if (phonemes && phonemes->Count() > 2) {
        for (std::size_t i = phonemes->First; i <= phonemes->Last; ++i) {
            const std::string_view line = Block[i];
            if (TagName(line) == "phoneme")
                audio.Phonemes.push_back({std::string(Text(line)), AttrInt(line, "row")});
        }
    }
    return true;
}

// ---------------------------------------------------------------------------------------------
// Writing

std::string TXpsFile::SheetText(const TSheetDocument& sheet, const TXpsSettings& settings) {
    std::string out;
    AppendLine(out, "<xsheet" + Attribute("version", "4.0") + ">");
    AppendLine(out, "<settings>");
    AppendLine(out, Element("\t", "fps", std::to_string(settings.Fps)));
    AppendLine(out, Element("\t", "step", std::to_string(settings.Step)));
    AppendLine(out, Element("\t", "numbering", settings.Numbering));
    AppendLine(out, Element("\t", "color", std::to_string(settings.Color)));
    AppendLine(out, Element("\t", "format", ImageFormatName(settings.Format)));
    AppendLine(out, Element("\t", "path", settings.Path));
    AppendLine(out, "</settings>");

    AppendLine(out, "<audio>");
    // Every phoneme is written, also those on audio rows past the sheet's last frame (a sheet
    // whose sound could not be read has fewer frames than its phonemes reach), and also when the
    // sheet has no sound file: phonemes typed before the sound is chosen, or kept after Clear Audio,
    // are the animator's work.
    std::vector<std::string> phonemeLines;
    const std::int32_t rows = std::max(sheet.FrameCount(), sheet.AudioRows());
    for (std::int32_t frame = 1; frame <= rows; ++frame) {
        if (const auto phoneme = sheet.Phoneme(frame); !phoneme.empty())
            phonemeLines.push_back("\t\t<phoneme" + Attribute("row", frame) + ">" + LineValue(phoneme) +
                                   "</phoneme>");
    }
    // The sound file is the sheet's whether or not its column is shown.
    const auto audioFile = sheet.StoredAudioFileName();
    if (!audioFile.empty() || !phonemeLines.empty()) {
        if (!audioFile.empty())
            AppendLine(out, Element("\t", "audiofile", audioFile));
        AppendLine(out, "\t<phonemes>");
        for (const auto& line : phonemeLines)
            AppendLine(out, line);
        AppendLine(out, "\t</phonemes>");
    }
    AppendLine(out, "</audio>");

    const auto layerCount = sheet.LayerCount();
    if (layerCount > 0) {
        AppendLine(out, "<layers" + Attribute("cols", layerCount) + ">");
        for (std::int32_t layer = 1; layer <= layerCount; ++layer) {
            AppendLine(out, "\t<layer" + Attribute("col", layer) +
                                Attribute("caption", sheet.LayerCaption(layer)) +
                                Attribute("dir", sheet.LayerFolder(layer)) +
                                Attribute("color", LayerColorIndex(sheet.LayerColors(layer))) +
                                Attribute("visible", sheet.LayerVisible(layer) ? 1 : 0) + ">");
            std::int32_t frame = 1;
            while (frame <= sheet.FrameCount()) {
                const TCel* cel = sheet.CelAt(layer, frame);
                if (!cel) {
                    ++frame;
                    continue;
                }
                AppendLine(out, "\t\t<cel" + Attribute("col", layer) + Attribute("row", cel->Row + 1) +
                                    Attribute("duration", cel->Duration) + ">" + LineValue(cel->Name) +
                                    "</cel>");
                // Jump past the hold so a held cel is written once.
                frame = std::max(frame + 1, cel->Row + 1 + cel->Duration);
            }
            AppendLine(out, "\t</layer>");
        }
        AppendLine(out, "</layers>");
    }
    AppendLine(out, "</xsheet>");
    return out;
}

bool TXpsFile::Write(const TSheetDocument& sheet, const TXpsSettings& settings, std::ostream& stream) const {
    const auto text = SheetText(sheet, settings);
    stream.write(text.data(), static_cast<std::streamsize>(text.size()));
    return static_cast<bool>(stream);
}

void TXpsFile::SaveSheet(const std::filesystem::path& path, const TSheetDocument& sheet,
                       const TXpsSettings& settings) {
    WriteFileAtomically(path, SheetText(sheet, settings));
}

bool SheetCanStore(std::string_view text) {
    return text.find('"') == std::string_view::npos;
}
