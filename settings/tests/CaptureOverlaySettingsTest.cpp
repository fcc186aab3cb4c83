// The guides kept per camera and the reference picture kept per sheet, both in celwright.ini.
#include "settings/LiveGuideSettings.h"
#include "settings/ReferencePictureSettings.h"

#include "testsupport/TempFolder.h"

#include <gtest/gtest.h>

TEST(LiveGuideSettings, EachCameraKeepsItsOwnBesideTheRestOfTheFile) {
    TTempFolder user;
    const std::string ini = user / "celwright.ini";
    WriteText(ini, "[onion skin]\non=1\n");
    const TLiveGuideSettings webcam{.Grid = true, .GridRows = 4, .GridColumns = 6, .GuideColor = 0x12AB9F,
                                    .Mask = TAspectMask::am239, .TitleSafe = true, .CentreCross = true};
    SaveLiveGuideSettings(ini, "Cam [usb-1]", webcam);
    SaveLiveGuideSettings(ini, "Test pattern", TLiveGuideSettings{.ActionSafe = true});
    EXPECT_EQ(LoadLiveGuideSettings(ini, "Cam [usb-1]"), webcam);
    EXPECT_EQ(LoadLiveGuideSettings(ini, "Test pattern"), TLiveGuideSettings{.ActionSafe = true});
    EXPECT_EQ(LoadLiveGuideSettings(ini, "Another camera"), TLiveGuideSettings{});
    EXPECT_NE(ReadText(ini).find("[onion skin]\non=1\n"), std::string::npos);
    EXPECT_NE(ReadText(ini).find("[live guides: Cam (usb-1)]"), std::string::npos);

    // Hand-edited values out of range come back in range; a colour that is no colour is the default.
    WriteText(ini, "[live guides: Test pattern]\ngrid rows=0\ngrid columns=99\ncolor=#12345\naspect mask=9\n");
    const TLiveGuideSettings mended = LoadLiveGuideSettings(ini, "Test pattern");
    EXPECT_EQ(mended.GridRows, 1);
    EXPECT_EQ(mended.GridColumns, TLiveGuideSettings::kMaxGridLines);
    EXPECT_EQ(mended.GuideColor, TLiveGuideSettings{}.GuideColor);
    EXPECT_EQ(mended.Mask, TAspectMask::amNone);
}

TEST(ReferencePictureSettings, EachSheetKeepsItsOwnAndLosesItWithThePicture) {
    TTempFolder user;
    const std::string ini = user / "celwright.ini";
    const std::string walk = "/films/a]b=c/walk.xps"; // characters a section name could not hold
    const TReferencePictureSettings kept{.File = "/films/ref.png", .Shown = false, .Opacity = 30,
                                         .Difference = true, .CentreX = -2500, .CentreY = 7000, .Width = 4000};
    SaveReferencePictureSettings(ini, walk, kept);
    SaveReferencePictureSettings(ini, "/films/run.xps", TReferencePictureSettings{.File = "/films/run.png"});
    EXPECT_EQ(LoadReferencePictureSettings(ini, walk), kept);
    EXPECT_EQ(LoadReferencePictureSettings(ini, "/films/run.xps").File, "/films/run.png");
    EXPECT_EQ(LoadReferencePictureSettings(ini, "/films/other.xps"), TReferencePictureSettings{});
    EXPECT_EQ(LoadReferencePictureSettings(ini, ""), TReferencePictureSettings{});

    // Without a picture the sheet's section goes; the other sheet's stays.
    SaveReferencePictureSettings(ini, walk, TReferencePictureSettings{});
    EXPECT_EQ(ReadText(ini).find(walk), std::string::npos);
    EXPECT_EQ(LoadReferencePictureSettings(ini, "/films/run.xps").File, "/films/run.png");
}
