#include "capture/GridSettingsDialog.h"

#include "ui/AppTexts.h"

#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QPushButton>
#include <QSpinBox>

TGridSettingsDialog::TGridSettingsDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(Translate(LanguageKey("sGridSettings")));
    auto* form = new QFormLayout(this);
    auto spin = [this] {
        auto* box = new QSpinBox(this);
        box->setRange(1, TLiveGuideSettings::kMaxGridLines);
        return box;
    };
    RowsBox = spin();
    ColumnsBox = spin();
    ColorButton = new QPushButton(this);
    ColorButton->setMinimumWidth(80);
    connect(ColorButton, &QPushButton::clicked, this, [this] { ChooseColor(); });
    form->addRow(Translate(LanguageKey("sRows")), RowsBox);
    form->addRow(Translate(LanguageKey("sColumns")), ColumnsBox);
    form->addRow(Translate(LanguageKey("sColor")), ColorButton);
    Buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    Buttons->button(QDialogButtonBox::Ok)->setText(Translate(LanguageKey("sOK")));
    Buttons->button(QDialogButtonBox::Cancel)->setText(Translate(LanguageKey("sCancel")));
    connect(Buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(Buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(Buttons);
}

bool TGridSettingsDialog::Edit(TLiveGuideSettings& settings) {
    RowsBox->setValue(settings.GridRows);
    ColumnsBox->setValue(settings.GridColumns);
    ShowColor(settings.GuideColor);
    if (exec() != QDialog::Accepted)
        return false;
    settings.GridRows = RowsBox->value();
    settings.GridColumns = ColumnsBox->value();
    settings.GuideColor = Color;
    return true;
}

void TGridSettingsDialog::ShowColor(std::uint32_t color) {
    Color = color & 0xFFFFFF;
    const QColor shown = QColor::fromRgb(Color);
    ColorButton->setText(shown.name(QColor::HexRgb).toUpper());
    ColorButton->setStyleSheet(QString("background-color: %1; color: %2")
                                   .arg(shown.name(), shown.lightness() > 128 ? "black" : "white"));
}

void TGridSettingsDialog::ChooseColor() {
    const QColor chosen = QColorDialog::getColor(QColor::fromRgb(Color), this, Translate(LanguageKey("sColor")),
                                                 QColorDialog::DontUseNativeDialog);
    if (chosen.isValid())
        ShowColor(chosen.rgb() & 0xFFFFFF);
}
