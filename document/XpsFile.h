#pragma once

#include "document/SheetRecords.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <iosfwd>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

class TSheetDocument;

// Reads and writes exposure sheet files (.xps).
//
// The file is line-oriented text with one tag-like element per line; nothing in it is escaped. The
// writer always produces version "4.0"; the reader takes versions 1 and 2 (key=value lines followed
// by "begin" and one column of lines per layer), 3 (values in attributes) and 4 (values as element
// text). Frames and layers in the file and in the records count from 1.
//
// Use: Open (or OpenText), then ReadSettings, ReadLayers, ReadAudio in this order; for versions 1
// and 2 ReadLayers drops the header lines the settings are read from.
//
// Text is read as UTF-8, or as Windows-1252 when the file is not valid UTF-8, and written as UTF-8.
//
// Untrusted files: work and memory stay proportional to the file. ReadLayers makes at most one
// layer record per line of the file however large the stored layer count is, and stops making
// records once they would hold more than twice the file's text (plus 1 MiB); only files whose
// blocks or columns overlap each other can reach that bound.
class TXpsFile {
public:
    bool Opened = false;                // true after a successful Open
    std::vector<std::string> FileLines; // every line of the opened file
    std::vector<std::string> Block;     // the block last cut out by a reader
    float Version = 0;                  // the detected layout version

    // Loads the file and detects its version. False when the file does not exist or cannot be
    // read. Throws ECwError "This Xps file was created by a newer version and cannot be read." for
    // a version above 4, and the number-conversion error when a version text is not a number.
    bool Open(const std::filesystem::path& path);
    // As Open, for file content already in memory (the raw bytes of a file).
    void OpenText(std::string_view bytes);

    // True when the opened text is laid out as a sheet: it has an "<xsheet" line or, in the
    // key=value layout, a "cols" key. Other files (a picture, a note) are no exposure sheets.
    bool IsSheet() const;

    // Fills the fields the file gives and leaves the others as the caller set them (an unknown
    // "format" name, and a frame rate outside kMinFps to kMaxFps, keep the caller's). False when not opened
    // or, from version 3 on, without a settings block. Versions 1 and 2 throw the number-conversion error for
    // a "fps" or "step" value that is not a number.
    bool ReadSettings(TXpsSettings& settings);
    // Replaces `layers` with one record per stored layer. False, leaving `layers` alone, when not
    // opened, without a layers block (version 3 on) or when the stored layer count is not above 0.
    // Versions 1 and 2 throw the number-conversion error for a missing or non-numeric "cols".
    // Numbers missing from the file or not numbers read as -1; the loader decides what they mean.
    bool ReadLayers(TLayersData& layers);
    // Replaces `audio` with the sound file and phonemes of the audio block. False when not opened
    // or without an audio block.
    bool ReadAudio(TAudioInfo& audio);

    // Writes the sheet as version "4.0". The settings lines come from `settings`, the caller's
    // preferences, not from the sheet. Nothing is escaped: a line break in a value is written as
    // a space, and a double quote in an attribute value (caption, folder) as an apostrophe. True
    // when the stream took everything.
    bool Write(const TSheetDocument& sheet, const TXpsSettings& settings, std::ostream& stream) const;
    // The text Write produces: every line ends with CR LF.
    static std::string SheetText(const TSheetDocument& sheet, const TXpsSettings& settings);
    // Replaces the file's content with the sheet in one step. Throws ECwError when the file cannot
    // be written; the old file is then left as it was.
    static void SaveSheet(const std::filesystem::path& path, const TSheetDocument& sheet,
                          const TXpsSettings& settings);

    // Line primitives. "Trimmed" means without leading and trailing spaces and control characters;
    // tag names at the start of a line match regardless of letter case. Returned views point into
    // the arguments.

    // Lines [First, Last] of a list, both inclusive.
    struct TLineRange {
        std::size_t First = 0;
        std::size_t Last = 0;
        std::size_t Count() const { return Last - First + 1; }
    };
    // The element `name` from line `start` on: its opening line ("<name" then a space or ">"), the
    // first closing line ("</name" then a space or ">") after it, and the lines between.
    static std::optional<TLineRange> FindBlock(std::string_view name, std::span<const std::string> lines,
                                               std::size_t start = 0);
    // The first line beginning with "<name" (whatever follows), trimmed; empty when there is none.
    static std::string_view FirstLine(std::string_view name, std::span<const std::string> lines);
    // The value of attribute `name` (exact case), trimmed. Attributes are read in order as
    // blank, name, `="`, value, `"`, so only a whole attribute matches, never text inside another
    // one's value. Empty when there is no such attribute or its closing quote is missing.
    static std::string_view Attr(std::string_view line, std::string_view name);
    // Attr as a decimal integer; -1 when empty or not a 32-bit integer.
    static std::int32_t AttrInt(std::string_view line, std::string_view name);
    // The trimmed text between the first ">" and the last "<" (the closing tag's); empty when
    // either is missing.
    static std::string_view Text(std::string_view line);
    // Text as a decimal integer; -1 when empty or not a 32-bit integer.
    static std::int32_t TextInt(std::string_view line);
    // The element name of a line: after the first "<", up to the first space or ">".
    static std::string_view TagName(std::string_view line);
    // A version number: the whole part plus the digits after the "." over 10 to the power of
    // their count ("4.0" is 4, "3.25" is 3.25). Throws the number-conversion error for a part that
    // is not an integer.
    static double ParseVersion(std::string_view text);

private:
    void LoadText(std::string_view bytes);
    void DetectVersion();
    std::span<const std::string> HeaderLines() const;
    std::optional<std::string_view> HeaderValue(std::string_view key) const;
    // `value`, a view into a header line, as a number; the number-conversion error
    // names the line ("line 3: 'x' is not a valid integer value").
    std::int32_t HeaderNumber(std::string_view value) const;
    bool CutBlock(std::string_view name);
    std::size_t TextSize() const;

    bool ReadSettingsV1(TXpsSettings& settings) const;
    bool ReadLayersV1(TLayersData& layers);
    bool ReadSettingsTagged(TXpsSettings& settings);
    bool ReadLayersTagged(TLayersData& layers);
};

// True when the sheet file keeps `text` as it is: its attributes cannot hold a double quote, so a
// caption or a folder with one would come back changed.
bool SheetCanStore(std::string_view text);

