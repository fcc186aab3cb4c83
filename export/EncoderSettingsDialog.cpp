#include "export/EncoderSettingsDialog.h"
#include "ui/PlainText.h"

#include "ui/QtText.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <climits>
#include <cmath>

namespace {
// Integers a double spin box holds exactly, and floats a spin box can show.
constexpr double kExactInteger = 9007199254740992.0;
constexpr double kFloatLimit = 1e9;

// The flags that are on, as nicks joined by "+"; "0" when none is.
QString FlagsValue(const QToolButton* button) {
    QStringList on;
    for (const QAction* action : button->menu()->actions())
        if (action->isChecked())
            on.append(action->data().toString());
    return on.isEmpty() ? "0" : on.join('+');
}

// The flags menu's button names the flags that are on.
void ShowFlagsText(QToolButton* button) {
    const QString value = FlagsValue(button);
    button->setText(value == "0" ? "(none)" : value.split('+').join(", "));
}
} // namespace

TEncoderSettingsDialog::TEncoderSettingsDialog(const TEncoderProperties& properties,
                                               const TEncoderValues& values, QWidget* parent)
    : QDialog(parent), Properties(properties), Start(values) {
    setObjectName("EncoderSettings");
    setWindowTitle(FromStd(properties.Description() + " (" + properties.Element() + ")"));
    auto* page = new QWidget;
    auto* form = new QFormLayout(page);
    for (const TEncoderProperty& property : properties.Properties()) {
        QWidget* control = MakeControl(property, page);
        control->setObjectName(FromStd(property.Name));
        const QString tip = FromStd(property.Blurb) + (property.Blurb.empty() ? "" : "\n") + "(" +
                            FromStd(property.Name) + ")";
        control->setToolTip(PlainToolTip(tip));
        auto* label = new QLabel(FromStd(property.Nick), page);
        label->setTextFormat(Qt::PlainText);
        label->setToolTip(PlainToolTip(tip));
        label->setBuddy(control);
        form->addRow(label, control);
        Fields.push_back({&property, control, {}});
    }
    auto* scroll = new QScrollArea(this);
    scroll->setWidget(page);
    scroll->setWidgetResizable(true);
    Buttons = new QDialogButtonBox(
        QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::RestoreDefaults, this);
    connect(Buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(Buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(Buttons->button(QDialogButtonBox::RestoreDefaults), &QPushButton::clicked, this,
            &TEncoderSettingsDialog::RestoreDefaults);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(scroll, 1);
    layout->addWidget(Buttons);
    ShowAll();
    if (!Fields.empty())
        Fields.front().Control->setFocus();
    const int wanted = page->sizeHint().height() + Buttons->sizeHint().height() + 40;
    resize(std::max(480, page->sizeHint().width() + 40), std::clamp(wanted, 200, 600));
}

QWidget* TEncoderSettingsDialog::MakeControl(const TEncoderProperty& property, QWidget* parent) {
    switch (property.Kind) {
    case TEncoderProperty::TKind::pkInteger:
        if (property.Minimum >= INT_MIN && property.Maximum <= INT_MAX) {
            auto* box = new QSpinBox(parent);
            box->setRange(static_cast<int>(property.Minimum), static_cast<int>(property.Maximum));
            return box;
        } else {
            auto* box = new QDoubleSpinBox(parent);
            box->setDecimals(0);
            box->setRange(std::max(property.Minimum, -kExactInteger),
                          std::min(property.Maximum, kExactInteger));
            return box;
        }
    case TEncoderProperty::TKind::pkFloat: {
        auto* box = new QDoubleSpinBox(parent);
        box->setDecimals(4);
        box->setRange(std::max(property.Minimum, -kFloatLimit), std::min(property.Maximum, kFloatLimit));
        box->setSingleStep(property.Maximum - property.Minimum <= 10 ? 0.1 : 1);
        return box;
    }
    case TEncoderProperty::TKind::pkBoolean:
        return new QCheckBox(parent);
    case TEncoderProperty::TKind::pkEnumeration: {
        auto* box = new QComboBox(parent);
        for (const TEncoderChoice& choice : property.Choices)
            box->addItem(FromStd(choice.Name), FromStd(choice.Nick));
        return box;
    }
    case TEncoderProperty::TKind::pkFlags: {
        auto* button = new QToolButton(parent);
        button->setPopupMode(QToolButton::InstantPopup);
        button->setToolButtonStyle(Qt::ToolButtonTextOnly);
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        auto* menu = new QMenu(button);
        for (const TEncoderChoice& choice : property.Choices) {
            QAction* action = menu->addAction(FromStd(choice.Name));
            action->setCheckable(true);
            action->setData(FromStd(choice.Nick));
            connect(action, &QAction::toggled, button, [button] { ShowFlagsText(button); });
        }
        button->setMenu(menu);
        return button;
    }
    case TEncoderProperty::TKind::pkText:
        break;
    }
    return new QLineEdit(parent);
}

void TEncoderSettingsDialog::Show(const TField& field, const std::string& value) {
    const QString text = FromStd(value);
    if (auto* box = qobject_cast<QSpinBox*>(field.Control))
        box->setValue(text.toInt());
    else if (auto* box = qobject_cast<QDoubleSpinBox*>(field.Control))
        box->setValue(text.toDouble());
    else if (auto* box = qobject_cast<QCheckBox*>(field.Control))
        box->setChecked(text == "true");
    else if (auto* box = qobject_cast<QComboBox*>(field.Control))
        box->setCurrentIndex(box->findData(text));
    else if (auto* button = qobject_cast<QToolButton*>(field.Control)) {
        const QStringList on = text.split('+');
        for (QAction* action : button->menu()->actions())
            action->setChecked(on.contains(action->data().toString()));
        ShowFlagsText(button);
    } else if (auto* line = qobject_cast<QLineEdit*>(field.Control))
        line->setText(text);
}

QString TEncoderSettingsDialog::TextOf(const TField& field) {
    if (auto* box = qobject_cast<QSpinBox*>(field.Control))
        return QString::number(box->value());
    if (auto* box = qobject_cast<QDoubleSpinBox*>(field.Control))
        return QString::number(box->value(), 'g', 15);
    if (auto* box = qobject_cast<QCheckBox*>(field.Control))
        return box->isChecked() ? "true" : "false";
    if (auto* box = qobject_cast<QComboBox*>(field.Control))
        return box->currentData().toString();
    if (auto* button = qobject_cast<QToolButton*>(field.Control))
        return FlagsValue(button);
    return qobject_cast<QLineEdit*>(field.Control)->text();
}

void TEncoderSettingsDialog::ShowAll() {
    for (TField& field : Fields) {
        const auto stored = Start.find(field.Property->Name);
        Show(field, stored != Start.end() ? stored->second : field.Property->Default);
        field.Shown = TextOf(field);
    }
}

void TEncoderSettingsDialog::RestoreDefaults() {
    Start.clear();
    ShowAll();
}

TEncoderValues TEncoderSettingsDialog::Values() const {
    TEncoderValues values;
    for (const TField& field : Fields) {
        const std::string& name = field.Property->Name;
        const QString now = TextOf(field);
        if (now == field.Shown) {
            if (const auto stored = Start.find(name); stored != Start.end())
                values[name] = stored->second;
        } else if (const auto value = Properties.Parse(name, now.toStdString());
                   value && *value != field.Property->Default) {
            values[name] = *value;
        }
    }
    return values;
}
