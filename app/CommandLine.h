#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

// The options of `celwright` that print and end the program: -h/--help and --version. `args` are
// the arguments after the program's name; `programFolder` is where the program found its languages
// and guide (ends with "/"). Returns the exit status when one of them was given; nothing when the
// program is to start, leaving a sheet's path and the toolkit's own options (-platform, -style, ...)
// to the program.
std::optional<int> AnswerInformationOptions(const std::vector<std::string>& args,
                                            const std::string& programFolder, std::ostream& out);
