#include "WavWriter.h"
#include "testsupport/CliFixture.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>

namespace {
using CliTest = TCliFixture;

const char* const kVersion1 = "fps=12\r\nstep=1\r\ncols=2\r\nlayer1path=/anim/a/\r\nbegin\r\n"
                              "col1\r\na1.png\r\n*\r\n*\r\n\r\na2.png\r\ncol2\r\n\r\nb1.png\r\n";
} // namespace

TEST_F(CliTest, UpgradeOpensWithThePreferencesAndSavesVersion4) {
    WritePreferences("[general preferences]\nfps=30\ndefault path=/prefs/\ncolor=2\n"
                     "[capture preferences]\nnumbering=frame\ncapture format=jpg\n");
    WriteText(Files / "old.xps", kVersion1);
    ASSERT_EQ(Run({"upgrade", Files / "old.xps", Files / "new.xps"}), 0) << Err.str();
    EXPECT_EQ(Err.str(), "");
    EXPECT_EQ(ReadText(Files / "new.xps"),
              "<xsheet version=\"4.0\">\r\n<settings>\r\n\t<fps>12</fps>\r\n\t<step>1</step>\r\n"
              "\t<numbering>frame</numbering>\r\n\t<color>2</color>\r\n\t<format>jpg</format>\r\n"
              "\t<path>/prefs/</path>\r\n</settings>\r\n<audio>\r\n</audio>\r\n<layers cols=\"2\">\r\n"
              "\t<layer col=\"1\" caption=\"\" dir=\"/anim/a/\" color=\"0\" visible=\"1\">\r\n"
              "\t\t<cel col=\"1\" row=\"1\" duration=\"3\">a1.png</cel>\r\n"
              "\t\t<cel col=\"1\" row=\"5\" duration=\"1\">a2.png</cel>\r\n\t</layer>\r\n"
              "\t<layer col=\"2\" caption=\"\" dir=\"\" color=\"0\" visible=\"1\">\r\n"
              "\t\t<cel col=\"2\" row=\"2\" "
              "duration=\"1\">b1.png</cel>\r\n\t</layer>\r\n</layers>\r\n</xsheet>\r\n");
}

TEST_F(CliTest, InfoDescribesTheSampleSheet) {
    ASSERT_EQ(Run({"info", CELWRIGHT_SAMPLE_SHEET}), 0) << Err.str();
    const std::string out = Out.str();
    for (const char* line :
         {"Version:        4\n", "Frame rate:     24 fps\n", "Hold:           2\n", "Layers:         2\n",
          "Layer 2: Ball\n", "  Colours:      Green\n", "    frame    1  hold   48  floor.png\n",
          "    frame   47  hold    2  ball_08.png\n", "Phonemes:       8\n", "    frame   33  rest\n"})
        EXPECT_NE(out.find(line), std::string::npos) << line;
    EXPECT_EQ(out.find("(missing)"), std::string::npos);
}

TEST_F(CliTest, FailuresGoToStderrWithTheirTexts) {
    WriteText(Files / "newer.xps", "<xsheet version=\"4.5\">\r\n</xsheet>\r\n");
    WriteText(Files / "nolayers.xps",
              "<xsheet version=\"4.0\">\r\n<settings>\r\n</settings>\r\n</xsheet>\r\n");
    WriteText(Files / "badcols.xps", "cols=x\r\nbegin\r\n");
    WriteText(Files / "good.xps", kVersion1);
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string err;
    };
    WriteText(Files / "notes.txt", "Remember the milk\n");
    // Every message names the file, and the line where there is one.
    const Case cases[] = {
        {{"info", Files / "missing.xps"}, 1, "Unable to open .xps file.\n"},
        {{"info", Files / "newer.xps"},
         1,
         "This Xps file was created by a newer version and cannot be read.\n"},
        {{"upgrade", Files / "nolayers.xps", Files / "out.xps"}, 1, "Unable to read layers.\n"},
        {{"info", Files / "badcols.xps"}, 1, "line 1: 'x' is not a valid integer value\n"},
        {{"info", Files / "notes.txt"}, 1, "This is not an exposure sheet.\n"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Run(c.args), c.status) << c.args[1];
        EXPECT_EQ(Err.str(), c.args[1] + ": " + c.err) << c.args[1];
        EXPECT_EQ(Out.str(), "");
    }
    EXPECT_FALSE(std::filesystem::exists(Files / "out.xps"));

    EXPECT_EQ(Run({"upgrade", Files / "good.xps", Files / "no/such/folder/out.xps"}), 1);
    EXPECT_NE(Err.str().find("no/such/folder/out.xps"), std::string::npos) << Err.str();
}

TEST_F(CliTest, CelsPastTheFrameLimitAreNamedAndTheSheetStillOpens) {
    WriteText(Files / "long.xps",
              "<xsheet version=\"4.0\">\r\n<settings>\r\n</settings>\r\n<layers cols=\"1\">\r\n"
              "\t<layer col=\"1\">\r\n\t\t<cel col=\"1\" row=\"1\" duration=\"2\">a.png</cel>\r\n"
              "\t\t<cel col=\"1\" row=\"1637\" duration=\"2\">b.png</cel>\r\n"
              "\t\t<cel col=\"1\" row=\"2000\" duration=\"1\">c.png</cel>\r\n"
              "\t</layer>\r\n</layers>\r\n</xsheet>\r\n");
    EXPECT_EQ(Run({"info", Files / "long.xps"}), 0);
    EXPECT_EQ(Err.str(), "Left out: b.png, layer 1, frame 1637: passes frame 1637\n"
                         "Left out: c.png, layer 1, frame 2000: passes frame 1637\n");
    EXPECT_NE(Out.str().find("hold    2  a.png"), std::string::npos);
}

TEST_F(CliTest, HelpAndUsage) {
    EXPECT_EQ(Run({"--help"}), 0);
    EXPECT_NE(Out.str().find("upgrade IN.xps OUT.xps"), std::string::npos);
    EXPECT_EQ(Run({"upgrade", "--help"}), 0);
    EXPECT_NE(Out.str().find("Usage: celwright-cli upgrade"), std::string::npos);
    EXPECT_EQ(Run({}), 2);
    EXPECT_EQ(Run({"paint"}), 2);
    EXPECT_NE(Err.str().find("unknown command \"paint\""), std::string::npos);
    EXPECT_EQ(Run({"info"}), 2);
    EXPECT_NE(Err.str().find("Usage: celwright-cli info"), std::string::npos);
}

TEST_F(CliTest, UpgradeNamesEveryCelItLeavesOut) {
    WriteText(Files / "far.xps",
              "<xsheet version=\"4.0\">\n<settings>\n</settings>\n<layers cols=\"2\">\n"
              "<layer col=\"1\" caption=\"A\" dir=\"/a/\">\n"
              "<cel col=\"1\" row=\"1\" duration=\"2\">kept.png</cel>\n"
              "<cel col=\"1\" row=\"1630\" duration=\"10\">late.png</cel>\n</layer>\n"
              "<layer col=\"2\" caption=\"B\" dir=\"/b/\">\n"
              "<cel col=\"2\" row=\"0\" duration=\"2\">early.png</cel>\n"
              "<cel col=\"2\" row=\"4\">nohold.png</cel>\n</layer>\n</layers>\n</xsheet>\n");
    ASSERT_EQ(Run({"upgrade", Files / "far.xps", Files / "out.xps"}), 3) << Err.str();
    EXPECT_EQ(Err.str(), "Left out: late.png, layer 1, frame 1630: passes frame 1637\n"
                         "Left out: early.png, layer 2, frame 0: no first frame\n"
                         "Left out: nohold.png, layer 2, frame 4: hold below 1 frame\n");
    const std::string written = ReadText(Files / "out.xps");
    EXPECT_NE(written.find(">kept.png</cel>"), std::string::npos);
    EXPECT_EQ(written.find("late.png"), std::string::npos);

    WriteText(Files / "fine.xps", written);
    EXPECT_EQ(Run({"upgrade", Files / "fine.xps", Files / "again.xps"}), 0) << Err.str();
    EXPECT_EQ(Err.str(), "");
}

// A frame rate outside 1 to 120 reads as the preferences' rate, the same for info and upgrade.
TEST_F(CliTest, AFrameRateOutOfRangeReadsAsThePreferences) {
    WritePreferences("[general preferences]\nfps=15\n");
    for (const char* fps : {"0", "121", "-3", "2147483647", "99999999999", "1e9"}) {
        SCOPED_TRACE(fps);
        WriteText(Files / "rate.xps", std::string("<xsheet version=\"4.0\">\n<settings>\n<fps>") + fps +
                                          "</fps>\n</settings>\n<layers cols=\"1\">\n<layer col=\"1\">\n"
                                          "<cel col=\"1\" row=\"1\" duration=\"1\">a.png</cel>\n</layer>\n"
                                          "</layers>\n</xsheet>\n");
        ASSERT_EQ(Run({"info", Files / "rate.xps"}), 0) << Err.str();
        EXPECT_NE(Out.str().find("Frame rate:     15 fps\n"), std::string::npos) << Out.str();
        ASSERT_EQ(Run({"upgrade", Files / "rate.xps", Files / "out.xps"}), 0) << Err.str();
        EXPECT_NE(ReadText(Files / "out.xps").find("<fps>15</fps>"), std::string::npos);
    }
    WriteText(Files / "v1.xps", "fps=120\r\ncols=1\r\nbegin\r\ncol1\r\na.png\r\n");
    ASSERT_EQ(Run({"info", Files / "v1.xps"}), 0) << Err.str();
    EXPECT_NE(Out.str().find("Frame rate:     120 fps\n"), std::string::npos);
}

TEST_F(CliTest, InfoGivesTheSoundsLengthAndRows) {
    WriteToneWav(Files / "ten.wav", 10.0);
    WriteText(Files / "notes.mp3", "not a sound\n");
    auto sheetWith = [this](const std::string& name, const std::string& sound) {
        WriteText(Files / name,
                  "<xsheet version=\"4.0\">\r\n<settings>\r\n\t<fps>24</fps>\r\n</settings>\r\n"
                  "<audio>\r\n\t<audiofile>" +
                      sound +
                      "</audiofile>\r\n\t<phonemes>\r\n\t</phonemes>\r\n"
                      "</audio>\r\n<layers cols=\"1\">\r\n\t<layer col=\"1\">\r\n"
                      "\t\t<cel col=\"1\" row=\"1\" "
                      "duration=\"40\">a.png</cel>\r\n\t</layer>\r\n</layers>\r\n</xsheet>\r\n");
        return Files / name;
    };
    struct Case {
        std::string Sheet;
        std::string Lines;
    };
    const Case cases[] = {
        {sheetWith("ten.xps", Files / "ten.wav"), "sound length: 10000 ms\nsound rows: 241\n"},
        {sheetWith("gone.xps", Files / "gone.wav"), "sound: missing\n"},
        {sheetWith("notes.xps", Files / "notes.mp3"), "sound: unreadable ("},
    };
    for (const auto& c : cases) {
        Out.str("");
        EXPECT_EQ(Run({"info", c.Sheet}), 0) << c.Sheet;
        EXPECT_NE(Out.str().find(c.Lines), std::string::npos) << Out.str();
    }
}

// Each print makes its own off-screen application; a second one in the same process (a script
// host, a fuzzer) must not fall back to a display that is not there.
TEST_F(CliTest, PrintWorksTwiceInOneProcessWithoutADisplay) {
    ::unsetenv("DISPLAY");
    ::unsetenv("QT_QPA_PLATFORM");
    for (const char* name : {"first.pdf", "second.pdf"}) {
        ASSERT_EQ(Run({"print", CELWRIGHT_SAMPLE_SHEET, Files / name}), 0) << name << Err.str();
        EXPECT_TRUE(std::filesystem::is_regular_file(Files / name)) << name;
    }
}
