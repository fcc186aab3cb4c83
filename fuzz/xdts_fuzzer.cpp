// Reads arbitrary bytes as a timesheet file and makes a sheet of what reads. A timesheet that
// reads must write and read again as the same timesheet.
#include "FuzzFiles.h"
#include "base/Error.h"
#include "document/SheetDocument.h"
#include "document/TimesheetExchange.h"
#include "document/XdtsFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TTimesheet timesheet;
    try {
        timesheet = TXdtsFile::Read(std::string_view(reinterpret_cast<const char*>(data), size));
    } catch (const ECwError&) {
        return 0;
    }
    const TTimesheet again = TXdtsFile::Read(TXdtsFile::Text(timesheet));
    if (again.Duration != timesheet.Duration || again.Columns.size() != timesheet.Columns.size())
        std::abort();
    for (std::size_t i = 0; i < again.Columns.size(); ++i) {
        if (again.Columns[i].Name != timesheet.Columns[i].Name ||
            again.Columns[i].Exposures != timesheet.Columns[i].Exposures)
            std::abort();
    }
    TSheetDocument document;
    document.SetUpdateMode(TSheetDocument::TUpdateMode::Bulk);
    std::vector<TTimesheetLeftOut> leftOut;
    TimesheetToSheet(timesheet, document, FuzzFolder(), TcwImageFormat::png, leftOut);
    if (document.FrameCount() > kMaxFrames)
        std::abort();
    return 0;
}
