// Keys of the sheet and the in-place editor.
#include "SheetNotation.h"
#include "SheetViewFixture.h"
#include "sheetview/SheetKeyMapping.h"
#include "testsupport/TempFolder.h"

#include <QTest>
#include <fstream>

namespace {
using Layers = std::vector<std::string>;
}

TEST(SheetKeyMapping, ReadsTheKeypadAndItsStandIns) {
    struct Case {
        int key;
        Qt::KeyboardModifiers modifiers;
        int virtualKey;
    } cases[] = {
        {Qt::Key_Left, {}, 37},
        {Qt::Key_Up, {}, 38},
        {Qt::Key_Right, Qt::KeypadModifier, 39},
        {Qt::Key_Down, {}, 40},
        {Qt::Key_Home, {}, 36},
        {Qt::Key_End, {}, 35},
        {Qt::Key_PageUp, {}, 33},
        {Qt::Key_PageDown, {}, 34},
        {Qt::Key_1, Qt::KeypadModifier, 97},
        {Qt::Key_9, Qt::KeypadModifier, 105},
        {Qt::Key_3, Qt::AltModifier, 99},
        {Qt::Key_3, {}, 0}, // a plain digit is text, not a hold
        {Qt::Key_0, Qt::KeypadModifier, 0},
        {Qt::Key_Plus, Qt::KeypadModifier, 107},
        {Qt::Key_Plus, {}, 107},
        {Qt::Key_Equal, {}, 107},
        {Qt::Key_Minus, Qt::KeypadModifier, 109},
        {Qt::Key_Minus, {}, 109},
        {Qt::Key_A, {}, 0},
        {Qt::Key_Return, {}, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SheetVirtualKey(c.key, c.modifiers), c.virtualKey) << c.key;
}

TEST_F(SheetViewTest, HoldKeysEditTheCursorsCelWithCtrlForRipple) {
    struct Case {
        const char* what;
        Layers before;
        int cursor;
        int key;
        Qt::KeyboardModifiers modifiers;
        Layers after;
    } cases[] = {
        {"keypad + pushes the next cel down", {"a|b...."}, 0, Qt::Key_Plus, Qt::KeypadModifier, {"a||b..."}},
        {"= does the same", {"a|b...."}, 0, Qt::Key_Equal, {}, {"a||b..."}},
        {"keypad - leaves a gap", {"a||b..."}, 1, Qt::Key_Minus, Qt::KeypadModifier, {"a|.b..."}},
        {"Ctrl keypad - closes it",
         {"a||b..."},
         1,
         Qt::Key_Minus,
         Qt::KeypadModifier | Qt::ControlModifier,
         {"a|b...."}},
        {"keypad 3", {"a.b...."}, 0, Qt::Key_3, Qt::KeypadModifier, {"a||b..."}},
        {"Alt 3", {"a.b...."}, 0, Qt::Key_3, Qt::AltModifier, {"a||b..."}},
        {"a plain digit does nothing", {"a.b...."}, 0, Qt::Key_3, {}, {"a.b...."}},
    };
    for (const Case& c : cases) {
        Build(c.before);
        Sheet->SelectCell(1, c.cursor + 1);
        QTest::keyClick(Sheet.get(), static_cast<Qt::Key>(c.key), c.modifiers);
        Layers shown = Described();
        shown[0].resize(c.after[0].size());
        EXPECT_EQ(shown, c.after) << c.what;
        EXPECT_EQ(CheckInvariants(Data()), "") << c.what;
    }
    // The grid shows the result: a held 3 frames has its hold line now.
    Build({"a|b...."});
    Sheet->SelectCell(1, 1);
    QTest::keyClick(Sheet.get(), Qt::Key_Plus, Qt::KeypadModifier);
    EXPECT_EQ(PicturePixel(55, 20), Rgb(0xB77513));
}

TEST_F(SheetViewTest, ArrowKeysMoveTheCursorUpToTheSheetsEdges) {
    Build({"...", "..."});
    std::vector<std::pair<int, int>> selects;
    Sheet->OnSelect = [&](QObject&, std::int32_t layer, std::int32_t frame) {
        selects.emplace_back(layer, frame);
    };
    for (Qt::Key key : {Qt::Key_Right, Qt::Key_Right, Qt::Key_Down, Qt::Key_Down, Qt::Key_Down, Qt::Key_Left})
        QTest::keyClick(Sheet.get(), key);
    EXPECT_EQ(selects, (std::vector<std::pair<int, int>>{{2, 1}, {2, 2}, {2, 3}, {1, 3}}));
    EXPECT_EQ(Data().Selection, (TCellRect{0, 2, 0, 2}));
    EXPECT_EQ(PicturePixel(1, 41), QColor(0, 0, 0));
    EXPECT_EQ(PicturePixel(W + 1, 41), QColor(0xFF, 0xFF, 0xFF));
}

TEST_F(SheetViewTest, HomeEndAndPageKeysMoveTheCursorAndTheViewFollows) {
    Build({std::string(1637, '.'), std::string(1637, '.')});
    Sheet->SelectCell(2, 1);
    const int page = Grid().height() / H;
    ASSERT_GT(page, 1);
    struct Case {
        Qt::Key key;
        int frame; // 1-based, after the key
    } cases[] = {
        {Qt::Key_End, 1637},           {Qt::Key_PageDown, 1637}, // already at the end
        {Qt::Key_PageUp, 1637 - page}, {Qt::Key_Home, 1},
        {Qt::Key_PageUp, 1},           {Qt::Key_PageDown, 1 + page},
        {Qt::Key_PageDown, 1 + 2 * page},
    };
    for (const Case& c : cases) {
        QTest::keyClick(Sheet.get(), c.key);
        EXPECT_EQ(Sheet->CurrentFrame(), c.frame) << c.key;
        EXPECT_EQ(Sheet->CurrentLayer(), 2) << c.key; // the layer stays
        EXPECT_EQ(Data().Selection, (TCellRect{1, c.frame - 1, 1, c.frame - 1})) << c.key;
        // The cursor's row is in view.
        const int top = (c.frame - 1) * H - Sheet->VertPos();
        EXPECT_TRUE(top >= 0 && top + H <= Grid().height()) << c.key << " row at " << top;
    }
}

TEST_F(SheetViewTest, TypingANameIntoACellPlacesACel) {
    Build({"a||||.", "......"});
    Sheet->EditCelName(1, 3);
    TCellEditor& editor = Sheet->Editor();
    EXPECT_EQ(editor.text(), "a"); // the name of the cel covering the cell
    // No selection frame while the name is typed.
    Sheet->SelectCell(1, 3);
    EXPECT_EQ(PicturePixel(1, 41), Rgb(0xFBAC3A));
    QTest::keyClicks(&editor, "b");
    QTest::keyClick(&editor, Qt::Key_Return);
    EXPECT_FALSE(editor.Editing);
    EXPECT_FALSE(editor.isVisible());
    EXPECT_EQ(Described()[0], "a|ba|."); // a split around b, its lower part a cel of its own
    EXPECT_EQ(Data().Cels.Count(), 3u);
    EXPECT_EQ(PicturePixel(1, 41), QColor(0, 0, 0)); // the frame is back
    EXPECT_EQ(PicturePixel(30, 40), Rgb(0xD78B1D));  // b's top outline

    // Esc changes nothing; neither does an empty name.
    Sheet->EditCelName(2, 1);
    QTest::keyClicks(&editor, "zz");
    QTest::keyClick(&editor, Qt::Key_Escape);
    Sheet->EditCelName(2, 1);
    QTest::keyClick(&editor, Qt::Key_Return);
    EXPECT_EQ(Described()[1], "......");
    EXPECT_EQ(Sheet->Document().UndoManager().UndoCount(), 1u);
}

TEST_F(SheetViewTest, TheEditorMovesWithItsCellAndHidesWhenItScrollsAway) {
    Build(std::vector<std::string>(8, std::string(100, '.')));
    Sheet->EditCelName(3, 5);
    TCellEditor& editor = Sheet->Editor();
    EXPECT_EQ(editor.geometry(), QRect(40 + 2 * W + 1, 20 + 4 * H, W - 1, H));
    Sheet->VertBar().SetPosition(30);
    Sheet->HorzBar().SetPosition(100);
    EXPECT_EQ(editor.geometry(), QRect(40 + 2 * W + 1 - 100, 20 + 4 * H - 30, W - 1, H));
    EXPECT_TRUE(editor.isVisible());
    Sheet->VertBar().SetPosition(81); // its top edge above the grid
    EXPECT_FALSE(editor.isVisible());
    EXPECT_TRUE(editor.Editing);
    Sheet->VertBar().SetPosition(80);
    EXPECT_TRUE(editor.isVisible());
    Sheet->HorzBar().SetPosition(222); // its left edge left of the grid
    EXPECT_FALSE(editor.isVisible());
    Sheet->HorzBar().SetPosition(0);
    editor.setText("q");
    QTest::keyClick(&editor, Qt::Key_Return);
    EXPECT_EQ(Sheet->CelName(3, 5), "q");
}

TEST_F(SheetViewTest, RenamingAnImageReportsAnExistingFile) {
    TTempFolder folder;
    std::ofstream(folder / "a.png") << "x";
    std::ofstream(folder / "b.png") << "x";
    Build({"a|..."});
    Sheet->SetLayerFolder(1, folder.Path().string() + "/");
    Data().CelAt(0, 0)->Name = "a.png";
    std::vector<std::string> messages;
    Sheet->OnMessage = [&](QObject&, const std::string& text) { messages.push_back(text); };

    Sheet->RenameCelImage(1, 2); // opens on the cel's first frame
    TCellEditor& editor = Sheet->Editor();
    ASSERT_TRUE(editor.Editing);
    EXPECT_EQ(editor.Row, 0);
    EXPECT_EQ(editor.text(), "a.png");
    editor.setText("b.png");
    QTest::keyClick(&editor, Qt::Key_Return);
    EXPECT_EQ(messages, (std::vector<std::string>{"File 'b.png' already exists."}));
    EXPECT_EQ(Sheet->CelName(1, 1), "a.png");

    Sheet->RenameCelImage(1, 1);
    editor.setText("c.png");
    QTest::keyClick(&editor, Qt::Key_Return);
    EXPECT_EQ(messages.size(), 1u);
    EXPECT_EQ(Sheet->CelName(1, 1), "c.png");
    EXPECT_TRUE(std::filesystem::exists(folder / "c.png"));
}

TEST_F(SheetViewTest, ATypedCelNameThatIsNoFileNameIsRefusedWithTheReason) {
    Build({"a|..."});
    std::vector<std::string> messages;
    Sheet->OnMessage = [&](QObject&, const std::string& text) { messages.push_back(text); };
    Sheet->EditCelName(1, 1);
    Sheet->Editor().setText("../../../etc/passwd");
    QTest::keyClick(&Sheet->Editor(), Qt::Key_Return);
    EXPECT_EQ(messages, (std::vector<std::string>{"Cel name '../../../etc/passwd' contains a folder separator; it "
                                                  "must be a file name in the layer's folder."}));
    EXPECT_EQ(Sheet->CelName(1, 1), "a");
}

TEST_F(SheetViewTest, DeletingALayerClosesAnEditorOpenOnTheSheet) {
    Build({"a..", "b..", "c.."});
    Sheet->EditCelName(3, 2);
    Sheet->DeleteLayer(1);
    EXPECT_FALSE(Sheet->Editor().Editing);
    EXPECT_EQ(Sheet->Header().PictureWidth(), 2 * W + 1);
    EXPECT_EQ(PicturePixel(2 * W + 30, 10), QColor(0xFF, 0xFF, 0xFF));
}
