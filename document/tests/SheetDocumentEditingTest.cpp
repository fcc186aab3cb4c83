#include "SheetNotation.h"
#include "base/Error.h"
#include "document/SheetDocument.h"
#include "testsupport/TempFolder.h"
#include "testsupport/SheetTestAccess.h"

#include <functional>
#include <gtest/gtest.h>

using Layers = std::vector<std::string>;
using Command = std::function<void(TSheetDocument&)>;

namespace {
void PutCursor(TSheetDocument& doc, std::int32_t col, std::int32_t frame) {
    WritableData(doc).CurLayer = col;
    WritableData(doc).CurFrame = frame;
    WritableData(doc).Selection = {col, frame, col, frame};
}

// The sheet as text, with frames past `frames` left out when they are empty.
Layers Described(const TSheetDocument& doc, std::size_t frames) {
    Layers layers = DescribeSheet(doc.Data());
    for (auto& layer : layers) {
        if (layer.size() > frames && layer.find_first_not_of('.', frames) == std::string::npos)
            layer.resize(frames);
    }
    return layers;
}

struct EditCase {
    const char* what;
    Layers before;
    std::int32_t cursor; // frame of the cursor in the first layer, 0-based
    Command command;
    Layers after;
    std::int32_t cursorAfter = -1; // -1: where it was
    int maxFrameErrors = 0;
};

void RunEditCases(const std::vector<EditCase>& cases) {
    for (const auto& c : cases) {
        TSheetDocument doc;
        int maxFrameErrors = 0;
        doc.OnMaxFrameError = [&](TSheetDocument&) { ++maxFrameErrors; };
        BuildSheet(WritableData(doc), c.before);
        PutCursor(doc, 0, c.cursor);
        c.command(doc);
        const std::size_t width = std::max(c.before.front().size(), c.after.front().size());
        EXPECT_EQ(Described(doc, width), c.after) << c.what;
        EXPECT_EQ(CheckInvariants(doc.Data()), "") << c.what;
        EXPECT_EQ(doc.Data().CurFrame, c.cursorAfter < 0 ? c.cursor : c.cursorAfter) << c.what;
        EXPECT_EQ(maxFrameErrors, c.maxFrameErrors) << c.what;
        const bool changed = c.after != c.before;
        EXPECT_EQ(doc.UndoManager().UndoCount(), changed ? 1u : 0u) << c.what;
        doc.Undo();
        EXPECT_EQ(Described(doc, c.before.front().size()), c.before) << c.what << " (undone)";
    }
}

Command Extend(bool ripple) {
    return [=](TSheetDocument& d) { d.ExtendHold(ripple); };
}
Command Shorten(bool ripple) {
    return [=](TSheetDocument& d) { d.ShortenHold(ripple); };
}
Command Hold(std::int32_t n, bool ripple) {
    return [=](TSheetDocument& d) { d.SetHold(n, ripple); };
}
Command Insert() {
    return [](TSheetDocument& d) { d.InsertFrame(); };
}
} // namespace

TEST(Editing, ExtendHold) {
    RunEditCases({
        {"a following cel moves down", {"a|b|c..."}, 0, Extend(false), {"a||b|c.."}},
        {"an empty frame after the cel joins the hold", {"a|.b|..."}, 0, Extend(false), {"a||b|..."}},
        {"with ripple the rest moves down", {"a|.b|..."}, 1, Extend(true), {"a||.b|.."}},
        {"the last cel grows and keeps an empty frame after it", {"..a|"}, 2, Extend(false), {"..a||."}},
        {"an empty frame above cels opens one more", {"a.b|...."}, 1, Extend(false), {"a..b|..."}},
        {"nothing below an empty cursor", {"a|......"}, 3, Extend(false), {"a|......"}},
    });
}

TEST(Editing, ShortenHold) {
    RunEditCases({
        {"with ripple later cels close up", {"a||b|...."}, 0, Shorten(true), {"a|b|....."}},
        {"without ripple a frame opens", {"a||b|...."}, 0, Shorten(false), {"a|.b|...."}},
        {"the cursor on the freed frame follows the hold",
         {"a||b|...."},
         2,
         Shorten(false),
         {"a|.b|...."},
         1},
        {"a one-frame cel stays", {"ab|....."}, 0, Shorten(true), {"ab|....."}},
        {"an empty frame above cels is removed", {"a.b|...."}, 1, Shorten(false), {"ab|....."}},
        {"also with ripple", {"a.b|...."}, 1, Shorten(true), {"ab|....."}},
        {"an empty frame below the last cel stays", {"a|......"}, 3, Shorten(true), {"a|......"}},
    });
}

TEST(Editing, SetHold) {
    RunEditCases({
        {"fills free frames and pushes the rest", {"a.b|...."}, 0, Hold(3, false), {"a||b|..."}},
        {"enough free frames: nothing moves", {"a...b|.."}, 0, Hold(3, false), {"a||.b|.."}},
        {"with ripple the rest moves by all", {"a..b|...."}, 0, Hold(3, true), {"a||..b|.."}},
        {"a following cel moves down", {"ab|....."}, 0, Hold(3, false), {"a||b|..."}},
        {"the last cel grows the sheet", {"a..."}, 0, Hold(5, false), {"a||||.."}},
        {"shorter without ripple", {"a|||b|.."}, 0, Hold(2, false), {"a|..b|.."}},
        {"shorter with ripple closes up", {"a|||b|.."}, 0, Hold(2, true), {"a|b|...."}},
        {"shorter moves a cursor below the new end", {"a|||b|.."}, 3, Hold(1, false), {"a...b|.."}, 0},
        {"the same hold does nothing", {"a|||b|.."}, 0, Hold(4, true), {"a|||b|.."}},
        {"no cel does nothing", {"..a|...."}, 0, Hold(3, true), {"..a|...."}},
    });
}

TEST(Editing, InsertFrame) {
    RunEditCases({
        {"at a cel's first frame the cel and later cels move down", {"a|b|...."}, 2, Insert(), {"a|.b|..."}},
        {"inside a hold the hold grows", {"a|b|...."}, 1, Insert(), {"a||b|..."}},
        {"on an empty frame above cels a frame opens", {"a.b....."}, 1, Insert(), {"a..b...."}},
        {"the last frame in use grows the sheet", {"a|b|"}, 2, Insert(), {"a|.b|"}},
    });
}

TEST(Editing, DeleteFramesClosesUpTheSelectedLayers) {
    struct Case {
        Layers before;
        TCellRect selection;
        Layers after;
    };
    const Case cases[] = {
        {{"a|b|c|..", "d|e|f|.."}, {0, 2, 0, 3}, {"a|c|....", "d|e|f|.."}},
        {{"a||||b..", "d|||||e."}, {0, 1, 1, 2}, {"a||b....", "d|||e..."}},
        {{"a|b||c..", "........"}, {0, 1, 1, 3}, {"abc.....", "........"}},
    };
    for (const auto& c : cases) {
        TSheetDocument doc;
        BuildSheet(WritableData(doc), c.before);
        WritableData(doc).Selection = c.selection;
        doc.DeleteFrames();
        EXPECT_EQ(DescribeSheet(doc.Data()), c.after);
        EXPECT_EQ(CheckInvariants(doc.Data()), "");
        EXPECT_EQ(doc.FrameCount(), static_cast<std::int32_t>(c.before.front().size()));
        doc.Undo();
        EXPECT_EQ(DescribeSheet(doc.Data()), c.before);
    }
}

TEST(Editing, HoldsStopAtTheFrameLimit) {
    TSheetDocument doc;
    int errors = 0;
    doc.OnMaxFrameError = [&](TSheetDocument&) { ++errors; };
    doc.AddLayer("", "", doc.DefaultColors);
    doc.PlaceCelAt(1, 1635, "a.png", 1);
    doc.SelectCell(1, 1635);
    doc.SetHold(9, false);
    EXPECT_EQ(doc.CelAt(1, 1637)->Duration, 3);
    EXPECT_EQ(errors, 1);
    EXPECT_EQ(doc.FrameCount(), kMaxFrames);

    doc.ExtendHold(false);
    doc.InsertFrame();
    EXPECT_EQ(errors, 3);
    EXPECT_EQ(doc.CelAt(1, 1637)->Duration, 3);
    EXPECT_EQ(doc.UndoManager().UndoCount(), 1u);
    EXPECT_EQ(CheckInvariants(doc.Data()), "");

    doc.AddFrames(10);
    EXPECT_EQ(errors, 4);
}

TEST(Editing, AddFramesStopsAtTheLimitAndGrowsTheAudioRows) {
    TSheetDocument doc;
    int errors = 0;
    doc.OnMaxFrameError = [&](TSheetDocument&) { ++errors; };
    doc.AddFrames(10);
    EXPECT_EQ(doc.FrameCount(), 0);
    doc.AddLayer("", "", doc.DefaultColors);
    doc.ShowAudio();
    doc.AddFrames(10);
    EXPECT_EQ(doc.FrameCount(), 50);
    EXPECT_EQ(doc.FrameRows(), 50);
    EXPECT_EQ(doc.AudioRows(), 50);
    doc.PlaceCelAt(1, 1630, "a.png", 1);
    doc.AddFrames(10);
    EXPECT_EQ(doc.FrameCount(), kMaxFrames);
    EXPECT_EQ(errors, 0);
}

TEST(Editing, CopyAndPasteABlockElsewhere) {
    TSheetDocument doc;
    int canPaste = 0;
    std::vector<std::pair<std::int32_t, std::int32_t>> selected;
    doc.OnCanPaste = [&](TSheetDocument&) { ++canPaste; };
    doc.OnSelect = [&](TSheetDocument&, std::int32_t l, std::int32_t f) { selected.emplace_back(l, f); };
    BuildSheet(WritableData(doc), {"a|b.....", "c||.....", "........"});
    WritableData(doc).Selection = {0, 0, 1, 2};
    doc.CopySelection();
    EXPECT_EQ(canPaste, 1);

    PutCursor(doc, 1, 4);
    doc.PasteAtSelection();
    EXPECT_EQ(DescribeSheet(doc.Data()), (Layers{"a|b.....", "c||.a|b.", "....c||."}));
    EXPECT_EQ(doc.SelectedCells(), (TCellRect{2, 5, 3, 7}));
    EXPECT_EQ(selected.back(), (std::pair<std::int32_t, std::int32_t>{2, 5}));

    // At the last layer only the first column lands; the sheet grows to keep an empty frame.
    PutCursor(doc, 2, 7);
    doc.PasteAtSelection();
    EXPECT_EQ(DescribeSheet(doc.Data()), (Layers{"a|b........", "c||.a|b....", "....c||a|b."}));
    EXPECT_EQ(doc.FrameRows(), 11);
    EXPECT_EQ(doc.SelectedCells(), (TCellRect{3, 8, 3, 10}));
    EXPECT_EQ(CheckInvariants(doc.Data()), "");
}

TEST(Editing, PasteBeforeAnyCopyClearsTheCell) {
    TSheetDocument doc;
    BuildSheet(WritableData(doc), {"a||b"});
    PutCursor(doc, 0, 1);
    doc.PasteAtSelection();
    EXPECT_EQ(DescribeSheet(doc.Data()), (Layers{"a.ab"}));
}

TEST(Editing, CutClearsTheSelectionAndFillsTheClipboard) {
    TSheetDocument doc;
    BuildSheet(WritableData(doc), {"a||b"});
    WritableData(doc).Selection = {0, 1, 0, 2};
    doc.CutSelection();
    EXPECT_EQ(DescribeSheet(doc.Data()), (Layers{"a..b"}));
    EXPECT_EQ(doc.Data().ClipCount, 1);
    EXPECT_EQ(doc.Data().Clipboard[0], (TCopyCel{"a", 2, 0, 0}));
}

TEST(Editing, ArrowKeysStopAtTheEdges) {
    struct Case {
        int key;
        TCellRect start;
        TCellRect expected;
    };
    const Case cases[] = {
        {SheetKeys::kDown, {0, 3, 0, 3}, {0, 3, 0, 3}}, {SheetKeys::kRight, {1, 0, 1, 0}, {1, 0, 1, 0}},
        {SheetKeys::kLeft, {0, 2, 0, 2}, {0, 2, 0, 2}}, {SheetKeys::kUp, {1, 0, 1, 0}, {1, 0, 1, 0}},
        {SheetKeys::kDown, {0, 1, 1, 2}, {0, 2, 0, 2}}, {SheetKeys::kRight, {0, 1, 0, 2}, {1, 1, 1, 1}},
    };
    for (const auto& c : cases) {
        TSheetDocument doc;
        int selects = 0;
        doc.OnSelect = [&](TSheetDocument&, std::int32_t, std::int32_t) { ++selects; };
        BuildSheet(WritableData(doc), {"....", "...."});
        WritableData(doc).Selection = c.start;
        doc.RunKeyCommand(SheetKeyCommand(c.key, false));
        EXPECT_EQ(doc.Data().Selection, c.expected) << c.key;
        EXPECT_EQ(selects, c.expected == c.start ? 0 : 1) << c.key;
    }
}

TEST(Editing, KeyMapping) {
    using TKind = TSheetKeyCommand::TKind;
    EXPECT_EQ(SheetKeyCommand(107, true),
              (TSheetKeyCommand{TKind::ExtendHold, TCursorDirection::Left, 0, true}));
    EXPECT_EQ(SheetKeyCommand(109, false),
              (TSheetKeyCommand{TKind::ShortenHold, TCursorDirection::Left, 0, false}));
    EXPECT_EQ(SheetKeyCommand(97, false).Hold, 1);
    EXPECT_EQ(SheetKeyCommand(105, true),
              (TSheetKeyCommand{TKind::SetHold, TCursorDirection::Left, 9, true}));
    EXPECT_EQ(SheetKeyCommand(38, true).Direction, TCursorDirection::Up);
    EXPECT_EQ(SheetKeyCommand(96, false).Kind, TKind::None);
    EXPECT_EQ(SheetKeyCommand(106, false).Kind, TKind::None);
    EXPECT_EQ(SheetKeyCommand(65, false).Kind, TKind::None);
}

TEST(Editing, TypedCelNames) {
    RunEditCases({
        {"a name over a hold of another name splits it",
         {"a||||..."},
         0,
         [](TSheetDocument& d) { d.CommitCelName(1, 3, "b"); },
         {"a|ba|..."}},
        {"a new name on a cel's first frame renames the whole hold",
         {"a||b...."},
         0,
         [](TSheetDocument& d) { d.CommitCelName(1, 1, "b"); },
         {"b||b...."}},
        {"a name on an empty frame joins an equal neighbour",
         {"a|......"},
         0,
         [](TSheetDocument& d) { d.CommitCelName(1, 3, "a"); },
         {"a||....."}},
        {"an empty name does nothing",
         {"a|......"},
         0,
         [](TSheetDocument& d) { d.CommitCelName(1, 1, ""); },
         {"a|......"}},
    });
}

TEST(Editing, CaptionsAndPhonemes) {
    TSheetDocument doc;
    doc.AddLayer("Walk", "", doc.DefaultColors);
    doc.CommitLayerCaption(1, "");
    doc.CommitLayerCaption(1, "Walk");
    doc.CommitLayerCaption(2, "Run");
    EXPECT_EQ(doc.UndoManager().UndoCount(), 0u);
    doc.CommitLayerCaption(1, "Run");
    EXPECT_EQ(doc.LayerCaption(1), "Run");

    doc.CommitPhoneme(3, "E");
    EXPECT_EQ(doc.Phoneme(3), "") << "phonemes need the audio column";
    doc.ShowAudio();
    doc.CommitPhoneme(3, "E");
    doc.CommitPhoneme(3, "E");
    EXPECT_EQ(doc.Phoneme(3), "E");
    EXPECT_EQ(doc.UndoManager().UndoCount(), 2u);
    doc.CommitPhoneme(3, "");
    EXPECT_EQ(doc.Phoneme(3), "");
}

TEST(Editing, RefusedCelNamesSayWhy) {
    TSheetDocument doc;
    doc.AddLayer("", "", doc.DefaultColors);
    doc.PlaceCelAt(1, 1, "a.png", 2);
    const struct {
        std::string text;
        const char* reason;
    } refused[] = {
        {"a/b.png", "contains a folder separator"},
        {"../../../etc/passwd", "contains a folder separator"},
        {"/etc/passwd", "contains a folder separator"},
        {"a\\b.png", "contains a folder separator"},
        {"..", "names a folder"},
        {".", "names a folder"},
        {std::string(300, 'x'), "is longer than the 255 characters"},
    };
    for (const auto& c : refused) {
        const std::string message = doc.CommitCelName(1, 1, c.text);
        EXPECT_NE(message.find(c.reason), std::string::npos) << c.text << ": " << message;
        EXPECT_NE(message.find("Cel name"), std::string::npos) << message;
    }
    EXPECT_EQ(doc.CelName(1, 1), "a.png");
    EXPECT_EQ(doc.UndoManager().UndoCount(), 0u);
    EXPECT_EQ(doc.CommitCelName(1, 1, std::string(255, 'x')), "") << "the longest name the file system takes";
    EXPECT_EQ(doc.CommitCelName(1, 1, "a..b.png"), "");
    EXPECT_EQ(doc.CelName(1, 1), "a..b.png");
}

TEST(Editing, RenamingAnImageFile) {
    TTempFolder folder;
    const std::string dir = folder / "Layer 1/";
    std::filesystem::create_directories(dir);
    WriteText(dir + "a.png", "drawing a");
    WriteText(dir + "taken.png", "another drawing");

    TSheetDocument doc;
    doc.AddLayer("", dir, doc.DefaultColors);
    doc.PlaceCelAt(1, 1, "a.png", 2);

    struct Case {
        const char* text;
        const char* message;
    };
    const Case refused[] = {
        {"", ""},
        {"a.png", ""},
        {"taken.png", "File 'taken.png' already exists."},
        {"../a.png", "Image name '../a.png' contains a folder separator; it must be a file name in the layer's folder."},
        {"sub/a.png", "Image name 'sub/a.png' contains a folder separator; it must be a file name in the layer's folder."},
        {"..", "Image name '..' names a folder; it must be a file name in the layer's folder."},
    };
    for (const auto& c : refused) {
        EXPECT_EQ(doc.CommitImageRename(1, 2, c.text), c.message) << c.text;
        EXPECT_EQ(doc.CelName(1, 1), "a.png");
    }
    EXPECT_EQ(doc.UndoManager().UndoCount(), 0u);

    EXPECT_EQ(doc.CommitImageRename(1, 2, "b.png"), "");
    EXPECT_EQ(doc.CelName(1, 2), "b.png");
    EXPECT_EQ(ReadText(dir + "b.png"), "drawing a");
    EXPECT_FALSE(std::filesystem::exists(dir + "a.png"));

    // The file is gone now: renaming it again fails and changes nothing.
    std::filesystem::remove(dir + "b.png");
    EXPECT_EQ(doc.CommitImageRename(1, 1, "c.png"), "Renaming of file failed.");
    EXPECT_EQ(doc.CelName(1, 1), "b.png");
}

TEST(Editing, RenamedImageFollowsEveryCelAndUndo) {
    TTempFolder folder;
    const std::string dir = folder / "Layer 1/";
    const std::string other = folder / "Layer 2/";
    std::filesystem::create_directories(dir);
    std::filesystem::create_directories(other);
    WriteText(dir + "a.png", "drawing a");
    WriteText(other + "a.png", "another layer's a");

    TSheetDocument doc;
    doc.AddLayer("", dir, doc.DefaultColors);
    doc.AddLayer("", dir, doc.DefaultColors);
    doc.AddLayer("", other, doc.DefaultColors);
    for (const std::int32_t frame : {1, 4, 7})
        doc.PlaceCelAt(1, frame, "a.png", 2);
    doc.PlaceCelAt(1, 3, "b.png", 1);
    doc.PlaceCelAt(2, 2, "a.png", 1);
    doc.PlaceCelAt(3, 1, "a.png", 1);
    doc.UndoManager().ClearHistory();

    EXPECT_EQ(doc.CommitImageRename(1, 4, "walk.png"), "");
    EXPECT_EQ(Described(doc, 8), (Layers{"w|bw|.w|", ".w......", "a......."}));
    EXPECT_EQ(doc.UndoManager().UndoCount(), 1u);
    EXPECT_EQ(ReadText(dir + "walk.png"), "drawing a");

    doc.Undo();
    EXPECT_EQ(Described(doc, 8), (Layers{"a|ba|.a|", ".a......", "a......."}));
    EXPECT_EQ(ReadText(dir + "a.png"), "drawing a") << "undo renames the file back";
    EXPECT_FALSE(std::filesystem::exists(dir + "walk.png"));

    doc.Redo();
    EXPECT_EQ(doc.CelName(2, 2), "walk.png");
    EXPECT_EQ(ReadText(dir + "walk.png"), "drawing a") << "redo renames it forward again";
    EXPECT_EQ(ReadText(other + "a.png"), "another layer's a");

    // A file of the old name made since: undo refuses rather than replace it.
    WriteText(dir + "a.png", "a new a");
    EXPECT_THROW(doc.Undo(), ECwError);
    EXPECT_EQ(doc.CelName(1, 1), "walk.png");
    EXPECT_EQ(ReadText(dir + "a.png"), "a new a");
    EXPECT_EQ(ReadText(dir + "walk.png"), "drawing a");
}

TEST(Editing, RenameRefusesADrawingOutsideItsFolder) {
    TTempFolder folder;
    const std::string dir = folder / "project/Layer 1/";
    std::filesystem::create_directories(dir);
    WriteText(folder / "victim.png", "not the sheet's");
    TSheetDocument doc;
    doc.AddLayer("", dir, doc.DefaultColors);
    doc.PlaceCelAt(1, 1, "../../victim.png", 1);
    EXPECT_NE(doc.CommitImageRename(1, 1, "x.png"), "");
    EXPECT_EQ(ReadText(folder / "victim.png"), "not the sheet's");
    EXPECT_FALSE(std::filesystem::exists(dir + "x.png"));
    EXPECT_EQ(doc.CelName(1, 1), "../../victim.png");
}
