#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Timesheets in the exchange format (.xdts): a first line "exchangeDigitalTimeSheet Save Data",
// then JSON. Only the first time table and its cell field (fieldId 0) are read and written; frames
// count from 0 here, as in the file.

// One drawing exposed on a column: from Frame for Duration frames.
struct TTimesheetExposure {
    std::int32_t Frame = 0;
    std::int32_t Duration = 0;
    std::string Drawing; // a drawing number with an optional letter: "12", "12a"
    bool operator==(const TTimesheetExposure&) const = default;
};

struct TTimesheetColumn {
    std::string Name;
    std::vector<TTimesheetExposure> Exposures; // in frame order, never overlapping
};

// A cell value that names no drawing; the cells from there on to the next entry stay empty.
struct TTimesheetOddValue {
    std::int32_t Column = 0; // 0-based
    std::int32_t Frame = 0;
    std::string Value;
};

struct TTimesheet {
    std::string Name;
    std::int32_t Duration = 0; // frames, 1 to kMaxFrames
    std::vector<TTimesheetColumn> Columns;
    std::vector<TTimesheetOddValue> OddValues; // filled by the reader
};

class TXdtsFile {
public:
    static constexpr std::string_view kFirstLine = "exchangeDigitalTimeSheet Save Data";
    // Larger files are refused unread: a timesheet of a whole sheet is a few hundred kilobytes.
    static constexpr std::size_t kMaxFileSize = 4 << 20;
    // More columns than this are refused; each becomes a layer of a full sheet's length.
    static constexpr std::size_t kMaxColumns = 1000;

    // Reads a file's bytes. Values hold until the next entry of their track and the last to the
    // duration; entries are taken in frame order (a negative frame sets the starting value), later
    // ones at the same frame winning. "SYMBOL_HYPHEN" and the ticks continue the drawing before
    // them, "SYMBOL_NULL_CELL" empties. Throws ECwError saying what is wrong: no first line,
    // broken JSON, no time table, a duration outside 1 to kMaxFrames, a malformed track.
    static TTimesheet Read(std::string_view bytes);
    // The file text: only the change points of each column, empty cells after a drawing written
    // as "SYMBOL_NULL_CELL".
    static std::string Text(const TTimesheet& sheet);
};

// The drawing number a cell value names, leading zeros dropped ("0012a" gives "12a"): up to nine
// digits and one optional letter. Empty for any other text.
std::string DrawingNumber(std::string_view value);
