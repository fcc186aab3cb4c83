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
    static constexpr int kOk = 1;
    static constexpr int kCancel = 2;
    static constexpr int kYes = 6;
    static constexpr int kNo = 7;

    explicit TAlertPrompt(QWidget* parent = nullptr);

    int Alert(const QString& message, const QString& okCaption = {});
    int Prompt(const QString& message, const QString& okCaption = {}, const QString& cancelCaption = {});
    int Confirm(const QString& message, const QString& yesCaption, const QString& noCaption,
                const QString& cancelCaption);

    // Lays the window out for a form, a message and the buttons' captions (empty: the standard
    // one), without showing it.
    void Prepare(TForm form, const QString& message, const QStringList& captions);

    TTextLabel* MsgLbl;
    QPushButton* PosBtn;
    QPushButton* NegBtn;
    QPushButton* ExBtn;

private:
    int Show(TForm form, const QString& message, const QStringList& captions);
    void SetButton(QPushButton* button, const QString& standard, const QString& caption, int result);
};
