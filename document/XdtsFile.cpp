#include "document/XdtsFile.h"

#include "base/Error.h"
#include "document/JsonValue.h"
#include "document/SheetData.h"

#include <algorithm>
#include <optional>

namespace {

constexpr std::string_view kNullCell = "SYMBOL_NULL_CELL";
constexpr std::string_view kHyphen = "SYMBOL_HYPHEN";
constexpr std::string_view kTick1 = "SYMBOL_TICK_1";
constexpr std::string_view kTick2 = "SYMBOL_TICK_2";
constexpr std::int32_t kCellField = 0;

bool IsAsciiLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

struct TEntry {
    std::int32_t Frame = 0;
    std::string Value;
};

// The field of the given id in an array of {fieldId, ...} objects.
const TJsonValue* FindField(const TJsonValue* fields, std::int32_t id) {
    if (!fields)
        return nullptr;
    for (const TJsonValue& field : fields->Elements()) {
        const TJsonValue* fieldId = field.Member("fieldId");
        if (fieldId && fieldId->Int32() == id)
            return &field;
    }
    return nullptr;
}

// The first value of an entry's data, or nothing when it holds no text.
std::optional<std::string> EntryValue(const TJsonValue& entry) {
    const TJsonValue* data = entry.Member("data");
    if (!data || data->Elements().empty())
        return std::nullopt;
    const TJsonValue* values = data->Elements().front().Member("values");
    if (!values || values->Elements().empty() || values->Elements().front().Kind != TJsonValue::TKind::String)
        return std::nullopt;
    return values->Elements().front().String;
}

std::vector<TEntry> TrackEntries(const TJsonValue& track, std::size_t column) {
    std::vector<TEntry> entries;
    const TJsonValue* frames = track.Member("frames");
    for (const TJsonValue& entry : frames ? frames->Elements() : std::vector<TJsonValue>{}) {
        const TJsonValue* frame = entry.Member("frame");
        const auto number = frame ? frame->Int32() : std::nullopt;
        if (!number)
            throw ECwError("column " + std::to_string(column + 1) + " has a frame entry without a frame number");
        entries.push_back({*number, EntryValue(entry).value_or("")});
    }
    std::stable_sort(entries.begin(), entries.end(),
                     [](const TEntry& a, const TEntry& b) { return a.Frame < b.Frame; });
    return entries;
}

// Turns a track's change points into exposures; values naming no drawing are noted.
void ReadTrack(const TJsonValue& track, std::int32_t column, TTimesheet& sheet) {
    TTimesheetColumn& target = sheet.Columns[static_cast<std::size_t>(column)];
    std::string drawing; // empty: no drawing
    std::int32_t start = 0;
    const auto close = [&](std::int32_t end) {
        if (!drawing.empty() && end > start)
            target.Exposures.push_back({start, end - start, drawing});
    };
    for (const TEntry& entry : TrackEntries(track, static_cast<std::size_t>(column))) {
        const std::int32_t frame = std::max(entry.Frame, 0);
        if (frame >= sheet.Duration)
            break;
        if (entry.Value == kHyphen || entry.Value == kTick1 || entry.Value == kTick2)
            continue;
        std::string next = entry.Value == kNullCell ? std::string() : DrawingNumber(entry.Value);
        if (next.empty() && entry.Value != kNullCell)
            sheet.OddValues.push_back({column, frame, entry.Value});
        if (next == drawing)
            continue;
        close(frame);
        drawing = std::move(next);
        start = frame;
    }
    close(sheet.Duration);
}

void AppendEntry(std::string& out, bool& first, std::int32_t frame, std::string_view value) {
    out += first ? "\n" : ",\n";
    first = false;
    out += "            {\"frame\": " + std::to_string(frame) + ", \"data\": [{\"id\": 0, \"values\": [" +
           JsonQuoted(value) + "]}]}";
}

} // namespace

std::string DrawingNumber(std::string_view value) {
    std::size_t digits = 0;
    while (digits < value.size() && value[digits] >= '0' && value[digits] <= '9')
        ++digits;
    const bool letter = digits + 1 == value.size() && IsAsciiLetter(value.back());
    if (digits == 0 || (digits != value.size() && !letter))
        return {};
    const std::size_t zeros = std::min(value.find_first_not_of('0'), digits - 1);
    if (digits - zeros > 9)
        return {};
    return std::string(value.substr(zeros));
}

TTimesheet TXdtsFile::Read(std::string_view bytes) {
    if (bytes.size() > kMaxFileSize)
        throw ECwError("the file is larger than " + std::to_string(kMaxFileSize >> 20) +
                       " MB; no timesheet is that large");
    if (bytes.starts_with("\xEF\xBB\xBF"))
        bytes.remove_prefix(3);
    const std::size_t lineEnd = bytes.find('\n');
    std::string_view firstLine = bytes.substr(0, lineEnd);
    if (firstLine.ends_with('\r'))
        firstLine.remove_suffix(1);
    if (firstLine != kFirstLine || lineEnd == std::string_view::npos)
        throw ECwError("the first line is not \"" + std::string(kFirstLine) + "\"");

    // Blanked rather than cut off, so that the JSON reader's line numbers are the file's.
    std::string json(bytes);
    std::fill_n(json.begin(), lineEnd, ' ');
    const TJsonValue root = ParseJson(json);
    const TJsonValue* tables = root.Member("timeTables");
    if (!tables || tables->Elements().empty())
        throw ECwError("it holds no time table");
    const TJsonValue& table = tables->Elements().front();

    TTimesheet sheet;
    const TJsonValue* duration = table.Member("duration");
    const auto frames = duration ? duration->Int32() : std::nullopt;
    if (!frames || *frames < 1 || *frames > kMaxFrames)
        throw ECwError("the time table's duration is not a number of frames from 1 to " +
                       std::to_string(kMaxFrames));
    sheet.Duration = *frames;
    if (const TJsonValue* name = table.Member("name"); name && name->Kind == TJsonValue::TKind::String)
        sheet.Name = name->String;

    const TJsonValue* header = FindField(table.Member("timeTableHeaders"), kCellField);
    const TJsonValue* names = header ? header->Member("names") : nullptr;
    if (names && names->Elements().size() > kMaxColumns)
        throw ECwError("the time table has more than " + std::to_string(kMaxColumns) + " columns");
    for (const TJsonValue& name : names ? names->Elements() : std::vector<TJsonValue>{})
        sheet.Columns.push_back({name.Kind == TJsonValue::TKind::String ? name.String : std::string(), {}});

    const TJsonValue* cells = FindField(table.Member("fields"), kCellField);
    const TJsonValue* tracks = cells ? cells->Member("tracks") : nullptr;
    std::vector<bool> read(sheet.Columns.size(), false);
    for (const TJsonValue& track : tracks ? tracks->Elements() : std::vector<TJsonValue>{}) {
        const TJsonValue* trackNo = track.Member("trackNo");
        const auto column = trackNo ? trackNo->Int32() : std::nullopt;
        // A track without a column name has nowhere to go; a second track of a column adds nothing.
        if (!column || *column < 0 || static_cast<std::size_t>(*column) >= sheet.Columns.size() ||
            read[static_cast<std::size_t>(*column)])
            continue;
        read[static_cast<std::size_t>(*column)] = true;
        ReadTrack(track, *column, sheet);
    }
    return sheet;
}

std::string TXdtsFile::Text(const TTimesheet& sheet) {
    std::string out(kFirstLine);
    out += "\n{\n  \"timeTables\": [{\n    \"duration\": " + std::to_string(sheet.Duration) +
           ",\n    \"fields\": [{\"fieldId\": 0, \"tracks\": [";
    for (std::size_t column = 0; column < sheet.Columns.size(); ++column) {
        out += column == 0 ? "\n" : ",\n";
        out += "        {\"trackNo\": " + std::to_string(column) + ", \"frames\": [";
        bool first = true;
        const auto& exposures = sheet.Columns[column].Exposures;
        for (std::size_t i = 0; i < exposures.size(); ++i) {
            const TTimesheetExposure& exposure = exposures[i];
            AppendEntry(out, first, exposure.Frame, exposure.Drawing);
            const std::int32_t end = exposure.Frame + exposure.Duration;
            const bool next = i + 1 < exposures.size() && exposures[i + 1].Frame == end;
            if (!next && end < sheet.Duration)
                AppendEntry(out, first, end, kNullCell);
        }
        out += first ? "]}" : "\n        ]}";
    }
    out += "]}],\n    \"name\": " + JsonQuoted(sheet.Name) + ",\n    \"timeTableHeaders\": [{\"fieldId\": 0, \"names\": [";
    for (std::size_t column = 0; column < sheet.Columns.size(); ++column)
        out += (column == 0 ? "" : ", ") + JsonQuoted(sheet.Columns[column].Name);
    out += "]}]\n  }],\n  \"version\": 5\n}\n";
    return out;
}
