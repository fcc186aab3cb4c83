#include "settings/cwLanguage.h"

#include "document/TextUtil.h"

#include <filesystem>
#include <utility>
#include <vector>

namespace {
constexpr std::string_view kComment = "//";
constexpr std::string_view kContinuation = "+_";
constexpr std::string_view kSpace = "( )";
constexpr std::string_view kLineBreak = "(cr/lf)";

std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t at; (at = text.find(from)) != std::string_view::npos;) {
        out += text.substr(0, at);
        out += to;
        text.remove_prefix(at + from.size());
    }
    out += text;
    return out;
}

// The entry lines of a language file: comments and empty lines gone, continuations joined, "( )"
// turned into spaces.
std::vector<std::string> EntryLines(std::string_view bytes) {
    // An editor's byte-order mark would otherwise become part of the first key.
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    if (bytes.starts_with(kByteOrderMark))
        bytes.remove_prefix(kByteOrderMark.size());

    std::vector<std::string> lines;
    for (std::string& line : SplitLines(DecodeText(bytes))) {
        const std::string_view trimmed = Trim(line);
        if (trimmed.empty() || trimmed.starts_with(kComment))
            continue;
        // Only a line that held a comment is trimmed here, so "+_" before a comment still counts.
        if (const auto comment = line.find(kComment); comment != std::string::npos)
            line = std::string(Trim(std::string_view(line).substr(0, comment)));
        lines.push_back(std::move(line));
    }

    std::vector<std::string> joined;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::string line = std::move(lines[i]);
        while (line.ends_with(kContinuation)) {
            line.resize(line.size() - kContinuation.size());
            if (i + 1 < lines.size())
                line += Trim(lines[++i]);
        }
        joined.push_back(ReplaceAll(line, kSpace, " "));
    }
    return joined;
}
} // namespace

std::string LanguageFolder(std::string_view programFolder) {
    return std::string(programFolder) + "Languages/";
}

bool TLanguageHandler::LoadLanguage(std::string_view folder, std::string_view name) {
    if (name == kEnglishLanguage) {
        Table_.Clear();
        return true;
    }
    const std::filesystem::path path(std::string(folder) + std::string(name) + ".lng");
    const auto bytes = ReadFileBytes(path);
    if (!bytes)
        return false;
    LoadLanguageText(*bytes);
    return true;
}

void TLanguageHandler::LoadLanguageText(std::string_view bytes) {
    const std::vector<std::string> lines = EntryLines(bytes);
    Table_.Clear();
    for (const std::string& line : lines) {
        const auto tab = line.find('\t');
        // A line without a tab has an empty key, which Put refuses: the load stops there.
        const std::string_view key =
            tab == std::string::npos ? std::string_view() : std::string_view(line).substr(0, tab);
        const std::string_view text =
            tab == std::string::npos ? std::string_view() : std::string_view(line).substr(tab + 1);
        Table_.Put(key, ReplaceAll(Trim(text), kLineBreak, "\r\n"));
    }
}

std::string TLanguageHandler::Lookup(std::string_view key) const {
    return Table_.Exists(key) ? Table_.Get(key) : std::string();
}

std::string TLanguageHandler::Translate(std::string_view defaultText, std::string_view key) const {
    std::string text = Lookup(key);
    return text.empty() ? std::string(defaultText) : text;
}
