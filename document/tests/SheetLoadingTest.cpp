#include "document/SheetLoading.h"

#include "document/SheetDocument.h"
#include "document/XpsFile.h"
#include "testsupport/TempFolder.h"
#include "testsupport/SheetTestAccess.h"

#include <gtest/gtest.h>

namespace {
std::string Sheet(const std::string& body) {
    return "<xsheet version=\"4.0\">\r\n<settings>\r\n\t<fps>12</fps>\r\n</settings>\r\n" + body +
           "</xsheet>\r\n";
}

const char* const kLayers =
    "<layers cols=\"1\">\r\n\t<layer col=\"1\" caption=\"Walk\" dir=\"/w/\" color=\"1\">\r\n"
    "\t\t<cel col=\"1\" row=\"1\" duration=\"2\">a.png</cel>\r\n\t</layer>\r\n</layers>\r\n";
} // namespace

TEST(SheetLoading, AFileThatFailsLeavesTheOpenSheetAlone) {
    struct Case {
        const char* what;
        std::string text; // empty: no file at all
        const char* message;
    };
    const Case cases[] = {
        {"missing file", "", "Unable to open .xps file."},
        {"no settings", "<xsheet version=\"4.0\">\r\n" + std::string(kLayers) + "</xsheet>\r\n",
         "Unable to read settings."},
        {"no layers", Sheet(""), "Unable to read layers."},
        {"no layer count", Sheet("<layers>\r\n</layers>\r\n"), "Unable to read layers."},
        {"newer version", "<xsheet version=\"4.5\">\r\n",
         "This Xps file was created by a newer version and cannot be read."},
        {"bad version", "<xsheet version=\"x\">\r\n", "'x' is not a valid integer value"},
        {"bad v1 layer count", "fps=24\r\ncols=two\r\nbegin\r\n",
         "line 2: 'two' is not a valid integer value"},
        {"a note", "Shopping list\r\nfps=24\r\n", "This is not an exposure sheet."},
        {"a picture", "\x89PNG\r\n\x1A\n\0\0\0\rIHDR", "This is not an exposure sheet."},
    };
    TTempFolder folder;
    for (const auto& c : cases) {
        const std::string path = folder / "sheet.xps";
        std::filesystem::remove(path);
        if (!c.text.empty())
            WriteText(path, c.text);
        TSheetDocument doc;
        doc.AddLayer("Kept", "", doc.DefaultColors);
        doc.CommitCelName(1, 3, "kept.png");
        TXpsSettings settings;
        settings.Fps = 30;
        try {
            LoadSheet(doc, path, settings);
            ADD_FAILURE() << c.what;
        } catch (const ECwError& e) {
            EXPECT_EQ(e.what(), path + ": " + c.message) << c.what;
        }
        EXPECT_EQ(doc.LayerCaption(1), "Kept") << c.what;
        EXPECT_EQ(doc.CelName(1, 3), "kept.png") << c.what;
        EXPECT_EQ(doc.UndoManager().UndoCount(), 1u) << c.what;
        EXPECT_EQ(settings.Fps, 30) << c.what;
    }
}

TEST(SheetLoading, LoadsLayersCelsSettingsAndPhonemes) {
    TTempFolder folder;
    const std::string path = folder / "sheet.xps";
    WriteText(path, Sheet("<audio>\r\n\t<audiofile>" + (folder / "voice.wav") +
                          "</audiofile>\r\n\t<phonemes>\r\n\t\t<phoneme row=\"3\">E</phoneme>\r\n"
                          "\t\t<phoneme row=\"1638\">O</phoneme>\r\n\t\t<phoneme row=\"0\">U</phoneme>\r\n"
                          "\t</phonemes>\r\n</audio>\r\n" +
                          kLayers));
    TSheetDocument doc;
    std::vector<std::pair<std::int32_t, std::int32_t>> selected;
    doc.OnSelect = [&](TSheetDocument&, std::int32_t l, std::int32_t f) { selected.emplace_back(l, f); };
    TXpsSettings settings;
    settings.Path = "/prefs/";
    int applied = 0;
    const float version = LoadSheet(doc, path, settings, [&](const TXpsSettings& s) {
        ++applied;
        EXPECT_EQ(s.Fps, 12);
    });
    EXPECT_EQ(version, 4.0f);
    EXPECT_EQ(applied, 1);
    EXPECT_EQ(settings.Fps, 12);
    EXPECT_EQ(settings.Path, "/prefs/") << "what the sheet does not say stays as the preferences had it";
    EXPECT_EQ(doc.Fps(), 12);
    EXPECT_EQ(doc.LayerCaption(1), "Walk");
    EXPECT_EQ(doc.LayerColors(1).Name, "Blue");
    EXPECT_TRUE(doc.LayerVisible(1));
    EXPECT_EQ(doc.CelAt(1, 2)->Name, "a.png");
    EXPECT_EQ(doc.Phoneme(3), "E");
    EXPECT_EQ(doc.AudioRows(), 40);
    EXPECT_EQ(selected, (std::vector<std::pair<std::int32_t, std::int32_t>>{{1, 1}}));
}

TEST(SheetLoading, CelsPastTheLastFrameAreReportedAndLeftOut) {
    TTempFolder folder;
    const std::string path = folder / "sheet.xps";
    WriteText(
        path,
        Sheet("<layers cols=\"1\">\r\n\t<layer col=\"1\">\r\n"
              "\t\t<cel col=\"1\" row=\"1636\" duration=\"3\">a.png</cel>\r\n"
              "\t\t<cel col=\"1\" row=\"1\" duration=\"1\">b.png</cel>\r\n"
              "\t\t<cel col=\"1\" row=\"1700\" duration=\"1\">c.png</cel>\r\n\t</layer>\r\n</layers>\r\n"));
    TSheetDocument doc;
    int errors = 0;
    doc.OnMaxFrameError = [&](TSheetDocument&) { ++errors; };
    TXpsSettings settings;
    std::vector<TLeftOutCel> leftOut;
    LoadSheet(doc, path, settings, {}, &leftOut);
    EXPECT_EQ(errors, 2);
    ASSERT_EQ(leftOut.size(), 2u);
    EXPECT_EQ(DescribeLeftOutCel(leftOut[0], LeftOutReasonText(leftOut[0].Reason)),
              "a.png, layer 1, frame 1636: passes frame 1637");
    EXPECT_EQ(leftOut[1].Name, "c.png");
    EXPECT_EQ(doc.Data().Cels.Count(), 1u);
    EXPECT_EQ(doc.LayerCaption(1), "") << "the file's caption, even an empty one, replaces the default";
}

// A sheet whose sound file has gone missing keeps the file's name and its phonemes when saved.
TEST(SheetLoading, AMissingSoundFileSurvivesASave) {
    TTempFolder folder;
    const std::string path = folder / "sheet.xps";
    const std::string text =
        "<xsheet version=\"4.0\">\r\n<settings>\r\n\t<fps>24</fps>\r\n\t<step>2</step>\r\n"
        "\t<numbering>sequential</numbering>\r\n\t<color>0</color>\r\n\t<format>png</format>\r\n"
        "\t<path>/anim/</path>\r\n</settings>\r\n<audio>\r\n\t<audiofile>/gone/voice.wav</audiofile>\r\n"
        "\t<phonemes>\r\n\t\t<phoneme row=\"2\">MBP</phoneme>\r\n\t\t<phoneme row=\"60\">E</phoneme>\r\n"
        "\t</phonemes>\r\n</audio>\r\n<layers cols=\"1\">\r\n"
        "\t<layer col=\"1\" caption=\"Layer 1\" dir=\"/anim/\" color=\"0\" visible=\"1\">\r\n"
        "\t\t<cel col=\"1\" row=\"1\" duration=\"3\">a.png</cel>\r\n\t</layer>\r\n</layers>\r\n"
        "</xsheet>\r\n";
    WriteText(path, text);
    TSheetDocument doc;
    TXpsSettings settings;
    LoadSheet(doc, path, settings);
    EXPECT_EQ(doc.AudioFileName(), "/gone/voice.wav");
    EXPECT_FALSE(doc.HasAudio());
    // Neither more frames nor hiding and showing the audio column cut the phoneme on frame 60.
    doc.AddFrames(10);
    doc.HideAudio();
    doc.ShowAudio();
    EXPECT_EQ(doc.Phoneme(60), "E");
    TXpsFile::SaveSheet(path, doc, settings);
    EXPECT_EQ(ReadText(path), text);
}

TEST(SheetLoading, PhonemesWithoutASoundFileSurviveASave) {
    TTempFolder folder;
    const std::string path = folder / "sheet.xps";
    TSheetDocument doc;
    doc.AddLayer("Layer 1", "/anim/", doc.DefaultColors);
    doc.PlaceCelAt(1, 1, "a.png", 3);
    doc.SetPhoneme(2, "MBP");
    doc.SetPhoneme(40, "E");
    TXpsSettings settings;
    TXpsFile::SaveSheet(path, doc, settings);

    TSheetDocument copy;
    LoadSheet(copy, path, settings);
    EXPECT_EQ(copy.AudioFileName(), "");
    EXPECT_EQ(copy.Phoneme(2), "MBP");
    EXPECT_EQ(copy.Phoneme(40), "E");
}

// A frame rate outside 1 to 120 reads as the caller's; the sound's frame count stays in range for
// any rate the model is given.
TEST(SheetLoading, FrameRatesOutsideTheRangeKeepTheCallersRate) {
    TTempFolder folder;
    const std::string path = folder / "sheet.xps";
    for (const char* fps : {"0", "121", "2147483647", "99999999999", "-1", "1", "120"}) {
        SCOPED_TRACE(fps);
        WriteText(path, "<xsheet version=\"4.0\">\r\n<settings>\r\n\t<fps>" + std::string(fps) +
                            "</fps>\r\n</settings>\r\n<layers cols=\"1\">\r\n\t<layer col=\"1\">\r\n"
                            "\t</layer>\r\n</layers>\r\n</xsheet>\r\n");
        TSheetDocument doc;
        WritableData(doc).Audio.DurationMs = 90000;
        TXpsSettings settings;
        settings.Fps = 15;
        LoadSheet(doc, path, settings);
        const std::int32_t expected = std::string(fps) == "1" ? 1 : std::string(fps) == "120" ? 120 : 15;
        EXPECT_EQ(settings.Fps, expected);
        EXPECT_EQ(doc.Fps(), expected);
    }
    TSheetData model;
    model.Audio.DurationMs = 90000;
    model.SetFps(2147483647);
    EXPECT_EQ(model.Audio.PhonemeCount(), kMaxFrames);
}
