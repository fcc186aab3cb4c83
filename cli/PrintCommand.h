#pragma once

#include "cli/RenderCommands.h"

#include <iosfwd>
#include <string>
#include <vector>

// celwright-cli print: the printed exposure sheet as a PDF file.

extern const char* const kPrintHelp;

// `args` are the arguments after the command name. Returns 0 on success, 1 when printing failed
// (errors are thrown as ECwError), 2 when the arguments were not understood.
int RunPrint(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
             const TSheetOpener& open);
