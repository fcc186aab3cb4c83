#include "document/EditStep.h"

#include "document/SheetUndo.h"

#include <exception>

TEditStep::TEditStep(TSheetUndo& history)
    : History(history), Owner(!history.HasPending()), ExceptionsBefore(std::uncaught_exceptions()) {
    if (Owner)
        History.CapturePending();
}

TEditStep::~TEditStep() {
    if (!Owner || Committed)
        return;
    if (std::uncaught_exceptions() > ExceptionsBefore)
        History.RestorePending();
    else
        History.DropPending();
}

void TEditStep::Commit() {
    if (Owner && !Committed)
        History.PushPending();
    Committed = true;
}
