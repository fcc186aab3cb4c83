#pragma once

#include <QImage>
#include <QWidget>

// Paints its picture from the top-left corner, as much of it as fits, and the notice over it.
class TImagePane : public QWidget {
    Q_OBJECT
public:
    explicit TImagePane(QWidget* parent = nullptr) : QWidget(parent) {}
    QImage Bitmap;
    QString Notice; // plain text

protected:
    void paintEvent(QPaintEvent* event) override;
};

// A window that shows one picture at its own size; stays on top, not modal.
class TImageViewer : public QWidget {
    Q_OBJECT
public:
    explicit TImageViewer(QWidget* mainWindow = nullptr);

    // Shows the picture, sizing the window's client area to it; without one, a white pane.
    void ShowImage(const QImage* picture);
    // Shows a white pane that says why there is no picture (plain text).
    void ShowMissing(const QString& reason);
    void Retranslate();

    TImagePane* Pane;

private:
    QWidget* MainWindow;
    bool Placed = false;
};
