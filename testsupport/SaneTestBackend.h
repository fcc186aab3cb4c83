#pragma once

#include "testsupport/TempFolder.h"

#include <cstdlib>
#include <memory>
#include <string>

// Points SANE at a configuration that loads only its "test" backend: two virtual scanners,
// "test:0" and "test:1", whose page is a grid of 10 mm black and white squares. SANE reads where
// its configuration lives once per process, so the folder stays for the whole test program. The
// scan helper is the one of this build.
inline void UseSaneTestBackend() {
    ::setenv("CELWRIGHT_SCAN_HELPER", CELWRIGHT_SCAN_HELPER, 1);
    static const std::unique_ptr<TTempFolder> config = [] {
        auto folder = std::make_unique<TTempFolder>();
        WriteText(folder->Path() / "dll.conf", "test\n");
        WriteText(folder->Path() / "test.conf", "test-picture \"Grid\"\n");
        return folder;
    }();
    ::setenv("SANE_CONFIG_DIR", config->Path().c_str(), 1);
}

// Points SANE at the tests' "stuck" backend (platform/tests/StuckSaneBackend.cpp) and makes its
// call `failing` go wrong: "read", "close", "slow-close" or "crash"; empty for none. The scan
// helpers started afterwards see it, each reading SANE's configuration anew.
inline void UseStuckSaneBackend(const std::string& failing) {
    static const std::unique_ptr<TTempFolder> config = [] {
        auto folder = std::make_unique<TTempFolder>();
        WriteText(folder->Path() / "dll.conf", "stuck\n");
        return folder;
    }();
    ::setenv("CELWRIGHT_SCAN_HELPER", CELWRIGHT_SCAN_HELPER, 1);
    ::setenv("SANE_CONFIG_DIR", config->Path().c_str(), 1);
    ::setenv("LD_LIBRARY_PATH", CELWRIGHT_STUCK_SANE_BACKEND_DIR, 1);
    ::setenv("CELWRIGHT_STUCK_SCANNER", failing.c_str(), 1);
}
