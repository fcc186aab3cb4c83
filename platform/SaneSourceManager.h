#pragma once

#include "twain/TwainTypes.h"

#include <functional>
#include <string>
#include <vector>

// A TWAIN source manager over SANE, in this process (the programs reach it through a helper process:
// see ScanHelperClient.h): every SANE device is a TWAIN source. Its
// product name is the SANE vendor + " " + model; when two devices would share a name, the SANE
// device name is added in brackets (names are cut to fit TWAIN's 33 characters, the bracket kept).
//
// Capabilities map onto SANE options: pixel type <-> "mode", bit depth <-> "depth", X/Y resolution
// <-> "resolution" (or "x-resolution"/"y-resolution"), units (inches, centimetres), the image layout
// <-> "tl-x", "tl-y", "br-x", "br-y" in millimetres, brightness, contrast and threshold where the
// device has them. The transfer mechanism is native only. Enabling a source starts the scan on a
// worker thread; MSG_PROCESSEVENT answers MSG_XFERREADY once the image is complete (MSG_CLOSEDSREQ
// when it failed or was cancelled), and the image is handed over as a packed bottom-up DIB: 8-bit
// with a grey palette for grey and line-art scans, 24-bit for colour.

// The entry point; hand it to TTwainSession as its source manager.
TW_UINT16 SaneDsmEntry(TW_IDENTITY* origin, TW_IDENTITY* dest, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg,
                       TW_MEMREF data);

// Where the default source is remembered: "twain.ini" in this folder (ending in "/"). Without a
// folder the default is the first device.
void SetSaneDefaultSourceFolder(const std::string& folder);

// Asks the user to pick one of the names (the current default's index, -1 when none) and returns
// the chosen index, or -1 when the user cancelled. Without it MSG_USERSELECT keeps the default.
void SetSaneSourceChooser(std::function<int(const std::vector<std::string>& names, int current)> chooser);

// Stops a scan that is running; the source then asks to be closed. Safe from any thread.
void CancelSaneScan();

// How long the scan's current driver call (start, read, cancel) has been running, in seconds; 0
// while none runs. Safe from any thread.
double SaneScanCallSeconds();
