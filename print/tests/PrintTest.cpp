#include "cli/CelwrightCli.h"
#include "document/SheetDocument.h"
#include "print/SheetPrinting.h"
#include "print/SheetPrinter.h"
#include "testsupport/CommandOutput.h"
#include "testsupport/TempFolder.h"

#include <QPageSize>
#include <algorithm>
#include <cstdio>
#include <gtest/gtest.h>
#include <sstream>

namespace {

// The PDF's text, page by page, each page as its lines laid out as printed.
std::vector<std::vector<std::string>> PdfPages(const std::string& pdf) {
    const std::string text = CommandOutput("pdftotext -layout '" + pdf + "' -");
    std::vector<std::vector<std::string>> pages(1);
    std::string line;
    for (const char c : text) {
        if (c == '\f') {
            if (!line.empty())
                pages.back().push_back(line);
            line.clear();
            pages.emplace_back();
        } else if (c == '\n') {
            pages.back().push_back(line);
            line.clear();
        } else {
            line += c;
        }
    }
    if (pages.back().empty())
        pages.pop_back();
    return pages;
}

// The words of a line.
std::vector<std::string> Words(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> words;
    for (std::string word; in >> word;)
        words.push_back(word);
    return words;
}

// The words of the table row of `frame` on a page, or nothing when the page has no such row.
std::vector<std::string> RowWords(const std::vector<std::string>& page, int frame) {
    for (const std::string& line : page) {
        const auto words = Words(line);
        if (!words.empty() && words[0] == std::to_string(frame))
            return words;
    }
    return {};
}

// The last frame number printed on a page.
int LastRow(const std::vector<std::string>& page) {
    int last = 0;
    for (const std::string& line : page) {
        const auto words = Words(line);
        if (!words.empty() && words[0].find_first_not_of("0123456789") == std::string::npos)
            last = std::stoi(words[0]);
    }
    return last;
}

class PrintTest : public ::testing::Test {
protected:
    PrintTest() {
        Sheet.AddLayer("Walk", "/anim/walk/", Sheet.DefaultColors);
        Sheet.AddLayer("BG", "/anim/bg/", Sheet.DefaultColors);
    }

    std::vector<std::vector<std::string>> Print(const QPageSize& paper = QPageSize(QPageSize::Letter)) {
        const std::string pdf = Files / "sheet.pdf";
        PrintSheetToPdf(Sheet, "walk.xps", QString::fromStdString(pdf), paper, {});
        return PdfPages(pdf);
    }

    TTempFolder Files;
    TSheetDocument Sheet;
};

} // namespace

TEST_F(PrintTest, HoldsPrintTheirNameOnceAndMarksTheFramesAfter) {
    Sheet.PlaceCelAt(1, 5, "walk01.png", 4);
    Sheet.PlaceCelAt(1, 30, "walk02.png", 1);
    Sheet.PlaceCelAt(2, 1, "sky.png", 45);
    const auto pages = Print();
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(RowWords(pages[0], 5), (std::vector<std::string>{"5", "walk01.png", "|"}));
    for (int frame : {6, 7, 8})
        EXPECT_EQ(RowWords(pages[0], frame), (std::vector<std::string>{std::to_string(frame), "|", "|"}));
    EXPECT_EQ(RowWords(pages[0], 9), (std::vector<std::string>{"9", "|"}));
    EXPECT_EQ(RowWords(pages[0], 1), (std::vector<std::string>{"1", "sky.png"}));
    // The longest layer sets the rows.
    EXPECT_EQ(LastRow(pages[0]), 45);
}

TEST_F(PrintTest, HeaderNamesTheDocumentDateAndLayerFolders) {
    Sheet.PlaceCelAt(1, 1, "walk01.png", 2);
    const auto pages = Print();
    ASSERT_FALSE(pages.empty());
    const std::string& title = pages[0][0];
    EXPECT_NE(title.find("walk.xps - Celwright Exposure Sheet"), std::string::npos) << title;
    EXPECT_NE(title.find(ShortDateToday().toStdString()), std::string::npos) << title;
    std::string text;
    for (const std::string& line : pages[0])
        text += line + "\n";
    EXPECT_NE(text.find("Walk: /anim/walk/"), std::string::npos) << text;
    EXPECT_NE(text.find("BG: /anim/bg/"), std::string::npos) << text;
}

TEST_F(PrintTest, PageBreakInsideAHoldNamesTheCelAgainUnderTheContinuationHeader) {
    Sheet.PlaceCelAt(1, 1, "walk01.png", 200);
    const auto pages = Print();
    ASSERT_GE(pages.size(), 2u);
    const int lastOnFirst = LastRow(pages[0]);
    ASSERT_GT(lastOnFirst, 1);
    ASSERT_LT(lastOnFirst, 200);
    // The continuation header: the document's name and the page number, then the headings.
    EXPECT_EQ(Words(pages[1][0]), (std::vector<std::string>{"walk.xps", "2"}));
    EXPECT_EQ(RowWords(pages[1], lastOnFirst + 1),
              (std::vector<std::string>{std::to_string(lastOnFirst + 1), "walk01.png"}));
    EXPECT_EQ(RowWords(pages[1], lastOnFirst + 2),
              (std::vector<std::string>{std::to_string(lastOnFirst + 2), "|"}));
    EXPECT_EQ(LastRow(pages.back()), 200);
}

TEST_F(PrintTest, LayerListMovesTheTableDownOnEveryPage) {
    Sheet.PlaceCelAt(1, 1, "walk01.png", 200);
    const auto twoLayers = Print();
    for (int i = 3; i <= 12; ++i)
        Sheet.AddLayer("L" + std::to_string(i), "/anim/l/", Sheet.DefaultColors);
    const auto twelveLayers = Print();
    ASSERT_GE(twelveLayers.size(), 2u);
    // Ten more lines of header push rows off every page, the later pages too.
    EXPECT_LT(LastRow(twelveLayers[0]), LastRow(twoLayers[0]));
    // Twelve layers also take pages beside: the next stretch of frames is on the first page after those.
    const auto nextDown = std::find_if(twelveLayers.begin(), twelveLayers.end(), [&](const auto& page) {
        return LastRow(page) > LastRow(twelveLayers[0]);
    });
    ASSERT_NE(nextDown, twelveLayers.end());
    EXPECT_LT(LastRow(*nextDown) - LastRow(twelveLayers[0]), LastRow(twoLayers[1]) - LastRow(twoLayers[0]));
}

TEST_F(PrintTest, PhonemesPrintInADialogueColumnWithTheSoundInTheHeader) {
    Sheet.PlaceCelAt(1, 1, "walk01.png", 2);
    Sheet.LoadAudio("/snd/voice.wav");
    Sheet.SetPhoneme(2, "MBP");
    Sheet.SetPhoneme(6, "rest");
    const auto pages = Print();
    ASSERT_EQ(pages.size(), 1u);
    std::string text;
    for (const std::string& line : pages[0])
        text += line + "\n";
    EXPECT_NE(text.find("Sound: voice.wav"), std::string::npos) << text;
    EXPECT_NE(text.find("Dialogue"), std::string::npos) << text;
    EXPECT_EQ(RowWords(pages[0], 1), (std::vector<std::string>{"1", "walk01.png"}));
    EXPECT_EQ(RowWords(pages[0], 2), (std::vector<std::string>{"2", "MBP", "|"}));
    EXPECT_EQ(LastRow(pages[0]), 6) << "the last phoneme sets the rows";
}

TEST_F(PrintTest, WideSheetsContinueOnPagesBesideWithTheFrameColumnRepeated) {
    for (int i = 3; i <= 24; ++i)
        Sheet.AddLayer("L" + std::to_string(i), "/anim/l/", Sheet.DefaultColors);
    for (int layer = 1; layer <= 24; ++layer)
        Sheet.PlaceCelAt(layer, 1, "c" + std::to_string(layer) + ".png", 3);
    const auto pages = Print();
    ASSERT_GE(pages.size(), 5u);
    const std::string count = std::to_string(pages.size());
    std::vector<std::string> firstCels;
    for (std::size_t page = 1; page < pages.size(); ++page) {
        const auto header = Words(pages[page][0]);
        ASSERT_GE(header.size(), 5u) << pages[page][0];
        EXPECT_EQ(std::vector<std::string>(header.begin(), header.begin() + 5),
                  (std::vector<std::string>{"walk.xps", "page", std::to_string(page + 1), "of", count + ","}));
        const auto row = RowWords(pages[page], 1);
        ASSERT_GE(row.size(), 2u) << "the frame column on page " << page + 1;
        firstCels.push_back(row[1]);
    }
    // Each page beside names its layers: "layers 5 to 8" holds c5.png to c8.png.
    const auto second = Words(pages[1][0]);
    EXPECT_EQ(firstCels[0], "c" + second[6] + ".png");
    EXPECT_EQ(RowWords(pages.back(), 1).back(), "c24.png");
    std::string first;
    for (const std::string& line : pages[0])
        first += line + "\n";
    EXPECT_NE(first.find("page 1 of " + count + ", layers 1 to "), std::string::npos) << first;
}

TEST_F(PrintTest, SheetWithoutCelsPrintsTheHeaderOnly) {
    const auto pages = Print();
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(LastRow(pages[0]), 0);
    EXPECT_EQ(TSheetPrinter::RowsToPrint(Sheet), 0);
}

TEST_F(PrintTest, PaperSizeSetsThePages) {
    Sheet.PlaceCelAt(1, 1, "walk01.png", 2);
    Print(QPageSize(QPageSize::A4));
    EXPECT_NE(CommandOutput("pdfinfo '" + (Files / "sheet.pdf") + "'").find("(A4)"), std::string::npos);
}

namespace {
class PrintCliTest : public ::testing::Test {
protected:
    void SetUp() override { ::setenv("XDG_CONFIG_HOME", (Config / "").c_str(), 1); }

    int Run(const std::vector<std::string>& args) {
        Out.str("");
        Err.str("");
        return RunCelwrightCli(args, Out, Err);
    }

    TTempFolder Config;
    TTempFolder Files;
    std::ostringstream Out;
    std::ostringstream Err;
};
} // namespace

TEST_F(PrintCliTest, PrintsTheSampleSheetOnLetterPaperByDefault) {
    const std::string pdf = Files / "bounce.pdf";
    ASSERT_EQ(Run({"print", CELWRIGHT_SAMPLE_SHEET, pdf}), 0) << Err.str();
    EXPECT_EQ(Err.str(), "");
    const auto pages = PdfPages(pdf);
    ASSERT_FALSE(pages.empty());
    EXPECT_NE(pages[0][0].find("bounce.xps - Celwright Exposure Sheet"), std::string::npos);
    // The sample's phonemes have their column, and its sound is named.
    std::string text;
    for (const std::string& line : pages[0])
        text += line + "\n";
    EXPECT_NE(text.find("Sound: "), std::string::npos) << text;
    EXPECT_NE(text.find("Dialogue"), std::string::npos) << text;
    EXPECT_NE(CommandOutput("pdfinfo '" + pdf + "'").find("(letter)"), std::string::npos);
}

TEST_F(PrintCliTest, UnreadableSheetFailsWithoutAPdf) {
    WriteText(Files / "broken.xps", "<xsheet version=\"4.0\">\r\n<layers cols=\"x\">\r\n");
    const std::string pdf = Files / "broken.pdf";
    EXPECT_EQ(Run({"print", Files / "broken.xps", pdf}), 1);
    EXPECT_NE(Err.str(), "");
    EXPECT_FALSE(std::filesystem::exists(pdf));
}

TEST_F(PrintCliTest, BadArgumentsShowTheUsage) {
    for (const auto& args :
         std::vector<std::vector<std::string>>{{"print", "a.xps"},
                                               {"print", "a.xps", "b.pdf", "--paper", "A3"},
                                               {"print", "a.xps", "b.pdf", "--x"}}) {
        EXPECT_EQ(Run(args), 2);
        EXPECT_NE(Err.str().find("Usage: celwright-cli print"), std::string::npos);
    }
}
