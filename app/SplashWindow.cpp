#include "app/SplashWindow.h"

#include "app/AppResources.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

TSplashWindow::TSplashWindow(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      Timer1(new QTimer(this)), Picture((LoadAppResources(), QImage(":/celwright/splash.png"))),
      Badge(":/celwright/badge.png") {
    setFixedSize(451, 232);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    Timer1->setInterval(4000);
    Timer1->setSingleShot(true);
    connect(Timer1, &QTimer::timeout, this, &TSplashWindow::Finish);
    Timer1->start();
}

void TSplashWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(rect(), Picture);
    painter.drawImage(QPoint(20, 180), Badge);
}

void TSplashWindow::mousePressEvent(QMouseEvent*) {
    Finish();
}

void TSplashWindow::Finish() {
    Timer1->stop();
    close();
}

void TSplashWindow::closeEvent(QCloseEvent* event) {
    if (Timer1->isActive())
        event->ignore();
    else
        event->accept();
}
