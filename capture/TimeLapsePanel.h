#pragma once

#include "capture/TimeLapse.h"

#include <QGroupBox>

class QLabel;
class QPushButton;
class QSpinBox;

// The capture window's time-lapse controls: the interval, the number of frames (or until
// stopped), Start and Stop, and how many pictures were taken. The window takes the shots.
class TTimeLapsePanel : public QGroupBox {
public:
    explicit TTimeLapsePanel(QWidget* parent);
    void Retranslate();

    TTimeLapse Schedule;
    QLabel* EveryLabel;
    QSpinBox* IntervalBox; // seconds
    QLabel* FramesLabel;
    QSpinBox* CountBox; // 0: until stopped
    QPushButton* StartButton;
    QLabel* ProgressLabel;

private:
    void StartOrStop();
    void ShowProgress();
};
