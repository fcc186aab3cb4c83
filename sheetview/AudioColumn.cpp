#include "sheetview/AudioColumn.h"

#include "sheetview/SheetPainting.h"
#include "sheetview/SheetView.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPolygon>
#include <algorithm>

namespace {
const QColor kEdgeGrey(0x80, 0x80, 0x80);
} // namespace

TAudioColumn::TAudioColumn(TSheetView& sheet) : TSheetPart(sheet) {
    hide();
}

void TAudioColumn::SetRowCount(std::int32_t rows) {
    rows = std::clamp(rows, 0, kMaxFrames);
    Sheet.Document().SetAudioRowCount(rows);
    if (rows == RowCount() && !Pic.isNull())
        return;
    const std::int32_t oldRows = Pic.isNull() ? 0 : RowCount();
    const QImage old = Pic;
    SetPictureSize(width(), rows * RowH());
    if (!Pic.isNull() && !old.isNull()) {
        QPainter p(&Pic);
        p.drawImage(QPoint(0, 0), old);
    }
    if (rows > oldRows)
        DrawRows(oldRows, rows - 1);
    update();
}

void TAudioColumn::Rebuild() {
    const std::int32_t rows = std::min(Sheet.Document().AudioRows(), kMaxFrames);
    SetPictureSize(width(), rows * RowH());
    DrawRows(0, rows - 1);
    update();
}

void TAudioColumn::SetFrameRate(std::int32_t fps) {
    if (fps <= 0 || fps == Fps)
        return;
    Fps = fps;
    SamplesFactor = 30.0 / fps;
    if (Sheet.Document().Data().Audio.DurationMs > 0 && isVisible())
        Rebuild();
}

void TAudioColumn::DrawRows(std::int32_t first, std::int32_t last) {
    if (Pic.isNull() || RowH() <= 0)
        return;
    last = std::min(last, RowCount() - 1);
    if (first > last)
        return;
    const int w = PictureWidth();
    const int y0 = first * RowH();
    const int y1 = (last + 1) * RowH();
    QPainter p(&Pic);
    FillArea(p, 0, y0, w, y1, RowColor);
    for (int y = y0; y < y1; y += RowH())
        HorzLine(p, 0, w - 1, y, GridLineColor);
    VertLine(p, w - 1, y0, y1 - 1, kEdgeGrey);

    const TSoundTrack& audio = Sheet.Document().Data().Audio;
    if (audio.Channels > 0) {
        const int centre = audio.SignedSamples ? w / 2 : 0;
        p.setPen(WaveColor);
        for (int i = 0; i < std::min(audio.Channels, 2); ++i)
            DrawChannel(p, audio.Peaks[static_cast<std::size_t>(i)], y0, y1, centre);
    }

    for (std::int32_t row = first; row <= last; ++row) {
        const std::string& text = audio.Phoneme(row);
        if (text.empty())
            continue;
        const int top = row * RowH();
        p.setPen(Qt::black);
        p.drawText(QRect(QPoint(4, top + 3), QPoint(w - 5, top + RowH() - 2)),
                   Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine, QString::fromStdString(text));
    }
}

// Two points per pixel row, the pair of values at the row's place in the sound, all joined into
// one line.
void TAudioColumn::DrawChannel(QPainter& p, const std::vector<std::int32_t>& values, int y0, int y1,
                               int centre) const {
    const double step = 2 * SamplesFactor;
    const auto length = static_cast<double>(values.size());
    QPolygon line;
    line.reserve(2 * (y1 - y0));
    double index = y0 * step;
    for (int y = y0; y < y1 && index < length - 2; ++y, index += step) {
        const auto k = static_cast<std::size_t>(index);
        line << QPoint(values[k] + centre, y) << QPoint(values[k + 1] + centre, y);
    }
    if (line.size() > 1)
        p.drawPolyline(line);
}

void TAudioColumn::RedrawRow(std::int32_t row) {
    DrawRows(row, row);
    update();
}

int TAudioColumn::ColumnY(const QMouseEvent& event) const {
    return static_cast<int>(event.position().y()) + Sheet.VertPos();
}

void TAudioColumn::mousePressEvent(QMouseEvent* event) {
    TSheetPart::mousePressEvent(event);
    if (event->button() != Qt::LeftButton)
        return;
    const int y = ColumnY(*event);
    TCellEditor& editor = Sheet.Editor();
    if (editor.Editing && (editor.Mode != TCellEditor::TMode::emPhoneme || editor.Row != y / RowH()))
        Sheet.CloseEditor();
    Pressed = true;
    Scrub = !Sheet.Document().Data().Audio.FileName.empty();
    if (Sheet.OnScrubAudioStart)
        Sheet.OnScrubAudioStart(*this, y);
}

void TAudioColumn::mouseMoveEvent(QMouseEvent* event) {
    event->accept();
    if (Scrub && (event->buttons() & Qt::LeftButton) && Sheet.OnScrubAudio)
        Sheet.OnScrubAudio(*this, ColumnY(*event));
}

void TAudioColumn::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    if (event->button() != Qt::LeftButton || !Pressed)
        return;
    Pressed = false;
    Scrub = false;
    if (Sheet.OnScrubAudioEnd)
        Sheet.OnScrubAudioEnd(*this);
    DblClickRow = ColumnY(*event) / RowH();
}

void TAudioColumn::mouseDoubleClickEvent(QMouseEvent* event) {
    event->accept();
    if (event->button() == Qt::LeftButton)
        Sheet.EditPhoneme(DblClickRow + 1);
}

int TAudioColumn::RowH() const {
    return Sheet.GridHeight();
}
