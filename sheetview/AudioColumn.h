#pragma once

#include "sheetview/SheetPart.h"

#include <cstdint>

// The audio column between the frame numbers and the cels: one row per frame, the sound's
// waveform running down the rows and each frame's phoneme. Dragging along it raises the sheet's
// scrub events; a click gives it the keyboard, and then Up and Down scrub one frame at a time
// from the row clicked, raising the same events. A double-click edits the phoneme of the row.
class TAudioColumn : public TSheetPart {
public:
    explicit TAudioColumn(TSheetView& sheet);

    QColor GridLineColor = QColor(0xC0, 0xC0, 0xC0);
    QColor RowColor = QColor(0xFF, 0xFF, 0xFF);
    QColor WaveColor = QColor(0xFB, 0xAC, 0x3A);

    // n rows (at most the frame limit), with as many phoneme slots in the document; rows that
    // come into being are drawn. Nothing when unchanged.
    void SetRowCount(std::int32_t rows);
    std::int32_t RowCount() const { return RowH() > 0 ? PictureHeight() / RowH() : 0; }
    // Makes the picture the document's audio rows high and draws every row.
    void Rebuild();
    // The sheet's frame rate changed: a sound with a length is drawn again at the new rate.
    void SetFrameRate(std::int32_t fps);
    std::int32_t FrameRate() const { return Fps; }
    // Draws rows first..last (0-based, inclusive) into the picture: row lines, the waveform and
    // the phonemes.
    void DrawRows(std::int32_t first, std::int32_t last);
    // Draws one row and shows it.
    void RedrawRow(std::int32_t row);
    bool Scrubbing() const { return Scrub; }
    // The frame the keyboard scrubs from (from 1): the row last clicked or scrubbed to.
    std::int32_t KeyFrame() const { return KeyFrame_; }

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    // The pointer's height in the whole column, scrolling included.
    int ColumnY(const QMouseEvent& event) const;
    // The frame (from 1) of a height in the whole column, within its rows.
    std::int32_t FrameAt(int y) const;
    void ScrubKey(std::int32_t frame);
    void DrawChannel(QPainter& p, const std::vector<std::int32_t>& values, int y0, int y1, int centre) const;

    int RowH() const; // the sheet control's row height
    std::int32_t Fps = 24;
    double SamplesFactor = 30.0 / 24; // waveform pairs per pixel row
    bool Scrub = false;
    bool Pressed = false;
    std::int32_t DblClickRow = 0;
    std::int32_t KeyFrame_ = 1;
};
