#pragma once

#include "document/SheetRecords.h"
#include "base/Error.h"

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

class TSheetDocument;

// A sheet file that could not be read. The text names the file: path + ": " + the message;
// Key names the message in the language table.
class TSheetLoadError : public ECwError {
public:
    TSheetLoadError(const std::filesystem::path& path, const std::string& message, std::string key)
        : ECwError(path.string() + ": " + message), Path(path.string()), Key(std::move(key)) {}
    std::string Path;
    std::string Key; // empty when the message has no key (a number, a newer version)
};

// A cel record of a file that could not be placed on the sheet.
struct TLeftOutCel {
    enum class TReason { NoFirstFrame, NoHold, PastLastFrame };
    std::string Name;
    std::int32_t Layer = 0;    // 1-based, the layer in whose block the record stands
    std::int32_t Frame = 0;    // first frame as stored (-1 when missing)
    std::int32_t Duration = 0; // hold as stored (-1 when missing)
    TReason Reason = TReason::NoFirstFrame;
};

// The reason in English: "no first frame", "hold below 1 frame", "passes frame 1637".
std::string LeftOutReasonText(TLeftOutCel::TReason reason);
// One line for a left-out cel: "walk_09.png, layer 2, frame 1630: passes frame 1637".
std::string DescribeLeftOutCel(const TLeftOutCel& cel, const std::string& reason);

// Reads an XPS file into the document, the way the program opens a sheet.
//
// `settings` comes in holding the preferences in force and goes out holding the sheet's own
// settings; `applySettings`, when given, receives them before the frame rate reaches the sheet,
// so the caller can bring its preferences in line. Throws TSheetLoadError when the file cannot
// be opened, is no exposure sheet, its settings or layers cannot be read, it comes from a newer
// version or holds a bad number; the document and `settings` are then left as they were. Cels that cannot be
// placed (no first frame, no hold, or passing the last frame a sheet can have) are left out and,
// when `leftOut` is given, listed there in file order. Returns the layout version the file was
// written in.
float LoadSheet(TSheetDocument& document, const std::filesystem::path& path, TXpsSettings& settings,
                const std::function<void(const TXpsSettings&)>& applySettings = {},
                std::vector<TLeftOutCel>* leftOut = nullptr);
