#pragma once

#include "settings/Profiles.h"

#include <QDialog>

class QButtonGroup;
class QGroupBox;
class QLabel;
class QListWidget;
class QPushButton;
class TAlertPrompt;
class TDeflateEdit;
class TEntryDialog;

// The profile manager: adds, deletes, renames and edits the stored profiles. Made for each use.
class TProfileManagerDialog : public QDialog {
    Q_OBJECT
public:
    // `saved` gives new profiles their folder and capture mode and the browser its fallback folder;
    // `activeProfile` is the main window's active profile name.
    TProfileManagerDialog(TProfileList& profiles, const TSettings& saved, const QString& activeProfile,
                    TEntryDialog* entry, TAlertPrompt* alert, QWidget* parent = nullptr);

    // True once a profile was added, deleted, renamed or applied.
    bool Changed() const { return ChangedFlag; }
    // The active profile after the changes: "Default" once it was deleted, its new name once it was
    // renamed.
    QString ActiveProfile() const { return Active; }
    // The selected profile's name; empty when none is selected.
    QString SelectedName() const;

    void NewBtnClick();
    void DeleteBtnClick();
    void RenameBtnClick();
    void BrowseBtnClick();
    void ApplyBtnClick();
    // Shows the selected profile's stored settings again.
    void ShowSelected();

    QLabel* InstructLbl;
    QLabel* ProfileListLbl;
    QListWidget* ListBox1;
    QPushButton* NewBtn;
    QPushButton* DeleteBtn;
    QPushButton* RenameBtn;
    QLabel* SettingsLbl;
    QLabel* DirLbl;
    TDeflateEdit* DefPathText;
    QPushButton* BrowseBtn;
    QGroupBox* CapModeGroup;
    QButtonGroup* CapModeButtons;
    QPushButton* ApplyBtn;
    QPushButton* CancelBtn; // Reset
    QPushButton* CloseBtn;

private:
    // Refills the list and selects `name`, or the first profile when there is no such name.
    void FillList(const QString& name);
    void Retranslate();

    TProfileList& Profiles;
    const TSettings& Saved;
    TEntryDialog* Entry;
    TAlertPrompt* Alert;
    QString Active;
    bool ChangedFlag = false;
};
