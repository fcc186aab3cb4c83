#include "settings/PlacementRules.h"

#include "base/Error.h"
#include "document/FileNameRules.h"
#include "document/SheetData.h"
#include "base/TextUtil.h"

#include <algorithm>
#include <cctype>

namespace {
bool IsLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
} // namespace

std::string PadNumber(std::int64_t value) {
    std::string text = std::to_string(value);
    if (text.size() < 4)
        text.insert(0, 4 - text.size(), '0');
    return text;
}

std::string IncrementNumber(std::string_view text) {
    if (!text.empty() && IsLetter(text.back())) {
        const std::string_view stem = text.substr(0, text.size() - 1);
        char letter = static_cast<char>(std::tolower(static_cast<unsigned char>(text.back())));
        const auto number = ParseInt32(stem);
        if (!number)
            return std::string(stem) + letter;
        if (letter != 'z')
            ++letter;
        return PadNumber(*number) + letter;
    }
    const auto number = ParseInt32(text);
    return number ? PadNumber(std::int64_t{*number} + 1) : std::string(text);
}

std::string CaptureFileName(std::string_view name, std::string_view number, TcwImageFormat format) {
    const char* extension = format == TcwImageFormat::jpg   ? ".jpg"
                            : format == TcwImageFormat::bmp ? ".bmp"
                                                            : ".png";
    return std::string(name) + "_" + std::string(number) + extension;
}

std::filesystem::path NewPicturePath(const std::string& folder, std::string_view name, std::string_view number,
                                     TcwImageFormat format) {
    const std::size_t maxLength = MaxFileNameLength(folder);
    for (const auto& [part, what] : {std::pair{name, "Name"}, std::pair{number, "Number"}}) {
        const std::string refusal = FileNameRefusal(part, maxLength, what);
        if (!refusal.empty())
            throw ECwError(refusal);
    }
    const std::string fileName = CaptureFileName(name, number, format);
    CheckFileNameIn(folder, fileName, "File name");
    return PathInFolder(folder, fileName);
}

std::optional<std::int32_t> TypedHold(std::string_view text) {
    if (text.empty())
        return std::nullopt;
    const std::int32_t hold = StrToInt(text);
    if (hold < 1 || hold > kMaxFrames)
        return std::nullopt;
    return hold;
}
