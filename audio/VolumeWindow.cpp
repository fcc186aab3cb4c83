#include "audio/VolumeWindow.h"

#include "audio/ScrubOutput.h"
#include "audio/Scrubbing.h"
#include "ui/AppTexts.h"

#include <QLabel>
#include <QLocale>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

namespace {

// Wide enough for the caption and the close box in every language, tall enough to set a level.
constexpr int kWidth = 160;
constexpr int kHeight = 240;

} // namespace

TVolumeWindow::TVolumeWindow(QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::WindowStaysOnTopHint) {
    setObjectName("VolumeControl");
    setMinimumWidth(75);
    Caption = new QLabel(this);
    Caption->setObjectName("LevelCaption");
    Caption->setAlignment(Qt::AlignHCenter);
    Caption->setTextFormat(Qt::PlainText);
    TrackBar1 = new QSlider(Qt::Vertical, this);
    TrackBar1->setObjectName("TrackBar1");
    TrackBar1->setRange(0, 100);
    // Position 0 is the top: full level.
    TrackBar1->setInvertedAppearance(true);
    TrackBar1->setInvertedControls(true);
    TrackBar1->setTickPosition(QSlider::NoTicks);
    Level = new QLabel(this);
    Level->setObjectName("LevelPercent");
    Level->setAlignment(Qt::AlignHCenter);
    Caption->setBuddy(TrackBar1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Caption);
    layout->addWidget(TrackBar1, 1, Qt::AlignHCenter);
    layout->addWidget(Level);
    resize(kWidth, kHeight);
    Retranslate();
    ShowLevel();
    connect(TrackBar1, &QSlider::valueChanged, this, [this](int position) { TrackBar1Change(position); });
}

void TVolumeWindow::Retranslate() {
    setWindowTitle(Translate(LanguageKey("sVolume")));
    Caption->setText(Translate(LanguageKey("sSoundLevel")));
}

void TVolumeWindow::Open(TScrubOutput* output) {
    if (!output)
        return;
    Output = output;
    {
        const QSignalBlocker quiet(TrackBar1);
        TrackBar1->setValue(SliderFromVolume(output->Volume()));
    }
    ShowLevel();
    // Centred over its owner the first time; afterwards it comes back where it was left.
    if (QWidget* owner = parentWidget(); owner && !testAttribute(Qt::WA_Moved))
        move(owner->geometry().center() - rect().center());
    show();
    raise();
}

QString TVolumeWindow::LevelText() const {
    return Level->text();
}

// Positions below the output's range ask for more than 100 dB down: the output refuses them and
// the level stays as it was.
void TVolumeWindow::TrackBar1Change(int position) {
    if (Output)
        Output->SetVolume(VolumeFromSlider(position));
    ShowLevel();
}

// The level as a share of full amplitude; small ones keep a decimal so they do not read as silence.
void TVolumeWindow::ShowLevel() {
    const double percent = 100.0 * VolumeGain(Output ? Output->Volume() : 10000);
    Level->setText(QLocale().toString(percent, 'f', percent < 10.0 ? 1 : 0) + " %");
}
