#include "settings/IniFile.h"

#include "base/TextUtil.h"

#include <algorithm>
#include <iterator>
#include <optional>
#include <system_error>
#include <unordered_map>
#include <unordered_set>
#include <utility>

namespace {
// A name or value as it can stand on one line.
std::string OneLine(std::string_view text) {
    std::string out(text);
    std::replace_if(
        out.begin(), out.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
    return out;
}

bool IsSectionHeader(std::string_view trimmed) {
    return trimmed.size() >= 2 && trimmed.front() == '[' && trimmed.back() == ']';
}
} // namespace

bool TIniFile::LoadFromFile(const std::filesystem::path& path) {
    Clear();
    const auto bytes = ReadFileBytes(path);
    if (!bytes)
        return false;
    LoadFromText(*bytes);
    return true;
}

bool TIniFile::LoadForUpdate(const std::filesystem::path& path) {
    std::error_code error;
    // A file that may be there (its folder cannot be searched, its links lead round in a circle)
    // counts as one that cannot be read.
    return LoadFromFile(path) || (!std::filesystem::exists(path, error) && !error);
}

void TIniFile::LoadFromText(std::string_view bytes) {
    Clear();
    const std::string text = DecodeText(bytes);

    std::optional<std::size_t> current;
    for (auto& lineText : SplitLines(text)) {
        const auto trimmed = Trim(lineText);
        if (IsSectionHeader(trimmed)) {
            std::string name(Trim(trimmed.substr(1, trimmed.size() - 2)));
            const auto [it, added] = SectionIndex_.try_emplace(ToLowerAscii(name), Sections_.size());
            // A repeated section continues the first one, so that every name stays unique.
            if (added)
                Sections_.push_back(TSection{std::move(name), std::move(lineText), {}});
            current = it->second;
            continue;
        }
        TLine line;
        const auto equals = lineText.find('=');
        const bool comment = !trimmed.empty() && (trimmed.front() == ';' || trimmed.front() == '#');
        if (equals != std::string::npos && !comment) {
            line.Key = std::string(Trim(std::string_view(lineText).substr(0, equals)));
            line.ValueStart = equals + 1;
            line.IsKey = true;
        }
        line.Text = std::move(lineText);
        if (current)
            Sections_[*current].Lines.push_back(std::move(line));
        else
            Preamble_.push_back(std::move(line.Text));
    }
}

void TIniFile::Clear() {
    Preamble_.clear();
    Sections_.clear();
    SectionIndex_.clear();
}

void TIniFile::IndexSections() {
    SectionIndex_.clear();
    for (std::size_t i = 0; i < Sections_.size(); ++i)
        SectionIndex_.emplace(ToLowerAscii(Sections_[i].Name), i);
}

std::string TIniFile::ToText() const {
    std::string out;
    for (const auto& line : Preamble_) {
        out += line;
        out += '\n';
    }
    for (const auto& section : Sections_) {
        out += section.Header;
        out += '\n';
        for (const auto& line : section.Lines) {
            out += line.Text;
            out += '\n';
        }
    }
    return out;
}

void TIniFile::SaveToFile(const std::filesystem::path& path) const {
    WriteFileAtomically(path, ToText());
}

std::string TIniFile::ReadString(std::string_view section, std::string_view key,
                                 std::string_view defaultValue) const {
    const TSection* found = FindSection(section);
    const TLine* line = found ? FindKey(*found, key) : nullptr;
    // Blanks around "=" are layout, not value: "numbering = frame" reads "frame".
    return line ? std::string(Trim(std::string_view(line->Text).substr(line->ValueStart)))
                : std::string(defaultValue);
}

std::int32_t TIniFile::ReadInteger(std::string_view section, std::string_view key,
                                   std::int32_t defaultValue) const {
    const TSection* found = FindSection(section);
    const TLine* line = found ? FindKey(*found, key) : nullptr;
    if (!line)
        return defaultValue;
    return ParseInt32(Trim(std::string_view(line->Text).substr(line->ValueStart))).value_or(defaultValue);
}

bool TIniFile::ReadBool(std::string_view section, std::string_view key, bool defaultValue) const {
    return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

void TIniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
    // Names are trimmed as the reader trims them, so what is written reads back the same.
    const std::string name(Trim(OneLine(section)));
    const std::string keyName(Trim(OneLine(key)));
    const std::string text = OneLine(value);

    TSection* found = FindSection(name);
    if (!found) {
        SectionIndex_.emplace(ToLowerAscii(name), Sections_.size());
        Sections_.push_back(TSection{name, "[" + name + "]", {}});
        found = &Sections_.back();
    }
    if (TLine* line = FindKey(*found, keyName)) {
        // Keep the key as the file spells it; only the value changes.
        line->Text.replace(line->ValueStart, std::string::npos, text);
        return;
    }
    // Blank lines closing the section keep separating it from the next one.
    auto position = found->Lines.end();
    while (position != found->Lines.begin() && Trim(std::prev(position)->Text).empty())
        --position;
    found->Lines.insert(position, TLine{keyName + "=" + text, keyName, keyName.size() + 1, true});
}

void TIniFile::WriteInteger(std::string_view section, std::string_view key, std::int32_t value) {
    WriteString(section, key, std::to_string(value));
}

void TIniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
    WriteString(section, key, value ? "1" : "0");
}

bool TIniFile::SectionExists(std::string_view section) const {
    return FindSection(section) != nullptr;
}

bool TIniFile::ValueExists(std::string_view section, std::string_view key) const {
    const TSection* found = FindSection(section);
    return found && FindKey(*found, key);
}

void TIniFile::EraseSection(std::string_view section) {
    if (std::erase_if(Sections_, [&](const TSection& s) { return EqualsIgnoringCase(s.Name, section); }) > 0)
        IndexSections();
}

void TIniFile::EraseSectionsStartingWith(std::string_view prefix) {
    if (std::erase_if(Sections_, [&](const TSection& s) { return StartsWithIgnoringCase(s.Name, prefix); }) > 0)
        IndexSections();
}

std::vector<std::string> TIniFile::ReadSections() const {
    std::vector<std::string> names;
    names.reserve(Sections_.size());
    for (const auto& section : Sections_)
        names.push_back(section.Name);
    return names;
}

std::vector<std::string> TIniFile::ReadSectionKeys(std::string_view section) const {
    std::vector<std::string> keys;
    const TSection* found = FindSection(section);
    if (!found)
        return keys;
    std::unordered_set<std::string> seen;
    for (const auto& line : found->Lines) {
        if (line.IsKey && seen.insert(ToLowerAscii(line.Key)).second)
            keys.push_back(line.Key);
    }
    return keys;
}

const TIniFile::TSection* TIniFile::FindSection(std::string_view name) const {
    const auto it = SectionIndex_.find(ToLowerAscii(name));
    return it == SectionIndex_.end() ? nullptr : &Sections_[it->second];
}

TIniFile::TSection* TIniFile::FindSection(std::string_view name) {
    return const_cast<TSection*>(std::as_const(*this).FindSection(name));
}

const TIniFile::TLine* TIniFile::FindKey(const TSection& section, std::string_view key) {
    const auto it = std::find_if(section.Lines.begin(), section.Lines.end(), [&](const TLine& line) {
        return line.IsKey && EqualsIgnoringCase(line.Key, key);
    });
    return it == section.Lines.end() ? nullptr : &*it;
}

TIniFile::TLine* TIniFile::FindKey(TSection& section, std::string_view key) {
    return const_cast<TLine*>(FindKey(std::as_const(section), key));
}

void EraseSectionsInFile(const std::string& path, std::string_view prefix) {
    TIniFile ini;
    if (path.empty() || !ini.LoadFromFile(path))
        return;
    ini.EraseSectionsStartingWith(prefix);
    ini.SaveToFile(path);
}
