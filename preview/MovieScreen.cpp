#include "preview/MovieScreen.h"

#include "ui/PictureImage.h"

#include <QPainter>

TMovieScreen::TMovieScreen(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TMovieScreen::ShowPicture(const TPicture& picture) {
    Image = PictureToImage(picture);
    repaint();
}

void TMovieScreen::Clear() {
    Image = QImage();
    update();
}

void TMovieScreen::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (Image.isNull())
        painter.fillRect(rect(), Qt::white);
    else
        painter.drawImage(0, 0, Image);
}
