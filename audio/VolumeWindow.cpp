#include "audio/VolumeWindow.h"

#include "audio/AudioGraph.h"
#include "audio/Scrubbing.h"

#include <QHBoxLayout>
#include <QSignalBlocker>
#include <QSlider>

TVolumeWindow::TVolumeWindow(QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::WindowStaysOnTopHint) {
    setObjectName("VolumeControl");
    setWindowTitle("Volume");
    setMinimumWidth(75);
    TrackBar1 = new QSlider(Qt::Vertical, this);
    TrackBar1->setObjectName("TrackBar1");
    TrackBar1->setRange(0, 100);
    // Position 0 is the top: full level.
    TrackBar1->setInvertedAppearance(true);
    TrackBar1->setInvertedControls(true);
    TrackBar1->setTickPosition(QSlider::NoTicks);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(TrackBar1, 0, Qt::AlignHCenter);
    resize(75, 180);
    connect(TrackBar1, &QSlider::valueChanged, this, [this](int position) { TrackBar1Change(position); });
}

void TVolumeWindow::Open(TAudioGraph* graph) {
    if (!graph)
        return;
    Graph = graph;
    {
        const QSignalBlocker quiet(TrackBar1);
        TrackBar1->setValue(SliderFromVolume(graph->Volume()));
    }
    if (QWidget* owner = parentWidget())
        move(owner->geometry().center() - rect().center());
    show();
    raise();
}

// Positions below the graph's range ask for more than 100 dB down: the graph refuses them and
// the level stays as it was.
void TVolumeWindow::TrackBar1Change(int position) {
    if (Graph)
        Graph->SetVolume(VolumeFromSlider(position));
}
