#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

// The step entry dialog: asks for one value. It never checks the value; callers convert it and
// report their own errors. The text of the last use stays in Edit1.
class TEntryDialog : public QDialog {
    Q_OBJECT
public:
    explicit TEntryDialog(QWidget* parent = nullptr);

    // Asks for the value named `title`. True when closed with OK and the field is not empty; the
    // field's text is in `text` either way.
    bool AskValue(const QString& title, QString& text);
    // Asks again for a value the caller refused: the field starts with `text`, selected.
    bool AskValueAgain(const QString& title, QString& text);
    void Retranslate();

    QLabel* Label1;
    QLineEdit* Edit1;
    QPushButton* Button1;
    QPushButton* Button2;

protected:
    void showEvent(QShowEvent* event) override;

private:
    bool Ask(const QString& title, QString& text);
};
