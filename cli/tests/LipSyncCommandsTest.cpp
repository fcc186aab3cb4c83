#include "testsupport/CliFixture.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {
// A sheet at 24 fps with the layers "Body" and "Mouth", whose drawings are in mouth/.
class LipSyncCliTest : public TCliFixture {
protected:
    LipSyncCliTest() {
        std::filesystem::create_directories(Files.Path() / "mouth");
        WriteText(Files / "s.xps", "<xsheet version=\"4.0\">\r\n<settings>\r\n\t<fps>24</fps>\r\n</settings>\r\n"
                                   "<audio>\r\n</audio>\r\n<layers cols=\"2\">\r\n"
                                   "\t<layer col=\"1\" caption=\"Body\" dir=\"\" color=\"0\" visible=\"1\">\r\n"
                                   "\t\t<cel col=\"1\" row=\"1\" duration=\"8\">body.png</cel>\r\n\t</layer>\r\n"
                                   "\t<layer col=\"2\" caption=\"Mouth\" dir=\"" +
                                       Files / "mouth/" + "\" color=\"0\" visible=\"1\">\r\n\t</layer>\r\n"
                                                          "</layers>\r\n</xsheet>\r\n");
    }
};
} // namespace

TEST_F(LipSyncCliTest, ImportsPhonemesAndAppliesTheMouthChart) {
    WriteText(Files / "talk.dat", "MohoSwitch1\n1 rest\n3 MBP\n6 AI\n2000 E\n");
    ASSERT_EQ(Run({"phonemes", Files / "s.xps", Files / "talk.dat", "--out", Files / "talk.xps"}), 3) << Err.str();
    EXPECT_EQ(Out.str(), "imported: 3 phonemes, frames 1 to 6\n");
    EXPECT_EQ(Err.str(), "Left out: frame 2000 E (past frame 1637)\n");
    EXPECT_EQ(ReadText(Files / "s.xps").find("phoneme"), std::string::npos) << "--out leaves the sheet alone";
    const std::string saved = ReadText(Files / "talk.xps");
    EXPECT_NE(saved.find("\t\t<phoneme row=\"3\">MBP</phoneme>\r\n"), std::string::npos) << saved;

    EXPECT_EQ(Run({"lipsync", Files / "talk.xps", "--layer", "Mouth"}), 1);
    EXPECT_EQ(Err.str(), "Layer \"Mouth\" has no mouth chart (" + Files / "mouth/mouths.ini" + ").\n");

    WriteText(Files / "mouth/mouths.ini", "[mouths]\nrest=r.png\nmbp=m.png\n");
    ASSERT_EQ(Run({"lipsync", Files / "talk.xps", "--layer", "2"}), 0) << Err.str();
    EXPECT_EQ(Out.str(), "lip-sync: 3 cels, frames 1 to 6\n");
    const std::string applied = ReadText(Files / "talk.xps");
    for (const char* cel : {"<cel col=\"2\" row=\"1\" duration=\"2\">r.png</cel>",
                            "<cel col=\"2\" row=\"3\" duration=\"3\">m.png</cel>",
                            "<cel col=\"2\" row=\"6\" duration=\"1\">r.png</cel>"})
        EXPECT_NE(applied.find(cel), std::string::npos) << cel << "\n" << applied;

    WriteText(Files / "mouth/mouths.ini", "[mouths]\nMBP=m.png\n");
    EXPECT_EQ(Run({"lipsync", Files / "talk.xps", "--layer", "Mouth"}), 3);
    EXPECT_EQ(Err.str(), "No drawing in the mouth chart for: rest AI\n");
}

TEST_F(LipSyncCliTest, RefusesWhatItCannotDo) {
    WriteText(Files / "bad.tsv", "0.0\tX\nsoon\tA\n");
    EXPECT_EQ(Run({"phonemes", Files / "s.xps", Files / "bad.tsv"}), 1);
    EXPECT_EQ(Err.str(), "Cannot import \"" + Files / "bad.tsv" + "\": line 2: \"soon\" is not a time in seconds.\n");
    EXPECT_EQ(Run({"phonemes", Files / "s.xps"}), 2);
    EXPECT_EQ(Run({"lipsync", Files / "s.xps"}), 2);
    EXPECT_EQ(Run({"lipsync", Files / "s.xps", "--layer", "Eyes"}), 1);
    EXPECT_EQ(Err.str(), "The sheet has no layer \"Eyes\".\n");
}
