#pragma once

class TSheetUndo;

// One undo step of an interactive edit. Made before the edit changes anything, it keeps the
// document as it is; Commit makes that the undo step and empties the redo history. A step that is
// never committed because the edit changed nothing leaves no trace. When the edit throws, the step
// puts the document back as it was before the edit, as an undo of the step would, and leaves no
// trace either: a failed edit never stays half done. A step made while another is open belongs to
// the outer one: it takes no snapshot, its Commit does nothing and a throw is the outer one's to
// undo, so an edit made of other edits is still one step.
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
    int ExceptionsBefore; // exceptions in flight when the step was made
};
