#pragma once

#include <QImage>
#include <QWidget>

class TPicture;

// The preview's picture: one picture, painted at (0, 0). Showing a frame repaints at once, so
// playback paints only the new frame.
class TMovieScreen : public QWidget {
    Q_OBJECT
public:
    explicit TMovieScreen(QWidget* parent = nullptr);

    // Shows `picture` (any pixel format) and keeps it for later repaints.
    void ShowPicture(const TPicture& picture);
    void Clear();
    const QImage& Picture() const { return Image; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage Image;
};
