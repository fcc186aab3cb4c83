#include "import/ImportWarningDialog.h"

#include "ui/AppTexts.h"

#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

TImportWarningDialog::TImportWarningDialog(QWidget* parent)
    : QDialog(parent), Memo1(new QPlainTextEdit(this)), CopyBtn(new QPushButton(this)),
      LinkBtn(new QPushButton(this)), CancelBtn(new QPushButton(this)) {
    setModal(true);
    Memo1->setReadOnly(true);
    Memo1->setFrameShape(QFrame::NoFrame);
    Memo1->viewport()->setAutoFillBackground(false);
    connect(CopyBtn, &QPushButton::clicked, this, [this] { done(static_cast<int>(TChoice::Copy)); });
    connect(LinkBtn, &QPushButton::clicked, this, [this] { done(static_cast<int>(TChoice::Link)); });
    connect(CancelBtn, &QPushButton::clicked, this, [this] { done(static_cast<int>(TChoice::Cancel)); });
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    for (QPushButton* button : {CopyBtn, LinkBtn, CancelBtn})
        buttons->addWidget(button);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Memo1, 1);
    layout->addLayout(buttons);
    resize(360, 190);
    Retranslate();
}

void TImportWarningDialog::Retranslate() {
    setWindowTitle("Warning");
    Memo1->setPlainText(Translate(LanguageKey("msgImportWarn")).replace("\r\n", "\n"));
    CopyBtn->setText(Translate(LanguageKey("sCopy")));
    LinkBtn->setText(Translate(LanguageKey("sLink")));
    CancelBtn->setText(Translate(LanguageKey("sCancel")));
}

TImportWarningDialog::TChoice TImportWarningDialog::Ask(const QPoint& topLeft) {
    move(topLeft);
    const int result = exec();
    return result == QDialog::Rejected ? TChoice::Cancel : static_cast<TChoice>(result);
}
