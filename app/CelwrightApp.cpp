#include "app/CelwrightApp.h"

#include "app/ErrorBox.h"
#include "app/cwSplash.h"
#include "app/exposureSheet.h"
#include "settings/Folders.h"

int RunCelwright(int argc, char** argv) {
    TCelwrightApplication app(argc, argv);
    // The splash comes first, before anything slow.
    auto* splash = new TSplash;
    splash->show();
    splash->repaint();
    QApplication::setApplicationName("Celwright");

    TAppFolders folders;
    folders.ProgramFolder =
        QString::fromStdString(ProgramFolder(QCoreApplication::applicationFilePath().toStdString()));
    folders.UserFolder = QString::fromStdString(UserFolder());
    int status = 0;
    {
        TForm1 mainWindow(folders);
        mainWindow.show();
        status = QApplication::exec();
    }
    // The splash closes only once its time is up (or it was clicked).
    while (splash->isVisible())
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
    delete splash;
    return status;
}
