#include "sheetview/AudioColumn.h"

#include "sheetview/SheetPainting.h"
#include "sheetview/SheetView.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPolygon>
#include <algorithm>

namespace {
const QColor kEdgeGrey(0x80, 0x80, 0x80);
} // namespace

TAudioColumn::TAudioColumn(TSheetView& sheet) : TSheetPart(sheet) {
    setFocusPolicy(Qt::ClickFocus);
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
    if (!Sheet.EditorShowing())
        setFocus(Qt::MouseFocusReason);
    KeyFrame_ = FrameAt(y);
    update();
    Pressed = true;
    Scrub = !Sheet.Document().Data().Audio.FileName.empty();
    if (Sheet.OnScrubAudioStart)
        Sheet.OnScrubAudioStart(*this, y);
}

void TAudioColumn::mouseMoveEvent(QMouseEvent* event) {
    event->accept();
    if (!Pressed || !(event->buttons() & Qt::LeftButton))
        return;
    // The keys go on from where the pointer left off.
    KeyFrame_ = FrameAt(ColumnY(*event));
    update();
    if (Scrub && Sheet.OnScrubAudio)
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

// Up and Down are the column's own while it has the keyboard, whatever shortcuts the window has;
// every other key goes on to the sheet.
bool TAudioColumn::event(QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            event->accept();
            return true;
        }
    }
    return TSheetPart::event(event);
}

void TAudioColumn::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down) {
        event->accept();
        ScrubKey(KeyFrame_ + (event->key() == Qt::Key_Down ? 1 : -1));
        return;
    }
    TSheetPart::keyPressEvent(event);
}

std::int32_t TAudioColumn::FrameAt(int y) const {
    return std::clamp(y / RowH() + 1, 1, std::max(RowCount(), 1));
}

// A key press is a scrub that starts and ends on one frame: the frame shows and plays its own slice.
void TAudioColumn::ScrubKey(std::int32_t frame) {
    frame = std::clamp(frame, 1, std::max(RowCount(), 1));
    if (frame == KeyFrame_)
        return;
    KeyFrame_ = frame;
    Sheet.ScrollIntoView(0, frame);
    update();
    if (Sheet.OnScrubAudioStart)
        Sheet.OnScrubAudioStart(*this, (frame - 1) * RowH());
    if (Sheet.OnScrubAudioEnd)
        Sheet.OnScrubAudioEnd(*this);
}

void TAudioColumn::focusInEvent(QFocusEvent* event) {
    TSheetPart::focusInEvent(event);
    update();
}

void TAudioColumn::focusOutEvent(QFocusEvent* event) {
    TSheetPart::focusOutEvent(event);
    update();
}

// With the keyboard, the frame it scrubs from is framed.
void TAudioColumn::paintEvent(QPaintEvent* event) {
    TSheetPart::paintEvent(event);
    if (!hasFocus() || RowH() <= 0)
        return;
    QPainter p(this);
    p.setPen(QPen(palette().color(QPalette::Highlight), 1, Qt::DotLine));
    p.drawRect(0, (KeyFrame_ - 1) * RowH() - Sheet.VertPos(), width() - 2, RowH() - 1);
}

int TAudioColumn::RowH() const {
    return Sheet.GridHeight();
}
