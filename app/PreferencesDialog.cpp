#include "app/PreferencesDialog.h"

#include "ui/AppTexts.h"
#include "ui/ErrorBox.h"
#include "app/FolderBrowser.h"
#include "app/ProgramEditDialog.h"
#include "base/TextUtil.h"
#include "document/SheetUndo.h"
#include "ui/QtText.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>
#include <array>

namespace {
// The frame rates of the FPS group, in the order of its items; the item after them is "Other".
constexpr std::array<int, 5> kRates{24, 30, 25, 15, 12};
constexpr int kOtherItem = static_cast<int>(kRates.size());

void SetRadioTexts(QButtonGroup* group, const QStringList& texts) {
    for (int id = 0; id < texts.size(); ++id)
        group->button(id)->setText(texts[id]);
}

// The lines of a folder box, each trimmed, joined without separator.
QString JoinedLines(const QString& text) {
    QString joined;
    for (const QString& line : text.split('\n'))
        joined += line.trimmed();
    return joined;
}
} // namespace

void SelectRadio(QButtonGroup* group, int id) {
    if (QAbstractButton* button = group->button(id)) {
        button->setChecked(true);
        return;
    }
    // An exclusive group keeps one button checked; let go of it for a moment.
    group->setExclusive(false);
    for (QAbstractButton* button : group->buttons())
        button->setChecked(false);
    group->setExclusive(true);
}

TPreferencesDialog::TPreferencesDialog(const QStringList& colorNames, TProgramEditDialog* programEditor, QWidget* parent)
    : QDialog(parent), PageControl1(new QTabWidget), OkBtn(new QPushButton), CancelBtn(new QPushButton),
      ProgramEditor(programEditor) {
    setModal(true);
    PageControl1->addTab(MakeGeneralPage(), QString());
    PageControl1->addTab(MakeCapturePage(), QString());
    PageControl1->addTab(MakePreviewPage(), QString());
    PageControl1->addTab(MakeEditorsPage(), QString());
    ColorCombo->addItems(colorNames);

    OkBtn->setDefault(true);
    connect(OkBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OkBtn);
    buttons->addWidget(CancelBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(PageControl1);
    layout->addLayout(buttons);

    // Every control writes the working record at once.
    connect(FpsButtons, &QButtonGroup::idClicked, this, [this](int item) { FpsChosen(item); });
    connect(FpsEntry, &QLineEdit::textChanged, this, [this] { FpsEntryChanged(); });
    connect(ColorCombo, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (!Loading)
            Record.General.LayerColor = index;
    });
    connect(UndoLevelsSpin, &QSpinBox::valueChanged, this, [this](int levels) {
        if (!Loading)
            Record.General.UndoLevels = levels;
    });
    connect(DefPathText, &QPlainTextEdit::textChanged, this, [this] {
        if (!DefPathText->toPlainText().trimmed().isEmpty())
            Record.General.DefaultPath = ToStd(JoinedLines(DefPathText->toPlainText()));
    });
    connect(TempPathText, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (!text.trimmed().isEmpty())
            Record.General.TempPath = ToStd(JoinedLines(text));
    });
    connect(DefPathBtn, &QPushButton::clicked, this, [this] { DefPathBtnClick(); });
    connect(TempPathBtn, &QPushButton::clicked, this, [this] { TempPathBtnClick(); });
    connect(ModeButtons, &QButtonGroup::idClicked, this,
            [this](int item) { Record.Capture.CaptureMode = static_cast<TCapMode>(item); });
    connect(CapColorButtons, &QButtonGroup::idClicked, this,
            [this](int item) { Record.Capture.CaptureColor = static_cast<TCapColorMode>(item); });
    connect(StepButtons, &QButtonGroup::idClicked, this,
            [this](int item) { Record.Capture.Hold = item + 1; });
    connect(NumberingButtons, &QButtonGroup::idClicked, this,
            [this](int item) { Record.Capture.Numbering = item == 0 ? "frame" : "sequential"; });
    connect(ImageButtons, &QButtonGroup::idClicked, this,
            [this](int item) { Record.Capture.CaptureFormat = static_cast<TcwImageFormat>(item); });
    connect(PrevColorButtons, &QButtonGroup::idClicked, this,
            [this](int item) { Record.Preview.PreviewColor = static_cast<TPreviewColorMode>(item); });
    connect(AutoBuildCheck, &QCheckBox::toggled, this, [this](bool on) {
        if (!Loading)
            Record.Preview.AutoBuild = on;
    });
    connect(ChangeImgEditBtn, &QPushButton::clicked, this, [this] { ChangeImgEditBtnClick(); });
    Retranslate();
}

QGroupBox* TPreferencesDialog::MakeRadioGroup(QButtonGroup*& buttons, int count) {
    auto* group = new QGroupBox;
    buttons = new QButtonGroup(group);
    auto* column = new QVBoxLayout(group);
    for (int id = 0; id < count; ++id) {
        auto* button = new QRadioButton;
        buttons->addButton(button, id);
        column->addWidget(button);
    }
    column->addStretch();
    return group;
}

QWidget* TPreferencesDialog::MakeGeneralPage() {
    auto* page = new QWidget;
    FpsGroup = new QGroupBox;
    FpsButtons = new QButtonGroup(FpsGroup);
    FpsEntry = new QLineEdit;
    FpsEntry->setFixedWidth(48);
    auto* fpsColumn = new QGridLayout(FpsGroup);
    for (int id = 0; id <= kOtherItem; ++id) {
        auto* button = new QRadioButton;
        FpsButtons->addButton(button, id);
        fpsColumn->addWidget(button, id, 0);
    }
    fpsColumn->addWidget(FpsEntry, kOtherItem, 1);

    LayerColorLbl = new QLabel;
    ColorCombo = new QComboBox;
    UndoLevelsLbl = new QLabel;
    UndoLevelsSpin = new QSpinBox;
    UndoLevelsSpin->setObjectName("UndoLevelsSpin");
    UndoLevelsSpin->setRange(TSheetUndo::kMinDepth, TSheetUndo::kMaxDepth);
    UndoLevelsLbl->setBuddy(UndoLevelsSpin);
    GroupBox1 = new QGroupBox;
    DefPathLbl = new QLabel;
    DefPathText = new QPlainTextEdit;
    DefPathText->setReadOnly(true);
    DefPathText->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    DefPathText->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    DefPathText->setFixedHeight(2 * DefPathText->fontMetrics().lineSpacing() + 12);
    DefPathText->setMinimumWidth(240);
    DefPathBtn = new QPushButton("...");
    DefPathBtn->setFixedWidth(32);
    TempPathLbl = new QLabel;
    TempPathText = new QLineEdit;
    TempPathText->setReadOnly(true);
    TempPathBtn = new QPushButton("...");
    TempPathBtn->setFixedWidth(32);
    auto* folders = new QGridLayout(GroupBox1);
    folders->addWidget(DefPathLbl, 0, 0, 1, 2);
    folders->addWidget(DefPathText, 1, 0);
    folders->addWidget(DefPathBtn, 1, 1, Qt::AlignTop);
    folders->addWidget(TempPathLbl, 2, 0, 1, 2);
    folders->addWidget(TempPathText, 3, 0);
    folders->addWidget(TempPathBtn, 3, 1);
    folders->setRowStretch(4, 1);

    auto* color = new QVBoxLayout;
    color->addWidget(LayerColorLbl);
    color->addWidget(ColorCombo);
    color->addWidget(UndoLevelsLbl);
    color->addWidget(UndoLevelsSpin, 0, Qt::AlignLeft);
    color->addStretch();
    auto* left = new QVBoxLayout;
    left->addWidget(FpsGroup);
    left->addStretch();
    auto* right = new QVBoxLayout;
    right->addLayout(color);
    right->addWidget(GroupBox1, 1);
    auto* layout = new QHBoxLayout(page);
    layout->addLayout(left);
    layout->addLayout(right, 1);
    return page;
}

QWidget* TPreferencesDialog::MakeCapturePage() {
    auto* page = new QWidget;
    ModeGroup = MakeRadioGroup(ModeButtons, 2);
    CapColorGroup = MakeRadioGroup(CapColorButtons, 2);
    StepGroup = MakeRadioGroup(StepButtons, 4);
    SetRadioTexts(StepButtons, {"1", "2", "3", "4"});
    NumberingGroup = MakeRadioGroup(NumberingButtons, 2);
    ImageGroup = MakeRadioGroup(ImageButtons, 3);
    KeptViewsGroup = new QGroupBox;
    auto* kept = new QVBoxLayout(KeptViewsGroup);
    for (QCheckBox** check : {&ForgetPlacesCheck, &ForgetGuidesCheck, &ForgetReferencesCheck}) {
        *check = new QCheckBox;
        kept->addWidget(*check);
    }
    auto* grid = new QGridLayout(page);
    grid->addWidget(ModeGroup, 0, 0);
    grid->addWidget(CapColorGroup, 1, 0);
    grid->addWidget(StepGroup, 0, 1, 2, 1);
    grid->addWidget(NumberingGroup, 0, 2);
    grid->addWidget(ImageGroup, 1, 2);
    grid->addWidget(KeptViewsGroup, 2, 0, 1, 3);
    grid->setRowStretch(3, 1);
    return page;
}

QWidget* TPreferencesDialog::MakePreviewPage() {
    auto* page = new QWidget;
    PrevColorGroup = MakeRadioGroup(PrevColorButtons, 2);
    AutoBuildCheck = new QCheckBox;
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(PrevColorGroup, 0, Qt::AlignLeft);
    layout->addWidget(AutoBuildCheck);
    layout->addStretch();
    return page;
}

QWidget* TPreferencesDialog::MakeEditorsPage() {
    auto* page = new QWidget;
    ImgEditGroup = new QGroupBox;
    ImgEditNameLbl = new QLabel;
    ImgEditLocationLbl = new QLabel;
    ImgEditLocationLbl->setWordWrap(true);
    ImgEditNameLbl->setTextFormat(Qt::PlainText);
    ImgEditLocationLbl->setTextFormat(Qt::PlainText);
    ImgEditLocationLbl->setTextInteractionFlags(Qt::TextSelectableByMouse);
    ChangeImgEditBtn = new QPushButton;
    auto* group = new QGridLayout(ImgEditGroup);
    group->addWidget(ImgEditNameLbl, 0, 0);
    group->addWidget(ChangeImgEditBtn, 0, 1, Qt::AlignRight);
    group->addWidget(ImgEditLocationLbl, 1, 0, 1, 2);
    group->setColumnStretch(0, 1);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(ImgEditGroup);
    layout->addStretch();
    return page;
}

void TPreferencesDialog::Retranslate() {
    PageControl1->setTabText(0, Translate(LanguageKey("sGeneral")));
    PageControl1->setTabText(1, Translate(LanguageKey("sCapture")));
    PageControl1->setTabText(2, Translate(LanguageKey("sPreview")));
    PageControl1->setTabText(3, Translate(LanguageKey("sEditors")));
    FpsGroup->setTitle(Translate(LanguageKey("sFPS")));
    for (int id = 0; id < kOtherItem; ++id)
        FpsButtons->button(id)->setText(QString::number(kRates[static_cast<std::size_t>(id)]));
    FpsButtons->button(kOtherItem)->setText(Translate(LanguageKey("sOther")));
    LayerColorLbl->setText(Translate(LanguageKey("sLayerColor")));
    UndoLevelsLbl->setText(Translate(LanguageKey("sUndoLevels")));
    GroupBox1->setTitle(Translate(LanguageKey("sFolders")));
    DefPathLbl->setText(Translate(LanguageKey("sDefaultStorageFolder")));
    TempPathLbl->setText(Translate(LanguageKey("sTempFileFolder")));
    ModeGroup->setTitle(Translate(LanguageKey("sCaptureMode")));
    SetRadioTexts(ModeButtons, {Translate(LanguageKey("sStandard")), Translate(LanguageKey("sStopMotion"))});
    CapColorGroup->setTitle(Translate(LanguageKey("sCaptureColor")));
    SetRadioTexts(CapColorButtons,
                  {Translate(LanguageKey("sColor")), Translate(LanguageKey("sBlackAndWhite"))});
    StepGroup->setTitle(Translate(LanguageKey("sImageHold")));
    NumberingGroup->setTitle(Translate(LanguageKey("sNumbering")));
    SetRadioTexts(NumberingButtons,
                  {Translate(LanguageKey("sFrame")), Translate(LanguageKey("sSequential"))});
    ImageGroup->setTitle(Translate(LanguageKey("sImageFormat")));
    KeptViewsGroup->setTitle(Translate(LanguageKey("sWindowsAndViews")));
    ForgetPlacesCheck->setText(Translate(LanguageKey("sForgetWindowPlaces")));
    ForgetGuidesCheck->setText(Translate(LanguageKey("sForgetLiveGuides")));
    ForgetReferencesCheck->setText(Translate(LanguageKey("sForgetReferencePictures")));
    SetRadioTexts(ImageButtons, {Translate(LanguageKey("sPNG")), Translate(LanguageKey("sJPEG")),
                                 Translate(LanguageKey("sBMP"))});
    PrevColorGroup->setTitle(Translate(LanguageKey("sRenderColor")));
    SetRadioTexts(PrevColorButtons,
                  {Translate(LanguageKey("sColor")), Translate(LanguageKey("sBlackAndWhite"))});
    AutoBuildCheck->setText(Translate(LanguageKey("sAutoRender")));
    ImgEditGroup->setTitle(Translate(LanguageKey("sImageEditor")));
    ChangeImgEditBtn->setText(Translate(LanguageKey("sChange")));
    OkBtn->setText(Translate(LanguageKey("sOK")));
    CancelBtn->setText(Translate(LanguageKey("sCancel")));
    ShowEditor();
}

bool TPreferencesDialog::Edit(const QString& title, TSettings& settings, const QPoint& topLeft) {
    setWindowTitle(title);
    LoadRecord(settings);
    move(topLeft + QPoint(100, 100));
    PageControl1->setCurrentIndex(0);
    if (exec() != QDialog::Accepted)
        return false;
    settings = Record;
    return true;
}

void TPreferencesDialog::LoadRecord(const TSettings& settings) {
    Loading = true;
    Record = settings;
    const auto* rate = std::find(kRates.begin(), kRates.end(), settings.General.Fps);
    if (rate == kRates.end()) {
        SelectRadio(FpsButtons, kOtherItem);
        FpsEntry->setText(QString::number(settings.General.Fps));
    } else {
        SelectRadio(FpsButtons, static_cast<int>(rate - kRates.begin()));
        FpsEntry->clear();
    }
    DefPathText->setPlainText(QString::fromStdString(settings.General.DefaultPath));
    TempPathText->setText(QString::fromStdString(settings.General.TempPath));
    ColorCombo->setCurrentIndex(settings.General.LayerColor);
    UndoLevelsSpin->setValue(settings.General.UndoLevels);
    SelectRadio(ModeButtons, static_cast<int>(settings.Capture.CaptureMode));
    SelectRadio(CapColorButtons, static_cast<int>(settings.Capture.CaptureColor));
    // A hold outside 1 to 4 shows no item and stays until one is picked.
    SelectRadio(StepButtons, settings.Capture.Hold - 1);
    SelectRadio(NumberingButtons, settings.Capture.Numbering == "frame" ? 0 : 1);
    SelectRadio(ImageButtons, static_cast<int>(settings.Capture.CaptureFormat));
    SelectRadio(PrevColorButtons, static_cast<int>(settings.Preview.PreviewColor));
    AutoBuildCheck->setChecked(settings.Preview.AutoBuild);
    // The boxes above may have written their text back; the record is the one given.
    Record = settings;
    ShowEditor();
    Loading = false;
}

void TPreferencesDialog::ShowEditor() {
    const TExternalProgram& editor = Record.Editors.ImageEditor;
    ImgEditNameLbl->setText(editor.Name.empty() ? Translate(LanguageKey("sNone"))
                                                : QString::fromStdString(editor.Name));
    ImgEditLocationLbl->setText(QString::fromStdString(editor.Location));
}

void TPreferencesDialog::FpsChosen(int item) {
    if (item != kOtherItem) {
        Record.General.Fps = kRates[static_cast<std::size_t>(item)];
        return;
    }
    if (!FpsEntry->text().isEmpty())
        GuardCommand(this, [this] { Record.General.Fps = StrToInt(FpsEntry->text().toStdString()); });
}

void TPreferencesDialog::FpsEntryChanged() {
    // An empty field is a number being typed anew: the frame rate stays until there is one.
    if (Loading || FpsButtons->checkedId() != kOtherItem || FpsEntry->text().isEmpty())
        return;
    GuardCommand(this, [this] { Record.General.Fps = StrToInt(FpsEntry->text().toStdString()); });
}

void TPreferencesDialog::DefPathBtnClick() {
    const QString chosen = BrowseForFolder(this, DefPathText->toPlainText());
    if (!chosen.isEmpty())
        DefPathText->setPlainText(chosen);
}

void TPreferencesDialog::TempPathBtnClick() {
    const QString chosen = BrowseForFolder(this, TempPathText->text());
    if (!chosen.isEmpty())
        TempPathText->setText(chosen);
}

void TPreferencesDialog::ChangeImgEditBtnClick() {
    TExternalProgram& editor = Record.Editors.ImageEditor;
    if (!ProgramEditor->EditProgram(QString::fromStdString(editor.Name),
                                    QString::fromStdString(editor.Location)))
        return;
    editor.Name = ToStd(ProgramEditor->Name);
    editor.Location = ToStd(ProgramEditor->Location);
    ShowEditor();
}
