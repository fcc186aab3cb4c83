#pragma once

#include <QImage>
#include <QWidget>
#include <cstdint>
#include <functional>

class TPicture;

// The video area: paints the live picture the video device component delivers, or a frame of the
// sheet shown in its place, scaled to fit.
class TVideoView : public QWidget {
public:
    // What ShowFrame was given: the live picture, or a frame of the sheet (its number, from 1).
    static constexpr std::int32_t kLive = 0;

    explicit TVideoView(QWidget* parent = nullptr);
    void ShowFrame(const TPicture& frame, std::int32_t sheetFrame = kLive);
    const QImage& Frame() const { return Image; }
    // The sheet frame shown, or kLive.
    std::int32_t Shown() const { return ShownFrame; }
    // Called with every picture shown, after Frame() holds it (tests follow playback with it).
    std::function<void(std::int32_t sheetFrame)> OnFrameShown;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage Image;
    std::int32_t ShownFrame = kLive;
};
