#pragma once

#include "twain/TwainTypes.h"

#include <functional>
#include <string>
#include <vector>

// A TWAIN source manager that runs the SANE one (SaneSourceManager.h) in a helper process,
// celwright-scan-helper, started when the source manager is opened and ended when it is closed.
// Each operation waits for the helper's answer under a watchdog, which counts only the time this
// program was there to wait (see ReceiveScanHelperMessage): a closing operation (disable, close
// the source or the manager, cancel) gets the closing limit, every other one the page limit. Each
// driver call of a running scan gets the page limit too, as the helper times it. A helper past its
// limit, or one that dies, is killed; OnFault is told, the scan ends (the source asks to be
// closed) and closing answers succeed, so the caller's session comes down cleanly. Use from one
// thread only.

enum class TScanFault {
    Timeout, // a driver call did not return within its limit
    Crash,   // the helper ended without answering
};

struct TScanWatchdogLimits {
    double PageSeconds = 30;
    double ClosingSeconds = 10;

    // The limits, with CELWRIGHT_SCAN_PAGE_SECONDS and CELWRIGHT_SCAN_CLOSING_SECONDS (positive
    // numbers of seconds) in the environment taking the place of the defaults.
    static TScanWatchdogLimits FromEnvironment();
};

struct TScanHelperSettings {
    // Where the default source is remembered (see SetSaneDefaultSourceFolder).
    std::string DefaultSourceFolder;
    // Asks the user to pick one of the names (see SetSaneSourceChooser).
    std::function<int(const std::vector<std::string>& names, int current)> Chooser;
    // Runs every few milliseconds while an answer is awaited: a window handles its events here, so
    // that it never waits on a driver. Without it the wait just sleeps.
    std::function<void()> WhileWaiting;
    // A helper was killed or died; `seconds` is the limit that passed (0 for a crash).
    std::function<void(TScanFault fault, double seconds)> OnFault;
};

void SetScanHelperSettings(TScanHelperSettings settings);

// The entry point; hand it to TTwainSession as its source manager.
TW_UINT16 ScanHelperDsmEntry(TW_IDENTITY* origin, TW_IDENTITY* dest, TW_UINT32 dg, TW_UINT16 dat,
                             TW_UINT16 msg, TW_MEMREF data);

// Stops a scan that is running; the source then asks to be closed. Called during an operation
// (from WhileWaiting), it is sent once that operation has been answered.
void CancelScanHelperScan();

// The helper program: $CELWRIGHT_SCAN_HELPER when set, else "celwright-scan-helper" beside the
// running program, else in "../libexec/celwright/" from the running program's folder.
std::string ScanHelperProgram();
