#pragma once

#include <QApplication>
#include <QDialog>
#include <QObject>
#include <QStringList>
#include <QTimer>
#include <functional>
#include <vector>

// Answers the modal dialogs a command opens, in the order the user meets them: each step waits
// for a visible modal dialog of its type and acts on it as the user would. A modal dialog that no
// step expects is noted and closed, so a test fails instead of hanging. The layer properties
// window that a new layer opens is left to TNewLayerAnswer.
class TDialogScript : public QObject {
public:
    TDialogScript() {
        Poll.setInterval(10);
        connect(&Poll, &QTimer::timeout, this, [this] { Step(); });
        Poll.start();
    }

    // Adds a step for the next dialog of type T.
    template <class T> TDialogScript& Then(std::function<void(T&)> act) {
        Steps.push_back([act](QWidget* widget) {
            auto* dialog = qobject_cast<T*>(widget);
            if (dialog)
                act(*dialog);
            return dialog != nullptr;
        });
        return *this;
    }

    bool Done() const { return Next == Steps.size(); }
    QStringList Unexpected; // class names of dialogs no step expected

private:
    void Step() {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible() || modal == Handled || modal->inherits("TLayerPropertiesDialog"))
            return;
        Handled = modal;
        // The same dialog object may be shown again by a later step once this use is over.
        if (auto* dialog = qobject_cast<QDialog*>(modal))
            connect(
                dialog, &QDialog::finished, this, [this] { Handled = nullptr; }, Qt::SingleShotConnection);
        if (Next < Steps.size() && Steps[Next](modal)) {
            ++Next;
        } else {
            Unexpected.append(modal->metaObject()->className());
            if (auto* dialog = qobject_cast<QDialog*>(modal))
                dialog->reject();
        }
    }

    QTimer Poll;
    std::vector<std::function<bool(QWidget*)>> Steps;
    std::size_t Next = 0;
    QWidget* Handled = nullptr;
};

// Confirms the layer properties window of every new layer as it is offered, for tests about
// something else.
class TNewLayerAnswer : public QObject {
public:
    TNewLayerAnswer() {
        Poll.setInterval(10);
        connect(&Poll, &QTimer::timeout, this, [] {
            QWidget* modal = QApplication::activeModalWidget();
            if (modal && modal->isVisible() && modal->inherits("TLayerPropertiesDialog"))
                static_cast<QDialog*>(modal)->accept();
        });
        Poll.start();
    }

private:
    QTimer Poll;
};
