#pragma once

#include "scanner/ScanSettings.h"
#include "settings/IniFile.h"

#include <QDialog>
#include <string>

class QLineEdit;
class QListWidget;
class QPushButton;

// Saves the scanner window's settings under a name in "scan.ini", loads a set by name and deletes
// sets (Delete in the list). One modal dialog in two modes.
class TScanSettingsDialog : public QDialog {
    Q_OBJECT
public:
    enum class TMode { Save, Load };

    TScanSettingsDialog(TMode mode, const TScanSettings& record, const std::string& iniPath,
                         QWidget* parent = nullptr);

    // Shows the dialog in save mode; the record is what gets written.
    static void Save(const TScanSettings& record, QWidget* parent);
    // Shows the dialog in load mode with the record as defaults; true and the filled record when a
    // set was loaded.
    static bool Load(TScanSettings& record, QWidget* parent);

    const TScanSettings& Record() const { return Record_; }

    void SettingsListBoxClick();
    void SaveLoadBtnClick();
    // Erases the selected set from the file at once and selects the first remaining one.
    void DeleteSelected();

    QListWidget* SettingsListBox;
    QLineEdit* NameEdit;
    QPushButton* SaveLoadBtn;
    QPushButton* CancelBtn;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FillList();

    TMode Mode;
    TScanSettings Record_;
    std::string IniPath;
    TIniFile Ini;
};
