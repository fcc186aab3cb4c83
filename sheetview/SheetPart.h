#pragma once

#include <QColor>
#include <QImage>
#include <QPoint>
#include <QWidget>

class TSheetView;

// A painted part of the sheet control: it draws into its own off-screen picture and only copies
// that picture to the screen when painting. While the picture is empty the part shows its colour.
class TSheetPart : public QWidget {
public:
    explicit TSheetPart(TSheetView& sheet);

    const QImage& Picture() const { return Pic; }
    QColor Color() const { return FillColor; }
    // Changes the colour shown where there is no picture, and repaints.
    void SetColor(const QColor& color);
    // Makes the picture w x h device-independent pixels at the part's pixel ratio, contents
    // undefined; empty when either is 0.
    void SetPictureSize(int w, int h);
    // Picture width and height in device-independent pixels.
    int PictureWidth() const;
    int PictureHeight() const;

protected:
    // The picture pixel shown at the part's top-left corner: by default the picture scrolls with
    // the frames.
    virtual QPoint SourceOffset() const;
    void paintEvent(QPaintEvent* event) override;
    // Gives the keyboard to the sheet unless the in-place editor is showing.
    void mousePressEvent(QMouseEvent* event) override;

    TSheetView& Sheet;
    QImage Pic;
    QColor FillColor = Qt::white;
};
