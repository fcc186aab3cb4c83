#include "testsupport/CliFixture.h"
#include "cli/CelwrightCli.h"
#include "imaging/PictureCodecs.h"
#include "testsupport/SaneTestBackend.h"
#include "testsupport/TempFolder.h"

#include <algorithm>
#include <cstdlib>
#include <gtest/gtest.h>
#include <sstream>

namespace {
// The sheet scanned into from SANE's test scanners.
class ScanCliTest : public TNewCelCliFixture {
protected:
    void SetUp() override {
        UseSaneTestBackend();
        MakeSheet("[capture preferences]\nhold=2\ncapture format=png\n", "");
    }
};

TEST_F(ScanCliTest, ScannersListsOneSourcePerLine) {
    ASSERT_EQ(Run({"scanners"}), 0) << Err.str();
    EXPECT_EQ(Out.str(), "Noname frontend-tester (test:0)\nNoname frontend-tester (test:1)\n");
}

TEST_F(ScanCliTest, ScansAnAreaAtTheTargetSizeAndPlacesTheCel) {
    ASSERT_EQ(Run({"scan", Sheet, "--layer", "1", "--frame", "5", "--area", "1,1,6,8", "--size", "320x240"}),
              0)
        << Err.str();
    EXPECT_EQ(Out.str(), Files / "ink/Ink_0005.png" + "\n");
    TPicture picture;
    ReadPng(Files / "ink/Ink_0005.png", picture);
    EXPECT_EQ(picture.Width(), 320);
    EXPECT_EQ(picture.Height(), 240);
    EXPECT_EQ(picture.Row(10)[30], picture.Row(10)[31]); // grey: the channels agree
    // The test page's grid came through: the picture holds black and white.
    const std::uint8_t* row = picture.Row(120);
    const auto [darkest, lightest] = std::minmax_element(row, row + 3 * picture.Width());
    EXPECT_LT(*darkest, 40);
    EXPECT_GT(*lightest, 215);
    EXPECT_NE(Info().find("frame    5  hold    2  Ink_0005.png"), std::string::npos) << Info();

    // Portrait, colour, rotated a quarter, named and numbered, from the second scanner.
    ASSERT_EQ(Run({"scan",     Sheet,      "--layer", "1",          "--frame",
                   "7",        "--hold",   "0",       "--portrait", "--color",
                   "--rotate", "cw",       "--name",  "pose",       "--number",
                   "0009",     "--format", "bmp",     "--source",   "Noname frontend-tester (test:1)"}),
              0)
        << Err.str();
    ReadBmp(Files / "ink/pose_0009.bmp", picture);
    // 640x480 in portrait is 480 x 640, a quarter turn makes it 640 x 480 again.
    EXPECT_EQ(picture.Width(), 640);
    EXPECT_EQ(picture.Height(), 480);
    EXPECT_EQ(picture.PixelFormat(), TPixelFormat::pf24bit);
    EXPECT_NE(Info().find("frame    7  hold    1  pose_0009.bmp"), std::string::npos) << Info();
}

TEST_F(ScanCliTest, AStuckDriverFailsTheScanWithinItsLimitAndWritesNothing) {
    ::setenv("CELWRIGHT_SCAN_PAGE_SECONDS", "1", 1);
    UseStuckSaneBackend("read");
    const std::string before = ReadText(Sheet);
    EXPECT_EQ(Run({"scan", Sheet, "--layer", "1", "--frame", "5", "--area", "1,1,6,8"}), 1);
    EXPECT_EQ(Err.str(), "The scanner did not answer within 1 seconds: the scan was stopped.\n");
    EXPECT_EQ(ReadText(Sheet), before);
    EXPECT_FALSE(std::filesystem::exists(Files / "ink/Ink_0005.png"));
    ::unsetenv("CELWRIGHT_SCAN_PAGE_SECONDS");
}

TEST_F(ScanCliTest, RefusalsLeaveTheSheetAndTheFolderAsTheyWere) {
    const std::string before = ReadText(Sheet);
    WriteText(Files.Path() / "ink/Ink_0001.png", "old");
    struct Case {
        std::vector<std::string> args;
        std::string message;
    };
    const std::vector<Case> cases = {
        {{"--layer", "1", "--frame", "1"}, "Ink_0001.png already exists in the Layer directory"},
        {{"--layer", "2", "--frame", "1"}, "Path for the selected Layer does not exist"},
        {{"--layer", "3", "--frame", "1"}, "Layer 3 is not on the sheet"},
        {{"--layer", "1", "--frame", "2", "--source", "Flatbed"}, "No scanner is named \"Flatbed\""},
        {{"--layer", "1", "--frame", "2", "--area", "1,1,0,3"}, "--area must be"},
        {{"--layer", "1", "--frame", "2", "--rotate", "90"}, "--rotate must be"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args{"scan", Sheet};
        args.insert(args.end(), c.args.begin(), c.args.end());
        EXPECT_NE(Run(args), 0);
        EXPECT_NE(Err.str().find(c.message), std::string::npos) << Err.str();
    }
    EXPECT_EQ(ReadText(Sheet), before);
    EXPECT_EQ(ReadText(Files.Path() / "ink/Ink_0001.png"), "old");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Files.Path() / "ink"),
                            std::filesystem::directory_iterator()),
              1);
}

} // namespace
