#include "ui/TextLabel.h"

#include <QPainter>
#include <QStyle>

TTextLabel::TTextLabel(QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::PlainText);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

void TTextLabel::SetText(const QString& text) {
    QString lines = text;
    lines.replace("\r\n", "\n").replace('\r', '\n');
    setText(lines);
    const int width = this->width();
    const QRect needed =
        fontMetrics().boundingRect(QRect(0, 0, wordWrap() ? width : 100000, 100000),
                                   Qt::AlignLeft | Qt::AlignTop | (wordWrap() ? Qt::TextWordWrap : 0), lines);
    resize(wordWrap() ? width : needed.width(), needed.height());
    update();
}

void TTextLabel::paintEvent(QPaintEvent* event) {
    if (isEnabled()) {
        QLabel::paintEvent(event);
        return;
    }
    QPainter painter(this);
    const int flags = Qt::AlignLeft | Qt::AlignTop | (wordWrap() ? Qt::TextWordWrap : 0);
    painter.setPen(palette().color(QPalette::Light));
    painter.drawText(rect().translated(1, 1), flags, text());
    painter.setPen(palette().color(QPalette::Dark));
    painter.drawText(rect(), flags, text());
}
