#pragma once

#include <QDialog>
#include <QImage>

class QLabel;
class QPushButton;

// The About window: the splash picture, the version and the credits.
class TAboutDialog : public QDialog {
    Q_OBJECT
public:
    TAboutDialog(const QString& version, QWidget* parent = nullptr);
    void Retranslate();

    QLabel* Label1; // the web address; a click opens it
    QLabel* Label3; // "version: " and the program's version
    QPushButton* Button1;

    static const char* const kWebAddress;

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QString Version;
    QImage Picture;
};
