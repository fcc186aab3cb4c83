#pragma once

#include <QDialog>

class QProgressBar;
class QPushButton;

// A progress bar with an Abort button for long work. Callers set the maximum and the step, show
// it, step it once per unit of work and read Aborted() when they can stop.
class TProgressDialog : public QDialog {
    Q_OBJECT
public:
    explicit TProgressDialog(QWidget* parent = nullptr);

    void SetMaximum(int maximum);
    void SetStep(int step) { Step = step; }
    void StepIt();
    bool Aborted() const { return AbortPressed; }
    void Retranslate();

    QProgressBar* ProgressBar1;
    QPushButton* Button1;

protected:
    void showEvent(QShowEvent* event) override;

private:
    int Step = 1;
    bool AbortPressed = false;
};
