#include "ui/PlacementPanel.h"

#include "base/Error.h"
#include "base/TextUtil.h"
#include "document/FileNameRules.h"
#include "settings/PlacementRules.h"
#include "settings/Preferences.h"
#include "ui/AppTexts.h"
#include "ui/QtText.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

TPlacementPanel::TPlacementPanel(TCapturePreferences& capture, std::function<std::int32_t()> currentFrame,
                                 QWidget* parent)
    : QGroupBox(parent), NameLabel(new QLabel), NameEdit(new QLineEdit), NumberLabel(new QLabel),
      NumberEdit(new QLineEdit), HoldGroup(new QGroupBox), HoldEdit(new QLineEdit),
      NumberingGroup(new QGroupBox), FrameItem(new QRadioButton), SequentialItem(new QRadioButton),
      Capture(capture), CurrentFrame(std::move(currentFrame)) {
    auto* holds = new QButtonGroup(this);
    auto* holdLayout = new QGridLayout(HoldGroup);
    holdLayout->setVerticalSpacing(0);
    for (int i = 0; i < 4; ++i) {
        HoldItems[i] = new QRadioButton;
        holds->addButton(HoldItems[i], i);
        holdLayout->addWidget(HoldItems[i], i, 0);
    }
    HoldEdit->setMaximumWidth(50);
    holdLayout->addWidget(HoldEdit, 3, 1);

    auto* numbering = new QButtonGroup(this);
    auto* numberingLayout = new QVBoxLayout(NumberingGroup);
    numberingLayout->setSpacing(0);
    for (QRadioButton* item : {FrameItem, SequentialItem}) {
        numbering->addButton(item);
        numberingLayout->addWidget(item);
    }

    // Compact, to stand beside the live picture.
    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(4);
    for (QWidget* control :
         std::initializer_list<QWidget*>{NameLabel, NameEdit, NumberLabel, NumberEdit, HoldGroup, NumberingGroup})
        layout->addWidget(control);
    layout->addStretch();

    connect(holds, &QButtonGroup::idClicked, this, [this] { ApplyHold(); });
    connect(HoldEdit, &QLineEdit::textEdited, this, [this] {
        if (HoldItems[3]->isChecked())
            ApplyTypedHold();
    });
    connect(numbering, &QButtonGroup::buttonClicked, this, [this] { ApplyNumbering(); });
}

void TPlacementPanel::Retranslate() {
    setTitle(Translate(LanguageKey("sImageSettings")));
    NameLabel->setText(Translate(LanguageKey("sName")));
    NumberLabel->setText(Translate(LanguageKey("sNumber")));
    HoldGroup->setTitle(Translate(LanguageKey("sImageHold")));
    const TLanguageKey holdKeys[] = {LanguageKey("sOne"), LanguageKey("sTwo"), LanguageKey("sThree"),
                                     LanguageKey("sOther")};
    for (int i = 0; i < 4; ++i)
        HoldItems[i]->setText(Translate(holdKeys[i]));
    NumberingGroup->setTitle(Translate(LanguageKey("sNumbering")));
    FrameItem->setText(Translate(LanguageKey("sFrame")));
    SequentialItem->setText(Translate(LanguageKey("sSequential")));
}

void TPlacementPanel::ShowKept(const std::string& layerCaption) {
    const bool frame = NumberingIsFrame();
    (frame ? FrameItem : SequentialItem)->setChecked(true);
    ApplyNumbering();
    NumberEdit->setText(FromStd(PadNumber(frame ? CurrentFrame() : 1)));
    ShowLayerName(layerCaption);
    const std::int32_t hold = Capture.Hold;
    if (hold >= 1 && hold <= 3) {
        HoldItems[hold - 1]->setChecked(true);
    } else if (hold > 3) {
        HoldItems[3]->setChecked(true);
        HoldEdit->setText(QString::number(hold));
    }
    ApplyHold();
}

void TPlacementPanel::OfferFrameNumberingOnly(bool only) {
    SequentialItem->setVisible(!only);
    if (!only)
        return;
    FrameItem->setChecked(true);
    ApplyNumbering();
}

bool TPlacementPanel::NumberingIsFrame() const {
    return EqualsIgnoringCase(Capture.Numbering, "frame");
}

void TPlacementPanel::ShowFrameNumber(std::int32_t frame) {
    NumberEdit->setText(FromStd(PadNumber(frame)));
}

void TPlacementPanel::AdvanceNumber() {
    NumberEdit->setText(FromStd(IncrementNumber(ToStd(NumberEdit->text()))));
}

void TPlacementPanel::ShowLayerName(const std::string& layerCaption) {
    NameEdit->setText(FromStd(NameFromCaption(layerCaption)));
}

std::filesystem::path TPlacementPanel::PicturePath(const std::string& folder, TcwImageFormat format) const {
    return NewPicturePath(folder, ToStd(NameEdit->text()), ToStd(NumberEdit->text()), format);
}

void TPlacementPanel::ApplyHold() {
    for (int i = 0; i < 3; ++i) {
        if (HoldItems[i]->isChecked())
            Capture.Hold = i + 1;
    }
    if (HoldItems[3]->isChecked())
        ApplyTypedHold();
}

void TPlacementPanel::ApplyTypedHold() {
    try {
        if (const auto hold = TypedHold(ToStd(HoldEdit->text())))
            Capture.Hold = *hold;
    } catch (const ECwError& error) {
        emit HoldRefused(FromStd(error.what()));
    }
}

void TPlacementPanel::ApplyNumbering() {
    if (SequentialItem->isChecked()) {
        Capture.Numbering = "sequential";
        return;
    }
    Capture.Numbering = "frame";
    ShowFrameNumber(CurrentFrame());
}
