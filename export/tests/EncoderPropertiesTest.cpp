// An encoder's settings as read from its element: which properties become settings, how text is
// checked against them, and what reaches the element and the settings file.
#include "export/EncoderProperties.h"

#include "testsupport/TempFolder.h"

#include <algorithm>
#include <gst/gst.h>
#include <gtest/gtest.h>

namespace {

const TEncoderProperty* Find(const TEncoderProperties& properties, const std::string& name) {
    const auto& list = properties.Properties();
    const auto found = std::find_if(list.begin(), list.end(), [&](const auto& p) { return p.Name == name; });
    return found == list.end() ? nullptr : &*found;
}

} // namespace

TEST(EncoderPropertiesTest, WritablePropertiesBecomeSettingsWithTheirRangeAndDefault) {
    const TEncoderProperties jpeg("jpegenc");
    EXPECT_EQ(jpeg.Description(), "JPEG image encoder");
    const TEncoderProperty* quality = Find(jpeg, "quality");
    ASSERT_TRUE(quality);
    EXPECT_EQ(quality->Kind, TEncoderProperty::TKind::pkInteger);
    EXPECT_EQ(quality->Minimum, 0);
    EXPECT_EQ(quality->Maximum, 100);
    EXPECT_EQ(quality->Default, "85");
    EXPECT_FALSE(quality->Blurb.empty());
    const TEncoderProperty* idct = Find(jpeg, "idct-method");
    ASSERT_TRUE(idct);
    EXPECT_EQ(idct->Kind, TEncoderProperty::TKind::pkEnumeration);
    EXPECT_EQ(idct->Default, "ifast");
    EXPECT_EQ(idct->Choices.size(), 3u);
    EXPECT_EQ(Find(jpeg, "snapshot")->Kind, TEncoderProperty::TKind::pkBoolean);
    EXPECT_EQ(Find(jpeg, "snapshot")->Default, "false");
    // The generic ones every element has are no settings.
    EXPECT_FALSE(Find(jpeg, "name"));
    EXPECT_FALSE(Find(jpeg, "parent"));

    const TEncoderProperties mpeg4("avenc_mpeg4");
    EXPECT_EQ(Find(mpeg4, "quantizer")->Kind, TEncoderProperty::TKind::pkFloat);
    EXPECT_EQ(Find(mpeg4, "pass")->Default, "cbr");
    EXPECT_EQ(Find(mpeg4, "mpv-flags")->Kind, TEncoderProperty::TKind::pkFlags);

    EXPECT_TRUE(TEncoderProperties("no-such-encoder").Empty());
}

TEST(EncoderPropertiesTest, TextIsCheckedAgainstTheProperty) {
    const TEncoderProperties jpeg("jpegenc");
    const TEncoderProperties mpeg4("avenc_mpeg4");
    struct TCase {
        const TEncoderProperties& Encoder;
        std::string Name, Text;
        std::optional<std::string> Stored;
    } cases[] = {
        {jpeg, "quality", "10", "10"},
        {jpeg, "quality", " 95 ", "95"},
        {jpeg, "quality", "101", std::nullopt},
        {jpeg, "quality", "-1", std::nullopt},
        {jpeg, "quality", "ten", std::nullopt},
        {jpeg, "quality", "", std::nullopt},
        {jpeg, "idct-method", "float", "float"},
        {jpeg, "idct-method", "Slow but accurate integer algorithm", "islow"},
        {jpeg, "idct-method", "flaot", std::nullopt},
        {jpeg, "idct-method", "7", std::nullopt},
        {jpeg, "snapshot", "yes", "true"},
        {jpeg, "snapshot", "maybe", std::nullopt},
        {jpeg, "name", "other", std::nullopt},
        {jpeg, "no-such-setting", "1", std::nullopt},
        {mpeg4, "quantizer", "2.5", "2.5"},
        {mpeg4, "quantizer", "31", std::nullopt},
        {mpeg4, "quantizer", "nan", std::nullopt},
        {mpeg4, "mpv-flags", "skip_rd + qp_rd", "skip_rd+qp_rd"},
        {mpeg4, "mpv-flags", "skip_rd+nonsense", std::nullopt},
        {mpeg4, "mpv-flags", "0", "0"},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(c.Encoder.Parse(c.Name, c.Text), c.Stored) << c.Name << "=" << c.Text;

    std::vector<std::string> dropped;
    EXPECT_EQ(jpeg.Valid({{"quality", "20"}, {"quality2", "1"}, {"idct-method", "fast"}}, &dropped),
              (TEncoderValues{{"quality", "20"}}));
    EXPECT_EQ(dropped, (std::vector<std::string>{"idct-method=fast", "quality2=1"}));
}

TEST(EncoderPropertiesTest, OnlyFittingValuesReachTheElement) {
    gst_init(nullptr, nullptr);
    GstElement* encoder = gst_element_factory_make("jpegenc", nullptr);
    ASSERT_TRUE(encoder);
    ApplyEncoderSettings(encoder, {{"quality", "12"},
                                   {"idct-method", "bogus"},
                                   {"name", "renamed"},
                                   {"snapshot", "500"},
                                   {"unknown", "1"}});
    gint quality = 0;
    gint idct = -1;
    gboolean snapshot = TRUE;
    gchar* name = nullptr;
    g_object_get(encoder, "quality", &quality, "idct-method", &idct, "snapshot", &snapshot, "name", &name,
                 nullptr);
    EXPECT_EQ(quality, 12);
    EXPECT_EQ(idct, 1);
    EXPECT_FALSE(snapshot);
    EXPECT_STRNE(name, "renamed");
    g_free(name);
    gst_object_unref(encoder);
}

TEST(EncoderPropertiesTest, RememberedSettingsLiveInTheirOwnSectionAndBadOnesAreLeftOut) {
    TTempFolder folder;
    const std::string ini = folder / "celwright.ini";
    WriteText(ini, "[celwright]\nlanguage=German\n[encoder jpegenc]\nQuality=30\nidct-method=flaot\n"
                   "snapshot=true\nquality-x=2\n");
    std::vector<std::string> dropped;
    EXPECT_EQ(RememberedEncoderSettings(ini, "jpegenc", &dropped),
              (TEncoderValues{{"quality", "30"}, {"snapshot", "true"}}));
    EXPECT_EQ(dropped.size(), 2u);

    WriteEncoderSettings(ini, "jpegenc", {{"quality", "40"}});
    WriteEncoderSettings(ini, "avenc_mpeg4", {{"bitrate", "800000"}});
    EXPECT_EQ(ReadText(ini), "[celwright]\nlanguage=German\n[encoder jpegenc]\nquality=40\n"
                             "[encoder avenc_mpeg4]\nbitrate=800000\n");
    WriteEncoderSettings(ini, "jpegenc", {});
    EXPECT_EQ(ReadEncoderSettings(ini, "jpegenc"), TEncoderValues{});
    EXPECT_EQ(ReadEncoderSettings(ini, "avenc_mpeg4"), (TEncoderValues{{"bitrate", "800000"}}));
    EXPECT_EQ(RememberedEncoderSettings(folder / "missing.ini", "jpegenc"), TEncoderValues{});
}
