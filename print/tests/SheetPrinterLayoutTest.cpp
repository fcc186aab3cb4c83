#include "document/SheetDocument.h"
#include "print/SheetPrinter.h"

#include <gtest/gtest.h>

namespace {
// A printer of 100 dots per inch with 10-dot unprintable margins, 9-point text 10 dots high and
// 12-point text 14, each character 5 dots wide; it writes down what is drawn.
class TRecordingCanvas : public TPrintCanvas {
public:
    TPrinterMetrics Metrics() const override { return {100, 830, 1080, 850, 1100, 10, 10}; }
    void SetFont(std::int32_t pointSize, bool bold) override {
        Size = pointSize;
        Bold = bold;
    }
    std::int32_t TextHeight() const override { return Size == 12 ? 14 : 10; }
    std::int32_t TextWidth(const std::string& text) const override {
        return 5 * static_cast<std::int32_t>(text.size());
    }
    void TextOut(std::int32_t x, std::int32_t y, const std::string& text) override {
        Texts.push_back(std::to_string(Page) + " " + std::to_string(x) + "," + std::to_string(y) +
                        (Bold ? " b" : " ") + std::to_string(Size) + " " + text);
    }
    void SetPenWidth(std::int32_t width) override { Pen = width; }
    void Line(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2) override {
        if (x1 == x2)
            Verticals.push_back(std::to_string(Page) + " x" + std::to_string(x1) + " " + std::to_string(y1) +
                                "-" + std::to_string(y2) + " pen" + std::to_string(Pen));
    }
    void NewPage() override { ++Page; }

    int Page = 1;
    std::int32_t Size = 0;
    bool Bold = false;
    std::int32_t Pen = 0;
    std::vector<std::string> Texts;
    std::vector<std::string> Verticals;
};

bool Has(const std::vector<std::string>& list, const std::string& entry) {
    return std::find(list.begin(), list.end(), entry) != list.end();
}
} // namespace

// Title top 50 - 10 = 40; grid left 75 - 10 = 65; grid top 40 + 14 + (2 + 3) * 10 = 104; rows
// 11 high from 105; frame numbers end 10 before the first layer column at 115.
TEST(SheetPrinterLayoutTest, PlacesHeaderNumbersNamesAndMarks) {
    TSheetDocument sheet;
    sheet.AddLayer("Walk", "/w/", sheet.DefaultColors);
    sheet.AddLayer("BG", "/b/", sheet.DefaultColors);
    sheet.PlaceCelAt(1, 2, "a.png", 2);
    TRecordingCanvas canvas;
    TSheetPrinter(sheet, "s.xps", "1/2/26").Print(canvas);
    for (const char* text : {"1 50,40 b12 s.xps - Celwright Exposure Sheet", "1 740,40 b12 1/2/26",
                             "1 75,64 9 Walk: /w/", "1 75,74 9 BG: /b/", "1 121,93 9 Walk", "1 271,93 9 BG",
                             "1 100,105 b9 1", "1 121,116 9 a.png", "1 188,127 9 |", "1 100,127 b9 3"})
        EXPECT_TRUE(Has(canvas.Texts, text)) << text;
    EXPECT_EQ(canvas.Texts.size(), 11u);
    // The last page's vertical lines are the thick ones: grid left and each column's right edge.
    EXPECT_EQ(canvas.Verticals, (std::vector<std::string>{"1 x65 105-138 pen3", "1 x115 105-138 pen3",
                                                          "1 x265 105-138 pen3", "1 x415 105-138 pen3"}));
}

// The bottom limit is 1100 - 75 - 10 = 1015: a page holds 82 rows (105 + 82 * 11 = 1007).
TEST(SheetPrinterLayoutTest, BreaksPagesOnlyWhenRowsRemain) {
    for (const std::int32_t rows : {82, 83}) {
        TSheetDocument sheet;
        sheet.AddLayer("Walk", "/w/", sheet.DefaultColors);
        sheet.AddLayer("BG", "/b/", sheet.DefaultColors);
        sheet.PlaceCelAt(1, 1, "a.png", rows);
        TRecordingCanvas canvas;
        TSheetPrinter(sheet, "s.xps", "1/2/26").Print(canvas);
        EXPECT_EQ(canvas.Page, rows == 82 ? 1 : 2) << rows;
        if (rows == 83) {
            EXPECT_TRUE(Has(canvas.Verticals, "1 x65 105-1007 pen1"));
            EXPECT_TRUE(Has(canvas.Verticals, "2 x65 105-116 pen3"));
            EXPECT_TRUE(Has(canvas.Texts, "2 50,40 b12 s.xps"));
            EXPECT_TRUE(Has(canvas.Texts, "2 765,40 b12 2"));
            EXPECT_TRUE(Has(canvas.Texts, "2 121,105 9 a.png"));
        }
    }
}

// With phonemes the dialogue column (75 wide) comes after the frame numbers and the layers move
// right by it; the sound line after the layer list moves the grid top down a line, to 114.
TEST(SheetPrinterLayoutTest, PhonemesGetADialogueColumn) {
    TSheetDocument sheet;
    sheet.AddLayer("Walk", "/w/", sheet.DefaultColors);
    sheet.AddLayer("BG", "/b/", sheet.DefaultColors);
    sheet.PlaceCelAt(1, 1, "a.png", 2);
    sheet.LoadAudio("/snd/voice.wav");
    sheet.SetPhoneme(1, "MBP");
    sheet.SetPhoneme(4, "E");
    TRecordingCanvas canvas;
    TSheetPrinter(sheet, "s.xps", "1/2/26").Print(canvas);
    for (const char* text : {"1 75,84 9 Sound: voice.wav", "1 121,103 9 Dialogue", "1 196,103 9 Walk",
                             "1 121,115 9 MBP", "1 196,115 9 a.png", "1 121,148 9 E", "1 100,148 b9 4"})
        EXPECT_TRUE(Has(canvas.Texts, text)) << text;
    EXPECT_EQ(canvas.Verticals, (std::vector<std::string>{"1 x65 115-159 pen3", "1 x115 115-159 pen3",
                                                          "1 x190 115-159 pen3", "1 x340 115-159 pen3",
                                                          "1 x490 115-159 pen3"}));
}

// 4 layer columns fit the 830-dot page beside the frame numbers: 10 layers take 3 pages across,
// and 83 rows 2 pages down.
TEST(SheetPrinterLayoutTest, WideSheetsGoOnOverPagesBeside) {
    TSheetDocument sheet;
    for (int layer = 1; layer <= 10; ++layer) {
        sheet.AddLayer("L" + std::to_string(layer), "/l/", sheet.DefaultColors);
        sheet.PlaceCelAt(layer, 1, "c" + std::to_string(layer) + ".png", 83);
    }
    TRecordingCanvas canvas;
    TSheetPrinter(sheet, "s.xps", "1/2/26").Print(canvas);
    EXPECT_EQ(canvas.Page, 6);
    // Grid top 40 + 14 + 13 * 10 = 184: rows from 185, 75 to a page.
    for (const char* text : {"1 640,54 9 page 1 of 6, layers 1 to 4", "1 121,173 9 L1", "1 571,173 9 L4",
                             "2 640,40 b12 page 2 of 6, layers 5 to 8", "2 100,185 b9 1", "2 121,173 9 L5",
                             "2 121,185 9 c5.png", "3 635,40 b12 page 3 of 6, layers 9 to 10",
                             "3 271,185 9 c10.png", "4 640,40 b12 page 4 of 6, layers 1 to 4",
                             "4 95,185 b9 76", "4 121,185 9 c1.png", "6 95,262 b9 83"})
        EXPECT_TRUE(Has(canvas.Texts, text)) << text;
    std::vector<std::string> layer5Headings;
    for (const auto& text : canvas.Texts) {
        if (text.size() > 3 && text.compare(text.size() - 3, 3, " L5") == 0)
            layer5Headings.push_back(text);
    }
    EXPECT_EQ(layer5Headings, (std::vector<std::string>{"2 121,173 9 L5", "5 121,173 9 L5"}));
    EXPECT_TRUE(Has(canvas.Verticals, "3 x415 185-1010 pen1"));
    EXPECT_TRUE(Has(canvas.Verticals, "6 x415 185-273 pen3"));
}
