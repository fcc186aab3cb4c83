#include "scanner/ScanSettingsDialog.h"

#include "ui/AppTexts.h"
#include "ui/ErrorBox.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

TScanSettingsDialog::TScanSettingsDialog(TMode mode, const TScanSettings& record,
                                           const std::string& iniPath, QWidget* parent)
    : QDialog(parent), SettingsListBox(new QListWidget), NameEdit(new QLineEdit),
      SaveLoadBtn(new QPushButton), CancelBtn(new QPushButton), Mode(mode), Record_(record),
      IniPath(iniPath) {
    setModal(true);
    const bool saving = mode == TMode::Save;
    setWindowTitle(Translate(saving ? LanguageKey("sSaveSettings") : LanguageKey("sLoadSettings")));
    SaveLoadBtn->setText(Translate(saving ? LanguageKey("sSave") : LanguageKey("sLoad")));
    CancelBtn->setText(Translate(LanguageKey("sCancel")));
    SaveLoadBtn->setDefault(true);
    SettingsListBox->installEventFilter(this);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(SaveLoadBtn);
    buttons->addWidget(CancelBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(SettingsListBox, 1);
    layout->addWidget(NameEdit);
    layout->addLayout(buttons);
    resize(260, 300);

    connect(SettingsListBox, &QListWidget::itemClicked, this, [this] { SettingsListBoxClick(); });
    connect(SaveLoadBtn, &QPushButton::clicked, this,
            [this] { GuardCommand(this, [this] { SaveLoadBtnClick(); }); });
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    auto* clearName = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Return), this);
    connect(clearName, &QShortcut::activated, NameEdit, &QLineEdit::clear);

    Ini.LoadFromFile(IniPath);
    FillList();
}

void TScanSettingsDialog::FillList() {
    SettingsListBox->clear();
    // Alphabetical as a reader sorts: "b" before "C".
    QStringList names;
    for (const std::string& name : Ini.ReadSections())
        names.append(QString::fromStdString(name));
    names.sort(Qt::CaseInsensitive);
    SettingsListBox->addItems(names);
    if (SettingsListBox->count() == 0) {
        NameEdit->clear();
        return;
    }
    SettingsListBox->setCurrentRow(0);
    NameEdit->setText(SettingsListBox->item(0)->text());
}

void TScanSettingsDialog::SettingsListBoxClick() {
    if (QListWidgetItem* item = SettingsListBox->currentItem())
        NameEdit->setText(item->text());
}

void TScanSettingsDialog::SaveLoadBtnClick() {
    if (Mode == TMode::Save) {
        WriteScanSettings(Ini, NameEdit->text().toStdString(), Record_);
        Ini.SaveToFile(IniPath);
        accept();
        return;
    }
    QListWidgetItem* item = SettingsListBox->currentItem();
    if (item == nullptr || !item->isSelected())
        return;
    ReadScanSettings(Ini, item->text().toStdString(), Record_);
    accept();
}

void TScanSettingsDialog::DeleteSelected() {
    QListWidgetItem* item = SettingsListBox->currentItem();
    if (item == nullptr || !item->isSelected())
        return;
    Ini.EraseSection(item->text().toStdString());
    Ini.SaveToFile(IniPath);
    FillList();
}

bool TScanSettingsDialog::eventFilter(QObject* watched, QEvent* event) {
    // Delete acts on the list only: typed into the name it edits the name.
    if (watched == SettingsListBox && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
        GuardCommand(this, [this] { DeleteSelected(); });
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TScanSettingsDialog::Save(const TScanSettings& record, QWidget* parent) {
    TScanSettingsDialog dialog(TMode::Save, record, ScanSettingsPath(), parent);
    dialog.exec();
}

bool TScanSettingsDialog::Load(TScanSettings& record, QWidget* parent) {
    TScanSettingsDialog dialog(TMode::Load, record, ScanSettingsPath(), parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    record = dialog.Record();
    return true;
}
