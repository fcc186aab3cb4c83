#include "capture/TimeLapsePanel.h"

#include "document/SheetData.h"
#include "ui/AppTexts.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>

TTimeLapsePanel::TTimeLapsePanel(QWidget* parent) : QGroupBox(parent) {
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(8, 6, 8, 8);
    EveryLabel = new QLabel(this);
    IntervalBox = new QSpinBox(this);
    IntervalBox->setRange(TTimeLapse::kMinInterval, TTimeLapse::kMaxInterval);
    IntervalBox->setValue(5);
    IntervalBox->setSuffix(" s");
    FramesLabel = new QLabel(this);
    CountBox = new QSpinBox(this);
    CountBox->setRange(0, kMaxFrames);
    CountBox->setValue(0);
    StartButton = new QPushButton(this);
    ProgressLabel = new QLabel(this);
    ProgressLabel->setTextFormat(Qt::PlainText);
    grid->addWidget(EveryLabel, 0, 0);
    grid->addWidget(IntervalBox, 0, 1);
    grid->addWidget(FramesLabel, 1, 0, 1, 2);
    grid->addWidget(CountBox, 2, 0, 1, 2);
    grid->addWidget(StartButton, 3, 0, 1, 2);
    grid->addWidget(ProgressLabel, 4, 0, 1, 2);
    connect(StartButton, &QPushButton::clicked, this, [this] { StartOrStop(); });
    Schedule.OnProgress = [this] { ShowProgress(); };
}

void TTimeLapsePanel::Retranslate() {
    setTitle(Translate(LanguageKey("sTimeLapse")));
    EveryLabel->setText(Translate(LanguageKey("sEvery")));
    FramesLabel->setText(Translate(LanguageKey("sFrames")));
    CountBox->setSpecialValueText(Translate(LanguageKey("sUntilStopped")));
    ShowProgress();
}

void TTimeLapsePanel::StartOrStop() {
    if (Schedule.Running())
        Schedule.Stop();
    else
        Schedule.Start(IntervalBox->value(), CountBox->value());
}

void TTimeLapsePanel::ShowProgress() {
    const bool running = Schedule.Running();
    StartButton->setText(Translate(running ? LanguageKey("sStop") : LanguageKey("sStart")));
    IntervalBox->setEnabled(!running);
    CountBox->setEnabled(!running);
    const QString taken = QString::number(Schedule.Taken());
    if (!running && Schedule.Taken() == 0)
        ProgressLabel->clear();
    else if (Schedule.Count() > 0)
        ProgressLabel->setText(Fill(Translate(LanguageKey("msgTimeLapseOf")), {taken, QString::number(Schedule.Count())}));
    else
        ProgressLabel->setText(Fill(Translate(LanguageKey("msgTimeLapseTaken")), {taken}));
}
