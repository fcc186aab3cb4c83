#include "ui/PlacementPanel.h"

#include "base/Error.h"
#include "settings/Preferences.h"

#include <QLineEdit>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

TEST(PlacementPanel, OnlyAValidTypedHoldIsKept) {
    TCapturePreferences capture;
    TPlacementPanel panel(capture, [] { return 1; });
    QSignalSpy refused(&panel, &TPlacementPanel::HoldRefused);
    panel.HoldItems[3]->click();
    QTest::keyClicks(panel.HoldEdit, "7");
    EXPECT_EQ(capture.Hold, 7);

    const std::pair<const char*, const char*> refusedTexts[] = {{" 5", "' 5' is not a valid integer value"},
                                                                {"5 ", "'5 ' is not a valid integer value"},
                                                                {"abc", "'abc' is not a valid integer value"}};
    for (const auto& [typed, message] : refusedTexts) {
        panel.HoldEdit->setText(typed);
        panel.HoldItems[3]->click();
        ASSERT_FALSE(refused.isEmpty()) << typed;
        EXPECT_EQ(refused.last().at(0).toString(), message);
    }
    const int refusals = refused.count();
    for (const char* outOfRange : {"0", "-1", "99999", ""}) {
        panel.HoldEdit->setText(outOfRange);
        panel.HoldItems[3]->click();
    }
    EXPECT_EQ(refused.count(), refusals); // numbers, only not holds: no error
    EXPECT_EQ(capture.Hold, 7);

    panel.HoldItems[1]->click();
    QTest::keyClicks(panel.HoldEdit, "9"); // typing changes nothing while Other is not chosen
    EXPECT_EQ(capture.Hold, 2);
}

TEST(PlacementPanel, ShowsTheKeptNumberingAndHold) {
    TCapturePreferences capture;
    capture.Hold = 5;
    capture.Numbering = "Frame";
    TPlacementPanel panel(capture, [] { return 12; });
    panel.Retranslate();
    panel.ShowKept("Ink");
    EXPECT_TRUE(panel.FrameItem->isChecked());
    EXPECT_EQ(capture.Numbering, "frame");
    EXPECT_EQ(panel.NumberEdit->text(), "0012");
    EXPECT_TRUE(panel.HoldItems[3]->isChecked());
    EXPECT_EQ(panel.HoldEdit->text(), "5");
    EXPECT_EQ(panel.PicturePath("/layer/", TcwImageFormat::jpg), "/layer/Ink_0012.jpg");

    capture.Numbering = "sequential";
    panel.ShowKept("Ink");
    EXPECT_EQ(panel.NumberEdit->text(), "0001");
    panel.AdvanceNumber();
    EXPECT_EQ(panel.NumberEdit->text(), "0002");
    panel.OfferFrameNumberingOnly(true);
    EXPECT_TRUE(panel.SequentialItem->isHidden());
    EXPECT_EQ(capture.Numbering, "frame");
    EXPECT_EQ(panel.NumberEdit->text(), "0012");
}

TEST(PlacementPanel, NamesStayInTheLayerFolder) {
    TCapturePreferences capture;
    TPlacementPanel panel(capture, [] { return 1; });
    panel.ShowKept("../../escaped");
    EXPECT_EQ(panel.NameEdit->text(), ".._.._escaped") << "a caption gives a name without separators";
    panel.ShowLayerName("Walk/Run");
    EXPECT_EQ(panel.NameEdit->text(), "Walk_Run");
    EXPECT_EQ(panel.PicturePath("/layer/", TcwImageFormat::png), "/layer/Walk_Run_0001.png");

    for (const char* typed : {"../../escaped", "/tmp/x", "a/b", ".."}) {
        panel.NameEdit->setText(typed);
        EXPECT_THROW(panel.PicturePath("/layer/", TcwImageFormat::png), ECwError) << typed;
    }
    panel.NameEdit->setText("Ink");
    panel.NumberEdit->setText("../1");
    EXPECT_THROW(panel.PicturePath("/layer/", TcwImageFormat::png), ECwError);
}
