#include "capture/VideoView.h"

#include "capture/LiveGuides.h"
#include "capture/ReferencePicture.h"
#include "ui/PictureImage.h"

#include <QMouseEvent>
#include <QPainter>

TVideoView::TVideoView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true); // the cursor shows where the reference picture can be taken
}

void TVideoView::ShowFrame(const TPicture& frame, std::int32_t sheetFrame) {
    Image = PictureToImage(frame);
    ShownFrame = sheetFrame;
    update();
    if (OnFrameShown)
        OnFrameShown(sheetFrame);
}

void TVideoView::SetOverlays(const TLiveGuides* guides, TReferencePicture* reference) {
    Guides = guides;
    Reference = reference;
    update();
}

QRect TVideoView::PictureRect() const {
    if (Image.isNull())
        return rect();
    const QSize size = Image.size().scaled(this->size(), Qt::KeepAspectRatio);
    return {(width() - size.width()) / 2, (height() - size.height()) / 2, size.width(), size.height()};
}

void TVideoView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect picture = PictureRect();
    if (picture != rect() || Image.isNull())
        painter.fillRect(rect(), Qt::black);
    if (!Image.isNull())
        painter.drawImage(picture, Image);
    if (Reference)
        Reference->Paint(painter, picture);
    if (Guides)
        Guides->Paint(painter, picture);
}

void TVideoView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && Reference && Reference->Press(event->position(), PictureRect())) {
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

void TVideoView::mouseMoveEvent(QMouseEvent* event) {
    if (!Reference)
        return QWidget::mouseMoveEvent(event);
    if (Reference->Dragging()) {
        Reference->Drag(event->position(), PictureRect());
        update();
        return;
    }
    if (Reference->OnCorner(event->position(), PictureRect()))
        setCursor(Qt::SizeFDiagCursor);
    else if (Reference->Visible() && Reference->Area(PictureRect()).contains(event->position()))
        setCursor(Qt::SizeAllCursor);
    else
        unsetCursor();
}

void TVideoView::mouseReleaseEvent(QMouseEvent* event) {
    if (Reference && Reference->Dragging()) {
        if (Reference->Release() && OnReferenceMoved)
            OnReferenceMoved();
        update();
        return;
    }
    QWidget::mouseReleaseEvent(event);
}
