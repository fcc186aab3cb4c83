#include "document/SheetDocument.h"
#include "testsupport/SheetTestAccess.h"

#include <functional>
#include <gtest/gtest.h>
#include <vector>

namespace {
// Counts the events a document raises.
struct EventLog {
    explicit EventLog(TSheetDocument& doc) {
        doc.OnSelect = [this](TSheetDocument&, std::int32_t layer, std::int32_t frame) {
            selected.emplace_back(layer, frame);
        };
        doc.OnLayerChange = [this](TSheetDocument&) { ++layerChanges; };
        doc.OnLayerAdded = [this](TSheetDocument&) { ++added; };
        doc.OnLayerDeleted = [this](TSheetDocument&) { ++deleted; };
        doc.OnMaxFrameError = [this](TSheetDocument&) { ++maxFrame; };
        doc.OnShowAudio = [this](TSheetDocument&) { ++shown; };
        doc.OnHideAudio = [this](TSheetDocument&) { ++hidden; };
    }
    std::vector<std::pair<std::int32_t, std::int32_t>> selected;
    int layerChanges = 0, added = 0, deleted = 0, maxFrame = 0, shown = 0, hidden = 0;
};
} // namespace

TEST(Document, NewLayersAreNamedAfterTheirNumberUnlessGivenACaption) {
    TSheetDocument doc;
    EventLog log(doc);
    doc.AddLayer("", "/anim/", LayerColorScheme(1));
    doc.AddLayer("Walk", "", doc.DefaultColors);
    doc.DefaultLayerText = "Ebene";
    doc.AddLayer("", "", doc.DefaultColors);
    EXPECT_EQ(doc.LayerCaption(1), "Layer 1");
    EXPECT_EQ(doc.LayerCaption(2), "Walk");
    EXPECT_EQ(doc.LayerCaption(3), "Ebene 3");
    EXPECT_EQ(doc.LayerFolder(1), "/anim/");
    EXPECT_EQ(doc.LayerColors(1).Name, "Blue");
    EXPECT_TRUE(doc.LayerVisible(2));
    EXPECT_EQ(doc.FrameCount(), 40);
    EXPECT_EQ(log.added, 3);

    doc.DeleteLayer(0);
    doc.DeleteLayer(4);
    EXPECT_EQ(log.deleted, 0);
    doc.DeleteLayer(2);
    EXPECT_EQ(log.deleted, 1);
    EXPECT_EQ(doc.LayerCaption(2), "Ebene 3");
}

TEST(Document, QueriesOutsideTheSheetGiveEmptyAnswers) {
    TSheetDocument doc;
    EXPECT_EQ(doc.CurrentLayer(), 0);
    EXPECT_EQ(doc.CurrentFrame(), 0);
    doc.AddLayer("", "", doc.DefaultColors);
    doc.PlaceCelAt(1, 2, "a.png", 3);
    EXPECT_EQ(doc.CelName(1, 3), "a.png");
    EXPECT_EQ(doc.CelName(1, 1), "");
    EXPECT_EQ(doc.CelAt(2, 2), nullptr);
    EXPECT_EQ(doc.CelAt(1, 0), nullptr);
    EXPECT_EQ(doc.CelAt(1, 41), nullptr);
    EXPECT_EQ(doc.LayerCaption(2), "");
    EXPECT_EQ(doc.LayerColors(2).Name, "Orange");
    EXPECT_FALSE(doc.LayerVisible(0));
    EXPECT_EQ(doc.Phoneme(5), "");
    EXPECT_EQ(doc.CurrentLayer(), 1);
    EXPECT_EQ(doc.CurrentFrame(), 1);
}

TEST(Document, PlaceCelAtKeepsTheFrameLimitAndShowsEveryFrame) {
    TSheetDocument doc;
    EventLog log(doc);
    doc.AddLayer("", "", doc.DefaultColors);
    doc.PlaceCelAt(1, 1630, "a.png", 9);
    EXPECT_EQ(log.maxFrame, 1);
    EXPECT_EQ(doc.UsedFrameCount(), 0);

    doc.PlaceCelAt(1, 1630, "a.png", 8);
    EXPECT_EQ(doc.FrameCount(), kMaxFrames);
    EXPECT_EQ(doc.FrameRows(), kMaxFrames);
    EXPECT_EQ(doc.UsedFrameCount(), kMaxFrames);

    doc.PlaceCelAt(2, 1, "b.png", 1);
    doc.PlaceCelAt(1, 0, "b.png", 1);
    doc.PlaceCelAt(1, 5, "b.png", 0);
    doc.PlaceCelAt(1, 5, "b.png", 2147483647);
    EXPECT_EQ(log.maxFrame, 2);
    EXPECT_EQ(doc.Data().Cels.Count(), 1u);
}

TEST(Document, UsedFrameCountsAndCelList) {
    TSheetDocument doc;
    doc.AddLayer("", "", doc.DefaultColors);
    doc.AddLayer("", "", doc.DefaultColors);
    EXPECT_TRUE(doc.IsEmpty());
    doc.PlaceCelAt(1, 1, "a.png", 2);
    doc.PlaceCelAt(2, 4, "b.png", 3);
    doc.SetLayerVisible(2, false);
    EXPECT_EQ(doc.UsedFrameCount(), 6);
    EXPECT_EQ(doc.VisibleUsedFrameCount(), 2);
    EXPECT_EQ(doc.CelList(), (std::vector<std::string>{"a.png: 0, 0 - 2", "b.png: 1, 3 - 3"}));
}

TEST(Document, SelectCellMovesTheCursorAndRaisesEvents) {
    TSheetDocument doc;
    EventLog log(doc);
    doc.AddLayer("", "", doc.DefaultColors);
    doc.AddLayer("", "", doc.DefaultColors);
    doc.SelectCell(2, 7);
    doc.SelectCell(3, 1);
    doc.SelectCell(1, 41);
    EXPECT_EQ(log.selected, (std::vector<std::pair<std::int32_t, std::int32_t>>{{2, 7}}));
    EXPECT_EQ(log.layerChanges, 1);
    EXPECT_EQ(doc.SelectedCells(), (TCellRect{2, 7, 2, 7}));
    EXPECT_EQ(doc.CurrentFrame(), 7);
}

TEST(Document, PhonemesGrowTheAudioRowsWhenNeeded) {
    struct Case {
        std::int32_t frame;
        const char* text;
        std::int32_t rowsAfter;
        const char* stored;
    };
    const Case cases[] = {
        {5, "MBP", 40, "MBP"}, {60, "AI", 60, "AI"}, {70, "", 40, ""},
        {1638, "E", 40, ""},   {0, "E", 40, ""},     {1637, "O", kMaxFrames, "O"},
    };
    for (const auto& c : cases) {
        TSheetDocument doc;
        doc.AddLayer("", "", doc.DefaultColors);
        doc.ShowAudio();
        ASSERT_EQ(doc.AudioRows(), 40);
        doc.SetPhoneme(c.frame, c.text);
        EXPECT_EQ(doc.AudioRows(), c.rowsAfter) << c.frame;
        EXPECT_EQ(doc.Phoneme(c.frame), c.stored) << c.frame;
    }
}

TEST(Document, ClearSheetEmptiesTheSheetAndItsHistoryButKeepsClipboardAndRate) {
    TSheetDocument doc;
    EventLog log(doc);
    doc.AddLayer("", "", doc.DefaultColors);
    doc.PlaceCelAt(1, 60, "a.png", 2);
    doc.CommitCelName(1, 1, "b.png");
    doc.CommitCelName(1, 2, "c.png");
    doc.Undo(); // a step to undo and one to redo
    WritableData(doc).CopyRegion({0, 59, 0, 60});
    doc.SetFps(12);
    doc.LoadAudio("/snd/voice.wav");
    doc.SetPhoneme(3, "E");
    doc.SelectCell(1, 61);
    EXPECT_EQ(log.shown, 1);

    doc.ClearSheet();
    EXPECT_EQ(doc.UndoManager().UndoCount(), 0u);
    EXPECT_EQ(doc.UndoManager().RedoCount(), 0u);
    EXPECT_EQ(doc.LayerCount(), 0);
    EXPECT_EQ(doc.Data().Cels.Count(), 0u);
    EXPECT_EQ(doc.FrameRows(), 40);
    EXPECT_FALSE(doc.AudioShown());
    EXPECT_EQ(log.hidden, 1);
    EXPECT_EQ(doc.Data().Audio.FileName, "");
    EXPECT_EQ(doc.Phoneme(3), "");
    EXPECT_EQ(doc.SelectedCells(), (TCellRect{1, 1, 1, 1}));
    EXPECT_EQ(doc.Data().ClipCount, 1);
    EXPECT_EQ(doc.Fps(), 12);
    doc.AddLayer("", "", doc.DefaultColors);
    EXPECT_EQ(doc.FrameCount(), 40);
    EXPECT_EQ(doc.LayerCaption(1), "Layer 1");
}

TEST(Document, TheSoundFileNameCountsWhileTheAudioColumnIsShown) {
    TSheetDocument doc;
    doc.AddLayer("", "", doc.DefaultColors);
    WritableData(doc).Audio.FileName = "/snd/hidden.wav";
    EXPECT_EQ(doc.AudioFileName(), "");

    // A sound file that could not be read keeps its name, and so its phonemes, in the sheet.
    doc.LoadAudio("/snd/missing.wav");
    EXPECT_TRUE(doc.AudioShown());
    EXPECT_EQ(doc.AudioFileName(), "/snd/missing.wav");
    EXPECT_FALSE(doc.HasAudio());

    doc.SetPhoneme(2, "MBP");
    doc.ClearAudio();
    EXPECT_EQ(doc.AudioFileName(), "");
    EXPECT_TRUE(doc.AudioShown());
    EXPECT_EQ(doc.Phoneme(2), "MBP");
    doc.ClearPhonemes();
    EXPECT_EQ(doc.Phoneme(2), "");
    EXPECT_EQ(doc.AudioRows(), 40);
}

TEST(Document, SetFpsGrowsTheRowsToTheSound) {
    TSheetDocument doc;
    doc.AddLayer("", "", doc.DefaultColors);
    doc.SetFps(0);
    doc.SetFps(-5);
    EXPECT_EQ(doc.Fps(), 24);
    doc.LoadAudio("/snd/voice.wav");
    WritableData(doc).Audio.DurationMs = 10000;
    doc.SetFps(30);
    EXPECT_EQ(doc.AudioRows(), 301);
    EXPECT_EQ(doc.FrameCount(), 301);
    EXPECT_EQ(doc.FrameRows(), 301);
    EXPECT_TRUE(doc.HasAudio());
}

TEST(Document, EachCommandReportsWhatItChangedOnce) {
    TSheetDocument doc;
    std::vector<TSheetChange> reports;
    doc.OnChange = [&](TSheetDocument&, const TSheetChange& change) { reports.push_back(change); };
    using Check = std::function<bool(const TSheetChange&)>;
    struct Case {
        const char* what;
        std::function<void()> command;
        Check reported; // null: no report at all
    } cases[] = {
        {"a layer added", [&] { doc.AddLayer("", "", doc.DefaultColors); },
         [](const TSheetChange& c) { return c.LayerCount && !c.Cells; }},
        {"a second one", [&] { doc.AddLayer("", "", doc.DefaultColors); },
         [](const TSheetChange& c) { return c.LayerCount; }},
        {"a cel placed", [&] { doc.PlaceCelAt(2, 3, "b", 2); },
         [](const TSheetChange& c) {
             return c.Cells == TCellRect{2, 1, 2, kMaxFrames} && !c.Frames && !c.LayerProperties;
         }},
        {"a caption", [&] { doc.SetLayerCaption(1, "Ink"); },
         [](const TSheetChange& c) {
             return c.LayerProperties && c.LayerProperties->First == 1 && !c.Cells;
         }},
        {"the same caption again", [&] { doc.SetLayerCaption(1, "Ink"); }, nullptr},
        {"frames added, with their undo step", [&] { doc.AddFrames(5); },
         [&](const TSheetChange& c) { return c.Frames && doc.UndoManager().UndoCount() == 1; }},
        {"the cursor moved", [&] { doc.SelectCell(2, 4); },
         [](const TSheetChange& c) {
             return c.OldSelection == TCellRect{1, 1, 1, 1} && !c.Cells;
         }},
        {"a hold lengthened, with its undo step", [&] { doc.ExtendHold(false); },
         [&](const TSheetChange& c) {
             return c.Cells && c.Cells->Left == 2 && doc.UndoManager().UndoCount() == 2;
         }},
        {"a phoneme", [&] { doc.SetPhoneme(1, "ah"); }, [](const TSheetChange& c) { return c.Sound; }},
        {"undone", [&] { doc.Undo(); }, [](const TSheetChange& c) { return c.Everything; }},
        {"undone again", [&] { doc.Undo(); }, [](const TSheetChange& c) { return c.Everything; }},
        {"nothing left to undo", [&] { doc.Undo(); }, nullptr},
    };
    for (const Case& c : cases) {
        reports.clear();
        c.command();
        ASSERT_EQ(reports.size(), c.reported ? 1u : 0u) << c.what;
        if (c.reported) {
            EXPECT_TRUE(c.reported(reports.front())) << c.what;
        }
    }
}
