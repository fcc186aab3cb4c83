#pragma once

#include <QDialog>

class QLabel;
class QSlider;
class TScrubOutput;

// The volume window: one vertical slider from full level (top) down to silence, named by a label
// and with the level it gives in percent of full below it, kept on top of the other windows, for
// the main window's scrub output.
class TVolumeWindow : public QDialog {
public:
    explicit TVolumeWindow(QWidget* parent = nullptr);

    // Shows the window for `output` with the slider where it gives the output's level, centred over
    // its owner the first time and where it was left afterwards; nothing without an output.
    void Open(TScrubOutput* output);
    // Takes the caption and the label from the interface language.
    void Retranslate();
    QSlider& TrackBar() { return *TrackBar1; }
    // The level in force as the window shows it, such as "31 %".
    QString LevelText() const;

private:
    void TrackBar1Change(int position);
    void ShowLevel();

    QLabel* Caption = nullptr;
    QSlider* TrackBar1 = nullptr;
    QLabel* Level = nullptr;
    TScrubOutput* Output = nullptr;
};
