#pragma once

#include "sheetview/XsGraphicElement.h"

#include <QString>

// The corner above the frame numbers with the column headings.
class TXsIndexHead : public TXSGraphicElement {
public:
    explicit TXsIndexHead(TXsheet2& sheet);

    QString Caption = "Frame";

    // Sizes the picture to the corner and draws the headings.
    void DrawCorner();

protected:
    QPoint SourceOffset() const override { return {}; }
};
