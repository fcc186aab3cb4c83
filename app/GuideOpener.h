#pragma once

#include <QObject>
#include <QString>

class QWidget;
class THelpWindow;

// Opens the user guide in the desktop's browser through xdg-open. When there is no xdg-open, or it
// reports that nothing could open the page, the guide opens in a help window of the program's own.
class TGuideOpener : public QObject {
    Q_OBJECT
public:
    TGuideOpener(QWidget& mainWindow, QString guideFile);

    void Open();
    void Retranslate();

private:
    void ShowOwnWindow();

    QWidget& MainWindow;
    const QString GuideFile;
    THelpWindow* HelpWindow = nullptr; // made the first time no browser answers
};
