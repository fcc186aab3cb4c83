#include "base/Error.h"
#include "document/SheetDocument.h"
#include "testsupport/SheetTestAccess.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {
// The layer's cels as "name@first+hold".
std::vector<std::string> CelsOf(const TSheetDocument& doc, std::int32_t layer) {
    std::vector<std::string> cels;
    for (std::int32_t frame = 1; frame <= doc.FrameCount();) {
        const TCel* cel = doc.CelAt(layer, frame);
        if (!cel) {
            ++frame;
            continue;
        }
        cels.push_back(cel->Name + "@" + std::to_string(frame) + "+" + std::to_string(cel->Duration));
        frame += cel->Duration;
    }
    return cels;
}

TMouthChart Chart(const std::vector<std::pair<std::string, std::string>>& entries) {
    TMouthChart chart;
    for (const auto& [phoneme, drawing] : entries)
        chart.Set(phoneme, drawing);
    return chart;
}
} // namespace

TEST(LipSync, ImportReplacesThePhonemesInItsRangeAsOneUndoStep) {
    TSheetDocument doc;
    doc.AddLayer("", "", doc.DefaultColors);
    doc.SetPhoneme(1, "keep");
    doc.SetPhoneme(4, "old");
    doc.SetPhoneme(12, "after");
    const auto leftOut = doc.ImportPhonemes({{3, "AI"}, {8, "O"}, {1700, "E"}, {1800, "U"}});
    EXPECT_EQ(leftOut, (std::vector<TPhonemeCue>{{1700, "E"}, {1800, "U"}}));
    EXPECT_TRUE(doc.AudioShown());
    EXPECT_EQ(doc.Phoneme(1), "keep");
    EXPECT_EQ(doc.Phoneme(3), "AI");
    EXPECT_EQ(doc.Phoneme(4), "") << "replaced inside the imported range";
    EXPECT_EQ(doc.Phoneme(8), "O");
    EXPECT_EQ(doc.Phoneme(12), "after");
    EXPECT_EQ(doc.UndoManager().UndoCount(), 1);
    doc.Undo();
    EXPECT_EQ(doc.Phoneme(3), "");
    EXPECT_EQ(doc.Phoneme(4), "old");
    EXPECT_EQ(doc.Phoneme(8), "");

    const auto past = doc.ImportPhonemes({{2000, "E"}});
    EXPECT_EQ(past.size(), 1u);
    EXPECT_EQ(doc.UndoManager().UndoCount(), 0) << "nothing imported, no undo step";
}

TEST(LipSync, ApplyingAChartHoldsEachDrawingUntilTheNextPhoneme) {
    struct TCase {
        const char* Name;
        TMouthChart Chart;
        std::vector<std::string> Cels;
        std::vector<std::string> Missing;
    };
    const std::vector<TCase> cases{
        {"holds, repeated drawings joined, case ignored",
         Chart({{"mbp", "m.png"}, {"AI", "a.png"}, {"E", "a.png"}}),
         {"m.png@3+2", "a.png@5+6"},
         {}},
        {"rest stands for missing phonemes and the frames before the first",
         Chart({{"MBP", "m.png"}, {"rest", "r.png"}}),
         {"r.png@1+2", "m.png@3+2", "r.png@5+6"},
         {}},
        {"missing phonemes are named once and left empty", Chart({{"MBP", "m.png"}}), {"m.png@3+2"}, {"AI", "E"}},
    };
    for (const TCase& c : cases) {
        TSheetDocument doc;
        doc.AddLayer("Mouth", "", doc.DefaultColors);
        doc.AddLayer("Body", "", doc.DefaultColors);
        doc.PlaceCelAt(1, 1, "old.png", 12);
        doc.PlaceCelAt(2, 1, "body.png", 10);
        // MBP on 3, AI on 5, E on 7 and again on 9; the phonemes reach frame 10.
        doc.ImportPhonemes({{3, "MBP"}, {5, "AI"}, {7, "E"}, {10, "AI"}});
        const auto undoBefore = doc.UndoManager().UndoCount();
        EXPECT_EQ(doc.ApplyLipSync(1, c.Chart), c.Missing) << c.Name;
        std::vector<std::string> expected = c.Cels;
        if (!c.Chart.HasRest())
            expected.insert(expected.begin(), "old.png@1+2");
        expected.push_back("old.png@11+2");
        EXPECT_EQ(CelsOf(doc, 1), expected) << c.Name;
        EXPECT_EQ(CelsOf(doc, 2), (std::vector<std::string>{"body.png@1+10"})) << c.Name;
        EXPECT_EQ(doc.UndoManager().UndoCount(), undoBefore + 1) << c.Name;
        doc.Undo();
        EXPECT_EQ(CelsOf(doc, 1), (std::vector<std::string>{"old.png@1+12"})) << c.Name;
    }
}

TEST(LipSync, TheSoundsLengthEndsTheLastHold) {
    TSheetDocument doc;
    doc.AddLayer("", "", doc.DefaultColors);
    doc.ImportPhonemes({{2, "O"}});
    WritableData(doc).Audio.DurationMs = 1000; // 25 frames at 24 fps
    doc.ApplyLipSync(1, Chart({{"O", "o.png"}}));
    EXPECT_EQ(CelsOf(doc, 1), (std::vector<std::string>{"o.png@2+24"}));
}

TEST(LipSync, ApplyingRefusesWhatCannotBeDone) {
    TSheetDocument doc;
    doc.AddLayer("", "", doc.DefaultColors);
    EXPECT_THROW(doc.ApplyLipSync(1, Chart({{"rest", "r.png"}})), ECwError);
    doc.SetPhoneme(2, "E");
    EXPECT_THROW(doc.ApplyLipSync(2, Chart({{"rest", "r.png"}})), ECwError);
}

TEST(MouthChart, LooksPhonemesUpRegardlessOfCase) {
    TMouthChart chart = Chart({{"MBP", "m.png"}, {"Rest", "r.png"}});
    chart.Set("mbp", "m2.png");
    EXPECT_EQ(chart.Entries().size(), 2u);
    EXPECT_EQ(chart.DrawingFor("Mbp"), "m2.png");
    EXPECT_EQ(chart.DrawingFor("O"), "r.png");
    chart.Set("REST", "");
    EXPECT_EQ(chart.DrawingFor("O"), "");
}
