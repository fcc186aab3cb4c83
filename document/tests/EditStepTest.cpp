#include "document/EditStep.h"

#include "base/Error.h"
#include "document/SheetDocument.h"

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
        {"the edit threw",
         [](TSheetDocument& doc) {
             try {
                 TEditStep step(doc.UndoManager());
                 doc.PlaceCelAt(1, 1, "a", 2);
                 throw ECwError("failed");
             } catch (const ECwError&) {
             }
         },
         0},
        {"nothing changed, nothing committed", [](TSheetDocument& doc) { TEditStep step(doc.UndoManager()); },
         0},
    };
    for (const Case& c : cases) {
        TSheetDocument doc;
        doc.AddLayer("", "", doc.DefaultColors);
        doc.AddFrames(9);
        c.edit(doc);
        EXPECT_EQ(doc.UndoManager().UndoCount(), c.steps) << c.what;
        EXPECT_FALSE(doc.UndoManager().HasPending()) << c.what;
        if (c.steps == 1) {
            doc.Undo();
            EXPECT_EQ(doc.CelAt(1, 1), nullptr) << c.what << ": the step is the layer before the edit";
        }
    }
}
