#pragma once

#include <QDialog>

class QPlainTextEdit;
class QPushButton;

// The licence window: the text of "license.txt" in the program folder.
class TLicenseDialog : public QDialog {
    Q_OBJECT
public:
    explicit TLicenseDialog(QWidget* parent = nullptr);

    // Fills the text from `programFolder` + "license.txt"; throws ECwError naming the file when it
    // cannot be read, and the window is then not to be shown.
    void LoadLicense(const QString& programFolder);
    void Retranslate();

    QPlainTextEdit* Memo1;
    QPushButton* AgreeBtn;
};
