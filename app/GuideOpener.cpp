#include "app/GuideOpener.h"

#include "app/HelpWindow.h"

#include <QProcess>

TGuideOpener::TGuideOpener(QWidget& mainWindow, QString guideFile)
    : QObject(&mainWindow), MainWindow(mainWindow), GuideFile(std::move(guideFile)) {}

void TGuideOpener::Open() {
    auto* launcher = new QProcess(this);
    // The browser xdg-open starts may outlive the launcher and this program: it gets no pipes of
    // ours to write into once they are closed.
    launcher->setStandardInputFile(QProcess::nullDevice());
    launcher->setStandardOutputFile(QProcess::nullDevice());
    launcher->setStandardErrorFile(QProcess::nullDevice());
    connect(launcher, &QProcess::errorOccurred, this, [this, launcher](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart)
            return;
        ShowOwnWindow();
        launcher->deleteLater();
    });
    connect(launcher, &QProcess::finished, this, [this, launcher](int code, QProcess::ExitStatus status) {
        if (status != QProcess::NormalExit || code != 0)
            ShowOwnWindow();
        launcher->deleteLater();
    });
    launcher->start("xdg-open", {GuideFile});
}

void TGuideOpener::Retranslate() {
    if (HelpWindow)
        HelpWindow->Retranslate();
}

void TGuideOpener::ShowOwnWindow() {
    if (!HelpWindow)
        HelpWindow = new THelpWindow(&MainWindow);
    HelpWindow->ShowGuide(GuideFile);
}
