#pragma once

#include "settings/LiveGuideSettings.h"

#include <QDialog>

class QDialogButtonBox;
class QLabel;
class QPushButton;
class QSpinBox;

// The grid's rows and columns and the guides' colour, for the capture window's View menu.
class TGridSettingsDialog : public QDialog {
    Q_OBJECT

public:
    explicit TGridSettingsDialog(QWidget* parent);
    // Shows `settings` and, when the user confirms, writes the rows, columns and colour back into
    // it; returns whether they did.
    bool Edit(TLiveGuideSettings& settings);

    QSpinBox* RowsBox;
    QSpinBox* ColumnsBox;
    QPushButton* ColorButton;
    QDialogButtonBox* Buttons;

private:
    void ShowColor(std::uint32_t color);
    void ChooseColor();

    std::uint32_t Color = 0;
};
