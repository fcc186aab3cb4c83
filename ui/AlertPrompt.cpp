#include "ui/AlertPrompt.h"

#include "ui/AppTexts.h"
#include "ui/TextLabel.h"

#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>

namespace {
constexpr int kButtonWidth = 73;
constexpr int kButtonHeight = 25;
constexpr int kButtonGap = 20;
constexpr int kLabelLeft = 16;
constexpr int kLabelTop = 16;
constexpr int kLabelWidth = 248;
} // namespace

TAlertPrompt::TAlertPrompt(QWidget* parent)
    : QDialog(parent), MsgLbl(new TTextLabel(this)), PosBtn(new QPushButton(this)),
      NegBtn(new QPushButton(this)), ExBtn(new QPushButton(this)) {
    setModal(true);
    MsgLbl->setWordWrap(true);
    PosBtn->setDefault(true);
}

void TAlertPrompt::SetButton(QPushButton* button, const QString& standard, const QString& caption,
                             TAnswer result) {
    button->setText(caption.isEmpty() ? standard : caption);
    int width = kButtonWidth;
    if (!caption.isEmpty()) {
        const int textWidth = button->fontMetrics().horizontalAdvance(caption);
        if (textWidth > 40)
            width = textWidth + 20;
    }
    button->resize(width, kButtonHeight);
    button->disconnect(this);
    connect(button, &QPushButton::clicked, this, [this, result] { done(static_cast<int>(result)); });
    button->show();
}

void TAlertPrompt::Prepare(TForm form, const QString& message, const QStringList& captions) {
    auto caption = [&](int i) { return i < captions.size() ? captions[i] : QString(); };
    const QString ok = Translate(LanguageKey("sOK"));
    const QString cancel = Translate(LanguageKey("sCancel"));
    for (QPushButton* button : {PosBtn, NegBtn, ExBtn})
        button->hide();

    int width = 280;
    QList<QPushButton*> shown;
    switch (form) {
    case TForm::Alert:
        setWindowTitle(Translate(LanguageKey("sAlert")));
        SetButton(PosBtn, ok, caption(0), TAnswer::Ok);
        shown = {PosBtn};
        break;
    case TForm::Prompt:
        setWindowTitle(Translate(LanguageKey("sPrompt")));
        SetButton(PosBtn, ok, caption(0), TAnswer::Ok);
        SetButton(NegBtn, cancel, caption(1), TAnswer::Cancel);
        shown = {PosBtn, NegBtn};
        break;
    case TForm::Confirm: {
        setWindowTitle(Translate(LanguageKey("sConfirm")));
        SetButton(PosBtn, ok, caption(0), TAnswer::Yes);
        SetButton(NegBtn, cancel, caption(1), TAnswer::No);
        SetButton(ExBtn, cancel, caption(2), TAnswer::Cancel);
        shown = {PosBtn, NegBtn, ExBtn};
        const int buttons = PosBtn->width() + NegBtn->width() + ExBtn->width();
        width = buttons + 40 > 270 ? buttons + 70 : 300;
        break;
    }
    }

    MsgLbl->setGeometry(kLabelLeft, kLabelTop, kLabelWidth, 10);
    MsgLbl->SetText(message);
    const int buttonsTop = MsgLbl->height() + 36;
    int group = kButtonGap * static_cast<int>(shown.size() - 1);
    for (QPushButton* button : shown)
        group += button->width();
    int left = (width - group) / 2;
    for (QPushButton* button : shown) {
        button->move(left, buttonsTop);
        left += button->width() + kButtonGap;
    }
    setFixedSize(width, MsgLbl->height() + kButtonHeight + 66);
}

TAlertPrompt::TAnswer TAlertPrompt::Show(TForm form, const QString& message, const QStringList& captions) {
    Prepare(form, message, captions);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    // Enter always gives the positive answer, whichever button was pressed last time.
    for (QPushButton* button : {NegBtn, ExBtn})
        button->setDefault(false);
    PosBtn->setDefault(true);
    PosBtn->setFocus();
    // Closing by the frame, or Esc, ends with "cancel".
    const int result = exec();
    return result == QDialog::Rejected ? TAnswer::Cancel : static_cast<TAnswer>(result);
}

TAlertPrompt::TAnswer TAlertPrompt::Alert(const QString& message, const QString& okCaption) {
    return Show(TForm::Alert, message, {okCaption});
}

TAlertPrompt::TAnswer TAlertPrompt::Prompt(const QString& message, const QString& okCaption,
                                           const QString& cancelCaption) {
    return Show(TForm::Prompt, message, {okCaption, cancelCaption});
}

TAlertPrompt::TAnswer TAlertPrompt::Confirm(const QString& message, const QString& yesCaption,
                                            const QString& noCaption, const QString& cancelCaption) {
    return Show(TForm::Confirm, message, {yesCaption, noCaption, cancelCaption});
}
