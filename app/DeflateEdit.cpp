#include "app/DeflateEdit.h"
#include "ui/PlainText.h"

#include <QStyle>
#include <QStyleOptionFrame>

QString DeflatePath(const QString& path, const std::function<bool(const QString&)>& fits) {
    if (fits(path))
        return path;
    const bool rooted = path.startsWith('/');
    const bool trailing = path.endsWith('/') && path.size() > 1;
    const QStringList names = path.split('/', Qt::SkipEmptyParts);
    const auto count = static_cast<int>(names.size());
    auto make = [&](int front, int back) {
        QStringList parts = names.mid(0, front);
        parts.append("...");
        parts.append(names.mid(count - back));
        return (rooted ? "/" : "") + parts.join('/') + (trailing ? "/" : "");
    };
    // Nothing to leave out between the front and the back.
    if (count < 2)
        return path;
    int front = std::min(2, count - 1);
    int back = 1;
    if (fits(make(front, back))) {
        while (front + back < count - 1 && fits(make(front + 1, back)))
            ++front;
        while (front + back < count - 1 && fits(make(front, back + 1)))
            ++back;
    } else {
        while (front > 0 && !fits(make(front, back)))
            --front;
    }
    return make(front, back);
}

TDeflateEdit::TDeflateEdit(QWidget* parent) : QLineEdit(parent) {
    connect(this, &QLineEdit::textEdited, this, [this](const QString& text) { FullPath = text; });
}

void TDeflateEdit::SetPath(const QString& path) {
    FullPath = path;
    ShowPath();
}

void TDeflateEdit::ShowPath() {
    if (hasFocus()) {
        setText(FullPath);
        setToolTip(QString());
        return;
    }
    QStyleOptionFrame option;
    initStyleOption(&option);
    const int room = style()->subElementRect(QStyle::SE_LineEditContents, &option, this).width() - 4;
    const QString shown = DeflatePath(FullPath, [this, room](const QString& text) {
        return fontMetrics().horizontalAdvance(text) <= room;
    });
    setText(shown);
    setToolTip(shown == FullPath ? QString() : PlainToolTip(FullPath));
    setCursorPosition(0);
}

void TDeflateEdit::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    ShowPath();
}

void TDeflateEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    ShowPath();
}

void TDeflateEdit::resizeEvent(QResizeEvent* event) {
    QLineEdit::resizeEvent(event);
    ShowPath();
}
