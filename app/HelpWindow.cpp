#include "app/HelpWindow.h"

#include "ui/AppTexts.h"

#include <QUrl>

THelpWindow::THelpWindow(QWidget* mainWindow) : QTextBrowser(mainWindow) {
    setWindowFlag(Qt::Window);
    setObjectName("HelpWindow");
    setOpenExternalLinks(true);
    resize(820, 640);
    Retranslate();
}

void THelpWindow::ShowGuide(const QString& file) {
    setSource(QUrl::fromLocalFile(file));
    show();
    raise();
    activateWindow();
}

void THelpWindow::Retranslate() {
    setWindowTitle(Translate(LanguageKey("sCelwrightHelp")));
}
