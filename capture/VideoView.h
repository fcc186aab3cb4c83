#pragma once

#include <QImage>
#include <QWidget>
#include <cstdint>
#include <functional>

class TLiveGuides;
class TPicture;
class TReferencePicture;

// The video area: paints the live picture the video device component delivers, or a frame of the
// sheet shown in its place, scaled to fit, with the reference picture and the guides over it
// (on the screen only: they never reach a captured picture). The reference picture is dragged here.
class TVideoView : public QWidget {
public:
    // What ShowFrame was given: the live picture, or a frame of the sheet (its number, from 1).
    static constexpr std::int32_t kLive = 0;

    explicit TVideoView(QWidget* parent = nullptr);
    void ShowFrame(const TPicture& frame, std::int32_t sheetFrame = kLive);
    const QImage& Frame() const { return Image; }
    // The sheet frame shown, or kLive.
    std::int32_t Shown() const { return ShownFrame; }
    // Where the picture is painted, in the view's coordinates: as large as the view lets it be,
    // keeping its aspect, centred.
    QRect PictureRect() const;
    // Called with every picture shown, after Frame() holds it (tests follow playback with it).
    std::function<void(std::int32_t sheetFrame)> OnFrameShown;

    // What is painted over the picture; either may be null. Both must outlive the view.
    void SetOverlays(const TLiveGuides* guides, TReferencePicture* reference);
    // A drag moved or scaled the reference picture (called when the mouse is released).
    std::function<void()> OnReferenceMoved;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QImage Image;
    std::int32_t ShownFrame = kLive;
    const TLiveGuides* Guides = nullptr;
    TReferencePicture* Reference = nullptr;
};
