#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// An INI file held in memory: "[section]" lines, each followed by "key=value" lines.
//
// Section and key names match regardless of letter case (ASCII). A key is the text before the first
// "=" of its line with surrounding blanks removed, so it may contain inner spaces ("default path");
// the value is everything after that "=", unchanged. Every line is kept as it was read, so writing the
// file back leaves sections and lines nobody touched (comments, blank lines, lines without "=", text
// before the first section) as they were. New sections go to the end of the file, new keys to the end
// of their section. Lines are written ending in LF.
class TIniFile {
public:
    // Replaces the content with the file's. A missing or unreadable file, or anything that is not a
    // regular file, gives an empty INI file. Returns true when the file was read.
    bool LoadFromFile(const std::filesystem::path& path);
    // LoadFromFile, to change the file and save it back: true when the file was read or is not there
    // yet; false when it is there, or may be, but cannot be read, and must be left alone rather than
    // replaced by what would be written into it.
    bool LoadForUpdate(const std::filesystem::path& path);
    // Replaces the content with `bytes`, read as UTF-8 (or Windows-1252 when not valid UTF-8), with
    // CR, LF or CR LF line ends. Any bytes are accepted.
    void LoadFromText(std::string_view bytes);
    void Clear();

    // The whole file as UTF-8 text, every line ending in LF.
    std::string ToText() const;
    // Writes ToText() to `path` in one step; a failure throws ECwError and leaves the old file as it was.
    void SaveToFile(const std::filesystem::path& path) const;

    // The value of the key's first line in the section without the blanks around it; `defaultValue`
    // when there is none.
    std::string ReadString(std::string_view section, std::string_view key,
                           std::string_view defaultValue) const;
    // The value as a decimal 32-bit integer (blanks around it allowed); `defaultValue` when the key is
    // missing or its value is not such a number.
    std::int32_t ReadInteger(std::string_view section, std::string_view key, std::int32_t defaultValue) const;
    // True when the value is an integer other than 0; `defaultValue` when the key is missing or its
    // value is not an integer.
    bool ReadBool(std::string_view section, std::string_view key, bool defaultValue) const;

    // Sets the value of the key's first line in the section, adding the section and the key when
    // missing. Line breaks in the section name, key or value are turned into spaces, as a line cannot
    // hold them. The key must not contain "=".
    void WriteString(std::string_view section, std::string_view key, std::string_view value);
    void WriteInteger(std::string_view section, std::string_view key, std::int32_t value);
    // Writes "1" for true and "0" for false.
    void WriteBool(std::string_view section, std::string_view key, bool value);

    bool SectionExists(std::string_view section) const;
    bool ValueExists(std::string_view section, std::string_view key) const;
    // Removes the section with all its lines; nothing when there is no such section.
    void EraseSection(std::string_view section);
    // Removes every section whose name starts with `prefix` (regardless of case).
    void EraseSectionsStartingWith(std::string_view prefix);

    // Section names in file order, as spelled in the file.
    std::vector<std::string> ReadSections() const;
    // Key names of the section in file order, each name once (as first spelled); empty when there is
    // no such section.
    std::vector<std::string> ReadSectionKeys(std::string_view section) const;

private:
    struct TLine {
        std::string Text;           // the line as it stands in the file
        std::string Key;            // trimmed key; only for key lines
        std::size_t ValueStart = 0; // offset of the value in Text; only for key lines
        bool IsKey = false;
    };
    struct TSection {
        std::string Name;
        std::string Header; // the "[name]" line as it stands in the file
        std::vector<TLine> Lines;
    };

    const TSection* FindSection(std::string_view name) const;
    TSection* FindSection(std::string_view name);
    static const TLine* FindKey(const TSection& section, std::string_view key);
    static TLine* FindKey(TSection& section, std::string_view key);

    void IndexSections();

    std::vector<std::string> Preamble_; // lines before the first section
    std::vector<TSection> Sections_;    // section names are unique (regardless of case)
    // Lower-case section name to its position, so that a look-up does not scan every section.
    std::unordered_map<std::string, std::size_t> SectionIndex_;
};

// Removes from the INI file at `path` every section whose name starts with `prefix` (regardless of
// case), keeping everything else as it was. Nothing happens for an empty path, a missing file or one
// that cannot be read. Throws ECwError when the file cannot be written.
void EraseSectionsInFile(const std::string& path, std::string_view prefix);
