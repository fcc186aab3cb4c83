#include "SheetNotation.h"
#include "document/SheetDocument.h"
#include "testsupport/SheetTestAccess.h"

#include <gtest/gtest.h>
#include <random>

using Layers = std::vector<std::string>;

namespace {
struct UndoEvents {
    explicit UndoEvents(TSheetDocument& doc) {
        doc.OnCanUndo = [this](TSheetDocument&) { log += "U"; };
        doc.OnCantUndo = [this](TSheetDocument&) { log += "u"; };
        doc.OnCanRedo = [this](TSheetDocument&) { log += "R"; };
        doc.OnCantRedo = [this](TSheetDocument&) { log += "r"; };
    }
    std::string log;
};

// Layers (caption, folder, scheme, visibility), cels and phonemes: what undo must bring back.
struct DocumentState {
    std::vector<TLayerInfo> Layers;
    std::vector<TCopyCel> Cels;
    std::vector<std::string> Phonemes;
    bool operator==(const DocumentState&) const = default;
};

DocumentState StateOf(const TSheetDocument& doc) {
    DocumentState state;
    const auto snapshot = TSheetUndo::TakeSnapshot(doc);
    state.Layers = snapshot->Info.Layers;
    state.Cels = snapshot->Info.Cels();
    for (std::int32_t frame = 1; frame <= doc.Data().Audio.UsedPhonemeCount(); ++frame)
        state.Phonemes.push_back(doc.Phoneme(frame));
    return state;
}
} // namespace

TEST(Undo, TenStepsDeep) {
    TSheetDocument doc;
    doc.AddLayer("", "", doc.DefaultColors);
    UndoEvents events(doc);
    for (int frame = 1; frame <= 11; ++frame)
        doc.CommitCelName(1, frame * 2, std::string(1, static_cast<char>('a' + frame)));
    EXPECT_EQ(doc.UndoManager().UndoCount(), 10u);
    for (int i = 0; i < 10; ++i)
        doc.Undo();
    events.log.clear();
    doc.Undo();
    EXPECT_EQ(events.log, "u");
    EXPECT_EQ(doc.Data().Cels.Count(), 1u) << "the first edit cannot be undone any more";
    EXPECT_EQ(doc.CelName(1, 2), "b");
    EXPECT_EQ(doc.UndoManager().RedoCount(), 10u);
}

TEST(Undo, TheDepthIsChosenFrom10To1000AndTrimsTheOldestSteps) {
    const struct {
        std::int32_t asked;
        std::int32_t kept;
    } cases[] = {{25, 25}, {1, 10}, {5000, 1000}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.asked);
        TSheetDocument doc;
        doc.AddLayer("", "", doc.DefaultColors);
        doc.UndoManager().SetDepth(c.asked);
        EXPECT_EQ(doc.UndoManager().Depth(), c.kept);
        for (int edit = 1; edit <= 30; ++edit)
            doc.CommitCelName(1, edit, "c" + std::to_string(edit));
        EXPECT_EQ(doc.UndoManager().UndoCount(), static_cast<std::size_t>(std::min(30, c.kept)));
        while (doc.UndoManager().UndoCount() > 0)
            doc.Undo();
        EXPECT_EQ(doc.UndoManager().RedoCount(), static_cast<std::size_t>(std::min(30, c.kept)));
    }
    // A smaller depth drops the oldest steps at once.
    TSheetDocument doc;
    doc.AddLayer("", "", doc.DefaultColors);
    doc.UndoManager().SetDepth(30);
    for (int edit = 1; edit <= 30; ++edit)
        doc.CommitCelName(1, edit, "c" + std::to_string(edit));
    doc.UndoManager().SetDepth(10);
    EXPECT_EQ(doc.UndoManager().UndoCount(), 10u);
    doc.Undo();
    EXPECT_EQ(doc.CelName(1, 30), "");
    EXPECT_EQ(doc.CelName(1, 29), "c29");
}

TEST(Undo, UndoRedoAndNotifications) {
    TSheetDocument doc;
    doc.AddLayer("", "", doc.DefaultColors);
    UndoEvents events(doc);
    doc.CommitCelName(1, 1, "a");
    EXPECT_EQ(events.log, "Ur");
    events.log.clear();

    doc.Undo();
    EXPECT_EQ(events.log, "Ru");
    EXPECT_EQ(doc.CelName(1, 1), "");
    events.log.clear();

    doc.Redo();
    EXPECT_EQ(events.log, "Ur");
    EXPECT_EQ(doc.CelName(1, 1), "a");

    doc.Undo();
    events.log.clear();
    doc.CommitCelName(1, 1, "b");
    EXPECT_EQ(events.log, "Ur") << "a new edit ends the redo history";
    events.log.clear();
    doc.Redo();
    EXPECT_EQ(events.log, "r");
    EXPECT_EQ(doc.CelName(1, 1), "b");
}

TEST(Undo, BulkUpdatesRecordNothing) {
    TSheetDocument doc;
    doc.AddLayer("", "", doc.DefaultColors);
    doc.CommitCelName(1, 1, "a");
    UndoEvents events(doc);
    doc.SetUpdateMode(TSheetDocument::TUpdateMode::Bulk);
    doc.AddFrames(2);
    doc.CommitCelName(1, 2, "b");
    EXPECT_EQ(events.log, "");
    EXPECT_EQ(doc.UndoManager().UndoCount(), 1u) << "a load that fails keeps the history";
    doc.SetUpdateMode(TSheetDocument::TUpdateMode::Normal);
}

TEST(Undo, DeletedLayerComesBackInPlace) {
    TSheetDocument doc;
    doc.AddLayer("Back", "/b/", LayerColorScheme(2));
    doc.AddLayer("Walk", "/w/", LayerColorScheme(1));
    doc.AddLayer("Eyes", "/e/", doc.DefaultColors);
    doc.PlaceCelAt(1, 1, "bg", 4);
    doc.PlaceCelAt(2, 3, "w1", 2);
    doc.PlaceCelAt(3, 2, "e1", 1);
    doc.SetLayerVisible(2, false);
    const DocumentState before = StateOf(doc);

    doc.DeleteLayer(2);
    ASSERT_EQ(doc.LayerCaption(2), "Eyes");
    doc.Undo();
    EXPECT_EQ(StateOf(doc), before);
    EXPECT_FALSE(doc.LayerVisible(2));
    EXPECT_EQ(doc.LayerColors(2).Name, "Blue");
}

// A step keeps its own copy only of the layers that differ from the step before it; a layer that
// moved to another place is a different layer there.
TEST(Undo, StepsShareTheLayersTheyDoNotChange) {
    TSheetDocument doc;
    for (const char* caption : {"Back", "Walk", "Eyes"})
        doc.AddLayer(caption, "/", doc.DefaultColors);
    doc.PlaceCelAt(1, 1, "bg", 4);
    doc.PlaceCelAt(2, 3, "w1", 2);
    doc.PlaceCelAt(3, 2, "e1", 1);
    const auto before = TSheetUndo::TakeSnapshot(doc);
    doc.PlaceCelAt(2, 6, "w2", 1);
    const auto after = TSheetUndo::TakeSnapshot(doc, before.get());
    EXPECT_EQ(after->Info.LayerCels[0], before->Info.LayerCels[0]);
    EXPECT_NE(after->Info.LayerCels[1], before->Info.LayerCels[1]);
    EXPECT_EQ(after->Info.LayerCels[2], before->Info.LayerCels[2]);
    EXPECT_EQ(after->Info.Cels(), TSheetUndo::TakeSnapshot(doc)->Info.Cels());

    doc.DeleteLayer(1);
    const auto shifted = TSheetUndo::TakeSnapshot(doc, after.get());
    EXPECT_EQ(shifted->Info.Cels(), TSheetUndo::TakeSnapshot(doc)->Info.Cels());
}

TEST(Undo, QuirksThatStay) {
    TSheetDocument doc;
    doc.AddLayer("", "", doc.DefaultColors);
    doc.LoadAudio("/snd/voice.wav");
    WritableData(doc).Audio.DurationMs = 2000;
    doc.SetPhoneme(2, "MBP");

    doc.AddFrames(10);
    doc.Undo();
    EXPECT_EQ(doc.FrameCount(), 50) << "undo does not shrink the sheet";

    doc.CommitPhoneme(5, "E");
    doc.CommitPhoneme(2, "O");
    doc.Undo();
    doc.Undo();
    EXPECT_EQ(doc.Phoneme(2), "MBP");
    EXPECT_EQ(doc.Phoneme(5), "") << "a phoneme typed past the last one goes with its undo";
}

TEST(Undo, RestoringBringsTheSoundFileBack) {
    TSheetDocument doc;
    doc.AddLayer("", "", doc.DefaultColors);
    doc.LoadAudio("/snd/voice.wav");
    WritableData(doc).Audio.DurationMs = 2000;
    doc.ClearAudio();
    ASSERT_EQ(doc.AudioFileName(), "");
    doc.Undo();
    EXPECT_EQ(doc.AudioFileName(), "/snd/voice.wav");
}

TEST(Undo, DragsPushOneSnapshotWhenTheyChangeSomething) {
    TSheetDocument doc;
    BuildSheet(WritableData(doc), {"a|......"});
    doc.UndoManager().PushPending();
    EXPECT_EQ(doc.UndoManager().UndoCount(), 0u);

    doc.UndoManager().CapturePending();
    TCellRect block{0, 0, 0, 1};
    WritableData(doc).MoveBlock(block, 0, true, 1);
    doc.UndoManager().CapturePending();
    WritableData(doc).MoveBlock(block, 0, true, 2);
    doc.UndoManager().PushPending();
    EXPECT_EQ(doc.UndoManager().UndoCount(), 1u);
    doc.Undo();
    EXPECT_EQ(DescribeSheet(doc.Data()), (Layers{"a|......"}));
}

// Long random edits on random small sheets: the model stays sound after every step, and undoing
// every step gives back the sheet it started from.
TEST(Undo, RandomEditsUndoToTheStart) {
    std::mt19937 random(20261209);
    auto pick = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
    auto name = [&] { return std::string(1, static_cast<char>('a' + pick(0, 3))); };

    for (int round = 0; round < 300; ++round) {
        TSheetDocument doc;
        const int frames = pick(6, 16);
        const int layers = pick(1, 3);
        for (int l = 1; l <= layers; ++l) {
            doc.AddLayer("", "/l" + std::to_string(l) + "/", LayerColorScheme(pick(0, 2)));
            for (int f = 1; f <= frames; f += pick(1, 3)) {
                if (pick(0, 3) > 0)
                    doc.PlaceCelAt(l, f, name(), pick(1, 3));
            }
        }
        doc.LoadAudio("/snd/voice.wav");
        WritableData(doc).Audio.DurationMs = 1000;
        doc.SetPhoneme(frames, "rest"); // phonemes are edited only before this one
        const DocumentState start = StateOf(doc);

        for (int step = 0; step < 40 && doc.UndoManager().UndoCount() < 10; ++step) {
            if (doc.LayerCount() > 0)
                doc.SelectCell(pick(1, doc.LayerCount()), pick(1, doc.FrameCount()));
            switch (pick(0, 13)) {
            case 0:
                doc.ExtendHold(pick(0, 1));
                break;
            case 1:
                doc.ShortenHold(pick(0, 1));
                break;
            case 2:
                doc.SetHold(pick(1, 9), pick(0, 1));
                break;
            case 3:
                doc.InsertFrame();
                break;
            case 4:
                WritableData(doc).Selection.Bottom =
                    std::min(doc.Data().Selection.Top + pick(0, 3), doc.FrameCount() - 1);
                doc.DeleteFrames();
                break;
            case 5:
                WritableData(doc).Selection.Bottom =
                    std::min(doc.Data().Selection.Top + pick(0, 3), doc.FrameCount() - 1);
                doc.CopySelection();
                break;
            case 6:
                doc.CutSelection();
                break;
            case 7:
                doc.PasteAtSelection();
                break;
            case 8:
                doc.CommitCelName(doc.CurrentLayer(), doc.CurrentFrame(), name());
                break;
            case 9:
                doc.CommitLayerCaption(pick(1, 3), "Caption " + name());
                break;
            case 10:
                doc.CommitPhoneme(pick(1, frames - 1), pick(0, 1) ? name() : "");
                break;
            case 11:
                if (pick(0, 1))
                    doc.AppendLayer("/new/");
                else
                    doc.DeleteLayer(pick(1, 3));
                break;
            case 12: {
                doc.UndoManager().CapturePending();
                TCellRect block = doc.Data().Selection;
                const int dest = doc.Data().Selection.Top + pick(-2, 2);
                if (doc.Data().CanDropBlock(block, block.Left, dest))
                    WritableData(doc).MoveBlock(block, block.Left, true, dest);
                doc.UndoManager().PushPending();
                break;
            }
            case 13:
                doc.AddFrames(pick(1, 3));
                break;
            }
            ASSERT_EQ(CheckInvariants(doc.Data()), "") << "round " << round << " step " << step;
        }
        while (doc.UndoManager().UndoCount() > 0)
            doc.Undo();
        ASSERT_EQ(StateOf(doc), start) << "round " << round;
    }
}
