#include "sheetview/SheetKeyMapping.h"

#include "document/SheetKeys.h"

int SheetVirtualKey(int qtKey, Qt::KeyboardModifiers modifiers) {
    switch (qtKey) {
    case Qt::Key_Home:
        return SheetKeys::kHome;
    case Qt::Key_End:
        return SheetKeys::kEnd;
    case Qt::Key_PageUp:
        return SheetKeys::kPageUp;
    case Qt::Key_PageDown:
        return SheetKeys::kPageDown;
    case Qt::Key_Left:
        return SheetKeys::kLeft;
    case Qt::Key_Up:
        return SheetKeys::kUp;
    case Qt::Key_Right:
        return SheetKeys::kRight;
    case Qt::Key_Down:
        return SheetKeys::kDown;
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        return SheetKeys::kAdd;
    case Qt::Key_Minus:
        return SheetKeys::kSubtract;
    default:
        break;
    }
    if (qtKey >= Qt::Key_1 && qtKey <= Qt::Key_9 && (modifiers & (Qt::KeypadModifier | Qt::AltModifier)))
        return SheetKeys::kNumpad1 + (qtKey - Qt::Key_1);
    return 0;
}
