#pragma once

#include <QDialog>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class TAlertPrompt;

// The program editor: the name and the program file of an external program (the image editor).
// Made once at program start; it keeps the last name and location entered, each trimmed. A program
// is an executable file or a desktop launcher (".desktop").
class TProgramEditDialog : public QDialog {
    Q_OBJECT
public:
    explicit TProgramEditDialog(TAlertPrompt* alert, QWidget* parent = nullptr);

    // Shows `name` and `location` modally. True when closed by OK, which needs an existing program
    // file; the choice is then in Name and Location.
    bool EditProgram(const QString& name, const QString& location);
    void Retranslate();
    // The open-file dialog of the browse button, listing folders, executable files and launchers.
    void BrowseBtnClick();

    QString Name;
    QString Location;

    QGroupBox* GroupBox1;
    QLabel* NameLbl;
    QLineEdit* NameEdit;
    QLabel* LocationLbl;
    QLineEdit* LocationEdit;
    QPushButton* BrowseBtn;
    QPushButton* OkBtn;
    QPushButton* CancelBtn;

private:
    void OkBtnClick();

    TAlertPrompt* Alert;
};
