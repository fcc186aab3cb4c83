#pragma once

#include <QApplication>
#include <QLabel>
#include <QStringList>
#include <QTextDocument>
#include <QWidget>

// Among the visible windows, every label that would render `marker` (the start of a markup tag
// planted in a text from a file) as markup, and every tool tip that would: one line for each,
// naming the window and the widget. Empty when all of them show their text as it is. Each window is
// painted first, so that markup that slipped through is rendered (and reads what it names).
inline QStringList RichRenderings(const QString& marker = "<img") {
    QStringList found;
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (!top->isVisible())
            continue;
        top->grab();
        QList<QWidget*> widgets = top->findChildren<QWidget*>();
        widgets.append(top);
        for (QWidget* widget : widgets) {
            const QString where = QString(top->metaObject()->className()) + "/" +
                                  widget->metaObject()->className() + " " + widget->objectName();
            if (auto* label = qobject_cast<QLabel*>(widget);
                label && label->text().contains(marker) && label->textFormat() != Qt::PlainText)
                found << where + " shows " + label->text();
            if (widget->toolTip().contains(marker) && Qt::mightBeRichText(widget->toolTip()))
                found << where + " tips " + widget->toolTip();
        }
    }
    return found;
}
