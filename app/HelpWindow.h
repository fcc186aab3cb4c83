#pragma once

#include <QTextBrowser>

// The user guide in a window of the program's own, for a desktop where no browser answers. Links
// within the guide open here; links to the web go to the desktop.
class THelpWindow : public QTextBrowser {
    Q_OBJECT
public:
    explicit THelpWindow(QWidget* mainWindow);

    // Shows the guide file (an HTML page) from its start.
    void ShowGuide(const QString& file);
    void Retranslate();
};
