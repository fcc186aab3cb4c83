#pragma once

#include <Qt>

// The virtual key code (SheetKeys) the sheet reads from a Qt key, or 0 for keys it ignores.
// Besides the arrows and the numeric keypad, keyboards without a keypad may use "+" or "=" for
// keypad "+", "-" for keypad "-" and Alt with the digits 1 to 9 for keypad 1 to 9.
int SheetVirtualKey(int qtKey, Qt::KeyboardModifiers modifiers);
