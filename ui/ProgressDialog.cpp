#include "ui/ProgressDialog.h"

#include "ui/AppTexts.h"

#include <QGuiApplication>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

TProgressDialog::TProgressDialog(QWidget* parent)
    : QDialog(parent), ProgressBar1(new QProgressBar(this)), Button1(new QPushButton(this)) {
    setModal(false);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setValue(0);
    connect(Button1, &QPushButton::clicked, this, [this] { AbortPressed = true; });
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(ProgressBar1);
    layout->addWidget(Button1, 0, Qt::AlignHCenter);
    resize(320, 90);
    Retranslate();
}

void TProgressDialog::Retranslate() {
    setWindowTitle(Translate(LanguageKey("sProgress")));
    Button1->setText(Translate(LanguageKey("sAbort")));
}

void TProgressDialog::SetMaximum(int maximum) {
    ProgressBar1->setRange(0, maximum);
}

void TProgressDialog::StepIt() {
    ProgressBar1->setValue(std::min(ProgressBar1->value() + Step, ProgressBar1->maximum()));
}

void TProgressDialog::showEvent(QShowEvent* event) {
    AbortPressed = false;
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    QDialog::showEvent(event);
}
