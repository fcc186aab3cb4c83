#pragma once

#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

class TSheetDocument;
struct TSettings;

// celwright-cli render and export: frames as PNG files, and the uncompressed movie.

// Work on an opened sheet with the settings in force (the user's preferences with the sheet's
// own settings over them); returns the exit status.
using TSheetWork = std::function<int(TSheetDocument& sheet, const TSettings& settings)>;
// Opens the sheet at `path` as the program does and runs `work` on it.
using TSheetOpener = std::function<int(const std::string& path, std::ostream& err, const TSheetWork& work)>;

extern const char* const kRenderHelp;
extern const char* const kExportHelp;

// `args` are the arguments after the command name. Return 0 on success, 1 when the work failed
// (errors are thrown as ECwError), 2 when the arguments were not understood.
int RunRender(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
              const TSheetOpener& open);
int RunExport(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
              const TSheetOpener& open);
