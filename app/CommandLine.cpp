#include "app/CommandLine.h"

#include "CelwrightVersion.h"

#include <algorithm>
#include <ostream>

namespace {

void PrintHelp(const std::string& programFolder, std::ostream& out) {
    out << "Usage: celwright [SHEET.xps]\n"
           "\n"
           "Celwright, the pencil-test and stop-motion station. Opens the main window, with\n"
           "SHEET.xps when one is given.\n"
           "\n"
           "Options:\n"
           "  -h, --help     show this help\n"
           "  --version      show the version\n"
           "\n"
           "Files:\n"
        << "  " << programFolder << "Help/Celwright_Help.htm\n"
        << "      the user guide (Help > Celwright Help, F1)\n"
        << "  " << programFolder << "Languages/\n"
        << "      the interface languages\n"
        << "  $XDG_CONFIG_HOME/Celwright/3.0/ (~/.config/Celwright/3.0/)\n"
           "      preferences, profiles and scan settings\n"
           "\n"
           "celwright-cli works on sheets without a window; see \"celwright-cli --help\".\n";
}

} // namespace

std::optional<int> AnswerInformationOptions(const std::vector<std::string>& args,
                                            const std::string& programFolder, std::ostream& out) {
    const auto given = [&](const char* option) {
        return std::find(args.begin(), args.end(), option) != args.end();
    };
    if (given("-h") || given("--help")) {
        PrintHelp(programFolder, out);
        return 0;
    }
    if (given("--version")) {
        out << "celwright " << CELWRIGHT_VERSION << '\n';
        return 0;
    }
    return std::nullopt;
}
