#pragma once

#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

extern const char* const kRecoverHelp;

// Opens a sheet file and saves it elsewhere as version 4.0: arguments IN OUT.
using TSheetCopy = std::function<int(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)>;

// recover --list | recover RECORD OUT.xps
int RunRecover(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, const TSheetCopy& copy);
