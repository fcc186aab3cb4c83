#include "platform/SaneSourceManager.h"

#include "twain/TwainSession.h"
#include "testsupport/SaneTestBackend.h"

#include <gtest/gtest.h>

namespace {

class SaneSourceManagerTest : public ::testing::Test {
protected:
    SaneSourceManagerTest() {
        UseSaneTestBackend();
        SetSaneDefaultSourceFolder(UserFolder / "");
        scan.SourceManager = {"SANE", &SaneDsmEntry};
        scan.OnErrorMessage = [this](const std::string& message) { messages.push_back(message); };
        scan.OnDibReady = [this](TTwainSession&, const TPicture& picture) { pictures.push_back(picture); };
    }
    ~SaneSourceManagerTest() override {
        SetSaneDefaultSourceFolder("");
        SetSaneSourceChooser(nullptr);
    }

    TTempFolder UserFolder;
    TTwainSession scan;
    std::vector<std::string> messages;
    std::vector<TPicture> pictures;
};

TEST_F(SaneSourceManagerTest, ListsEveryDeviceWithDistinctNamesAndRemembersTheChosenDefault) {
    std::vector<std::string> names;
    EXPECT_EQ(scan.ListSources(names), 0);
    ASSERT_EQ(names.size(), 2u);
    EXPECT_NE(names[0], names[1]);
    EXPECT_NE(names[1].find("(test:1)"), std::string::npos) << names[1];
    EXPECT_LE(names[1].size(), 33u);

    std::vector<std::string> offered;
    SetSaneSourceChooser([&](const std::vector<std::string>& list, int current) {
        offered = list;
        EXPECT_EQ(current, 0);
        return 1;
    });
    EXPECT_TRUE(scan.SelectSource());
    EXPECT_EQ(offered, names);
    EXPECT_EQ(scan.SourceIdentity().ProductName, names[1]);
    EXPECT_EQ(scan.ListSources(names), 1);
    EXPECT_NE(ReadText(UserFolder.Path() / "twain.ini").find("test:1"), std::string::npos);
    EXPECT_TRUE(messages.empty());
}

TEST_F(SaneSourceManagerTest, ReadsTheResolutionRangeOfTheDefaultSource) {
    ASSERT_TRUE(scan.LoadSourceManager());
    ASSERT_TRUE(scan.OpenSourceManager());
    ASSERT_TRUE(scan.OpenDefaultSource()) << scan.ErrorMessage("open");
    EXPECT_EQ(scan.GetCapabilityText(ICAP_XRESOLUTION), "Min: 1 Max: 1200 Step: 1");
    EXPECT_EQ(scan.GetCapabilityText(ICAP_PIXELTYPE), "1; 2");
    scan.CloseSourceManager();
    scan.UnloadSourceManager();
    EXPECT_EQ(scan.State(), 1);
}

TEST_F(SaneSourceManagerTest, ScansTheNegotiatedAreaAtTheNegotiatedResolution) {
    struct Case {
        TcsPixelType type;
        TPixelFormat format;
    };
    for (const Case& c : {Case{TcsPixelType::pxGray, TPixelFormat::pf8bit},
                          Case{TcsPixelType::pxRGB, TPixelFormat::pf24bit}}) {
        pictures.clear();
        scan.SetPixelType(c.type);
        scan.SetResolution(100);
        scan.FrameSize = TcsFrameSize::fsCustom;
        // 2 x 1 inches from (1 cm, 1 cm).
        scan.OnSetFrame = [](TTwainSession&, TW_FRAME& frame) {
            frame.Left = FloatToFix32(1);
            frame.Top = FloatToFix32(1);
            frame.Right = FloatToFix32(1 + 5.08);
            frame.Bottom = FloatToFix32(1 + 2.54);
        };
        TcsCapSet negotiated = 0;
        scan.OnEnableSource = [&](TTwainSession&, bool&, TcsCapSet set) { negotiated = set; };
        ASSERT_TRUE(scan.Acquire(""));
        EXPECT_TRUE(messages.empty()) << messages.front();
        ASSERT_EQ(pictures.size(), 1u);
        EXPECT_NEAR(pictures[0].Width(), 200, 2);
        EXPECT_NEAR(pictures[0].Height(), 100, 2);
        EXPECT_EQ(pictures[0].PixelFormat(), c.format);
        EXPECT_TRUE(negotiated & TcsCap::ImageLayout);
        EXPECT_TRUE(negotiated & TcsCap::Resolution);
        EXPECT_TRUE(negotiated & TcsCap::PixelType);
        EXPECT_FALSE(negotiated & TcsCap::Brightness); // the test scanner has no brightness
        EXPECT_EQ(scan.State(), 1);
    }
}

TEST_F(SaneSourceManagerTest, UnknownSourceNameIsRefused) {
    EXPECT_FALSE(scan.Acquire("No such scanner"));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "No such scanner\n\rTrying to open an nonexistent DataSource");
    EXPECT_TRUE(pictures.empty());
}

} // namespace
