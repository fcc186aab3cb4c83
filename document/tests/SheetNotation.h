#pragma once

#include "document/SheetData.h"

#include <string>
#include <vector>

// A compact text form of small sheets for tests: one string per layer, one character per frame.
// A letter starts a cel named by that letter, "|" holds the cel above one more frame, "." is an
// empty frame. {"a||.b", "..c"} is a sheet of two layers of five frames: a held three frames and
// b on frame 4 in the first layer, c on frame 2 in the second.

// Builds the sheet without merging neighbours, so "a|a" gives two cels named "a".
void BuildSheet(TSheetData& sheet, const std::vector<std::string>& layers);
std::vector<std::string> DescribeSheet(const TSheetData& sheet);

// Empty when every invariant of the model holds, else a description of the first one broken.
std::string CheckInvariants(const TSheetData& sheet);
