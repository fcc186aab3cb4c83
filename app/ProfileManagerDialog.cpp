#include "app/ProfileManagerDialog.h"

#include "app/DeflateEdit.h"
#include "app/FolderBrowser.h"
#include "app/PreferencesDialog.h"
#include "ui/AlertPrompt.h"
#include "ui/AppTexts.h"
#include "ui/EntryDialog.h"
#include "ui/QtText.h"

#include <QButtonGroup>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

TProfileManagerDialog::TProfileManagerDialog(TProfileList& profiles, const TSettings& saved,
                                             const QString& activeProfile, TEntryDialog* entry,
                                             TAlertPrompt* alert, QWidget* parent)
    : QDialog(parent), InstructLbl(new QLabel), ProfileListLbl(new QLabel), ListBox1(new QListWidget),
      NewBtn(new QPushButton), DeleteBtn(new QPushButton), RenameBtn(new QPushButton),
      SettingsLbl(new QLabel), DirLbl(new QLabel), DefPathText(new TDeflateEdit),
      BrowseBtn(new QPushButton("...")), CapModeGroup(new QGroupBox),
      CapModeButtons(new QButtonGroup(CapModeGroup)), ApplyBtn(new QPushButton), CancelBtn(new QPushButton),
      CloseBtn(new QPushButton), Profiles(profiles), Saved(saved), Entry(entry), Alert(alert),
      Active(activeProfile) {
    setModal(true);
    InstructLbl->setWordWrap(true);
    BrowseBtn->setFixedWidth(32);
    DefPathText->setMinimumWidth(200);
    auto* modes = new QHBoxLayout(CapModeGroup);
    for (int id = 0; id < 2; ++id) {
        auto* button = new QRadioButton;
        CapModeButtons->addButton(button, id);
        modes->addWidget(button);
    }

    auto* listButtons = new QVBoxLayout;
    listButtons->addWidget(NewBtn);
    listButtons->addWidget(DeleteBtn);
    listButtons->addWidget(RenameBtn);
    listButtons->addStretch();
    auto* listRow = new QHBoxLayout;
    listRow->addWidget(ListBox1, 1);
    listRow->addLayout(listButtons);

    auto* panel = new QFrame;
    panel->setFrameShape(QFrame::StyledPanel);
    auto* settings = new QGridLayout(panel);
    settings->addWidget(DirLbl, 0, 0, 1, 2);
    settings->addWidget(DefPathText, 1, 0);
    settings->addWidget(BrowseBtn, 1, 1);
    settings->addWidget(CapModeGroup, 2, 0, 1, 2);
    auto* applyRow = new QHBoxLayout;
    applyRow->addStretch();
    applyRow->addWidget(ApplyBtn);
    applyRow->addWidget(CancelBtn);
    settings->addLayout(applyRow, 3, 0, 1, 2);

    auto* closeRow = new QHBoxLayout;
    closeRow->addStretch();
    closeRow->addWidget(CloseBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(InstructLbl);
    layout->addWidget(ProfileListLbl);
    layout->addLayout(listRow, 1);
    layout->addWidget(SettingsLbl);
    layout->addWidget(panel);
    layout->addLayout(closeRow);
    resize(420, 440);

    connect(ListBox1, &QListWidget::currentRowChanged, this, [this] { ShowSelected(); });
    connect(NewBtn, &QPushButton::clicked, this, [this] { NewBtnClick(); });
    connect(DeleteBtn, &QPushButton::clicked, this, [this] { DeleteBtnClick(); });
    connect(RenameBtn, &QPushButton::clicked, this, [this] { RenameBtnClick(); });
    connect(BrowseBtn, &QPushButton::clicked, this, [this] { BrowseBtnClick(); });
    connect(ApplyBtn, &QPushButton::clicked, this, [this] { ApplyBtnClick(); });
    connect(CancelBtn, &QPushButton::clicked, this, [this] { ShowSelected(); });
    connect(CloseBtn, &QPushButton::clicked, this, &QDialog::accept);
    Retranslate();
    FillList({});
}

void TProfileManagerDialog::Retranslate() {
    setWindowTitle(Translate(LanguageKey("sProfileManager")));
    InstructLbl->setText(Translate(LanguageKey("msgProfileMgrInstruct")));
    ProfileListLbl->setText(Translate(LanguageKey("sCurrentProfiles")));
    NewBtn->setText(Translate(LanguageKey("sAddProfile")));
    DeleteBtn->setText(Translate(LanguageKey("sDeleteProfile")));
    RenameBtn->setText(Translate(LanguageKey("sRenameProfile")));
    SettingsLbl->setText(Translate(LanguageKey("sProfileSettings")));
    DirLbl->setText(Translate(LanguageKey("sDefaultStorageFolder")));
    CapModeGroup->setTitle(Translate(LanguageKey("sCaptureMode")));
    CapModeButtons->button(0)->setText(Translate(LanguageKey("sStandard")));
    CapModeButtons->button(1)->setText(Translate(LanguageKey("sStopMotion")));
    ApplyBtn->setText(Translate(LanguageKey("sApply")));
    CancelBtn->setText(Translate(LanguageKey("sReset")));
    CloseBtn->setText(Translate(LanguageKey("sClose")));
}

QString TProfileManagerDialog::SelectedName() const {
    const QListWidgetItem* item = ListBox1->currentItem();
    return item ? item->text() : QString();
}

void TProfileManagerDialog::FillList(const QString& name) {
    ListBox1->clear();
    for (const std::string& profile : Profiles.Names())
        ListBox1->addItem(QString::fromStdString(profile));
    const auto found = ListBox1->findItems(name, Qt::MatchFixedString);
    ListBox1->setCurrentRow(found.isEmpty() ? (ListBox1->count() > 0 ? 0 : -1)
                                            : ListBox1->row(found.first()));
    ShowSelected();
}

void TProfileManagerDialog::ShowSelected() {
    const TProfile* profile = nullptr;
    if (!SelectedName().isEmpty())
        profile = Profiles.StoredProfile(ToStd(SelectedName()));
    DefPathText->SetPath(profile ? QString::fromStdString(profile->Settings.DefaultPath) : QString());
    SelectRadio(CapModeButtons, profile ? static_cast<int>(profile->Settings.CaptureMode) : -1);
    for (QWidget* control : std::initializer_list<QWidget*>{DeleteBtn, RenameBtn, ApplyBtn, CancelBtn,
                                                            DefPathText, BrowseBtn, CapModeGroup})
        control->setEnabled(profile != nullptr);
}

void TProfileManagerDialog::NewBtnClick() {
    QString name;
    if (!Entry->AskValue(Translate(LanguageKey("sProfileName")), name) || name.trimmed().isEmpty())
        return;
    Profiles.AddProfile(ToStd(name), Saved);
    ChangedFlag = true;
    FillList(name.trimmed());
}

void TProfileManagerDialog::DeleteBtnClick() {
    const QString name = SelectedName();
    if (name.isEmpty())
        return;
    Profiles.DeleteProfile(ToStd(name));
    ChangedFlag = true;
    if (name.compare(Active, Qt::CaseInsensitive) == 0)
        Active = QString::fromUtf8(TProfileList::kDefaultName.data(), TProfileList::kDefaultName.size());
    FillList({});
}

void TProfileManagerDialog::RenameBtnClick() {
    const QString name = SelectedName();
    QString newName;
    if (name.isEmpty() || !Entry->AskValue(Translate(LanguageKey("sProfileName")), newName) ||
        newName.trimmed().isEmpty())
        return;
    Profiles.RenameProfile(ToStd(name), ToStd(newName));
    ChangedFlag = true;
    if (name.compare(Active, Qt::CaseInsensitive) == 0)
        Active = newName.trimmed();
    FillList({});
}

void TProfileManagerDialog::BrowseBtnClick() {
    const QString field = DefPathText->Path();
    const QString start =
        QFileInfo(field).isDir() ? field : QString::fromStdString(Saved.General.DefaultPath);
    const QString chosen = BrowseForFolder(this, start);
    if (!chosen.isEmpty())
        DefPathText->SetPath(chosen);
}

void TProfileManagerDialog::ApplyBtnClick() {
    TProfile* profile = Profiles.StoredProfile(ToStd(SelectedName()));
    if (!profile)
        return;
    const QString folder = DefPathText->Path().trimmed();
    if (!QFileInfo(folder).isDir()) {
        if (Alert->Prompt("Directory does not exists. Do you wish to create the directory?") !=
            TAlertPrompt::TAnswer::Ok)
            return;
        if (folder.isEmpty() || !QDir().mkdir(folder)) {
            Alert->Alert("Unable to create new directory.");
            return;
        }
    }
    profile->Settings.DefaultPath = ToStd(WithTrailingSeparator(folder));
    if (CapModeButtons->checkedId() >= 0)
        profile->Settings.CaptureMode = static_cast<TCapMode>(CapModeButtons->checkedId());
    DefPathText->SetPath(QString::fromStdString(profile->Settings.DefaultPath));
    ChangedFlag = true;
}
