#pragma once

#include <QLabel>
#include <QStringList>

// A label whose text is a list of lines. Setting the text replaces the lines and resizes the label
// to fit them, wrapping words within its width when it wraps. Disabled, it draws its text
// embossed: once in the highlight colour one pixel down and right, then in the shadow colour.
class TTextLabel : public QLabel {
    Q_OBJECT
public:
    explicit TTextLabel(QWidget* parent = nullptr);

    QStringList Lines() const { return text().split('\n'); }
    // Replaces the lines with `text` (line breaks CR LF, LF or CR) and fits the label to it.
    void SetText(const QString& text);

protected:
    void paintEvent(QPaintEvent* event) override;
};
