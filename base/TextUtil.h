#pragma once

// WriteFileAtomically, which the file writers use with these helpers.
#include "base/AtomicFile.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Small text helpers shared by the file readers and writers.

bool EqualsIgnoringCase(std::string_view a, std::string_view b);
bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix);
std::string ToLowerAscii(std::string_view text);

// Appends a Unicode code point (up to U+10FFFF) as UTF-8: one to four bytes.
void AppendUtf8(std::string& out, char32_t codePoint);

// Removes leading and trailing spaces and control characters (bytes up to 32).
std::string_view Trim(std::string_view text);

// A decimal whole number with an optional sign and nothing else; nothing when the text is
// empty, holds any other character or does not fit 32 bits.
std::optional<std::int32_t> ParseInt32(std::string_view text);

// As ParseInt32, but throws ECwError "'text' is not a valid integer value" on failure.
std::int32_t StrToInt(std::string_view text);

// Text as UTF-8, without the byte-order marks at its start. Each line that is valid UTF-8 stays as
// it is; any other line is read as Windows-1252. Line ends are kept.
std::string DecodeText(std::string_view bytes);

// A folder as the program keeps it: ending with a separator, "/" unless it already ends with "/" or
// "\\" (a sheet made on Windows); an empty text stays empty, "no folder".
std::string FolderPath(std::string_view folder);

// Splits text into lines; CR, LF and CR LF each end a line. A final line end adds no empty line.
std::vector<std::string> SplitLines(std::string_view text);

// Reads a whole regular file as bytes; nothing when the path names no regular file (a folder or a
// pipe must neither fail nor block a read) or the file cannot be read.
std::optional<std::string> ReadFileBytes(const std::filesystem::path& path);
