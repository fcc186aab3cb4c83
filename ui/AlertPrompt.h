#pragma once

#include <QDialog>

class QPushButton;
class TTextLabel;

// The alert prompt most messages and questions go through, in three forms: alert (OK gives 1),
// prompt (OK 1, Cancel 2) and confirm (yes 6, no 7, cancel 2). Closing it by its frame gives 2.
class TAlertPrompt : public QDialog {
    Q_OBJECT
public:
    enum class TForm { Alert, Prompt, Confirm };
    enum class TAnswer { Ok = 1, Cancel = 2, Yes = 6, No = 7 };

    explicit TAlertPrompt(QWidget* parent = nullptr);

    TAnswer Alert(const QString& message, const QString& okCaption = {});
    TAnswer Prompt(const QString& message, const QString& okCaption = {}, const QString& cancelCaption = {});
    TAnswer Confirm(const QString& message, const QString& yesCaption, const QString& noCaption,
                    const QString& cancelCaption);

    // Lays the window out for a form, a message and the buttons' captions (empty: the standard
    // one), without showing it.
    void Prepare(TForm form, const QString& message, const QStringList& captions);

    TTextLabel* MsgLbl;
    QPushButton* PosBtn;
    QPushButton* NegBtn;
    QPushButton* ExBtn;

private:
    TAnswer Show(TForm form, const QString& message, const QStringList& captions);
    void SetButton(QPushButton* button, const QString& standard, const QString& caption, TAnswer result);
};
