#include "ui/EntryDialog.h"

#include "ui/AppTexts.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TEntryDialog::TEntryDialog(QWidget* parent)
    : QDialog(parent), Label1(new QLabel(this)), Edit1(new QLineEdit(this)), Button1(new QPushButton(this)),
      Button2(new QPushButton(this)) {
    setModal(true);
    auto* panel = new QWidget(this);
    panel->setAutoFillBackground(true);
    QPalette white = panel->palette();
    white.setColor(QPalette::Window, Qt::white);
    panel->setPalette(white);
    panel->setFixedWidth(150);
    Label1->setParent(panel);
    Label1->setWordWrap(true);
    Label1->setTextFormat(Qt::PlainText);
    auto* panelLayout = new QVBoxLayout(panel);
    panelLayout->addWidget(Label1);
    panelLayout->addStretch();

    Button1->setDefault(true);
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    auto* right = new QVBoxLayout;
    right->addWidget(Edit1);
    right->addStretch();
    right->addLayout(buttons);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 8, 8);
    layout->addWidget(panel);
    layout->addLayout(right);
    resize(380, 110);
    Retranslate();
}

void TEntryDialog::Retranslate() {
    Button1->setText(Translate(LanguageKey("sOK")));
    Button2->setText(Translate(LanguageKey("sCancel")));
}

bool TEntryDialog::AskValue(const QString& title, QString& text) {
    Edit1->clear();
    return Ask(title, text);
}

bool TEntryDialog::AskValueAgain(const QString& title, QString& text) {
    Edit1->setText(text);
    Edit1->selectAll();
    return Ask(title, text);
}

bool TEntryDialog::Ask(const QString& title, QString& text) {
    setWindowTitle(title);
    Label1->setText(Translate(LanguageKey("msgEnterValue")) + " " + title);
    const bool confirmed = exec() == QDialog::Accepted && !Edit1->text().isEmpty();
    text = Edit1->text();
    return confirmed;
}

void TEntryDialog::showEvent(QShowEvent* event) {
    if (const QWidget* main = parentWidget())
        move(main->frameGeometry().topLeft() + QPoint(100, 100));
    Edit1->setFocus();
    QDialog::showEvent(event);
}
