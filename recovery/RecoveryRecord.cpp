#include "recovery/RecoveryRecord.h"

#include "base/Error.h"
#include "base/TextUtil.h"
#include "document/XpsFile.h"

#include <ctime>
#include <string>

namespace {
constexpr std::string_view kBlock = "recovery";

// The sheet writer's rules for a value on one line: a line break becomes a space.
std::string OneLine(std::string_view value) {
    std::string text(value);
    for (char& c : text) {
        if (c == '\r' || c == '\n')
            c = ' ';
    }
    return text;
}

std::chrono::system_clock::time_point ParseIsoTime(std::string_view text) {
    std::tm parts{};
    const std::string copy(text);
    if (!strptime(copy.c_str(), "%Y-%m-%dT%H:%M:%SZ", &parts))
        return {};
    return std::chrono::system_clock::from_time_t(timegm(&parts));
}
} // namespace

std::string IsoTime(std::chrono::system_clock::time_point time) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(time);
    std::tm parts{};
    gmtime_r(&seconds, &parts);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &parts);
    return text;
}

std::string RecordText(const TRecoveryInfo& info, std::string_view sheetText) {
    const std::size_t firstLineEnd = sheetText.find('\n') + 1;
    std::string text(sheetText.substr(0, firstLineEnd));
    const auto line = [&text](const std::string& content) { text += content + "\r\n"; };
    line("<recovery>");
    line("\t<sheet>" + OneLine(info.SheetPath) + "</sheet>");
    line("\t<changed>" + IsoTime(info.Changed) + "</changed>");
    line("\t<cursor layer=\"" + std::to_string(info.CursorLayer) + "\" frame=\"" +
         std::to_string(info.CursorFrame) + "\"></cursor>");
    line(std::string("\t<audioshown>") + (info.AudioShown ? "1" : "0") + "</audioshown>");
    line("</recovery>");
    text += sheetText.substr(firstLineEnd);
    return text;
}

TRecoveryInfo ReadRecoveryInfo(const std::filesystem::path& record) {
    const auto bytes = ReadFileBytes(record);
    if (!bytes)
        throw ECwError("Cannot read \"" + record.string() + "\".");
    const std::vector<std::string> lines = SplitLines(DecodeText(*bytes));
    const auto block = TXpsFile::FindBlock(kBlock, lines);
    if (!block)
        throw ECwError("\"" + record.string() + "\" is no recovery record.");
    const std::span<const std::string> inside(lines.data() + block->First, block->Count());
    TRecoveryInfo info;
    info.SheetPath = std::string(TXpsFile::Text(TXpsFile::FirstLine("sheet", inside)));
    info.Changed = ParseIsoTime(TXpsFile::Text(TXpsFile::FirstLine("changed", inside)));
    const std::string_view cursor = TXpsFile::FirstLine("cursor", inside);
    info.CursorLayer = std::max(0, TXpsFile::AttrInt(cursor, "layer"));
    info.CursorFrame = std::max(0, TXpsFile::AttrInt(cursor, "frame"));
    info.AudioShown = TXpsFile::TextInt(TXpsFile::FirstLine("audioshown", inside)) == 1;
    return info;
}
