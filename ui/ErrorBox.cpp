#include "ui/ErrorBox.h"
#include "ui/PlainText.h"

#include <QMessageBox>
#include <exception>

std::function<void(const QString& text)>& ErrorBoxOverride() {
    static std::function<void(const QString& text)> override;
    return override;
}

void ShowErrorBox(QWidget* parent, const QString& text) {
    if (ErrorBoxOverride()) {
        ErrorBoxOverride()(text);
        return;
    }
    QMessageBox box(QMessageBox::Critical, QApplication::applicationName(), text, QMessageBox::Ok, parent);
    ShowTextsPlain(box);
    box.exec();
}

void GuardCommand(QWidget* parent, const std::function<void()>& command) {
    try {
        command();
    } catch (const std::exception& error) {
        ShowErrorBox(parent, QString::fromStdString(error.what()));
    }
}

bool TCelwrightApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        ShowErrorBox(activeWindow(), QString::fromStdString(error.what()));
    } catch (...) {
        ShowErrorBox(activeWindow(), "An unexpected error occurred.");
    }
    return false;
}
