#include "app/AboutDialog.h"

#include "app/AppResources.h"
#include "ui/AppTexts.h"

#include <QDesktopServices>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QUrl>

const char* const TAboutDialog::kWebAddress = "https://celwright.org";

TAboutDialog::TAboutDialog(const QString& version, QWidget* parent)
    : QDialog(parent), Label1(new QLabel(this)), Label3(new QLabel(this)), Button1(new QPushButton(this)),
      Version(version), Picture((LoadAppResources(), QImage(":/celwright/splash.png"))) {
    setModal(true);
    setFixedSize(459, 366);

    Label1->setText(QString("<a href=\"%1\" style=\"color: white\">%1</a>").arg(kWebAddress));
    Label1->setTextFormat(Qt::RichText);
    Label1->setTextInteractionFlags(Qt::LinksAccessibleByMouse);
    connect(Label1, &QLabel::linkActivated, this,
            [](const QString& link) { QDesktopServices::openUrl(QUrl(link)); });
    auto* band = new QWidget(this);
    band->setGeometry(0, 232, 459, 134);
    band->setAutoFillBackground(true);
    QPalette dark = band->palette();
    dark.setColor(QPalette::Window, QColor(0x3A, 0x2E, 0x1F));
    dark.setColor(QPalette::WindowText, QColor(0xF7, 0xF1, 0xE3));
    band->setPalette(dark);
    band->lower();
    Label1->setParent(band);
    Label1->setGeometry(20, 14, 300, 20);
    Label3->setParent(band);
    Label3->setGeometry(20, 38, 300, 20);
    auto* credits = new QLabel(band);
    credits->setGeometry(20, 62, 420, 40);
    credits->setText(Translate(LanguageKey("msgAboutCredits")));
    Button1->setParent(band);
    Button1->setGeometry(364, 96, 80, 26);
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    Retranslate();
}

void TAboutDialog::Retranslate() {
    setWindowTitle("Celwright - " + Translate(LanguageKey("sAbout")));
    Button1->setText(Translate(LanguageKey("sClose")));
}

void TAboutDialog::showEvent(QShowEvent* event) {
    Label3->setText(Fill(Translate(LanguageKey("msgAboutVersion")), {Version}));
    QDialog::showEvent(event);
}

void TAboutDialog::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(QPoint(0, 0), Picture);
}
