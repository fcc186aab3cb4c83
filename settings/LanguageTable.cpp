#include "settings/LanguageTable.h"

#include "base/TextUtil.h"

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

// An entry of a language file and the line of the file it starts on (counted from 1).
struct TEntryLine {
    std::string Text;
    std::size_t Line = 0;
};

// The entry lines of a language file: comments and empty lines gone, continuations joined, "( )"
// turned into spaces.
std::vector<TEntryLine> EntryLines(std::string_view bytes) {
    // An editor's byte-order mark would otherwise become part of the first key.
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    if (bytes.starts_with(kByteOrderMark))
        bytes.remove_prefix(kByteOrderMark.size());

    std::vector<TEntryLine> lines;
    std::size_t number = 0;
    for (std::string& line : SplitLines(DecodeText(bytes))) {
        ++number;
        const std::string_view trimmed = Trim(line);
        if (trimmed.empty() || trimmed.starts_with(kComment))
            continue;
        // Only a line that held a comment is trimmed here, so "+_" before a comment still counts.
        if (const auto comment = line.find(kComment); comment != std::string::npos)
            line = std::string(Trim(std::string_view(line).substr(0, comment)));
        lines.push_back({std::move(line), number});
    }

    std::vector<TEntryLine> joined;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        TEntryLine entry = std::move(lines[i]);
        while (entry.Text.ends_with(kContinuation)) {
            entry.Text.resize(entry.Text.size() - kContinuation.size());
            if (i + 1 < lines.size())
                entry.Text += Trim(lines[++i].Text);
        }
        entry.Text = ReplaceAll(entry.Text, kSpace, " ");
        joined.push_back(std::move(entry));
    }
    return joined;
}

// A language name is a file name in the languages folder, not a path leading elsewhere.
bool IsPlainName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string_view::npos &&
           name.find('\0') == std::string_view::npos;
}
} // namespace

std::string LanguageFolder(std::string_view programFolder) {
    return std::string(programFolder) + "Languages/";
}

bool TLanguageTable::LoadLanguage(std::string_view folder, std::string_view name) {
    if (name == kEnglishLanguage) {
        Table_.Clear();
        return true;
    }
    if (!IsPlainName(name))
        return false;
    const std::filesystem::path path(std::string(folder) + std::string(name) + ".lng");
    const auto bytes = ReadFileBytes(path);
    if (!bytes)
        return false;
    LoadLanguageText(*bytes, path.string());
    return true;
}

void TLanguageTable::LoadLanguageText(std::string_view bytes, std::string_view fileName) {
    const std::vector<TEntryLine> lines = EntryLines(bytes);
    Table_.Clear();
    for (const TEntryLine& line : lines) {
        const auto tab = line.Text.find('\t');
        // A line without a tab has an empty key, which the table refuses: the load stops there.
        if (tab == 0 || tab == std::string::npos) {
            const std::string where = "line " + std::to_string(line.Line);
            throw EHashInvalidKeyError(fileName.empty() ? where
                                                        : "\"" + std::string(fileName) + "\" " + where);
        }
        const std::string_view text = std::string_view(line.Text).substr(tab + 1);
        Table_.Put(std::string_view(line.Text).substr(0, tab), ReplaceAll(Trim(text), kLineBreak, "\r\n"));
    }
}

std::string TLanguageTable::Lookup(std::string_view key) const {
    return Table_.Exists(key) ? Table_.Get(key) : std::string();
}

std::string TLanguageTable::Translate(std::string_view defaultText, std::string_view key) const {
    std::string text = Lookup(key);
    return text.empty() ? std::string(defaultText) : text;
}
