#include "capture/VideoView.h"

#include "app/PictureImage.h"

#include <QPainter>

TVideoView::TVideoView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TVideoView::ShowFrame(const TPicture& frame) {
    Image = PictureToImage(frame);
    update();
}

void TVideoView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (Image.isNull())
        painter.fillRect(rect(), Qt::black);
    else
        painter.drawImage(rect(), Image);
}
