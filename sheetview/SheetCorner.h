#pragma once

#include "sheetview/SheetPart.h"

#include <QString>

// The corner above the frame numbers with the column headings.
class TSheetCorner : public TSheetPart {
public:
    explicit TSheetCorner(TSheetView& sheet);

    QString Caption = "Frame";

    // Sizes the picture to the corner and draws the headings.
    void DrawCorner();

protected:
    QPoint SourceOffset() const override { return {}; }
};
