#include "document/EditStep.h"

#include "document/SheetUndo.h"

TEditStep::TEditStep(TSheetUndo& history) : History(history), Owner(!history.HasPending()) {
    if (Owner)
        History.CapturePending();
}

TEditStep::~TEditStep() {
    if (Owner && !Committed)
        History.DropPending();
}

void TEditStep::Commit() {
    if (Owner && !Committed)
        History.PushPending();
    Committed = true;
}
