#pragma once

#include <QApplication>
#include <QString>
#include <functional>

class QWidget;

// The program's one error handler: shows an error's text in the standard error box, and the
// program goes on.
void ShowErrorBox(QWidget* parent, const QString& text);

// Where errors are shown; tests set their own to read them instead of a modal box. Empty: the
// standard error box.
std::function<void(const QString& text)>& ErrorBoxOverride();

// Runs a command of a window; an error it raises is shown in the standard error box and the window
// goes on.
void GuardCommand(QWidget* parent, const std::function<void()>& command);

// The application: an error escaping any event handler ends up in the error box too.
class TCelwrightApplication : public QApplication {
public:
    TCelwrightApplication(int& argc, char** argv) : QApplication(argc, argv) {}
    bool notify(QObject* receiver, QEvent* event) override;
};
