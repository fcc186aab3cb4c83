#pragma once

#include "testsupport/TempFolder.h"

#include <cstdlib>
#include <memory>

// Points SANE at a configuration that loads only its "test" backend: two virtual scanners,
// "test:0" and "test:1", whose page is a grid of 10 mm black and white squares. SANE reads where
// its configuration lives once per process, so the folder stays for the whole test program.
inline void UseSaneTestBackend() {
    static const std::unique_ptr<TTempFolder> config = [] {
        auto folder = std::make_unique<TTempFolder>();
        WriteText(folder->Path() / "dll.conf", "test\n");
        WriteText(folder->Path() / "test.conf", "test-picture \"Grid\"\n");
        return folder;
    }();
    ::setenv("SANE_CONFIG_DIR", config->Path().c_str(), 1);
}
