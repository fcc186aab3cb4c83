#pragma once

#include "cli/RenderCommands.h"

#include <iosfwd>
#include <string>
#include <vector>

// celwright-cli convert: exposure sheets (.xps) and exchange timesheets (.xdts) into each other.

extern const char* const kConvertHelp;

// `args` are the arguments after the command name. Returns 0 on success, 1 when the conversion
// failed (errors are thrown as ECwError), 2 when the arguments were not understood, 3 when the file
// was written but cels were left out.
int RunConvert(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
               const TSheetOpener& open);
