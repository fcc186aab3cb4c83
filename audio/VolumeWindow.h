#pragma once

#include <QDialog>

class QSlider;
class TAudioGraph;

// The volume window: one vertical slider from full level (top) down to silence, kept on top of
// the other windows, for the main window's playback graph.
class TVolumeWindow : public QDialog {
public:
    explicit TVolumeWindow(QWidget* parent = nullptr);

    // Shows the window for `graph` with the slider where it gives the graph's level; nothing
    // without a graph.
    void Open(TAudioGraph* graph);
    QSlider& TrackBar() { return *TrackBar1; }

private:
    void TrackBar1Change(int position);

    QSlider* TrackBar1 = nullptr;
    TAudioGraph* Graph = nullptr;
};
