#pragma once

#include "document/SheetRecords.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

// Where a captured or scanned picture goes, the same for the capture and scanner windows and
// celwright-cli: its file name from the Name and Number fields, the next number, and the hold.

// pad(n): the decimal text of n, zero-filled to at least four digits (7 gives "0007", 12345 stays).
std::string PadNumber(std::int64_t value);

// increment(s): the next number of a sequence. "0009" gives "0010"; a trailing letter advances on a
// numeric stem ("12a" gives "0012b"; "0007z" stays "0007z"); any other text is returned unchanged
// ("A3x", "take").
std::string IncrementNumber(std::string_view text);

// Name + "_" + number + ".png", ".jpg" or ".bmp".
std::string CaptureFileName(std::string_view name, std::string_view number, TcwImageFormat format);

// Where a new picture of that name and number goes in a layer's folder. The name and the number
// must each be part of a file name (no folder separator, not "." or ".."), the whole file name
// within the file system's length, and the path must lie in the folder; otherwise throws ECwError
// saying why.
std::filesystem::path NewPicturePath(const std::string& folder, std::string_view name, std::string_view number,
                                     TcwImageFormat format);

// The hold typed into the Other field: a whole number of frames from 1 to kMaxFrames, the text
// exactly as typed. Nothing for an empty field (a value still being typed) or a number outside
// that range; either leaves the kept hold as it is. Any other text, a number with blanks around it
// included, throws the standard conversion error.
std::optional<std::int32_t> TypedHold(std::string_view text);
