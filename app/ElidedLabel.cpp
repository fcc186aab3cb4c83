#include "app/ElidedLabel.h"
#include "ui/PlainText.h"

#include <QResizeEvent>

TElidedLabel::TElidedLabel(QWidget* parent) : QLabel(parent) {
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    setTextFormat(Qt::PlainText);
}

void TElidedLabel::SetFullText(const QString& text) {
    Full = text;
    setToolTip(PlainToolTip(text));
    Elide();
}

QSize TElidedLabel::minimumSizeHint() const {
    return {0, QLabel::minimumSizeHint().height()};
}

void TElidedLabel::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    Elide();
}

void TElidedLabel::Elide() {
    setText(fontMetrics().elidedText(Full, Qt::ElideMiddle, contentsRect().width()));
}
