#pragma once

#include "settings/Preferences.h"

#include <QDialog>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QSpinBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;
class TProgramEditDialog;

// The Preferences dialog: edits a copy of the saved preferences on four pages (General, Capture,
// Preview, Editors). Each change goes into the copy at once; nothing is validated. Made for each use.
class TPreferencesDialog : public QDialog {
    Q_OBJECT
public:
    // `colorNames` are the layer colour schemes in order; `programEditor` chooses the image editor.
    TPreferencesDialog(const QStringList& colorNames, TProgramEditDialog* programEditor, QWidget* parent = nullptr);

    // Shows `settings` under `title`, placed 100 pixels right of and below `topLeft`. On OK the
    // edited record goes back into `settings` and the result is true; Cancel changes nothing.
    bool Edit(const QString& title, TSettings& settings, const QPoint& topLeft);
    // Puts a record into the controls and makes it the working copy.
    void LoadRecord(const TSettings& settings);
    const TSettings& Working() const { return Record; }
    void Retranslate();

    // Folder browsers of the two folder boxes.
    void DefPathBtnClick();
    void TempPathBtnClick();
    void ChangeImgEditBtnClick();

    QTabWidget* PageControl1;
    QGroupBox* FpsGroup;
    QButtonGroup* FpsButtons;
    QLineEdit* FpsEntry;
    QLabel* LayerColorLbl;
    QComboBox* ColorCombo;
    QLabel* UndoLevelsLbl;
    QSpinBox* UndoLevelsSpin;
    QGroupBox* GroupBox1;
    QLabel* DefPathLbl;
    QPlainTextEdit* DefPathText;
    QPushButton* DefPathBtn;
    QLabel* TempPathLbl;
    QLineEdit* TempPathText;
    QPushButton* TempPathBtn;
    QGroupBox* ModeGroup;
    QButtonGroup* ModeButtons;
    QGroupBox* CapColorGroup;
    QButtonGroup* CapColorButtons;
    QGroupBox* StepGroup;
    QButtonGroup* StepButtons;
    QGroupBox* NumberingGroup;
    QButtonGroup* NumberingButtons;
    QGroupBox* ImageGroup;
    QButtonGroup* ImageButtons;
    // What celwright.ini keeps of windows and the capture window's views, forgotten on OK.
    QGroupBox* KeptViewsGroup;
    QCheckBox* ForgetPlacesCheck;
    QCheckBox* ForgetGuidesCheck;
    QCheckBox* ForgetReferencesCheck;
    QGroupBox* PrevColorGroup;
    QButtonGroup* PrevColorButtons;
    QCheckBox* AutoBuildCheck;
    QGroupBox* ImgEditGroup;
    QLabel* ImgEditNameLbl;
    QLabel* ImgEditLocationLbl;
    QPushButton* ChangeImgEditBtn;
    QPushButton* OkBtn;
    QPushButton* CancelBtn;

private:
    QWidget* MakeGeneralPage();
    QWidget* MakeCapturePage();
    QWidget* MakePreviewPage();
    QWidget* MakeEditorsPage();
    // A titled group of radio buttons, one per caption, laid out in a column.
    QGroupBox* MakeRadioGroup(QButtonGroup*& buttons, int count);
    void FpsChosen(int item);
    void FpsEntryChanged();
    void ShowEditor();

    TProgramEditDialog* ProgramEditor;
    TSettings Record;
    bool Loading = false;
};

// Selects the button `id` of a group, or none when the group has no such button.
void SelectRadio(QButtonGroup* group, int id);
