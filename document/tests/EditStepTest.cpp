#include "document/EditStep.h"

#include "SheetNotation.h"
#include "base/Error.h"
#include "document/SheetDocument.h"

#include "testsupport/TempFolder.h"

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>

TEST(EditStep, OneStepPerEditTakenOnceAndDroppedUnlessCommitted) {
    struct Case {
        const char* what;
        std::function<void(TSheetDocument&)> edit;
        std::size_t steps;
    } cases[] = {
        {"committed",
         [](TSheetDocument& doc) {
             TEditStep step(doc.UndoManager());
             doc.PlaceCelAt(1, 1, "a", 2);
             step.Commit();
         },
         1},
        {"a step inside a step takes no snapshot of its own",
         [](TSheetDocument& doc) {
             TEditStep outer(doc.UndoManager());
             doc.PlaceCelAt(1, 1, "a", 2);
             {
                 TEditStep inner(doc.UndoManager());
                 doc.PlaceCelAt(1, 3, "b", 1);
                 inner.Commit();
             }
             EXPECT_EQ(doc.UndoManager().UndoCount(), 0u) << "the inner commit waits for the outer one";
             outer.Commit();
             outer.Commit();
         },
         1},
        {"the edit threw: it is taken back",
         [](TSheetDocument& doc) {
             try {
                 TEditStep step(doc.UndoManager());
                 doc.PlaceCelAt(1, 1, "a", 2);
                 throw ECwError("failed");
             } catch (const ECwError&) {
             }
             EXPECT_EQ(doc.CelAt(1, 1), nullptr);
         },
         0},
        {"nothing changed, nothing committed", [](TSheetDocument& doc) { TEditStep step(doc.UndoManager()); },
         0},
    };
    for (const Case& c : cases) {
        TSheetDocument doc;
        doc.AddLayer("", "", doc.DefaultColors);
        doc.AddFrames(9);
        doc.UndoManager().ClearHistory();
        c.edit(doc);
        EXPECT_EQ(doc.UndoManager().UndoCount(), c.steps) << c.what;
        EXPECT_FALSE(doc.UndoManager().HasPending()) << c.what;
        if (c.steps == 1) {
            doc.Undo();
            EXPECT_EQ(doc.CelAt(1, 1), nullptr) << c.what << ": the step is the layer before the edit";
        }
    }
}

// An edit made of several commands that fails in its middle leaves the sheet, its layers, sound
// and renamed drawings as they were, and the history as it was; the error still reaches the caller.
TEST(EditStep, AnEditThatThrowsMidwayLeavesTheSheetAsItWas) {
    const TTempFolder folder;
    WriteText(folder.Path() / "a.png", "drawing");

    TSheetDocument doc;
    doc.AddLayer("Ink", folder / "", doc.DefaultColors);
    doc.CommitCelName(1, 1, "a.png");
    doc.SetPhoneme(2, "O");
    const std::vector<std::string> before = DescribeSheet(doc.Data());
    int everything = 0;
    doc.OnChange = [&](TSheetDocument&, const TSheetChange& change) { everything += change.Everything; };

    EXPECT_THROW(
        {
            TEditStep step(doc.UndoManager());
            doc.CommitImageRename(1, 1, "b.png");
            doc.AddLayer("", "", doc.DefaultColors);
            doc.PlaceCelAt(2, 3, "c", 2);
            doc.SetLayerCaption(1, "Pencil");
            doc.SetPhoneme(2, "");
            throw ECwError("the third file cannot be read");
        },
        ECwError);

    EXPECT_EQ(DescribeSheet(doc.Data()), before);
    EXPECT_EQ(doc.LayerCaption(1), "Ink");
    EXPECT_EQ(doc.CelName(1, 1), "a.png");
    EXPECT_EQ(doc.Phoneme(2), "O");
    EXPECT_TRUE(std::filesystem::exists(folder / "a.png")) << "the drawing is renamed back";
    EXPECT_FALSE(std::filesystem::exists(folder / "b.png"));
    EXPECT_EQ(everything, 1) << "views redraw the sheet taken back";
    EXPECT_EQ(doc.UndoManager().UndoCount(), 1u) << "only the cel typed before";
    EXPECT_FALSE(doc.UndoManager().HasPending());
}
