#pragma once

#include <QDialog>

class QSlider;
class TcwAudioGraph;

// The volume window: one vertical slider from full level (top) down to silence, kept on top of
// the other windows, for the main window's playback graph.
class TVolumeControl : public QDialog {
public:
    explicit TVolumeControl(QWidget* parent = nullptr);

    // Shows the window for `graph` with the slider where it gives the graph's level; nothing
    // without a graph.
    void Open(TcwAudioGraph* graph);
    QSlider& TrackBar() { return *TrackBar1; }

private:
    void TrackBar1Change(int position);

    QSlider* TrackBar1 = nullptr;
    TcwAudioGraph* Graph = nullptr;
};
