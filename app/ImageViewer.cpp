#include "app/ImageViewer.h"

#include "ui/AppTexts.h"

#include <QPainter>
#include <QVBoxLayout>
#include <algorithm>

void TImagePane::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    painter.drawImage(QPoint(0, 0), Bitmap);
    if (!Notice.isEmpty()) {
        painter.setPen(Qt::black);
        painter.drawText(rect().adjusted(12, 12, -12, -12), Qt::AlignCenter | Qt::TextWordWrap, Notice);
    }
}

TImageViewer::TImageViewer(QWidget* mainWindow)
    : QWidget(nullptr, Qt::Window | Qt::WindowStaysOnTopHint), Pane(new TImagePane(this)),
      MainWindow(mainWindow) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Pane);
    resize(320, 240);
    Retranslate();
}

void TImageViewer::Retranslate() {
    setWindowTitle(Translate(LanguageKey("sImageViewer")));
}

void TImageViewer::ShowImage(const QImage* picture) {
    if (!Placed && MainWindow) {
        const QRect main = MainWindow->frameGeometry();
        move(std::max(0, main.left() - 100), main.top() + 50);
        Placed = true;
    }
    Pane->Notice.clear();
    if (picture) {
        Pane->Bitmap = *picture;
        resize(picture->size());
    } else {
        Pane->Bitmap = QImage(Pane->width(), Pane->height(), QImage::Format_RGB32);
        Pane->Bitmap.fill(Qt::white);
    }
    show();
    Pane->update();
}

void TImageViewer::ShowMissing(const QString& reason) {
    ShowImage(nullptr);
    Pane->Notice = reason;
}
