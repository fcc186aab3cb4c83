#include "app/ProgramEditDialog.h"

#include "ui/AppTexts.h"
#include "ui/AlertPrompt.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSortFilterProxyModel>
#include <QVBoxLayout>

namespace {
// Lets through folders, executable files and desktop launchers.
class TProgramFilter : public QSortFilterProxyModel {
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;

protected:
    bool filterAcceptsRow(int row, const QModelIndex& parent) const override {
        const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
        if (!files)
            return true;
        const QFileInfo info = files->fileInfo(files->index(row, 0, parent));
        return info.isDir() || info.isExecutable() || info.suffix() == "desktop";
    }
};
} // namespace

TProgramEditDialog::TProgramEditDialog(TAlertPrompt* alert, QWidget* parent)
    : QDialog(parent), GroupBox1(new QGroupBox(this)), NameLbl(new QLabel), NameEdit(new QLineEdit),
      LocationLbl(new QLabel), LocationEdit(new QLineEdit), BrowseBtn(new QPushButton),
      OkBtn(new QPushButton(this)), CancelBtn(new QPushButton(this)), Alert(alert) {
    setModal(true);
    BrowseBtn->setText("...");
    BrowseBtn->setFixedWidth(32);
    LocationEdit->setMinimumWidth(280);
    OkBtn->setDefault(true);
    connect(BrowseBtn, &QPushButton::clicked, this, [this] { BrowseBtnClick(); });
    connect(OkBtn, &QPushButton::clicked, this, [this] { OkBtnClick(); });
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);

    auto* grid = new QGridLayout(GroupBox1);
    grid->addWidget(NameLbl, 0, 0);
    grid->addWidget(NameEdit, 0, 1, 1, 2);
    grid->addWidget(LocationLbl, 1, 0);
    grid->addWidget(LocationEdit, 1, 1);
    grid->addWidget(BrowseBtn, 1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OkBtn);
    buttons->addWidget(CancelBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(GroupBox1);
    layout->addLayout(buttons);
    Retranslate();
}

void TProgramEditDialog::Retranslate() {
    setWindowTitle(Translate(LanguageKey("sEditorProperties")));
    GroupBox1->setTitle(Translate(LanguageKey("sEditorProperties")));
    NameLbl->setText(Translate(LanguageKey("sName")));
    LocationLbl->setText(Translate(LanguageKey("sLocation")));
    OkBtn->setText(Translate(LanguageKey("sOK")));
    CancelBtn->setText(Translate(LanguageKey("sCancel")));
}

bool TProgramEditDialog::EditProgram(const QString& name, const QString& location) {
    NameEdit->setText(name);
    LocationEdit->setText(location);
    adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    NameEdit->setFocus();
    return exec() == QDialog::Accepted;
}

void TProgramEditDialog::BrowseBtnClick() {
    const QString folder = QFileInfo(LocationEdit->text().trimmed()).absolutePath();
    QFileDialog dialog(this);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilter("Programs (*)");
    dialog.setProxyModel(new TProgramFilter(&dialog));
    dialog.setDirectory(
        !LocationEdit->text().trimmed().isEmpty() && QFileInfo(folder).isDir() ? folder : QDir::homePath());
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
        LocationEdit->setText(dialog.selectedFiles().first());
}

void TProgramEditDialog::OkBtnClick() {
    Name = NameEdit->text().trimmed();
    Location = LocationEdit->text().trimmed();
    if (QFileInfo(Location).isFile()) {
        accept();
        return;
    }
    Alert->Alert(Translate(LanguageKey("msgErrProgramLocation")), Translate(LanguageKey("sOK")));
}
