#pragma once

#include "document/CWTypeLib.h"
#include "document/CwError.h"

#include <filesystem>
#include <functional>
#include <string>

class TXsDocument;

// A sheet file that could not be read; Key names the message in the language table.
class TSheetLoadError : public ECwError {
public:
    TSheetLoadError(const std::string& message, std::string key) : ECwError(message), Key(std::move(key)) {}
    std::string Key;
};

// Reads an XPS file into the document, the way the program opens a sheet.
//
// `settings` comes in holding the preferences in force and goes out holding the sheet's own
// settings; `applySettings`, when given, receives them before the frame rate reaches the sheet,
// so the caller can bring its preferences in line. Throws TSheetLoadError when the file cannot
// be opened or its settings or layers cannot be read, and ECwError for a newer version or a bad
// number; in both cases the document and `settings` are left as they were. Returns the layout
// version the file was written in.
float LoadSheet(TXsDocument& document, const std::filesystem::path& path, TXPSSettings& settings,
                const std::function<void(const TXPSSettings&)>& applySettings = {});
