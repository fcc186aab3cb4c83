#pragma once

#include <map>
#include <string>
#include <string_view>

// The settings the user chose for an encoder, kept in "celwright.ini": one section per encoder element,
// "[encoder jpegenc]", holding a "property=value" line per setting that differs from the encoder's own
// default. Values are stored as text; whether they still fit the encoder is for its reader to check.
using TEncoderValues = std::map<std::string, std::string>;

// The encoder's stored settings; none when the file or the section is missing or unreadable.
TEncoderValues ReadEncoderSettings(const std::string& settingsFile, std::string_view element);

// Replaces the encoder's section with `values` (no section when empty), keeping the rest of the file.
// Throws ECwError when the file cannot be written, or when it is there but cannot be read (it is
// then left as it was).
void WriteEncoderSettings(const std::string& settingsFile, std::string_view element,
                          const TEncoderValues& values);
