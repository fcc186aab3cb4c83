#include "app/LicenseDialog.h"

#include "ui/AppTexts.h"
#include "base/Error.h"
#include "base/TextUtil.h"

#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

TLicenseDialog::TLicenseDialog(QWidget* parent)
    : QDialog(parent), Memo1(new QPlainTextEdit(this)), AgreeBtn(new QPushButton(this)) {
    setModal(true);
    Memo1->setReadOnly(true);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    connect(AgreeBtn, &QPushButton::clicked, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Memo1);
    layout->addWidget(AgreeBtn, 0, Qt::AlignRight);
    resize(620, 480);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    Retranslate();
}

void TLicenseDialog::Retranslate() {
    setWindowTitle("Celwright - " + Translate(LanguageKey("sLicense")));
    AgreeBtn->setText(Translate(LanguageKey("sClose")));
}

void TLicenseDialog::LoadLicense(const QString& programFolder) {
    const std::string path = (programFolder + "license.txt").toStdString();
    const auto bytes = ReadFileBytes(path);
    if (!bytes)
        throw ECwError("Cannot open file \"" + path + "\". No such file or directory");
    Memo1->setPlainText(QString::fromStdString(DecodeText(*bytes)));
}
