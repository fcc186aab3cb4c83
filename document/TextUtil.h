#pragma once

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

// Removes leading and trailing spaces and control characters (bytes up to 32).
std::string_view Trim(std::string_view text);

// A decimal whole number with an optional sign and nothing else; nothing when the text is
// empty, holds any other character or does not fit 32 bits.
std::optional<std::int32_t> ParseInt32(std::string_view text);

// As ParseInt32, but throws ECwError "'text' is not a valid integer value" on failure.
std::int32_t StrToInt(std::string_view text);

// Text as UTF-8: returned unchanged when it is valid UTF-8, else read as Windows-1252.
std::string DecodeText(std::string_view bytes);

// Splits text into lines; CR, LF and CR LF each end a line. A final line end adds no empty line.
std::vector<std::string> SplitLines(std::string_view text);

// Reads a whole regular file as bytes; nothing when the path names no regular file (a folder or a
// pipe must neither fail nor block a read) or the file cannot be read.
std::optional<std::string> ReadFileBytes(const std::filesystem::path& path);

// When a written file reaches the disk: before it replaces its target, or with a later SyncFolder.
enum class TFileSync { Sync, Later };

// Replaces the file's content in one step: writes a temporary file beside it and renames it over
// the target, so a failure leaves the old file as it was. Throws ECwError naming the file on failure.
void WriteFileAtomically(const std::filesystem::path& path, std::string_view content,
                         TFileSync sync = TFileSync::Sync);

// Puts everything written into the folder's file system on disk, files and names: one sync for a
// batch of files written with TFileSync::Later. Throws ECwError naming the folder on failure.
void SyncFolder(const std::filesystem::path& folder);
