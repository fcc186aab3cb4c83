#pragma once

#include <QLabel>

// A one-line label for long texts such as a folder path: it shows as much as fits, leaving out
// the middle, never asks for more room than it is given, and shows the whole text as its tooltip.
class TElidedLabel : public QLabel {
public:
    explicit TElidedLabel(QWidget* parent = nullptr);

    void SetFullText(const QString& text);
    QString FullText() const { return Full; }

    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void Elide();

    QString Full;
};
