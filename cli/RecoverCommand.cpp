#include "cli/RecoverCommand.h"

#include "cli/CliArguments.h"
#include "recovery/RecoveryFolder.h"

#include <ostream>

const char* const kRecoverHelp = R"(Usage: celwright-cli recover --list
       celwright-cli recover RECORD OUT.xps

Celwright keeps the unsaved changes of each open sheet in a recovery record, in
$XDG_STATE_HOME/celwright/recovery/ (~/.local/state/celwright/recovery/ by default), until the sheet
is saved. --list prints one line per record, the most recent change first:
  RECORD<tab>SHEET<tab>TIME
where SHEET is the sheet's file ("unnamed" for a sheet that was never saved) and TIME the time of
the last change it holds (ISO 8601, UTC). With RECORD and OUT.xps, the sheet in the record is saved
to OUT.xps as version 4.0, as upgrade does; the record itself stays.
)";

int RunRecover(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, const TSheetCopy& copy) {
    if (args.size() == 1 && args[0] == "--list") {
        for (const TRecoveryEntry& entry : ListRecords(RecoveryFolder())) {
            out << entry.Record.string() << '\t' << (entry.Info.SheetPath.empty() ? "unnamed" : entry.Info.SheetPath)
                << '\t' << IsoTime(entry.Info.Changed) << '\n';
        }
        return kCliExitOk;
    }
    if (args.size() != 2 || args[0].starts_with("-")) {
        err << kRecoverHelp;
        return kCliExitUsage;
    }
    // Refuses what is no record before anything is written.
    ReadRecoveryInfo(args[0]);
    return copy(args, out, err);
}
