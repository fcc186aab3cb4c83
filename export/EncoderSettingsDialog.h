#pragma once

#include "export/EncoderProperties.h"

#include <QDialog>
#include <vector>

class QDialogButtonBox;
class QWidget;

// The settings dialog of one encoder, made from its properties: a spin box for each number (with its
// range), a check box for each switch, a drop-down for each enumeration, a menu of check marks for
// flags and a line for text, each with the property's description as tooltip. Restore Defaults puts
// every control back to the encoder's own default.
class TEncoderSettingsDialog : public QDialog {
    Q_OBJECT
public:
    // `values`: the settings in force, in stored form, already checked against `properties`.
    TEncoderSettingsDialog(const TEncoderProperties& properties, const TEncoderValues& values,
                           QWidget* parent = nullptr);

    // The settings as the controls hold them: those that differ from the encoder's defaults.
    TEncoderValues Values() const;
    void RestoreDefaults();

    QDialogButtonBox* Buttons;

private:
    struct TField {
        const TEncoderProperty* Property;
        QWidget* Control;
        QString Shown; // the control's text as set; a control left alone keeps its exact value
    };

    static QWidget* MakeControl(const TEncoderProperty& property, QWidget* parent);
    static void Show(const TField& field, const std::string& value);
    static QString TextOf(const TField& field);
    void ShowAll();

    const TEncoderProperties& Properties;
    TEncoderValues Start;
    std::vector<TField> Fields;
};
