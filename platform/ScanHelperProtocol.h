#pragma once

#include "twain/TwainTypes.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

// The messages between a program and its scan helper, over a stream socket: the program sends a
// request and the helper answers it; while a request waits, the helper may ask the program to
// choose a source and wait for the choice. Every message is a fixed head, then the TWAIN data the
// head's DAT stands for (DataSize), then the extra bytes the head counts (a capability's container,
// a transferred image, the source names of a choice).

enum class TScanHelperKind : std::uint32_t {
    Call = 1,   // program -> helper: a TWAIN operation
    Cancel = 2, // program -> helper: stop the running scan
    Choice = 3, // program -> helper: the chosen source's index (Value), -1 when cancelled
    Answer = 4, // helper -> program: the operation's return code (Value) and its data
    Choose =
        5, // helper -> program: choose among the names (extra, each ended by NUL); Value is the current index
};

struct TScanHelperHead {
    TScanHelperKind Kind = TScanHelperKind::Call;
    std::int32_t Value = 0;
    TW_UINT32 Dg = 0;
    TW_UINT16 Dat = 0;
    TW_UINT16 Msg = 0;
    std::uint32_t ToSource = 0; // 1 when the operation goes to the open source, Destination
    TW_IDENTITY Destination{};
    double DriverCallSeconds = 0; // answers: how long the scan's current driver call has run
    std::uint64_t ExtraSize = 0;
};

struct TScanHelperMessage {
    TScanHelperHead Head;
    std::vector<std::uint8_t> Data;
    std::vector<std::uint8_t> Extra;
};

// The size of the structure a TWAIN operation's data points at for this DAT; 0 where the data is
// not sent (DAT_PARENT's window, DAT_IMAGENATIVEXFER's handle).
std::size_t ScanHelperDataSize(TW_UINT16 dat);

// Sends a whole message; false when the other side is gone. Never raises SIGPIPE.
bool SendScanHelperMessage(int socket, const TScanHelperMessage& message);

enum class TScanHelperReceipt { Received, Late, Gone };

// Receives a whole message. Without a limit it waits for as long as it takes; with one it gives up
// once it has waited that many seconds (Late), calling `whileWaiting` (when set) every few
// milliseconds meanwhile. Only the time this process was there to wait counts: each look at the
// socket counts for at most a quarter of a second, so a stretch in which this process did not run
// (a machine that paused or was overloaded, a `whileWaiting` that was held up) is not blamed on the
// other side, which mostly could not run either. Data that arrived meanwhile is always read before
// the wait is judged late. Gone when the other side closed the socket, died or sent nonsense.
TScanHelperReceipt ReceiveScanHelperMessage(int socket, TScanHelperMessage& message,
                                            std::optional<double> limitSeconds = {},
                                            const std::function<void()>& whileWaiting = {});
