#pragma once

#include "cli/CaptureCommands.h"

#include <iosfwd>
#include <string>
#include <vector>

// celwright-cli scanners and scan: the scanners, and one scan placed on a sheet.

extern const char* const kScannersHelp;
extern const char* const kScanHelp;

int RunScanners(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int RunScan(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
            const TCaptureOpener& open);
