#include "app/CelwrightApp.h"

#include "app/CommandLine.h"
#include "ui/ErrorBox.h"
#include "app/SplashWindow.h"
#include "app/MainWindow.h"
#include "recovery/RecoveryFolder.h"
#include "settings/Folders.h"

#include <QEventLoop>
#include <QWindow>
#include <filesystem>
#include <iostream>

namespace {
// The program's own file, as the kernel knows it (symbolic links resolved).
std::filesystem::path RunningProgram() {
    std::error_code error;
    return std::filesystem::read_symlink("/proc/self/exe", error);
}
} // namespace

int RunCelwright(int argc, char** argv) {
    // --help and --version answer before any window, so they work without a display.
    const std::string programFolder = ProgramFolder(RunningProgram());
    if (const auto status = AnswerInformationOptions({argv + 1, argv + argc}, programFolder, std::cout))
        return *status;

    TCelwrightApplication app(argc, argv);
    // The splash comes first, before anything slow.
    auto* splash = new TSplashWindow;
    splash->show();
    splash->repaint();
    QApplication::setApplicationName("Celwright");
    QGuiApplication::setDesktopFileName("org.celwright.Celwright");

    TAppFolders folders;
    folders.ProgramFolder = QString::fromStdString(programFolder);
    folders.UserFolder = QString::fromStdString(UserFolder());
    folders.RecoveryFolder = QString::fromStdString(RecoveryFolder().string());
    int status = 0;
    {
        TMainWindow mainWindow(folders);
        mainWindow.show();
        // Closing the main window ends the event loop, also while the splash still shows: the
        // toolkit's own quit on the last window asks every window to close, and the splash refuses
        // until its time is up.
        QApplication::setQuitOnLastWindowClosed(false);
        QObject::connect(mainWindow.windowHandle(), &QWindow::visibleChanged, &app, [](bool visible) {
            if (!visible)
                QApplication::exit(0);
        });
        status = QApplication::exec();
    }
    // The splash closes only once its time is up (or it was clicked). Waiting for it in an event
    // loop that ends when it goes: a loop that waits for more events would wait for ever after it.
    if (splash->isVisible()) {
        QEventLoop untilSplashCloses;
        splash->setAttribute(Qt::WA_DeleteOnClose);
        QObject::connect(splash, &QObject::destroyed, &untilSplashCloses, &QEventLoop::quit);
        untilSplashCloses.exec();
    } else {
        delete splash;
    }
    return status;
}
