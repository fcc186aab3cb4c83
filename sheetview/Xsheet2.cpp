#include "sheetview/Xsheet2.h"

#include "document/CwError.h"
#include "sheetview/CwAudioLoader.h"
#include "sheetview/SheetKeyMapping.h"
#include "sheetview/XsAudioDisplay.h"
#include "sheetview/XsGrid.h"
#include "sheetview/XsHeader.h"
#include "sheetview/XsIndex.h"
#include "sheetview/XsIndexHead.h"

#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <filesystem>

TXsheet2::TXsheet2(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setAutoFillBackground(true);
    Doc.Data().CellWidth = CellW;
    Doc.Data().CellHeight = CellH;

    HeaderPart = new TXsHeader(*this);
    IndexPart = new TXsIndex(*this);
    CornerPart = new TXsIndexHead(*this);
    AudioPart = new TXsAudioDisplay(*this);
    GridPart = new TXsGrid(*this);
    HBar = new TCwScrollBar(Qt::Horizontal, this);
    VBar = new TCwScrollBar(Qt::Vertical, this);
    EditorPart = new TCellEditor(this);

    HBar->OnChange = [this](TCwScrollBar&) { HorzScrolled(); };
    VBar->OnChange = [this](TCwScrollBar&) { VertScrolled(); };
    EditorPart->OnCommit = [this](TCellEditor& editor, const QString& text) { CommitEditor(editor, text); };
    EditorPart->OnClosed = [this](TCellEditor&) { EditorClosed(); };
    SetCellSize(CellW, CellH);
    WireDocumentEvents();
}

// The document outlives this body: nothing it raises while it is taken down may reach the control.
TXsheet2::~TXsheet2() {
    Loader.reset();
    Doc.OnLoadAudio = nullptr;
    Doc.OnSelect = nullptr;
    Doc.OnLayerChange = nullptr;
    Doc.OnLayerAdded = nullptr;
    Doc.OnLayerDeleted = nullptr;
    Doc.OnMaxFrameError = nullptr;
    Doc.OnShowAudio = nullptr;
    Doc.OnHideAudio = nullptr;
    Doc.OnCanPaste = nullptr;
    Doc.OnSheetCleared = nullptr;
    Doc.OnCanUndo = nullptr;
    Doc.OnCantUndo = nullptr;
    Doc.OnCanRedo = nullptr;
    Doc.OnCantRedo = nullptr;
}

void TXsheet2::WireDocumentEvents() {
    // These reach the handler in force when they are raised; the undo events are copied by Loaded.
    Doc.OnSelect = [this](TXsDocument&, std::int32_t layer, std::int32_t frame) {
        RaiseSelect(*this, layer, frame);
    };
    Doc.OnLayerChange = [this](TXsDocument&) { RaiseLayerChange(); };
    Doc.OnLoadAudio = [this](TXsDocument&, const std::string& file) { StartAudioLoad(file); };
    Doc.OnMaxFrameError = [this](TXsDocument&) {
        if (OnMaxFrameError)
            OnMaxFrameError(*this);
    };
    Doc.OnCanPaste = [this](TXsDocument&) {
        if (OnCanPaste)
            OnCanPaste(*this);
    };
    Doc.OnLayerAdded = [this](TXsDocument&) {
        if (Repaints()) {
            HeaderPart->Resize();
            HeaderPart->DrawHeaders(0, LayerCount() - 1);
            HeaderPart->update();
            SyncRows();
            UpdateScrollRanges();
            GridPart->RedrawVisible();
            GridPart->update();
        }
        if (OnLayerAdded)
            OnLayerAdded(*this);
    };
    Doc.OnLayerDeleted = [this](TXsDocument&) {
        // An editor left open would commit into whatever layer took the place of its own.
        CloseEditor();
        if (Repaints()) {
            HeaderPart->Resize();
            HeaderPart->DrawHeaders(0, LayerCount() - 1);
            HeaderPart->update();
            UpdateScrollRanges();
            GridPart->RedrawVisible();
            GridPart->update();
        }
        if (OnLayerDeleted)
            OnLayerDeleted(*this);
    };
    Doc.OnSheetCleared = [this](TXsDocument&) {
        CloseEditor();
        if (!LoadedOnce)
            return;
        HBar->SetPosition(0);
        VBar->SetPosition(0);
        if (Repaints())
            RefreshAll();
    };
    Doc.OnShowAudio = [this](TXsDocument&) {
        AudioPart->SetFrameRate(Doc.Fps());
        AudioColumnMoved();
        if (OnShowAudio)
            OnShowAudio(*this);
    };
    Doc.OnHideAudio = [this](TXsDocument&) {
        AudioColumnMoved();
        if (OnHideAudio)
            OnHideAudio(*this);
    };
}

void TXsheet2::StartAudioLoad(const std::string& file) {
    if (!Loader) {
        Loader = std::make_unique<TCwAudioLoader>(&Doc.Data().Audio);
        Loader->OnLoaded = [this](TCwAudioLoader&) { AudioLoaded(); };
        Loader->OnError = [this](TCwAudioLoader&, const std::string& message) {
            if (OnMessage)
                OnMessage(*this, message);
        };
    }
    try {
        Loader->Load(file, TempDir);
    } catch (const ECwError&) {
        // A sheet whose sound file has gone opens without sound; the name stays for saving.
        Loader.reset();
    }
}

void TXsheet2::AudioLoaded() {
    Doc.AudioLoaded();
    if (Repaints())
        RefreshAll();
    if (OnAudioLoaded)
        OnAudioLoaded(*this);
}

void TXsheet2::ClearAudio() {
    Doc.ClearAudio();
    if (Repaints() && Doc.AudioShown())
        AudioPart->Rebuild();
}

void TXsheet2::ClearPhonemes() {
    Doc.ClearPhonemes();
    if (Repaints() && Doc.AudioShown())
        AudioPart->Rebuild();
}

void TXsheet2::AudioColumnMoved() {
    // The grid changes width with the audio column; the document also reports a column hidden
    // again, which changes nothing.
    if (!LoadedOnce || LaidOutWithAudio == Doc.AudioShown())
        return;
    DoLayout();
    if (Repaints())
        RefreshAll();
}

void TXsheet2::Loaded() {
    LoadedOnce = true;
    VBar->SetKind(Qt::Vertical);
    // Handlers are copied here; ones assigned later are not seen.
    auto forward = [this](const TNotifyEvent& handler) -> TXsDocument::TNotifyEvent {
        if (!handler)
            return nullptr;
        return [this, handler](TXsDocument&) { handler(*this); };
    };
    Doc.OnCanUndo = forward(OnCanUndo);
    Doc.OnCantUndo = forward(OnCantUndo);
    Doc.OnCanRedo = forward(OnCanRedo);
    Doc.OnCantRedo = forward(OnCantRedo);
    SetCellSize(CellW, CellH);
    DoLayout();
    RefreshAll();
}

void TXsheet2::showEvent(QShowEvent* event) {
    if (!LoadedOnce)
        Loaded();
    QWidget::showEvent(event);
}

void TXsheet2::SetCellSize(int width, int height) {
    TXSheetData& data = Doc.Data();
    data.CellWidth = width;
    data.CellHeight = height;
    // Cels keep their pixel bounds; they follow the new size at once so boxes and grips line up.
    for (const auto& cel : data.Cels)
        cel->UpdateBounds(width, height);
    GridPart->SetCellSize(width, height);
    HeaderPart->SetCellWidth(width);
    IndexPart->SetRowHeight(height);
    AudioPart->SetRowHeight(height);
}

void TXsheet2::SetGridWidth(int width) {
    if (width < 55 || width == CellW)
        return;
    CellW = width;
    SetCellSize(CellW, CellH);
    if (LoadedOnce) {
        PlaceEditor();
        RefreshAll();
    }
}

void TXsheet2::SetGridHeight(int height) {
    if (height < 10 || height == CellH)
        return;
    CellH = height;
    SetCellSize(CellW, CellH);
    if (LoadedOnce) {
        PlaceEditor();
        RefreshAll();
    }
}

void TXsheet2::SetGridColor(const QColor& color) {
    GridBack = color;
    GridPart->GridColor = color;
    GridPart->SetColor(color);
    IndexPart->GridColor = color;
    AudioPart->SetColor(color);
    if (LoadedOnce) {
        GridPart->RedrawVisible();
        IndexPart->DrawRows(0, IndexPart->PictureHeight());
        IndexPart->update();
    }
}

void TXsheet2::SetGridLineColor(const QColor& color) {
    GridLines = color;
    GridPart->GridLineColor = color;
    IndexPart->GridLineColor = color;
    AudioPart->GridLineColor = color;
    if (LoadedOnce) {
        GridPart->RedrawVisible();
        GridPart->update();
        IndexPart->DrawRows(0, IndexPart->PictureHeight());
        IndexPart->update();
        if (Doc.AudioShown())
            AudioPart->Rebuild();
    }
}

void TXsheet2::SetAudioHeadText(const QString& text) {
    if (text.isEmpty() || text == AudioHead)
        return;
    AudioHead = text;
    if (LoadedOnce && Doc.AudioShown())
        CornerPart->DrawCorner();
}

void TXsheet2::SetIndexHeadText(const QString& text) {
    if (text == IndexHead)
        return;
    IndexHead = text;
    CornerPart->Caption = text;
    if (LoadedOnce)
        CornerPart->DrawCorner();
}

int TXsheet2::HorzPos() const {
    return static_cast<int>(std::trunc(HBar->Position()));
}

int TXsheet2::VertPos() const {
    return static_cast<int>(std::trunc(VBar->Position()));
}

std::int32_t TXsheet2::ShownRows() const {
    return std::max(Doc.FrameRows(), Doc.FrameCount());
}

void TXsheet2::SyncRows() {
    if (IndexPart->RowCount() != ShownRows())
        IndexPart->SetRowCount(ShownRows());
    if (Doc.AudioShown() && AudioPart->RowCount() != Doc.AudioRows())
        AudioPart->SetRowCount(Doc.AudioRows());
    UpdateScrollRanges();
}

void TXsheet2::UpdateScrollRanges() {
    VBar->SetPageSize(GridPart->height());
    VBar->SetRange(static_cast<double>(ShownRows()) * CellH);
    HBar->SetPageSize(GridPart->width());
    HBar->SetRange(static_cast<double>(LayerCount()) * CellW);
}

void TXsheet2::DoLayout() {
    LaidOutWithAudio = Doc.AudioShown();
    const int audio = LaidOutWithAudio ? AudioW : 0;
    const int w = width();
    const int h = height();
    const int gridLeft = IndexW + audio;
    const int gridWidth = std::max(0, w - IndexW - ScrollW - audio);
    const int gridHeight = std::max(0, h - HeaderH - ScrollW);
    CornerPart->setGeometry(0, 0, IndexW + audio, HeaderH);
    HeaderPart->setGeometry(gridLeft, 0, gridWidth, HeaderH);
    IndexPart->setGeometry(0, HeaderH, IndexW, gridHeight);
    AudioPart->setGeometry(IndexW, HeaderH, AudioW, gridHeight);
    AudioPart->setVisible(LaidOutWithAudio);
    GridPart->setGeometry(gridLeft, HeaderH, gridWidth, gridHeight);
    HBar->setGeometry(gridLeft, h - ScrollW, gridWidth, ScrollW);
    VBar->setGeometry(w - ScrollW, HeaderH, ScrollW, gridHeight);
    HBar->raise();
    VBar->raise();
    UpdateScrollRanges();
    UpdateViewRect();
    CornerPart->DrawCorner();
    PlaceEditor();
}

void TXsheet2::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (!LoadedOnce)
        return;
    DoLayout();
    RefreshAll();
}

void TXsheet2::UpdateViewRect() {
    InView = QRect(HorzPos(), VertPos(), GridPart->width(), GridPart->height());
}

void TXsheet2::RefreshAll() {
    if (!LoadedOnce)
        return;
    HeaderPart->Resize();
    HeaderPart->DrawHeaders(0, LayerCount() - 1);
    IndexPart->Rebuild(ShownRows());
    if (Doc.AudioShown())
        AudioPart->Rebuild();
    CornerPart->DrawCorner();
    UpdateScrollRanges();
    UpdateViewRect();
    GridPart->BoundsChanged();
    HeaderPart->update();
    GridPart->update();
}

void TXsheet2::HorzScrolled() {
    PlaceEditor();
    UpdateViewRect();
    GridPart->Scrolled();
    HeaderPart->update();
}

void TXsheet2::VertScrolled() {
    PlaceEditor();
    UpdateViewRect();
    GridPart->Scrolled();
    IndexPart->update();
    AudioPart->update();
}

void TXsheet2::ScrollWheel(int delta) {
    if (delta > 0)
        VBar->SetPosition(VBar->Position() - VBar->Increment());
    else if (delta < 0)
        VBar->SetPosition(VBar->Position() + VBar->Increment());
}

void TXsheet2::wheelEvent(QWheelEvent* event) {
    ScrollWheel(event->angleDelta().y());
    event->accept();
}

bool TXsheet2::CellFromPoint(const QPoint& point, std::int32_t& layer, std::int32_t& frame) const {
    const QRect grid = GridPart->geometry();
    if (!grid.contains(point))
        return false;
    layer = (point.x() - grid.left() + HorzPos()) / CellW + 1;
    frame = (point.y() - grid.top() + VertPos()) / CellH + 1;
    return true;
}

void TXsheet2::SetTempFolder(const std::string& path) {
    std::error_code error;
    if (std::filesystem::is_directory(path, error))
        TempDir = path;
}

void TXsheet2::RaiseSelect(QObject& sender, std::int32_t layer, std::int32_t frame) {
    if (OnSelect)
        OnSelect(sender, layer, frame);
}

void TXsheet2::RaiseLayerChange() {
    if (OnLayerChange)
        OnLayerChange(*this);
}

// Commands.

TXsheet2::TViewState TXsheet2::NoteView() const {
    return {Doc.FrameCount(), Doc.LayerCount(), Doc.Data().Selection};
}

void TXsheet2::AfterCommand(const TViewState& before, std::int32_t first, std::int32_t last) {
    if (!Repaints())
        return;
    SyncRows();
    if (before.Layers != LayerCount()) {
        HeaderPart->Resize();
        HeaderPart->DrawHeaders(0, LayerCount() - 1);
        HeaderPart->update();
    }
    if (before.Frames != FrameCount() || before.Layers != LayerCount()) {
        GridPart->RedrawVisible();
    } else {
        if (first <= last)
            GridPart->RepaintCells({first, 0, last, FrameCount() - 1});
        if (!(before.Selection == Doc.Data().Selection))
            GridPart->RepaintCells(before.Selection);
        GridPart->DrawSelectionFrame();
    }
    GridPart->update();
}

void TXsheet2::ClearSheet() {
    Doc.ClearSheet();
}

void TXsheet2::AddLayer(const std::string& caption, const std::string& folder, const TLayerColors& colors) {
    Doc.AddLayer(caption, folder, colors);
}

void TXsheet2::DeleteLayer(std::int32_t layer) {
    Doc.DeleteLayer(layer);
}

void TXsheet2::PlaceCelAt(std::int32_t layer, std::int32_t frame, const std::string& name,
                          std::int32_t duration) {
    const TViewState before = NoteView();
    Doc.PlaceCelAt(layer, frame, name, duration);
    AfterCommand(before, layer - 1, layer - 1);
}

void TXsheet2::SetLayerCaption(std::int32_t layer, const std::string& text) {
    Doc.SetLayerCaption(layer, text);
    if (Repaints()) {
        HeaderPart->DrawHeader(layer - 1);
        HeaderPart->update();
    }
}

void TXsheet2::SetLayerColors(std::int32_t layer, const TLayerColors& colors) {
    const TViewState before = NoteView();
    Doc.SetLayerColors(layer, colors);
    if (Repaints()) {
        HeaderPart->DrawHeader(layer - 1);
        HeaderPart->update();
    }
    AfterCommand(before, layer - 1, layer - 1);
}

void TXsheet2::SetLayerVisible(std::int32_t layer, bool visible) {
    Doc.SetLayerVisible(layer, visible);
    if (Repaints()) {
        HeaderPart->DrawHeader(layer - 1);
        HeaderPart->update();
    }
}

void TXsheet2::SelectCell(std::int32_t layer, std::int32_t frame) {
    const TViewState before = NoteView();
    Doc.SelectCell(layer, frame);
    AfterCommand(before, 0, -1);
}

void TXsheet2::SetFps(std::int32_t fps) {
    const TViewState before = NoteView();
    Doc.SetFps(fps);
    AudioPart->SetFrameRate(Doc.Fps());
    AfterCommand(before, 0, -1);
}

void TXsheet2::Undo() {
    CloseEditor();
    Doc.Undo();
    RefreshAll();
}

void TXsheet2::Redo() {
    CloseEditor();
    Doc.Redo();
    RefreshAll();
}

void TXsheet2::AddFrames(std::int32_t count) {
    const TViewState before = NoteView();
    Doc.AddFrames(count);
    AfterCommand(before, 0, -1);
}

void TXsheet2::ExtendHold(bool ripple) {
    const TViewState before = NoteView();
    Doc.ExtendHold(ripple);
    AfterCommand(before, Doc.Data().CurLayer, Doc.Data().CurLayer);
}

void TXsheet2::ShortenHold(bool ripple) {
    const TViewState before = NoteView();
    Doc.ShortenHold(ripple);
    AfterCommand(before, Doc.Data().CurLayer, Doc.Data().CurLayer);
}

void TXsheet2::SetHold(std::int32_t frames, bool ripple) {
    const TViewState before = NoteView();
    Doc.SetHold(frames, ripple);
    AfterCommand(before, Doc.Data().CurLayer, Doc.Data().CurLayer);
}

void TXsheet2::InsertFrame() {
    const TViewState before = NoteView();
    Doc.InsertFrame();
    AfterCommand(before, Doc.Data().CurLayer, Doc.Data().CurLayer);
}

void TXsheet2::DeleteFrames() {
    const TViewState before = NoteView();
    Doc.DeleteFrames();
    AfterCommand(before, before.Selection.Left, before.Selection.Right);
}

void TXsheet2::CutSelection() {
    const TViewState before = NoteView();
    Doc.CutSelection();
    AfterCommand(before, before.Selection.Left, before.Selection.Right);
}

void TXsheet2::PasteAtSelection() {
    const TViewState before = NoteView();
    Doc.PasteAtSelection();
    const TCellRect& now = Doc.Data().Selection;
    AfterCommand(before, std::min(before.Selection.Left, now.Left),
                 std::max(before.Selection.Right, now.Right));
}

void TXsheet2::MoveCursor(TCursorDirection direction) {
    const TViewState before = NoteView();
    Doc.MoveCursor(direction);
    AfterCommand(before, 0, -1);
}

// Keyboard.

bool TXsheet2::event(QEvent* event) {
    // The arrows and the keypad keys belong to the sheet while it has the focus, whatever
    // shortcuts the window around it has.
    if (event->type() == QEvent::ShortcutOverride) {
        auto* key = static_cast<QKeyEvent*>(event);
        const bool arrow = key->key() >= Qt::Key_Left && key->key() <= Qt::Key_Down;
        if ((arrow || (key->modifiers() & Qt::KeypadModifier)) &&
            SheetVirtualKey(key->key(), key->modifiers())) {
            event->accept();
            return true;
        }
    }
    return QWidget::event(event);
}

void TXsheet2::keyPressEvent(QKeyEvent* event) {
    const int virtualKey = SheetVirtualKey(event->key(), event->modifiers());
    if (virtualKey == 0) {
        QWidget::keyPressEvent(event);
        return;
    }
    // Ctrl is read from the keyboard as it is now, not from the event.
    const bool ctrl = QGuiApplication::queryKeyboardModifiers() & Qt::ControlModifier;
    const TViewState before = NoteView();
    Doc.RunKeyCommand(SheetKeyCommand(virtualKey, ctrl));
    AfterCommand(before, Doc.Data().CurLayer, Doc.Data().CurLayer);
    event->accept();
}

// Context menus.

void TXsheet2::contextMenuEvent(QContextMenuEvent* event) {
    event->accept();
    const QPoint at = event->pos();
    if (HeaderPart->geometry().contains(at)) {
        const int x = at.x() - HeaderPart->x() + HorzPos();
        if (x >= LayerCount() * CellW)
            return;
        SelectCell(x / CellW + 1, 1);
        if (PopupMenuHeader)
            PopupMenuHeader->popup(event->globalPos());
    } else if (GridPart->geometry().contains(at)) {
        if (PopupMenu)
            PopupMenu->popup(event->globalPos());
    } else if (Doc.AudioShown() && QRect(IndexW, HeaderH, AudioW, GridPart->height()).contains(at)) {
        if (PopupMenuAudio)
            PopupMenuAudio->popup(event->globalPos());
    }
}

// In-place editing.

QRect TXsheet2::EditorArea(TCellEditor::TMode mode, std::int32_t col, std::int32_t row) const {
    switch (mode) {
    case TCellEditor::emCelName:
    case TCellEditor::emImageRename:
        return {col * CellW + GridPart->x() - HorzPos() + 1, row * CellH + HeaderH - VertPos(), CellW - 1,
                CellH};
    case TCellEditor::emLayerCaption:
        return {HeaderPart->x() + col * CellW - HorzPos(), HeaderPart->y(), CellW, CellH};
    case TCellEditor::emPhoneme:
        return {IndexW, row * CellH + HeaderH - VertPos(), AudioW - 1, CellH};
    }
    return {};
}

void TXsheet2::PlaceEditor() {
    TCellEditor& editor = *EditorPart;
    if (!editor.Editing)
        return;
    const QRect area = EditorArea(editor.Mode, editor.Col, editor.Row);
    editor.setGeometry(area);
    // Hidden while its cell is scrolled up past the grid, or left of it.
    const bool scrollsDown = editor.Mode != TCellEditor::emLayerCaption;
    const bool scrollsAcross = editor.Mode != TCellEditor::emPhoneme;
    const bool away =
        (scrollsDown && area.top() < GridPart->y()) || (scrollsAcross && area.left() < GridPart->x());
    if (away && editor.isVisible()) {
        editor.hide();
    } else if (!away && !editor.isVisible()) {
        editor.show();
        editor.raise();
        HBar->raise();
        VBar->raise();
    }
}

void TXsheet2::EditCelName(std::int32_t layer, std::int32_t frame) {
    if (!Doc.Data().InSheet(layer - 1, frame - 1))
        return;
    CloseEditor();
    const QRect area = EditorArea(TCellEditor::emCelName, layer - 1, frame - 1);
    EditorPart->Open(TCellEditor::emCelName, layer - 1, frame - 1, area,
                     QString::fromStdString(CelName(layer, frame)));
    // No frame while a name is typed.
    GridPart->RepaintCells(Doc.Data().Selection);
    GridPart->update();
    PlaceEditor();
    HBar->raise();
    VBar->raise();
}

void TXsheet2::RenameCelImage(std::int32_t layer, std::int32_t frame) {
    if (!Doc.CelImageExists(layer, frame))
        return;
    const TXsCel* cel = Doc.CelAt(layer, frame);
    CloseEditor();
    EditorPart->Open(TCellEditor::emImageRename, layer - 1, cel->Row,
                     EditorArea(TCellEditor::emImageRename, layer - 1, cel->Row),
                     QString::fromStdString(cel->Name));
    PlaceEditor();
    HBar->raise();
    VBar->raise();
}

void TXsheet2::EditLayerCaption(std::int32_t layer) {
    if (layer < 1 || layer > LayerCount())
        return;
    CloseEditor();
    EditorPart->Open(TCellEditor::emLayerCaption, layer - 1, 0,
                     EditorArea(TCellEditor::emLayerCaption, layer - 1, 0),
                     QString::fromStdString(LayerCaption(layer)));
    PlaceEditor();
}

void TXsheet2::EditPhoneme(std::int32_t frame) {
    if (!Doc.AudioShown() || frame < 1 || frame > kMaxFrames)
        return;
    CloseEditor();
    EditorPart->Open(TCellEditor::emPhoneme, 0, frame - 1, EditorArea(TCellEditor::emPhoneme, 0, frame - 1),
                     QString::fromStdString(Phoneme(frame)));
    PlaceEditor();
    HBar->raise();
    VBar->raise();
}

void TXsheet2::CloseEditor() {
    if (EditorPart->Editing)
        EditorPart->Close();
}

void TXsheet2::CloseEditorUnlessOn(std::int32_t col, std::int32_t row) {
    if (EditorPart->Editing && !EditorPart->EditsCell(col, row))
        EditorPart->Close();
}

void TXsheet2::EditorClosed() {
    setFocus(Qt::OtherFocusReason);
    if (LoadedOnce) {
        GridPart->DrawSelectionFrame();
        GridPart->update();
    }
}

void TXsheet2::CommitEditor(TCellEditor& editor, const QString& text) {
    const std::int32_t col = editor.Col;
    const std::int32_t row = editor.Row;
    const std::string typed = text.toStdString();
    const TCellEditor::TMode mode = editor.Mode;
    const TViewState before = NoteView();
    std::string message;
    switch (mode) {
    case TCellEditor::emCelName:
        Doc.CommitCelName(col + 1, row + 1, typed);
        break;
    case TCellEditor::emImageRename:
        message = Doc.CommitImageRename(col + 1, row + 1, typed);
        break;
    case TCellEditor::emLayerCaption:
        Doc.CommitLayerCaption(col + 1, typed);
        break;
    case TCellEditor::emPhoneme:
        Doc.CommitPhoneme(row + 1, typed);
        break;
    }
    editor.Close();
    if (mode == TCellEditor::emLayerCaption) {
        if (Repaints()) {
            HeaderPart->DrawHeader(col);
            HeaderPart->update();
        }
    } else if (mode == TCellEditor::emPhoneme) {
        // A phoneme past the rows makes the column longer.
        if (Repaints())
            SyncRows();
        AudioPart->RedrawRow(row);
    } else {
        AfterCommand(before, col, col);
    }
    if (!message.empty() && OnMessage)
        OnMessage(*this, message);
}
