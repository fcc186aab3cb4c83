#pragma once

#include <QImage>
#include <QTimer>
#include <QWidget>

// The splash window shown while the program starts. It closes itself after four seconds or when
// clicked, and refuses to close before that.
class TSplashWindow : public QWidget {
    Q_OBJECT
public:
    explicit TSplashWindow(QWidget* parent = nullptr);

    QTimer* Timer1;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void Finish();

    QImage Picture;
    QImage Badge;
};
