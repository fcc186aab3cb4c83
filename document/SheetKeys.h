#pragma once

#include <cstdint>

// The keys the exposure sheet answers, as platform-neutral commands.

// FirstFrame and LastFrame go to the sheet's ends; PageUp and PageDown move a page of rows.
enum class TCursorDirection : std::uint8_t { Left, Up, Right, Down, FirstFrame, LastFrame, PageUp, PageDown };

struct TSheetKeyCommand {
    enum class TKind : std::uint8_t { None, MoveCursor, ExtendHold, ShortenHold, SetHold };
    TKind Kind = TKind::None;
    TCursorDirection Direction = TCursorDirection::Left; // for MoveCursor
    std::int32_t Hold = 0;                               // for SetHold: 1 to 9
    bool Ripple = false;                                 // Ctrl held: later cels move with the hold
    std::int32_t PageRows = 1;                           // for PageUp and PageDown

    bool operator==(const TSheetKeyCommand&) const = default;
};

// Virtual key codes the sheet handles.
namespace SheetKeys {
inline constexpr int kPageUp = 33;
inline constexpr int kPageDown = 34;
inline constexpr int kEnd = 35;
inline constexpr int kHome = 36;
inline constexpr int kLeft = 37;
inline constexpr int kUp = 38;
inline constexpr int kRight = 39;
inline constexpr int kDown = 40;
inline constexpr int kNumpad1 = 97;
inline constexpr int kNumpad9 = 105;
inline constexpr int kAdd = 107;      // keypad "+"
inline constexpr int kSubtract = 109; // keypad "-"
} // namespace SheetKeys

// The command for a virtual key, with Ctrl as it is held when the key goes down and the rows a
// page of the sheet shows; any key the sheet does not handle gives TKind::None.
TSheetKeyCommand SheetKeyCommand(int virtualKey, bool ctrl, std::int32_t pageRows = 1);
