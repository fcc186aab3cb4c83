#include "testsupport/CliFixture.h"
#include "cli/CelwrightCli.h"
#include "imaging/PictureCodecs.h"
#include "testsupport/RecordedGPhoto.h"
#include "testsupport/TempFolder.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <gtest/gtest.h>
#include <sstream>

namespace {
// The sheet captured into from the test camera that the settings file turns on.
class CaptureCliTest : public TNewCelCliFixture {
protected:
    void SetUp() override {
        GPhotoPort() = std::make_shared<TRecordedGPhoto>(); // no still camera unless a test plugs one in
        MakeSheet("[capture devices]\ntest camera=1\n[capture preferences]\nhold=3\ncapture format=png\n",
                  "\t\t<cel col=\"1\" row=\"10\" duration=\"1\">end.png</cel>\r\n");
    }
};
} // namespace

TEST_F(CaptureCliTest, CamerasListsTheTestCameraOnlyWhenTurnedOn) {
    ASSERT_EQ(Run({"cameras"}), 0) << Err.str();
    EXPECT_TRUE(Out.str().ends_with("Test pattern\n"));
    WritePreferences("");
    ASSERT_EQ(Run({"cameras"}), 0);
    EXPECT_EQ(Out.str().find("Test pattern"), std::string::npos);
}

TEST_F(CaptureCliTest, CapturesAtAFrameWithAHoldAndSavesTheSheet) {
    ASSERT_EQ(Run({"capture", Sheet, "--layer", "1", "--frame", "40", "--hold", "2", "--size", "640x480"}), 0)
        << Err.str();
    EXPECT_EQ(Out.str(), Files / "ink/Ink_0040.png" + "\n");
    TPicture picture;
    ReadPng(Files / "ink/Ink_0040.png", picture);
    EXPECT_EQ(picture.Width(), 640);
    const std::string info = Info();
    EXPECT_NE(info.find("Frames:         42"), std::string::npos) << info;
    EXPECT_NE(info.find("frame   40  hold    2  Ink_0040.png"), std::string::npos) << info;

    // Hold and format from the preferences; name, number and the filters as given.
    ASSERT_EQ(Run({"capture", Sheet, "--layer", "1", "--frame", "3", "--name", "pose", "--number", "12a",
                   "--format", "jpg", "--bw", "--flip", "--average", "--camera", "Test pattern"}),
              0)
        << Err.str();
    EXPECT_EQ(Out.str(), Files / "ink/pose_12a.jpg" + "\n");
    ReadJpeg(Files / "ink/pose_12a.jpg", picture);
    EXPECT_EQ(picture.PixelFormat(), TPixelFormat::pf8bit);
    EXPECT_NE(Info().find("frame    3  hold    3  pose_12a.jpg"), std::string::npos);

    ASSERT_EQ(Run({"capture", Sheet, "--layer", "1", "--frame", "20", "--format", "bmp"}), 0) << Err.str();
    EXPECT_TRUE(std::filesystem::is_regular_file(Files / "ink/Ink_0020.bmp"));
}

TEST_F(CaptureCliTest, RefusalsLeaveTheSheetAndFolderAlone) {
    WriteText(Files / "ink/Ink_0004.png", "taken");
    const std::string sheetBefore = ReadText(Sheet);
    const struct {
        std::vector<std::string> Args;
        const char* Message;
    } cases[] = {
        {{"--layer", "1", "--frame", "4"}, "Ink_0004.png already exists in the Layer directory"},
        {{"--layer", "1", "--frame", "5", "--camera", "Nobody"}, "No camera is named \"Nobody\""},
        {{"--layer", "1", "--frame", "5", "--size", "800x600"}, "does not offer the size 800x600"},
        {{"--layer", "2", "--frame", "5"}, "Path for the selected Layer does not exist"},
        {{"--layer", "3", "--frame", "5"}, "Layer 3 is not on the sheet (1 to 2)."},
        {{"--layer", "1", "--frame", "0"}, "Frame 0 is outside 1 to 1637."},
        {{"--layer", "1", "--frame", "1638"}, "Frame 1638 is outside 1 to 1637."},
        {{"--layer", "1", "--frame", "1637", "--hold", "2"}, "The Xsheet has a maximum of 1637 frames."},
        {{"--layer", "1", "--frame", "5", "--name", "../../escaped"}, "Name '../../escaped' contains a folder separator"},
        {{"--layer", "1", "--frame", "5", "--name", "/tmp/x"}, "Name '/tmp/x' contains a folder separator"},
        {{"--layer", "1", "--frame", "5", "--name", ".."}, "Name '..' names a folder"},
        {{"--layer", "1", "--frame", "5", "--number", "../1"}, "Number '../1' contains a folder separator"},
        {{"--layer", "1", "--frame", "5", "--name", std::string(260, 'n')}, "characters a file name may have"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args{"capture", Sheet};
        args.insert(args.end(), c.Args.begin(), c.Args.end());
        EXPECT_EQ(Run(args), 1) << c.Message;
        EXPECT_NE(Err.str().find(c.Message), std::string::npos) << Err.str();
        EXPECT_EQ(Out.str(), "");
    }
    EXPECT_EQ(ReadText(Sheet), sheetBefore);
    EXPECT_EQ(ReadText(Files / "ink/Ink_0004.png"), "taken");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Files / "ink"), {}), 1);

    // Without a camera at all.
    WritePreferences("");
    if (Run({"cameras"}) == 0 && Out.str().empty()) {
        EXPECT_EQ(Run({"capture", Sheet, "--layer", "1", "--frame", "5"}), 1);
        EXPECT_EQ(Err.str(), "No camera found.\n");
    }

    WritePreferences("[capture devices]\ntest camera=1\n");
    EXPECT_EQ(Run({"capture", Sheet, "--layer", "1", "--frame", "4", "--overwrite"}), 0) << Err.str();
    EXPECT_NE(ReadText(Files / "ink/Ink_0004.png"), "taken");
}

TEST_F(CaptureCliTest, ACaptionWithFolderSeparatorsStillNamesAFileInTheLayerFolder) {
    std::string text = ReadText(Sheet);
    for (const char* caption : {"../../escaped", "Walk/Run"}) {
        const std::string before = "caption=\"Ink\"";
        const auto at = text.find(before);
        ASSERT_NE(at, std::string::npos);
        WriteText(Sheet, std::string(text).replace(at, before.size(), "caption=\"" + std::string(caption) + "\""));
        ASSERT_EQ(Run({"capture", Sheet, "--layer", "1", "--frame", "5"}), 0) << Err.str();
    }
    EXPECT_TRUE(std::filesystem::is_regular_file(Files / "ink/.._.._escaped_0005.png"));
    EXPECT_TRUE(std::filesystem::is_regular_file(Files / "ink/Walk_Run_0005.png"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Files.Path()), {}), 2) << "only ink/ and the sheet";
}

// A DSLR through its recorded answers.
TEST_F(CaptureCliTest, StillCamerasCaptureAScaledPictureAndKeepTheirFiles) {
    const auto recorded = RecordedDslr(Files.Path() / "scratch.jpg");
    GPhotoPort() = recorded;
    ASSERT_EQ(Run({"cameras"}), 0) << Err.str();
    EXPECT_TRUE(Out.str().ends_with("Canon EOS 550D\nTest pattern\n")) << Out.str();

    ASSERT_EQ(Run({"capture", Sheet, "--layer", "1", "--frame", "2", "--camera", "Canon EOS 550D", "--size",
                   "320x240", "--format", "jpg"}),
              0)
        << Err.str();
    EXPECT_EQ(Out.str(), Files / "ink/Ink_0002.jpg" + "\n");
    TPicture picture;
    ReadJpeg(Files / "ink/Ink_0002.jpg", picture);
    EXPECT_EQ(picture.Width(), 320);
    EXPECT_EQ(picture.Height(), 240);
    EXPECT_EQ(ReadPictureFile(Files.Path() / "ink/raw/Ink_0002.cr2"), recorded->CaptureFiles[0].Bytes);
    EXPECT_EQ(ReadPictureFile(Files.Path() / "ink/raw/Ink_0002.jpg"), recorded->CaptureFiles[1].Bytes);
    EXPECT_NE(Info().find("frame    2  hold    3  Ink_0002.jpg"), std::string::npos);

    // Busy, then gone: the sheet and the folder stay as they were.
    const std::string sheetBefore = ReadText(Sheet);
    const struct {
        std::atomic<int> TRecordedGPhoto::*Result;
        int Code;
        const char* Message;
    } cases[] = {
        {&TRecordedGPhoto::CaptureResult, GP_ERROR_CAMERA_BUSY, "The camera \"Canon EOS 550D\" is busy"},
        {&TRecordedGPhoto::OpenResult, GP_ERROR_IO_USB_FIND,
         "The camera \"Canon EOS 550D\" is not connected"},
    };
    for (const auto& c : cases) {
        *recorded.*c.Result = c.Code;
        EXPECT_EQ(Run({"capture", Sheet, "--layer", "1", "--frame", "5", "--camera", "Canon EOS 550D"}), 1);
        EXPECT_TRUE(Err.str().starts_with(c.Message)) << Err.str();
        EXPECT_EQ(Out.str(), "");
        *recorded.*c.Result = GP_OK;
    }
    EXPECT_EQ(ReadText(Sheet), sheetBefore);
    EXPECT_FALSE(std::filesystem::exists(Files.Path() / "ink/Ink_0005.png"));
    EXPECT_FALSE(std::filesystem::exists(Files.Path() / "ink/raw/Ink_0005.cr2"));
}

TEST_F(CaptureCliTest, ATimeLapseTakesItsPicturesAtTheIntervalEachPlacedAfterTheOneBefore) {
    const auto started = std::chrono::steady_clock::now();
    ASSERT_EQ(Run({"capture", Sheet, "--layer", "1", "--frame", "40", "--hold", "2", "--number", "0007",
                   "--interval", "1", "--count", "3"}),
              0)
        << Err.str();
    EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(1900));
    EXPECT_EQ(Out.str(), Files / "ink/Ink_0007.png" + "\n" + Files / "ink/Ink_0008.png" + "\n" + Files / "ink/Ink_0009.png" + "\n");
    const std::string info = Info();
    for (const char* cel : {"frame   40  hold    2  Ink_0007.png", "frame   42  hold    2  Ink_0008.png",
                            "frame   44  hold    2  Ink_0009.png"})
        EXPECT_NE(info.find(cel), std::string::npos) << info;

    const std::string sheetBefore = ReadText(Sheet);
    const struct {
        std::vector<std::string> Args;
        const char* Message;
    } refused[] = {
        {{"--interval", "1"}, "--interval and --count go together"},
        {{"--count", "3"}, "--interval and --count go together"},
        {{"--interval", "0", "--count", "3"}, "--interval must be 1 to 3600 seconds"},
        {{"--interval", "3601", "--count", "3"}, "--interval must be 1 to 3600 seconds"},
        {{"--interval", "1", "--count", "0"}, "--count must be 1 to 1637"},
    };
    for (const auto& c : refused) {
        std::vector<std::string> args{"capture", Sheet, "--layer", "1", "--frame", "50"};
        args.insert(args.end(), c.Args.begin(), c.Args.end());
        EXPECT_EQ(Run(args), 2) << c.Message;
        EXPECT_NE(Err.str().find(c.Message), std::string::npos) << Err.str();
    }
    EXPECT_EQ(Run({"capture", Sheet, "--layer", "1", "--frame", "1630", "--interval", "1", "--count", "3"}), 1);
    EXPECT_EQ(Err.str(), "The Xsheet has a maximum of 1637 frames.\n");
    EXPECT_EQ(ReadText(Sheet), sheetBefore);
}

// The test camera acts out the faults celwright.ini gives it; every picture written has its cel.
TEST_F(CaptureCliTest, CameraFaultsEndTheCaptureWithTheirMessage) {
    const struct {
        const char* Settings;
        std::vector<std::string> Args;
        const char* Message;
        std::size_t Placed; // pictures placed before the fault, at most
    } cases[] = {
        {"test camera refuses=640x480", {"--size", "640x480"},
         "The camera \"Test pattern\" refused the size 640 x 480: ", 0},
        {"test camera fails after=25", {"--interval", "1", "--count", "5"}, "The camera \"Test pattern\" stopped: ",
         2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Settings);
        WritePreferences(std::string("[capture devices]\ntest camera=1\n") + c.Settings + "\n");
        std::vector<std::string> args{"capture", Sheet, "--layer", "1", "--frame", "100"};
        args.insert(args.end(), c.Args.begin(), c.Args.end());
        EXPECT_EQ(Run(args), 1);
        EXPECT_TRUE(Err.str().starts_with(c.Message)) << Err.str();
        const std::string info = Info();
        std::size_t files = 0;
        for (const auto& entry : std::filesystem::directory_iterator(Files / "ink")) {
            ++files;
            EXPECT_NE(info.find(entry.path().filename().string()), std::string::npos) << entry.path();
            std::filesystem::remove(entry.path());
        }
        EXPECT_LE(files, c.Placed);
        const std::string printed = Out.str();
        EXPECT_EQ(std::count(printed.begin(), printed.end(), '\n'), static_cast<std::ptrdiff_t>(files));
    }
}
