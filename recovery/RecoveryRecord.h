#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

// A recovery record is the unsaved sheet as an XPS file of its own, with one more block after the
// first line that says which sheet it stands for:
//
//   <xsheet version="4.0">
//   <recovery>
//   	<sheet>/home/ann/walk/walk.xps</sheet>      (empty for a sheet that has no file yet)
//   	<changed>2026-12-10T17:13:02Z</changed>
//   	<cursor layer="2" frame="31"></cursor>
//   	<audioshown>1</audioshown>
//   </recovery>
//   <settings> ... the rest of the sheet as a save writes it
//
// The sheet reader skips the block, so a record opens like any sheet.
struct TRecoveryInfo {
    std::string SheetPath; // the sheet's file; empty when it has none
    std::chrono::system_clock::time_point Changed;
    std::int32_t CursorLayer = 0; // counted from 1; 0 without layers
    std::int32_t CursorFrame = 0;
    bool AudioShown = false;
    bool operator==(const TRecoveryInfo&) const = default;
};

// The record: `sheetText` (a sheet as TXpsFile::SheetText writes it) with the info block added.
std::string RecordText(const TRecoveryInfo& info, std::string_view sheetText);
// The info block of a record file. Throws ECwError naming the file when it cannot be read or holds
// no recovery block.
TRecoveryInfo ReadRecoveryInfo(const std::filesystem::path& record);
// The time in UTC as ISO 8601, to the second: "2026-12-10T17:13:02Z".
std::string IsoTime(std::chrono::system_clock::time_point time);
