// The editing commands of the exposure sheet: holds, frames, cut, copy and paste, the cursor keys
// and the commits of the in-place editor.
#include "document/SheetDocument.h"

#include "base/Error.h"
#include "document/FileNameRules.h"

#include <algorithm>
#include <filesystem>

TSheetKeyCommand SheetKeyCommand(int virtualKey, bool ctrl, std::int32_t pageRows) {
    using TKind = TSheetKeyCommand::TKind;
    switch (virtualKey) {
    case SheetKeys::kHome:
        return {TKind::MoveCursor, TCursorDirection::FirstFrame};
    case SheetKeys::kEnd:
        return {TKind::MoveCursor, TCursorDirection::LastFrame};
    case SheetKeys::kPageUp:
        return {TKind::MoveCursor, TCursorDirection::PageUp, 0, false, std::max(1, pageRows)};
    case SheetKeys::kPageDown:
        return {TKind::MoveCursor, TCursorDirection::PageDown, 0, false, std::max(1, pageRows)};
    case SheetKeys::kLeft:
        return {TKind::MoveCursor, TCursorDirection::Left};
    case SheetKeys::kUp:
        return {TKind::MoveCursor, TCursorDirection::Up};
    case SheetKeys::kRight:
        return {TKind::MoveCursor, TCursorDirection::Right};
    case SheetKeys::kDown:
        return {TKind::MoveCursor, TCursorDirection::Down};
    case SheetKeys::kAdd:
        return {TKind::ExtendHold, TCursorDirection::Left, 0, ctrl};
    case SheetKeys::kSubtract:
        return {TKind::ShortenHold, TCursorDirection::Left, 0, ctrl};
    default:
        if (virtualKey >= SheetKeys::kNumpad1 && virtualKey <= SheetKeys::kNumpad9)
            return {TKind::SetHold, TCursorDirection::Left, virtualKey - SheetKeys::kNumpad1 + 1, ctrl};
        return {};
    }
}

void TSheetDocument::RunKeyCommand(const TSheetKeyCommand& command) {
    using TKind = TSheetKeyCommand::TKind;
    switch (command.Kind) {
    case TKind::MoveCursor:
        MoveCursor(command.Direction, command.PageRows);
        break;
    case TKind::ExtendHold:
        ExtendHold(command.Ripple);
        break;
    case TKind::ShortenHold:
        ShortenHold(command.Ripple);
        break;
    case TKind::SetHold:
        SetHold(command.Hold, command.Ripple);
        break;
    case TKind::None:
        break;
    }
}

void TSheetDocument::GrowSheetTo(std::int32_t frames) {
    frames = std::min(frames, kMaxFrames);
    if (frames <= FrameCount())
        return;
    Model.AddFrames(frames - FrameCount());
    SetFrameRows(std::max(ShownFrameRows, FrameCount()));
}

void TSheetDocument::ShiftLayerFrom(std::int32_t from, std::int32_t offset) {
    const std::int32_t col = Model.CurLayer;
    TCellRect block{col, from, col, Model.LastUsedFrame(col)};
    if (block.Top > block.Bottom || offset == 0)
        return;
    Model.MoveBlock(block, col, false, from + offset);
}

void TSheetDocument::PlaceCursorAt(std::int32_t frame) {
    Model.CurFrame = frame;
    Model.Selection = {Model.CurLayer, frame, Model.CurLayer, frame};
}

void TSheetDocument::RunAsOneStep(const std::function<void()>& edit) {
    TEditStep step(*History);
    edit();
    step.Commit();
}

void TSheetDocument::AddFrames(std::int32_t count) {
    const std::int32_t frames = FrameCount();
    if (frames == 0)
        return;
    if (std::int64_t{frames} + count > kMaxFrames)
        count = kMaxFrames - frames;
    if (count <= 0) {
        Raise(OnMaxFrameError);
        return;
    }
    const TChangeScope scope(*this);
    TEditStep step(*History);
    Model.AddFrames(count);
    SetFrameRows(frames + count);
    if (AudioColumnShown)
        SetAudioRowCount(frames + count);
    step.Commit();
}

void TSheetDocument::AppendLayer(const std::string& folder) {
    TEditStep step(*History);
    AddLayer("", folder, DefaultColors);
    SelectCell(LayerCount(), 1);
    step.Commit();
}

void TSheetDocument::ChangeLayerProperties(std::int32_t layer, const std::string& caption,
                                           const std::string& folder, const TLayerColors& colors) {
    if (!IsLayer(layer))
        return;
    TEditStep step(*History);
    if (!folder.empty())
        SetLayerFolder(layer, folder);
    if (!caption.empty())
        SetLayerCaption(layer, caption);
    SetLayerColors(layer, colors);
    step.Commit();
}

std::int32_t TSheetDocument::PlaceHeldCel(std::int32_t layer, std::int32_t frame, const std::string& name,
                                          std::int32_t hold) {
    hold = HoldThatFits(frame, hold);
    TEditStep step(*History);
    const std::int32_t frames = std::min(frame + hold, kMaxFrames);
    if (FrameCount() < frames)
        AddFrames(frames - FrameCount());
    PlaceCelAt(layer, frame, name, hold);
    step.Commit();
    return hold;
}

std::int32_t TSheetDocument::PlaceDroppedCels(std::int32_t layer, std::int32_t frame,
                                              const std::vector<std::string>& names, std::int32_t hold) {
    const TChangeScope scope(*this);
    TEditStep step(*History);
    std::int64_t next = frame;
    for (const std::string& name : names) {
        PlaceCelAt(layer, static_cast<std::int32_t>(next), name, hold);
        next = std::min<std::int64_t>(next + hold, kMaxFrames + 1);
    }
    step.Commit();
    return static_cast<std::int32_t>(next);
}

void TSheetDocument::ExtendHold(bool ripple) {
    if (!Model.InSheet(Model.CurLayer, Model.CurFrame))
        return;
    const std::int32_t col = Model.CurLayer;
    const std::int32_t cursor = Model.CurFrame;
    const std::int32_t last = Model.LastUsedFrame(col);
    const std::int32_t frames = FrameCount();
    TCel* cel = Model.CelAt(col, cursor);
    if (!cel && cursor >= last)
        return;
    const std::int32_t after = cel ? cel->LastFrame() + 1 : cursor + 1;
    TCel* next = after < frames ? Model.CelAt(col, after) : nullptr;

    const bool pushesDown = (ripple && last > cursor) || (cel && cel->LastFrame() == last) ||
                            (!cel && last > cursor) || (!ripple && cel && next);
    if (last == kMaxFrames - 1 && pushesDown) {
        Raise(OnMaxFrameError);
        return;
    }
    const TChangeScope scope(*this);
    TEditStep step(*History);
    NoteLayers(col, col);
    if (cel) {
        // An empty frame right after the cel, with more drawings further down, simply joins the hold.
        const bool fillsGap = !ripple && !next && last > cel->LastFrame();
        if (!fillsGap && frames <= last + 2)
            GrowSheetTo(last + 3);
        if (ripple || next)
            ShiftLayerFrom(after, 1);
        TCellRect changed;
        Model.SetCelDuration(cel, cel->Duration + 1, changed);
    } else {
        if (frames <= last + 2)
            GrowSheetTo(frames + 1);
        ShiftLayerFrom(cursor + 1, 1);
    }
    step.Commit();
}

void TSheetDocument::ShortenHold(bool ripple) {
    if (!Model.InSheet(Model.CurLayer, Model.CurFrame))
        return;
    const std::int32_t cursor = Model.CurFrame;
    const std::int32_t last = Model.LastUsedFrame(Model.CurLayer);
    TCel* cel = Model.CelAt(Model.CurLayer, cursor);
    if ((!cel && cursor >= last) || (cel && cel->Duration == 1))
        return;
    const TChangeScope scope(*this);
    TEditStep step(*History);
    NoteLayers(Model.CurLayer, Model.CurLayer);
    if (!cel) {
        ShiftLayerFrom(cursor + 1, -1);
        step.Commit();
        return;
    }
    const std::int32_t freed = cel->LastFrame();
    TCellRect changed;
    Model.SetCelDuration(cel, cel->Duration - 1, changed);
    if (ripple && last > freed)
        ShiftLayerFrom(freed + 1, -1);
    if (cursor == freed)
        PlaceCursorAt(freed - 1);
    step.Commit();
}

void TSheetDocument::SetHold(std::int32_t frames, bool ripple) {
    if (!Model.InSheet(Model.CurLayer, Model.CurFrame) || frames < 1)
        return;
    const std::int32_t col = Model.CurLayer;
    const std::int32_t last = Model.LastUsedFrame(col);
    TCel* cel = Model.CelAt(col, Model.CurFrame);
    if (!cel || frames == cel->Duration)
        return;
    const TChangeScope scope(*this);
    // A hold that cannot grow (the frame limit) is dropped with its step.
    TEditStep step(*History);
    NoteLayers(col, col);
    TCellRect changed;

    if (frames < cel->Duration) {
        const std::int32_t oldLast = cel->LastFrame();
        const std::int32_t freed = cel->Duration - frames;
        Model.SetCelDuration(cel, frames, changed);
        if (ripple && last > oldLast)
            ShiftLayerFrom(oldLast + 1, -freed);
        if (Model.CurFrame > cel->LastFrame())
            PlaceCursorAt(cel->LastFrame());
        step.Commit();
        return;
    }

    std::int32_t added = frames - cel->Duration;
    // Empty frames between the cel and the next drawing of the layer, counted up to `added`.
    const bool follows = last > cel->LastFrame();
    std::int32_t free = 0;
    if (follows) {
        while (free < added && !Model.CelAt(col, cel->LastFrame() + 1 + free))
            ++free;
    }
    if ((ripple || !follows || free == 0) && last + added > kMaxFrames - 1) {
        added = kMaxFrames - 1 - last;
        Raise(OnMaxFrameError);
    } else if (follows && !ripple && free > 0 && free < added && last + added - free > kMaxFrames - 1) {
        added = kMaxFrames - 1 - last + free;
        Raise(OnMaxFrameError);
    }
    if (added <= 0)
        return;

    const std::int32_t sheetFrames = FrameCount();
    if ((ripple && follows) || (follows && free == 0)) {
        if (last + added >= sheetFrames - 1)
            GrowSheetTo(last + added + 2);
        ShiftLayerFrom(cel->LastFrame() + 1, added);
    } else if (ripple || !follows || free >= added) {
        if (cel->Row + frames >= sheetFrames - 1)
            GrowSheetTo(cel->Row + frames + 2);
    } else {
        const std::int32_t shift = added - free;
        if (last + shift >= sheetFrames - 1)
            GrowSheetTo(last + shift + 2);
        ShiftLayerFrom(cel->LastFrame() + 1 + free, shift);
    }
    Model.SetCelDuration(cel, cel->Duration + added, changed);
    step.Commit();
}

void TSheetDocument::InsertFrame() {
    if (!Model.InSheet(Model.CurLayer, Model.CurFrame))
        return;
    const std::int32_t cursor = Model.CurFrame;
    const TCel* cel = Model.CelAt(Model.CurLayer, cursor);
    if (!cel || cel->Row != cursor) {
        ExtendHold(true);
        return;
    }
    const std::int32_t last = Model.LastUsedFrame(Model.CurLayer);
    if (cursor > last)
        return;
    if (last + 1 >= kMaxFrames - 1) {
        Raise(OnMaxFrameError);
        return;
    }
    const TChangeScope scope(*this);
    TEditStep step(*History);
    NoteLayers(Model.CurLayer, Model.CurLayer);
    if (last + 1 >= FrameCount() - 1)
        GrowSheetTo(FrameCount() + 1);
    ShiftLayerFrom(cursor, 1);
    step.Commit();
}

void TSheetDocument::DeleteFrames() {
    if (LayerCount() == 0 || FrameCount() == 0)
        return;
    const TChangeScope scope(*this);
    TEditStep step(*History);
    NoteLayers(Model.Selection.Left, Model.Selection.Right);
    const TCellRect selection = Model.ClampRect(Model.Selection);
    const std::int32_t removed = selection.Bottom - selection.Top + 1;
    for (std::int32_t col = selection.Left; col <= selection.Right; ++col) {
        Model.ClearRegion({col, selection.Top, col, selection.Bottom});
        TCellRect below{col, selection.Bottom + 1, col, Model.LastUsedFrame(col)};
        if (below.Top <= below.Bottom)
            Model.MoveBlock(below, col, false, below.Top - removed);
        // A hold that ran through the removed frames closes up again.
        if (TCel* cel = Model.CelAt(col, selection.Top); cel && selection.Top > 0) {
            TCellRect changed;
            Model.MergeNeighbours(cel, changed);
        }
    }
    step.Commit();
}

void TSheetDocument::CopySelection() {
    Model.CopyRegion(Model.Selection);
    Raise(OnCanPaste);
}

void TSheetDocument::CutSelection() {
    const TChangeScope scope(*this);
    TEditStep step(*History);
    NoteLayers(Model.Selection.Left, Model.Selection.Right);
    Model.CutRegion(Model.Selection);
    step.Commit();
    Raise(OnCanPaste);
}

void TSheetDocument::PasteAtSelection() {
    // A paste is an undo step even on an empty sheet, as it always was.
    TEditStep step(*History);
    if (LayerCount() == 0 || FrameCount() == 0) {
        step.Commit();
        return;
    }
    const TChangeScope scope(*this);
    NoteLayers(Model.Selection.Left, Model.Selection.Right);
    if (Model.PasteAt(Model.Selection.Left, Model.Selection.Top) > 0)
        SyncFrameRowsAfterPaste();
    NoteLayers(Model.Selection.Left, Model.Selection.Right);
    step.Commit();
    if (OnSelect)
        OnSelect(*this, CurrentLayer(), CurrentFrame());
}

void TSheetDocument::SyncFrameRowsAfterPaste() {
    const std::int32_t frames = FrameCount();
    if (!AudioColumnShown) {
        SetFrameRows(frames);
        return;
    }
    if (AudioRows() > frames) {
        AddFrames(AudioRows() - frames);
    } else {
        SetAudioRowCount(frames);
        SetFrameRows(frames);
    }
}

void TSheetDocument::MoveCursor(TCursorDirection direction, std::int32_t pageRows) {
    if (LayerCount() == 0 || FrameCount() == 0)
        return;
    const TCellRect& selection = Model.Selection;
    std::int32_t col = selection.Left;
    std::int32_t row = selection.Top;
    switch (direction) {
    case TCursorDirection::Left:
        if (selection.Left == 0)
            return;
        --col;
        break;
    case TCursorDirection::Up:
        if (selection.Top == 0)
            return;
        --row;
        break;
    case TCursorDirection::Right:
        if (selection.Right >= LayerCount() - 1)
            return;
        ++col;
        break;
    case TCursorDirection::Down:
        if (selection.Bottom >= FrameCount() - 1)
            return;
        ++row;
        break;
    case TCursorDirection::FirstFrame:
        row = 0;
        break;
    case TCursorDirection::LastFrame:
        row = FrameCount() - 1;
        break;
    case TCursorDirection::PageUp:
        row = std::max(0, row - pageRows);
        break;
    case TCursorDirection::PageDown:
        row = std::min(FrameCount() - 1, row + pageRows);
        break;
    }
    const TChangeScope scope(*this);
    Model.Selection = {col, row, col, row};
    Model.CurLayer = col;
    Model.CurFrame = row;
    if (OnSelect)
        OnSelect(*this, col + 1, row + 1);
}

std::string TSheetDocument::CommitCelName(std::int32_t layer, std::int32_t frame, const std::string& text) {
    if (text.empty() || !Model.InSheet(layer - 1, frame - 1))
        return {};
    // A cel name is a file in its layer's folder, never a path out of it.
    const std::string& folder = Model.Layer(layer - 1).Folder;
    const std::string refusal = FileNameRefusal(text, MaxFileNameLength(folder), "Cel name");
    if (!refusal.empty())
        return refusal;
    TCel* cel = Model.CelAt(layer - 1, frame - 1);
    const TChangeScope scope(*this);
    TEditStep step(*History);
    NoteLayers(layer - 1, layer - 1);
    // A new name typed on a cel's first frame renames the whole hold; typed anywhere else it
    // places a one-frame cel that cuts into the hold.
    if (cel && cel->Row == frame - 1 && cel->Name != text) {
        cel->Name = text;
    } else {
        TCellRect changed;
        Model.AddCel(layer - 1, frame - 1, text, 1, changed);
        SetFrameRows(std::max(ShownFrameRows, FrameCount()));
    }
    step.Commit();
    return {};
}

std::string TSheetDocument::CommitImageRename(std::int32_t layer, std::int32_t frame, const std::string& text) {
    TCel* cel = Model.InSheet(layer - 1, frame - 1) ? Model.CelAt(layer - 1, frame - 1) : nullptr;
    if (!cel || text.empty() || text == cel->Name)
        return {};
    const std::string folder = Model.Layer(layer - 1).Folder;
    const std::string refusal = FileNameRefusal(text, MaxFileNameLength(folder), "Image name");
    if (!refusal.empty())
        return refusal;
    const std::string oldName = cel->Name;
    TFileMove move;
    try {
        // A cel naming a file outside its folder must not pull that file in.
        move = {PathInFolder(folder, oldName).string(), PathInFolder(folder, text).string()};
        RenameDrawing(move.From, move.To);
    } catch (const ECwError& error) {
        return error.what();
    }
    const TChangeScope scope(*this);
    TEditStep step(*History);
    History->NoteFileMove(move);
    // Every cel showing the drawing follows it, in any layer that keeps its drawings in this folder.
    for (std::int32_t col = 0; col < LayerCount(); ++col) {
        TLayer& other = Model.Layer(col);
        if (other.Folder != folder)
            continue;
        for (std::int32_t row = 0; row < other.FrameCount(); ++row) {
            TCel* shown = other.Slot(row);
            if (shown && shown->Row == row && shown->Name == oldName) {
                shown->Name = text;
                NoteLayers(col, col);
            }
        }
    }
    step.Commit();
    return {};
}

void TSheetDocument::CommitLayerCaption(std::int32_t layer, const std::string& text) {
    if (!IsLayer(layer) || text.empty() || text == LayerCaption(layer))
        return;
    const TChangeScope scope(*this);
    TEditStep step(*History);
    Model.Layer(layer - 1).Caption = text;
    NoteLayerProperties(layer);
    step.Commit();
}

void TSheetDocument::CommitPhoneme(std::int32_t frame, const std::string& text) {
    if (!AudioColumnShown || frame < 1 || frame > kMaxFrames || text == Phoneme(frame))
        return;
    TEditStep step(*History);
    SetPhoneme(frame, text);
    step.Commit();
}

// Selecting and dragging with the pointer.

void TSheetDocument::MoveCursorTo(std::int32_t layer, std::int32_t frame) {
    if (!Model.InSheet(layer - 1, frame - 1))
        return;
    const TChangeScope scope(*this);
    Model.CurLayer = layer - 1;
    Model.CurFrame = frame - 1;
    Model.Selection = {layer - 1, frame - 1, layer - 1, frame - 1};
}

void TSheetDocument::ExtendSelectionTo(std::int32_t layer, std::int32_t frame) {
    if (!Model.InSheet(layer - 1, frame - 1))
        return;
    const TChangeScope scope(*this);
    Model.Selection = {std::min(Model.CurLayer, layer - 1), std::min(Model.CurFrame, frame - 1),
                       std::max(Model.CurLayer, layer - 1), std::max(Model.CurFrame, frame - 1)};
}

void TSheetDocument::SelectToLayerEnd(std::int32_t layer, std::int32_t frame) {
    if (!Model.InSheet(layer - 1, frame - 1))
        return;
    const TChangeScope scope(*this);
    const std::int32_t col = layer - 1;
    const std::int32_t row = frame - 1;
    const std::int32_t last = Model.LastUsedFrame(col);
    Model.CurLayer = col;
    Model.CurFrame = row;
    Model.Selection = {col, std::min(row, last), col, std::max(row, last)};
}

void TSheetDocument::SelectLayerCels(std::int32_t layer) {
    if (!IsLayer(layer))
        return;
    const TChangeScope scope(*this);
    const std::int32_t col = layer - 1;
    const std::int32_t first = Model.FirstUsedFrame(col);
    Model.CurLayer = col;
    Model.CurFrame = first;
    Model.Selection = {col, first, col, Model.LastUsedFrame(col)};
}

void TSheetDocument::SelectCel(std::int32_t layer, std::int32_t frame) {
    const TCel* cel = CelAt(layer, frame);
    if (!cel)
        return;
    const TChangeScope scope(*this);
    Model.Selection = cel->Extent();
    Model.CurLayer = layer - 1;
    Model.CurFrame = cel->Row;
}

bool TSheetDocument::SnapSelectionToCels() {
    const TChangeScope scope(*this);
    return Model.SnapSelectionToCels();
}

void TSheetDocument::OpenDragStep() {
    if (!DragStep)
        DragStep = std::make_unique<TEditStep>(*History);
}

bool TSheetDocument::DragBlockTo(std::int32_t layer, std::int32_t frame) {
    if (!Model.CanDropBlock(Model.Selection, layer - 1, frame - 1))
        return false;
    const TChangeScope scope(*this);
    OpenDragStep();
    NoteCells(Model.Selection);
    Model.MoveBlock(Model.Selection, layer - 1, true, frame - 1);
    NoteCells(Model.Selection);
    return true;
}

void TSheetDocument::StretchHold(std::int32_t layer, std::int32_t frame, std::int32_t lastFrame) {
    TCel* cel = Model.InSheet(layer - 1, frame - 1) ? Model.CelAt(layer - 1, frame - 1) : nullptr;
    if (!cel || lastFrame < cel->Row + 1 || lastFrame > FrameCount())
        return;
    const TChangeScope scope(*this);
    OpenDragStep();
    TCellRect changed;
    Model.SetCelDuration(cel, lastFrame - cel->Row, changed);
    NoteCells(changed);
    Model.CurLayer = layer - 1;
    Model.CurFrame = lastFrame - 1;
    Model.Selection = {layer - 1, lastFrame - 1, layer - 1, lastFrame - 1};
}

void TSheetDocument::EndDrag() {
    if (DragStep)
        DragStep->Commit();
    DragStep.reset();
}

void TSheetDocument::MergeSelectionEdges() {
    if (LayerCount() == 0)
        return;
    const TChangeScope scope(*this);
    for (const TCellRect& merged : Model.MergeAtEdges(Model.Selection))
        NoteCells(merged);
}
