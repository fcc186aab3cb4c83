#include "capture/VideoView.h"

#include "ui/PictureImage.h"

#include <QPainter>

TVideoView::TVideoView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TVideoView::ShowFrame(const TPicture& frame, std::int32_t sheetFrame) {
    Image = PictureToImage(frame);
    ShownFrame = sheetFrame;
    update();
    if (OnFrameShown)
        OnFrameShown(sheetFrame);
}

void TVideoView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (Image.isNull())
        painter.fillRect(rect(), Qt::black);
    else
        painter.drawImage(rect(), Image);
}
