#include "twain/TwainSession.h"

#include "ScriptedSourceManager.h"
#include "settings/IniFile.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

TW_RANGE IntRange(std::int32_t min, std::int32_t max, std::int32_t step) {
    TW_RANGE range;
    range.ItemType = TWTY_INT32;
    range.MinValue = static_cast<TW_UINT32>(min);
    range.MaxValue = static_cast<TW_UINT32>(max);
    range.StepSize = static_cast<TW_UINT32>(step);
    return range;
}

TW_RANGE FixRange(double min, double max, double step) {
    auto bits = [](double v) {
        const TW_FIX32 f = FloatToFix32(v);
        return static_cast<TW_UINT32>(static_cast<TW_UINT16>(f.Whole)) |
               (static_cast<TW_UINT32>(f.Frac) << 16);
    };
    TW_RANGE range;
    range.ItemType = TWTY_FIX32;
    range.MinValue = bits(min);
    range.MaxValue = bits(max);
    range.StepSize = bits(step);
    return range;
}

double FixValue(TW_UINT32 bits) {
    return Fix32ToFloat({static_cast<TW_INT16>(bits & 0xFFFF), static_cast<TW_UINT16>(bits >> 16)});
}

class TwainScanTest : public ::testing::Test {
protected:
    TwainScanTest() {
        scan.SourceManager = {"TWAIN_32.DLL", &TScriptedSourceManager::Entry};
        scan.OnErrorMessage = [this](const std::string& message) { messages.push_back(message); };
        scan.OnDibReady = [this](TTwainSession&, const TPicture& picture) { pictures.push_back(picture); };
        dsm.Sources = {"Flatbed A", "Flatbed B"};
        dsm.DefaultSource = 1;
    }

    const TScriptedSourceManager::TSet* FindSet(TW_UINT16 cap) const {
        for (const auto& set : dsm.Sets)
            if (set.Cap == cap)
                return &set;
        return nullptr;
    }

    TScriptedSourceManager dsm;
    TTwainSession scan;
    std::vector<std::string> messages;
    std::vector<TPicture> pictures;
};

TEST(TwainScanProperties, SettersKeepValuesInRangeAndConsistent) {
    TTwainSession scan;
    EXPECT_EQ(scan.PixelType(), TcsPixelType::pxGray);
    EXPECT_EQ(scan.BitDepth(), TcsBitDepth::bd8Bit);

    scan.SetPixelType(TcsPixelType::pxRGB);
    EXPECT_EQ(scan.BitDepth(), TcsBitDepth::bd24Bit);
    scan.SetPixelType(TcsPixelType::pxGray);
    EXPECT_EQ(scan.BitDepth(), TcsBitDepth::bd8Bit);
    scan.SetBitDepth(TcsBitDepth::bd1Bit);
    EXPECT_EQ(scan.BitDepth(), TcsBitDepth::bd8Bit);
    scan.SetBitDepth(TcsBitDepth::bd4Bit);
    EXPECT_EQ(scan.BitDepth(), TcsBitDepth::bd4Bit);
    scan.SetPixelType(TcsPixelType::pxBW);
    EXPECT_EQ(scan.BitDepth(), TcsBitDepth::bd1Bit);

    scan.SetResolution(5);
    EXPECT_EQ(scan.Resolution(), 10);
    scan.SetResolution(2000);
    EXPECT_EQ(scan.Resolution(), 1200);
    scan.SetBrightness(255);
    EXPECT_EQ(scan.Brightness(), 250);
    scan.SetContrast(251);
    EXPECT_EQ(scan.Contrast(), 250);

    scan.SetShadow(100);
    scan.SetHighlight(50);
    EXPECT_EQ(scan.Highlight(), 101);
    scan.SetShadow(200);
    EXPECT_EQ(scan.Shadow(), 100);
}

TEST(TwainScanProperties, Fix32ConversionAndFramePresets) {
    struct Case {
        double value;
        TW_INT16 whole;
        TW_UINT16 frac;
    };
    for (const Case& c :
         {Case{0, 0, 0}, Case{1, 1, 0}, Case{2.5, 2, 0x8000}, Case{-1, -1, 0}, Case{-0.5, -1, 0x8000}}) {
        const TW_FIX32 f = FloatToFix32(c.value);
        EXPECT_EQ(f.Whole, c.whole) << c.value;
        EXPECT_EQ(f.Frac, c.frac) << c.value;
        EXPECT_DOUBLE_EQ(Fix32ToFloat(f), c.value);
    }
    const TW_FRAME letter = FramePreset(TcsFrameSize::fsLetter);
    EXPECT_NEAR(Fix32ToFloat(letter.Right), 21.6, 1e-4);
    EXPECT_NEAR(Fix32ToFloat(letter.Bottom), 27.9, 1e-4);
    EXPECT_EQ(Fix32ToFloat(letter.Left), 0);
}

TEST_F(TwainScanTest, NegotiatesTheCapabilitiesInOrderWithScaledValues) {
    dsm.Ranges[ICAP_BRIGHTNESS] = IntRange(-1000, 1000, 1);
    dsm.Ranges[ICAP_THRESHOLD] = FixRange(0, 255, 1);
    dsm.Refused = {ICAP_BITDEPTHREDUCTION, CAP_AUTOFEED};
    dsm.Images = {{TWRC_XFERDONE, MakeGreyDib(4, 3)}};
    scan.SetPixelType(TcsPixelType::pxRGB);
    scan.FrameSize = TcsFrameSize::fsLetter;
    scan.SetResolution(150);
    TcsCapSet negotiated = 0;
    scan.OnEnableSource = [&](TTwainSession&, bool&, TcsCapSet set) { negotiated = set; };

    ASSERT_TRUE(scan.Acquire(""));
    EXPECT_TRUE(messages.empty());

    std::vector<TW_UINT16> order;
    for (const auto& set : dsm.Sets)
        order.push_back(set.Cap);
    const std::vector<TW_UINT16> expected = {
        CAP_INDICATORS,   ICAP_PIXELTYPE,   ICAP_XFERMECH, ICAP_BITDEPTH,     ICAP_BITDEPTHREDUCTION,
        ICAP_XRESOLUTION, ICAP_YRESOLUTION, ICAP_UNITS,    CAP_FEEDERENABLED, CAP_AUTOFEED,
        ICAP_AUTOBRIGHT,  ICAP_BRIGHTNESS,  ICAP_THRESHOLD};
    EXPECT_EQ(order, expected);
    EXPECT_EQ(FindSet(ICAP_PIXELTYPE)->Value, TWPT_RGB);
    EXPECT_EQ(FindSet(ICAP_BITDEPTH)->Value, 8u);
    EXPECT_EQ(FixValue(FindSet(ICAP_XRESOLUTION)->Value), 150);
    EXPECT_EQ(FindSet(ICAP_UNITS)->Value, TWUN_CENTIMETERS);
    EXPECT_EQ(FixValue(FindSet(ICAP_BRIGHTNESS)->Value), 0);
    EXPECT_EQ(FixValue(FindSet(ICAP_THRESHOLD)->Value), 128);

    // The Letter frame, in centimetres, after the units were set.
    ASSERT_TRUE(dsm.LayoutSet);
    EXPECT_GT(dsm.LayoutSetAfter, dsm.UnitsSetAt);
    EXPECT_NEAR(Fix32ToFloat(dsm.Layout.Frame.Right), 21.6, 1e-4);
    EXPECT_NEAR(Fix32ToFloat(dsm.Layout.Frame.Bottom), 27.9, 1e-4);
    EXPECT_EQ(dsm.Layout.DocumentNumber, 1u);

    const TcsCapSet refused = TcsCap::BitDepthReduction | TcsCap::AutoFeed | TcsCap::FeederLoaded |
                              TcsCap::Contrast | TcsCap::Highlight | TcsCap::Shadow;
    EXPECT_EQ(negotiated & refused, 0u);
    EXPECT_EQ(negotiated, TcsCap::Indicators | TcsCap::PixelType | TcsCap::TransferMechanism |
                              TcsCap::BitDepth | TcsCap::Resolution | TcsCap::Units | TcsCap::FeederEnabled |
                              TcsCap::ImageLayout | TcsCap::AutoBrightness | TcsCap::Brightness |
                              TcsCap::Threshold);
    EXPECT_EQ(scan.State(), 1);
}

TEST_F(TwainScanTest, CustomFrameComesFromOnSetFrameAndNegotiationCanBeSkipped) {
    dsm.Images = {{TWRC_XFERDONE, MakeGreyDib(2, 2)}};
    scan.FrameSize = TcsFrameSize::fsCustom;
    scan.OnSetFrame = [](TTwainSession&, TW_FRAME& frame) { frame.Right = FloatToFix32(5.08); };
    ASSERT_TRUE(scan.Acquire(""));
    EXPECT_NEAR(Fix32ToFloat(dsm.Layout.Frame.Right), 5.08, 1e-4);

    TScriptedSourceManager quiet;
    quiet.Sources = {"Flatbed"};
    quiet.DefaultSource = 0;
    scan.OnNegotiate = [](TTwainSession&, bool& enable, bool& setCurrent) {
        setCurrent = false;
        enable = false;
    };
    EXPECT_FALSE(scan.Acquire(""));
    EXPECT_TRUE(quiet.Sets.empty());
    EXPECT_FALSE(quiet.LayoutSet);
}

TEST_F(TwainScanTest, TwoPendingImagesGiveTwoDibsBeforeAcquireReturns) {
    dsm.Images = {{TWRC_XFERDONE, MakeGreyDib(5, 3)}, {TWRC_XFERDONE, MakeGreyDib(7, 2)}};
    int newImages = 0;
    scan.OnNewImage = [&](TTwainSession&) { ++newImages; };
    ASSERT_TRUE(scan.Acquire("Flatbed A"));
    ASSERT_EQ(pictures.size(), 2u);
    EXPECT_EQ(scan.ImageCount(), 2);
    EXPECT_EQ(newImages, 2);
    EXPECT_EQ(pictures[0].Width(), 5);
    EXPECT_EQ(pictures[1].Width(), 7);
    // Bottom-up rows arrive top row first; pixel (x, y) is x + 2y.
    EXPECT_EQ(pictures[0].Row(0)[3], 3);
    EXPECT_EQ(pictures[0].Row(2)[1], 5);
    EXPECT_EQ(scan.State(), 1);
    EXPECT_EQ(dsm.Messages.back(), MSG_DISABLEDS);
}

TEST_F(TwainScanTest, FailedTransferResetsWithoutAnImageAndCloseRequestEndsTheSession) {
    dsm.Images = {{TWRC_FAILURE, {}}, {TWRC_XFERDONE, MakeGreyDib(2, 2)}};
    EXPECT_TRUE(scan.Acquire(""));
    EXPECT_TRUE(pictures.empty());
    EXPECT_EQ(scan.ImageCount(), 0);
    EXPECT_NE(std::find(dsm.Messages.begin(), dsm.Messages.end(), MSG_RESET), dsm.Messages.end());
    EXPECT_EQ(scan.State(), 1);

    TScriptedSourceManager closing;
    closing.Sources = {"Flatbed"};
    closing.DefaultSource = 0;
    closing.CloseRequest = true;
    EXPECT_TRUE(scan.Acquire(""));
    EXPECT_TRUE(pictures.empty());
    EXPECT_EQ(scan.State(), 1);
}

TEST_F(TwainScanTest, DamagedImageIsNotDeliveredAndInversionFlipsThePalette) {
    std::vector<std::uint8_t> truncated = MakeGreyDib(8, 8);
    truncated.resize(truncated.size() - 10);
    dsm.Images = {{TWRC_XFERDONE, truncated}, {TWRC_XFERDONE, MakeGreyDib(3, 1)}};
    scan.Inverted = true;
    ASSERT_TRUE(scan.Acquire(""));
    ASSERT_EQ(pictures.size(), 1u);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("truncated"), std::string::npos);
    EXPECT_EQ(scan.ImageCount(), 2);
    const TPicture& picture = pictures[0];
    EXPECT_EQ(picture.Row(0)[1], 1);
    EXPECT_EQ(picture.Palette[1].Red, 254);
    EXPECT_EQ(picture.Palette[0].Blue, 255);
}

TEST_F(TwainScanTest, ListSourcesGivesNamesAndTheDefaultIndex) {
    std::vector<std::string> list{"stale"};
    EXPECT_EQ(scan.ListSources(list), 1);
    EXPECT_EQ(list, (std::vector<std::string>{"Flatbed A", "Flatbed B"}));

    dsm.Sources.clear();
    dsm.DefaultSource = -1;
    EXPECT_EQ(scan.ListSources(list), -1);
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(scan.State(), 1);
}

TEST_F(TwainScanTest, SelectSourceMakesTheChoiceTheSourceIdentity) {
    dsm.UserChoice = 0;
    EXPECT_TRUE(scan.SelectSource());
    EXPECT_STREQ(scan.SourceIdentity().ProductName, "Flatbed A");
    EXPECT_EQ(dsm.DefaultSource, 0);
    dsm.UserChoice = -1;
    EXPECT_FALSE(scan.SelectSource());
    EXPECT_EQ(scan.State(), 1);
}

TEST_F(TwainScanTest, FailuresAreReportedWithTheirTexts) {
    EXPECT_FALSE(scan.Acquire("Nowhere"));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "Nowhere\n\rTrying to open an nonexistent DataSource");

    dsm.EnableFails = true;
    EXPECT_FALSE(scan.Acquire(""));
    ASSERT_EQ(messages.size(), 2u);
    // The first failure of the acquisition is a refused capability: the source has no ranges.
    EXPECT_EQ(messages[1],
              "Failed to enable Data Source.\n\rDAT_CAPABILITY/MSG_GET failed\n\rRC:  TWRC_FAILURE"
              "\n\rCC:  TWCC_OPERATIONERROR (DS or DSM reported error, app shouldn't)");

    TTwainSession missing;
    missing.SourceManager.Name = "TWAIN_32.DLL";
    missing.OnErrorMessage = scan.OnErrorMessage;
    std::vector<std::string> list;
    EXPECT_EQ(missing.ListSources(list), -1);
    EXPECT_EQ(messages.back(), "Unable to load Source Manager  (TWAIN_32.DLL)");
    EXPECT_FALSE(missing.SelectSource());
    EXPECT_EQ(messages.back(), "Unable to load Source Manager (TWAIN_32.DLL)");

    EXPECT_EQ(TwainReturnCodeText(7), "TWRC_ENDOFLIST");
    EXPECT_EQ(TwainConditionCodeText(12), "TWCC_BADDEST (Unknown dest. App/Src in DSM_Entry)");
    EXPECT_EQ(TwainConditionCodeText(99), "99");
}

TEST_F(TwainScanTest, CapabilityReadingNeedsAnOpenSourceAndFormatsContainers) {
    EXPECT_EQ(scan.GetCapabilityText(ICAP_XRESOLUTION), "");
    EXPECT_EQ(messages.back(), "Attempt to get capability value below State 4.");

    dsm.Ranges[ICAP_XRESOLUTION] = FixRange(50, 1200, 1);
    const std::size_t enumSize = offsetof(TW_ENUMERATION, ItemList) + 3 * 2;
    TW_HANDLE enumeration = TwAlloc(enumSize);
    auto* list = static_cast<TW_ENUMERATION*>(enumeration);
    list->ItemType = TWTY_UINT16;
    list->NumItems = 3;
    list->CurrentIndex = 2;
    const TW_UINT16 items[] = {0, 1, 2};
    std::memcpy(static_cast<std::uint8_t*>(enumeration) + offsetof(TW_ENUMERATION, ItemList), items, 6);
    dsm.Containers[ICAP_PIXELTYPE] = enumeration;
    dsm.ContainerTypes[ICAP_PIXELTYPE] = TWON_ENUMERATION;
    TW_HANDLE one = TwAlloc(sizeof(TW_ONEVALUE));
    *static_cast<TW_ONEVALUE*>(one) = {TWTY_BOOL, 1};
    dsm.Containers[CAP_FEEDERLOADED] = one;
    dsm.ContainerTypes[CAP_FEEDERLOADED] = TWON_ONEVALUE;

    ASSERT_TRUE(scan.LoadSourceManager() && scan.OpenSourceManager() && scan.OpenDefaultSource());
    EXPECT_EQ(scan.GetCapabilityText(ICAP_XRESOLUTION), "Min: 50 Max: 1200 Step: 1");
    EXPECT_EQ(scan.GetCapabilityText(ICAP_PIXELTYPE), "0; 1; 2");
    EXPECT_EQ(scan.GetCapabilityText(CAP_FEEDERLOADED), "True");
    double min = 0, max = 0, step = 0;
    dsm.Ranges[ICAP_CONTRAST] = IntRange(-100, 100, 2);
    EXPECT_TRUE(scan.GetCapabilityRange(ICAP_CONTRAST, min, max, step));
    EXPECT_EQ(min, -100);
    EXPECT_EQ(step, 2);
    std::int16_t value = 0;
    EXPECT_TRUE(scan.GetCapabilityValue(ICAP_CONTRAST, TWTY_INT16, &value, sizeof value) == false);
    std::int32_t current = -1;
    EXPECT_TRUE(scan.GetCapabilityValue(ICAP_CONTRAST, TWTY_UINT32, &current, sizeof current));
    EXPECT_EQ(current, 0);
    scan.CloseSourceManager();
    scan.UnloadSourceManager();
    EXPECT_EQ(scan.State(), 1);
}

} // namespace

namespace {

TEST(TwainScanKeptSettings, WrittenUnderTheCompanyKeyAndReadBack) {
    const std::string file = ::testing::TempDir() + "twain-kept-" + std::to_string(::getpid()) + ".ini";
    {
        TTwainSession blank;
        blank.RegistryFile = file;
        blank.SetResolution(300);
    }
    EXPECT_FALSE(std::filesystem::exists(file)); // no company, nothing kept
    {
        TTwainSession kept;
        kept.RegistryFile = file;
        kept.RegCompany = "Studio";
        kept.SetPixelType(TcsPixelType::pxRGB);
        kept.SetResolution(300);
        kept.SetShadow(20);
        kept.SetHighlight(200);
        kept.FrameSize = TcsFrameSize::fsLetter;
        kept.Inverted = true;
    }
    TIniFile ini;
    ASSERT_TRUE(ini.LoadFromFile(file));
    const std::string key = "HKEY_CURRENT_USER\\Software\\Studio\\Product Family\\Product Name\\TWAIN";
    EXPECT_EQ(ini.ReadInteger(key, "Resolution", 0), 300);
    ini.WriteString(key, "Brightness", "bright"); // unreadable: the property stays
    ini.SaveToFile(file);

    TTwainSession loaded;
    loaded.RegistryFile = file;
    loaded.RegCompany = "Studio";
    loaded.LoadKeptSettings();
    EXPECT_EQ(loaded.PixelType(), TcsPixelType::pxRGB);
    EXPECT_EQ(loaded.BitDepth(), TcsBitDepth::bd24Bit);
    EXPECT_EQ(loaded.Resolution(), 300);
    EXPECT_EQ(loaded.Shadow(), 20);
    EXPECT_EQ(loaded.Highlight(), 200);
    EXPECT_EQ(loaded.FrameSize, TcsFrameSize::fsLetter);
    EXPECT_TRUE(loaded.Inverted);
    EXPECT_EQ(loaded.Brightness(), 125);
    loaded.RegCompany.clear();
    std::filesystem::remove(file);
}

} // namespace
