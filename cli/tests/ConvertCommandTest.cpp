// celwright-cli convert between sheets and exchange timesheets, and the outputs every writing
// command refuses.
#include "testsupport/CliFixture.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

class ConvertCommandTest : public TCliFixture {
protected:
    // A sheet whose layer "Anim" holds numbered drawings and one without a number, with a sound file.
    std::string MakeSheet() {
        fs::create_directories(Files.Path() / "Anim");
        for (const char* name : {"Anim_0001.png", "Anim_0002.png", "walk.png"})
            WriteText(Files.Path() / "Anim" / name, "drawing");
        WriteText(Files / "voice.wav", "sound");
        const std::string sheet = Files / "scene.xps";
        WriteText(sheet, "<xsheet version=\"4.0\">\r\n<settings>\r\n\t<fps>12</fps>\r\n</settings>\r\n"
                         "<audio>\r\n\t<audiofile>" +
                             Files / "voice.wav" +
                             "</audiofile>\r\n</audio>\r\n<layers cols=\"1\">\r\n"
                             "\t<layer col=\"1\" caption=\"Anim\" dir=\"" +
                             Files / "Anim/" +
                             "\" color=\"0\" visible=\"1\">\r\n"
                             "\t\t<cel col=\"1\" row=\"1\" duration=\"3\">Anim_0001.png</cel>\r\n"
                             "\t\t<cel col=\"1\" row=\"4\" duration=\"2\">walk.png</cel>\r\n"
                             "\t\t<cel col=\"1\" row=\"6\" duration=\"4\">Anim_0002.png</cel>\r\n"
                             "\t</layer>\r\n</layers>\r\n</xsheet>\r\n");
        return sheet;
    }
};

} // namespace

TEST_F(ConvertCommandTest, SheetToTimesheetAndBackKeepsTheNumberedCels) {
    const std::string sheet = MakeSheet();
    ASSERT_EQ(Run({"convert", sheet, Files / "scene.xdts"}), 3) << Err.str();
    EXPECT_EQ(Err.str(), "Left out: walk.png, layer 1, frame 4: no number at the end of its name\n");
    EXPECT_TRUE(ReadText(Files / "scene.xdts").starts_with("exchangeDigitalTimeSheet Save Data\n"));

    fs::create_directory(Files.Path() / "back");
    ASSERT_EQ(Run({"convert", Files / "scene.xdts", Files / "back/scene.xps"}), 0) << Err.str();
    EXPECT_EQ(Err.str(), "");
    ASSERT_EQ(Run({"info", Files / "back/scene.xps"}), 0) << Err.str();
    for (const std::string& line : std::vector<std::string>{"Layer 1: Anim\n", "  Folder:       " + Files / "back/Anim/\n",
                                   "    frame    1  hold    3  Anim_0001.png\n",
                                   "    frame    6  hold    4  Anim_0002.png\n", "  Cels:         2\n"})
        EXPECT_NE(Out.str().find(line), std::string::npos) << line << Out.str();
}

TEST_F(ConvertCommandTest, CelsTheSheetCouldNotPlaceMakeTheConversionPartial) {
    WriteText(Files / "early.xps", "<xsheet version=\"4.0\">\n<settings>\n</settings>\n<layers cols=\"1\">\n"
                                   "<layer col=\"1\" caption=\"A\" dir=\"" +
                                       Files / "A/" +
                                       "\">\n<cel col=\"1\" row=\"1\" duration=\"2\">A_0001.png</cel>\n"
                                       "<cel col=\"1\" row=\"0\" duration=\"2\">A_0002.png</cel>\n"
                                       "</layer>\n</layers>\n</xsheet>\n");
    ASSERT_EQ(Run({"convert", Files / "early.xps", Files / "early.xdts"}), 3) << Err.str();
    EXPECT_EQ(Err.str(), "Left out: A_0002.png, layer 1, frame 0: no first frame\n");
    EXPECT_TRUE(fs::is_regular_file(Files / "early.xdts"));
}

TEST_F(ConvertCommandTest, WhatIsNoTimesheetIsRefusedAndNothingWritten) {
    WriteText(Files / "plain.xdts", "{\"timeTables\": []}");
    WriteText(Files / "broken.xdts", "exchangeDigitalTimeSheet Save Data\n{\"timeTables\": [{\"duration\": 5,}]}");
    const struct {
        const char* file;
        const char* message;
    } cases[] = {
        {"plain.xdts", "This is no timesheet: the first line is not \"exchangeDigitalTimeSheet Save Data\".\n"},
        {"broken.xdts", "This is no timesheet: broken JSON at line 2, column 32: expected a member name.\n"},
        {"missing.xdts", "The file cannot be read.\n"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Run({"convert", Files / c.file, Files / "out.xps"}), 1) << c.file;
        EXPECT_EQ(Err.str(), Files / c.file + ": " + c.message);
        EXPECT_FALSE(fs::exists(Files / "out.xps"));
    }
    for (const std::vector<std::string>& args : {std::vector<std::string>{"convert", Files / "a.xps", Files / "b.xps"},
                                                 {"convert", Files / "a.xdts", Files / "b.txt"},
                                                 {"convert", Files / "a.xps"}})
        EXPECT_EQ(Run(args), 2) << args.back();
}

TEST_F(ConvertCommandTest, OutputsThatAreTheSheetsOwnFilesAreRefused) {
    const std::string sheet = MakeSheet();
    fs::create_symlink(Files / "Anim/Anim_0002.png", Files / "link.png");
    const std::string before = ReadText(sheet);
    const struct {
        std::string output;
        const char* what;
    } outputs[] = {
        {sheet, "it is the sheet itself"},
        {Files / "Anim/../scene.xps", "it is the sheet itself"},
        {Files / "voice.wav", "it is the sheet's sound file"},
        {Files / "Anim/Anim_0001.png", "it is the drawing of layer 1, frame 1"},
        {Files / "link.png", "it is the drawing of layer 1, frame 6"},
    };
    for (const auto& o : outputs) {
        for (const char* command : {"export", "print", "convert"}) {
            EXPECT_EQ(Run({command, sheet, o.output}), command == std::string("convert") ? 2 : 1)
                << command << " " << o.output;
            if (command != std::string("convert")) {
                EXPECT_EQ(Err.str(), "Cannot write \"" + o.output + "\": " + o.what + ".\n") << command;
            }
        }
    }
    // convert takes only a timesheet from a sheet; as such an output that is the sheet is refused too.
    fs::create_symlink(sheet, Files / "same.xdts");
    EXPECT_EQ(Run({"convert", sheet, Files / "same.xdts"}), 1);
    EXPECT_EQ(Err.str(), "Cannot write \"" + Files / "same.xdts" + "\": it is the sheet itself.\n");
    EXPECT_EQ(ReadText(sheet), before);
    EXPECT_EQ(ReadText(Files / "voice.wav"), "sound");
    EXPECT_EQ(ReadText(Files / "Anim/Anim_0001.png"), "drawing");
    EXPECT_EQ(ReadText(Files / "Anim/Anim_0002.png"), "drawing");
}
