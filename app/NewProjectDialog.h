#pragma once

#include <QDialog>
#include <functional>

class QComboBox;
class QFileSystemModel;
class QLabel;
class QLineEdit;
class QListView;
class QToolButton;
class QPushButton;
class TAlertPrompt;
class TEntryDialog;

// The New Project dialog: a project name, its frame rate, the number of layers and the folder in
// which the project is made, chosen in a list of subfolders. Made for each use.
class TNewProjectDialog : public QDialog {
    Q_OBJECT
public:
    TNewProjectDialog(TAlertPrompt* alert, TEntryDialog* entry, QWidget* parent = nullptr);

    // Shows the dialog on `name`, `folder` and `fps`; when it is confirmed, these hold the choices
    // (the folder ends with "/") and `layers` the layer count, 1 or 2.
    bool Execute(QString& name, QString& folder, int& fps, int& layers);
    // Makes the project's files on OK, with the choices as Execute returns them; an ECwError is
    // shown and keeps the dialog open.
    std::function<void(const QString& name, const QString& folder, int fps, int layers)> MakeProject;

    // The folder whose subfolders the list shows: the project goes there.
    QString ListedFolder() const { return Listed; }
    void ShowFolder(const QString& folder);
    void UpDirSBClick();
    // Makes "New Folder" (or "New Folder1", "New Folder2", ...) in the listed folder and opens its
    // name for editing.
    void NewFldrClick();

    QLabel* InstructLabel1;
    QLabel* ProjectLbl;
    QLineEdit* Edit2;
    QLabel* FpsLbl;
    QComboBox* ComboBox1;
    QLabel* LayersLbl;
    QComboBox* ComboBox2;
    QLabel* CreateLbl;
    QComboBox* ShellComboBox1;
    QToolButton* UpDirSB;
    QToolButton* NewFldr;
    QListView* ShellListView1;
    QPushButton* Button2; // OK
    QPushButton* Button3; // Cancel

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FpsChosen(int index);
    void OkClick();
    // Runs the OK checks; true when the dialog may close with OK.
    bool Confirm();

    TAlertPrompt* Alert;
    TEntryDialog* Entry;
    QFileSystemModel* Model;
    QString Listed; // without a trailing "/", except the root
    int Fps = 0;
};
