#include "base/Error.h"
#include "document/DialogueFile.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {
using TCues = std::vector<TPhonemeCue>;

const char* const kProject = "lipsync version 1\n"
                             "/snd/hello.wav\n"
                             "24\n"
                             "40\n"
                             "2\n"
                             "\tAnna\n"
                             "\tHello|there\n"
                             "\t1\n"
                             "\t\tHello\n"
                             "\t\t0\n"
                             "\t\t9\n"
                             "\t\t1\n"
                             "\t\t\tHello 0 9 3\n"
                             "\t\t\t\t0 etc\n"
                             "\t\t\t\t4 E\n"
                             "\t\t\t\t8 O\n"
                             "\tBen\n"
                             "\t\n"
                             "\t1\n"
                             "\t\tyo\n"
                             "\t\t12\n"
                             "\t\t14\n"
                             "\t\t1\n"
                             "\t\t\tyo 12 14 1\n"
                             "\t\t\t\t12 O\n";
} // namespace

TEST(DialogueFile, ReadsEachFormatOntoTheSheetsFrames) {
    struct TCase {
        const char* Name;
        std::string Text;
        std::int32_t Fps;
        std::string Voice;
        TCues Expected;
    };
    const std::vector<TCase> cases{
        {"switch file, unsorted, blank lines", "MohoSwitch1\n5 E\n\n1 rest\r\n3 MBP\n", 24, "",
         {{1, "rest"}, {3, "MBP"}, {5, "E"}}},
        {"switch file keeps the later of two lines on a frame", "MohoSwitch1\n2 A\n2 O\n", 24, "", {{2, "O"}}},
        {"TSV at 24 fps", "0.00\tX\n0.5\tB\n1.02\tC\n", 24, "", {{1, "X"}, {13, "B"}, {25, "C"}}},
        {"TSV at 12 fps", "0.00\tX\n0.5\tB\n1.02\tC\n", 12, "", {{1, "X"}, {7, "B"}, {13, "C"}}},
        {"TSV at 25 fps, nearest frame start", "0.03\tA\n0.48\tB\n0.519\tC\n", 25, "",
         {{2, "A"}, {13, "B"}, {14, "C"}}},
        {"TSV at 30 fps, unsorted with blank lines", "\n1.0\tF\n\n0.1\tG\n", 30, "", {{4, "G"}, {31, "F"}}},
        {"JSON", R"({"metadata": {"soundFile": "a.wav", "duration": 1.0},
 "mouthCues": [
  {"start": 0.00, "end": 0.25, "value": "X"},
  {"start": 0.25, "end": 0.5, "value": "\u0041"}
 ]})",
         24, "", {{1, "X"}, {7, "A"}}},
        {"project, every voice", kProject, 24, "", {{1, "etc"}, {5, "E"}, {9, "O"}, {13, "O"}}},
        {"project, one voice", kProject, 24, "Ben", {{13, "O"}}},
        {"project at another rate", kProject, 12, "Anna", {{1, "etc"}, {3, "E"}, {5, "O"}}},
        {"past the frame limit stays for the importer", "MohoSwitch1\n2000 E\n", 24, "", {{2000, "E"}}},
    };
    for (const TCase& c : cases) {
        const TDialogue dialogue = TDialogueFile::ReadText(c.Text, "talk", c.Fps, c.Voice);
        EXPECT_EQ(dialogue.Cues, c.Expected) << c.Name;
    }
    EXPECT_EQ(TDialogueFile::ReadText(kProject, "talk.pgo", 24).Voices, (std::vector<std::string>{"Anna", "Ben"}));
}

TEST(DialogueFile, BrokenFilesAreNamedWithTheirLine) {
    struct TCase {
        std::string Text;
        std::string Message;
    };
    const std::vector<TCase> cases{
        {"MohoSwitch1\n1 E\nfive O\n", "Cannot import \"talk\": line 3: \"five\" is not a frame number from 1."},
        {"MohoSwitch1\n0 E\n", "Cannot import \"talk\": line 2: \"0\" is not a frame number from 1."},
        {"MohoSwitch1\n1 E O\n", "Cannot import \"talk\": line 2: expected FRAME PHONEME, found \"1 E O\"."},
        {"0.0\tX\n-1\tA\n", "Cannot import \"talk\": line 2: \"-1\" is not a time in seconds."},
        {"0.0\tX\n0.5\n", "Cannot import \"talk\": line 2: expected SECONDS<TAB>SHAPE, found \"0.5\"."},
        {"{\"mouthCues\": [\n{\"start\": 0, \"value\": \"X\"},\n{\"value\": \"A\"}]}",
         "Cannot import \"talk\": line 3: a mouth cue needs a \"start\" time and a \"value\"."},
        {"{\"mouthCues\": [\n{\"start\": 0,\n\"value\": X}]}", "Cannot import \"talk\": line 3: this is not valid JSON."},
        {"{\"cues\": []}", "Cannot import \"talk\": line 1: there is no \"mouthCues\" list."},
        {"lipsync version 1\nx.wav\n24\n", "Cannot import \"talk\": line 3: the project ends too early."},
        {"lipsync version 1\nx.wav\nfast\n", "Cannot import \"talk\": line 3: \"fast\" is not the frame rate."},
        {"", "Cannot import \"talk\": the file holds no phonemes."},
    };
    for (const TCase& c : cases) {
        try {
            TDialogueFile::ReadText(c.Text, "talk", 24);
            ADD_FAILURE() << "read: " << c.Text;
        } catch (const ECwError& e) {
            EXPECT_EQ(std::string(e.what()), c.Message);
        }
    }
    EXPECT_THROW(TDialogueFile::ReadText(kProject, "talk", 24, "Carl"), ECwError);
    EXPECT_THROW(TDialogueFile::Read("/nonexistent/talk.dat", 24), ECwError);
}
