#pragma once

class TSheetUndo;

// One undo step of an interactive edit. Made before the edit changes anything, it keeps the
// document as it is; Commit makes that the undo step and empties the redo history. A step that is
// never committed, because the edit threw or changed nothing, leaves no trace. A step made while
// another is open belongs to the outer one: it takes no snapshot and its Commit does nothing, so
// an edit made of other edits is still one step.
class TEditStep {
public:
    explicit TEditStep(TSheetUndo& history);
    ~TEditStep();
    TEditStep(const TEditStep&) = delete;
    TEditStep& operator=(const TEditStep&) = delete;

    void Commit();

private:
    TSheetUndo& History;
    bool Owner; // this step took the snapshot
    bool Committed = false;
};
