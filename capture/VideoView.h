#pragma once

#include <QImage>
#include <QWidget>

class TPicture;

// The video area: paints the live picture the video device component delivers, scaled to fit.
class TVideoView : public QWidget {
public:
    explicit TVideoView(QWidget* parent = nullptr);
    void ShowFrame(const TPicture& frame);
    const QImage& Frame() const { return Image; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage Image;
};
