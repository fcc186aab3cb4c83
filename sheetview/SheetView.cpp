#include "sheetview/SheetView.h"

#include "base/Error.h"
#include "sheetview/SoundLoader.h"
#include "sheetview/SheetKeyMapping.h"
#include "sheetview/AudioColumn.h"
#include "sheetview/SheetGrid.h"
#include "sheetview/LayerHeader.h"
#include "sheetview/FrameIndex.h"
#include "sheetview/SheetCorner.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <filesystem>

TSheetView::TSheetView(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setAutoFillBackground(true);
    Doc.Data().CellWidth = CellW;
    Doc.Data().CellHeight = CellH;

    HeaderPart = new TLayerHeader(*this);
    IndexPart = new TFrameIndex(*this);
    CornerPart = new TSheetCorner(*this);
    AudioPart = new TAudioColumn(*this);
    GridPart = new TSheetGrid(*this);
    HBar = new TSheetScrollBar(Qt::Horizontal, this);
    VBar = new TSheetScrollBar(Qt::Vertical, this);
    EditorPart = new TCellEditor(this);

    HBar->OnChange = [this](TSheetScrollBar&) { HorzScrolled(); };
    VBar->OnChange = [this](TSheetScrollBar&) { VertScrolled(); };
    EditorPart->OnCommit = [this](TCellEditor& editor, const QString& text) { CommitEditor(editor, text); };
    EditorPart->OnClosed = [this](TCellEditor&) { EditorClosed(); };
    SetCellSize(CellW, CellH);
    WireDocumentEvents();
}

// The document outlives this body: nothing it raises while it is taken down may reach the control.
TSheetView::~TSheetView() {
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
    Doc.OnModified = nullptr;
}

void TSheetView::WireDocumentEvents() {
    // These reach the handler in force when they are raised; the undo events are copied by Loaded.
    Doc.OnSelect = [this](TSheetDocument&, std::int32_t layer, std::int32_t frame) {
        RaiseSelect(*this, layer, frame);
    };
    Doc.OnLayerChange = [this](TSheetDocument&) { RaiseLayerChange(); };
    Doc.OnLoadAudio = [this](TSheetDocument&, const std::string& file) { StartAudioLoad(file); };
    Doc.OnMaxFrameError = [this](TSheetDocument&) {
        if (OnMaxFrameError)
            OnMaxFrameError(*this);
    };
    Doc.OnCanPaste = [this](TSheetDocument&) {
        if (OnCanPaste)
            OnCanPaste(*this);
    };
    Doc.OnLayerAdded = [this](TSheetDocument&) {
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
    Doc.OnLayerDeleted = [this](TSheetDocument&) {
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
    Doc.OnSheetCleared = [this](TSheetDocument&) {
        CloseEditor();
        if (!LoadedOnce)
            return;
        HBar->SetPosition(0);
        VBar->SetPosition(0);
        if (Repaints())
            RefreshAll();
    };
    Doc.OnShowAudio = [this](TSheetDocument&) {
        AudioPart->SetFrameRate(Doc.Fps());
        AudioColumnMoved();
        if (OnShowAudio)
            OnShowAudio(*this);
    };
    Doc.OnHideAudio = [this](TSheetDocument&) {
        AudioColumnMoved();
        if (OnHideAudio)
            OnHideAudio(*this);
    };
    Doc.OnModified = [this](TSheetDocument&) {
        if (OnModified)
            OnModified(*this);
    };
}

void TSheetView::StartAudioLoad(const std::string& file) {
    if (!Loader) {
        Loader = std::make_unique<TSoundLoader>(&Doc.Data().Audio);
        Loader->OnLoaded = [this](TSoundLoader&) { AudioLoaded(); };
        Loader->OnError = [this](TSoundLoader&, const std::string& message) {
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

void TSheetView::AudioLoaded() {
    Doc.AudioLoaded();
    if (Repaints())
        RefreshAll();
    if (OnAudioLoaded)
        OnAudioLoaded(*this);
}

void TSheetView::ClearAudio() {
    Doc.ClearAudio();
    if (Repaints() && Doc.AudioShown())
        AudioPart->Rebuild();
}

void TSheetView::ClearPhonemes() {
    Doc.ClearPhonemes();
    if (Repaints() && Doc.AudioShown())
        AudioPart->Rebuild();
}

void TSheetView::AudioColumnMoved() {
    // The grid changes width with the audio column; the document also reports a column hidden
    // again, which changes nothing.
    if (!LoadedOnce || LaidOutWithAudio == Doc.AudioShown())
        return;
    DoLayout();
    if (Repaints())
        RefreshAll();
}

void TSheetView::Loaded() {
    LoadedOnce = true;
    VBar->SetKind(Qt::Vertical);
    // Handlers are copied here; ones assigned later are not seen.
    auto forward = [this](const TNotifyEvent& handler) -> TSheetDocument::TNotifyEvent {
        if (!handler)
            return nullptr;
        return [this, handler](TSheetDocument&) { handler(*this); };
    };
    Doc.OnCanUndo = forward(OnCanUndo);
    Doc.OnCantUndo = forward(OnCantUndo);
    Doc.OnCanRedo = forward(OnCanRedo);
    Doc.OnCantRedo = forward(OnCantRedo);
    SetCellSize(CellW, CellH);
    DoLayout();
    RefreshAll();
}

void TSheetView::showEvent(QShowEvent* event) {
    if (!LoadedOnce)
        Loaded();
    QWidget::showEvent(event);
}

void TSheetView::SetCellSize(int width, int height) {
    TSheetData& data = Doc.Data();
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

void TSheetView::SetGridWidth(int width) {
    if (width < 55 || width == CellW)
        return;
    CellW = width;
    SetCellSize(CellW, CellH);
    if (LoadedOnce) {
        PlaceEditor();
        RefreshAll();
    }
}

void TSheetView::SetGridHeight(int height) {
    if (height < 10 || height == CellH)
        return;
    CellH = height;
    SetCellSize(CellW, CellH);
    if (LoadedOnce) {
        PlaceEditor();
        RefreshAll();
    }
}

void TSheetView::SetGridColor(const QColor& color) {
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

void TSheetView::SetGridLineColor(const QColor& color) {
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

void TSheetView::SetAudioHeadText(const QString& text) {
    if (text.isEmpty() || text == AudioHead)
        return;
    AudioHead = text;
    if (LoadedOnce && Doc.AudioShown())
        CornerPart->DrawCorner();
}

void TSheetView::SetIndexHeadText(const QString& text) {
    if (text == IndexHead)
        return;
    IndexHead = text;
    CornerPart->Caption = text;
    FitIndexWidth();
}

void TSheetView::SetIndexWidth(int width) {
    MinIndexW = width;
    FitIndexWidth();
}

void TSheetView::FitIndexWidth() {
    // The heading is drawn 4 pixels in from the left; a translated one ("Image") may be longer.
    IndexW = std::max(MinIndexW, CornerPart->fontMetrics().horizontalAdvance(IndexHead) + 8);
    if (!LoadedOnce)
        return;
    DoLayout();
    RefreshAll();
}

int TSheetView::HorzPos() const {
    return static_cast<int>(std::trunc(HBar->Position()));
}

int TSheetView::VertPos() const {
    return static_cast<int>(std::trunc(VBar->Position()));
}

std::int32_t TSheetView::ShownRows() const {
    return std::max(Doc.FrameRows(), Doc.FrameCount());
}

void TSheetView::SyncRows() {
    if (IndexPart->RowCount() != ShownRows())
        IndexPart->SetRowCount(ShownRows());
    if (Doc.AudioShown() && AudioPart->RowCount() != Doc.AudioRows())
        AudioPart->SetRowCount(Doc.AudioRows());
    UpdateScrollRanges();
}

void TSheetView::UpdateScrollRanges() {
    VBar->SetPageSize(GridPart->height());
    VBar->SetRange(static_cast<double>(ShownRows()) * CellH);
    HBar->SetPageSize(GridPart->width());
    HBar->SetRange(static_cast<double>(LayerCount()) * CellW);
}

void TSheetView::DoLayout() {
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

void TSheetView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (!LoadedOnce)
        return;
    DoLayout();
    RefreshAll();
}

void TSheetView::UpdateViewRect() {
    InView = QRect(HorzPos(), VertPos(), GridPart->width(), GridPart->height());
}

void TSheetView::RefreshAll() {
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

void TSheetView::HorzScrolled() {
    PlaceEditor();
    UpdateViewRect();
    GridPart->Scrolled();
    HeaderPart->update();
}

void TSheetView::VertScrolled() {
    PlaceEditor();
    UpdateViewRect();
    GridPart->Scrolled();
    IndexPart->update();
    AudioPart->update();
}

void TSheetView::ScrollWheel(int delta) {
    // A notch is 120; it moves as many rows as the desktop's wheel setting says.
    const double rows = QApplication::wheelScrollLines() * delta / 120.0;
    VBar->SetPosition(VBar->Position() - rows * CellH);
}

void TSheetView::ScrollIntoView(std::int32_t layer, std::int32_t frame) {
    auto follow = [](TSheetScrollBar& bar, double first, double length, double view) {
        if (first < bar.Position())
            bar.SetPosition(first);
        else if (first + length > bar.Position() + view)
            bar.SetPosition(first + length - view);
    };
    if (!LoadedOnce || layer < 1 || frame < 1)
        return;
    follow(*VBar, double(frame - 1) * CellH, CellH, GridPart->height());
    follow(*HBar, double(layer - 1) * CellW, CellW, GridPart->width());
}

void TSheetView::wheelEvent(QWheelEvent* event) {
    ScrollWheel(event->angleDelta().y());
    event->accept();
}

bool TSheetView::CellFromPoint(const QPoint& point, std::int32_t& layer, std::int32_t& frame) const {
    const QRect grid = GridPart->geometry();
    if (!grid.contains(point))
        return false;
    layer = (point.x() - grid.left() + HorzPos()) / CellW + 1;
    frame = (point.y() - grid.top() + VertPos()) / CellH + 1;
    return true;
}

void TSheetView::SetTempFolder(const std::string& path) {
    std::error_code error;
    if (std::filesystem::is_directory(path, error))
        TempDir = path;
}

void TSheetView::RaiseSelect(QObject& sender, std::int32_t layer, std::int32_t frame) {
    if (OnSelect)
        OnSelect(sender, layer, frame);
}

void TSheetView::RaiseLayerChange() {
    if (OnLayerChange)
        OnLayerChange(*this);
}

// Commands.

TSheetView::TViewState TSheetView::NoteView() const {
    return {Doc.FrameCount(), Doc.LayerCount(), Doc.Data().Selection};
}

void TSheetView::AfterCommand(const TViewState& before, std::int32_t first, std::int32_t last) {
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
    // The view follows the cursor wherever a command moved it.
    if (!(before.Selection == Doc.Data().Selection))
        ScrollIntoView(CurrentLayer(), CurrentFrame());
}

void TSheetView::ClearSheet() {
    Doc.ClearSheet();
}

void TSheetView::AddLayer(const std::string& caption, const std::string& folder, const TLayerColors& colors) {
    Doc.AddLayer(caption, folder, colors);
}

void TSheetView::DeleteLayer(std::int32_t layer) {
    Doc.DeleteLayer(layer);
}

void TSheetView::PlaceCelAt(std::int32_t layer, std::int32_t frame, const std::string& name,
                          std::int32_t duration) {
    const TViewState before = NoteView();
    Doc.PlaceCelAt(layer, frame, name, duration);
    AfterCommand(before, layer - 1, layer - 1);
}

void TSheetView::SetLayerCaption(std::int32_t layer, const std::string& text) {
    Doc.SetLayerCaption(layer, text);
    if (Repaints()) {
        HeaderPart->DrawHeader(layer - 1);
        HeaderPart->update();
    }
}

void TSheetView::SetLayerColors(std::int32_t layer, const TLayerColors& colors) {
    const TViewState before = NoteView();
    Doc.SetLayerColors(layer, colors);
    if (Repaints()) {
        HeaderPart->DrawHeader(layer - 1);
        HeaderPart->update();
    }
    AfterCommand(before, layer - 1, layer - 1);
}

void TSheetView::SetLayerVisible(std::int32_t layer, bool visible) {
    Doc.SetLayerVisible(layer, visible);
    if (Repaints()) {
        HeaderPart->DrawHeader(layer - 1);
        HeaderPart->update();
    }
}

void TSheetView::SelectCell(std::int32_t layer, std::int32_t frame) {
    const TViewState before = NoteView();
    Doc.SelectCell(layer, frame);
    AfterCommand(before, 0, -1);
}

void TSheetView::SetFps(std::int32_t fps) {
    const TViewState before = NoteView();
    Doc.SetFps(fps);
    AudioPart->SetFrameRate(Doc.Fps());
    AfterCommand(before, 0, -1);
}

void TSheetView::Undo() {
    CloseEditor();
    Doc.Undo();
    RefreshAll();
}

void TSheetView::Redo() {
    CloseEditor();
    Doc.Redo();
    RefreshAll();
}

void TSheetView::AddFrames(std::int32_t count) {
    const TViewState before = NoteView();
    Doc.AddFrames(count);
    AfterCommand(before, 0, -1);
}

void TSheetView::ExtendHold(bool ripple) {
    const TViewState before = NoteView();
    Doc.ExtendHold(ripple);
    AfterCommand(before, Doc.Data().CurLayer, Doc.Data().CurLayer);
}

void TSheetView::ShortenHold(bool ripple) {
    const TViewState before = NoteView();
    Doc.ShortenHold(ripple);
    AfterCommand(before, Doc.Data().CurLayer, Doc.Data().CurLayer);
}

void TSheetView::SetHold(std::int32_t frames, bool ripple) {
    const TViewState before = NoteView();
    Doc.SetHold(frames, ripple);
    AfterCommand(before, Doc.Data().CurLayer, Doc.Data().CurLayer);
}

void TSheetView::InsertFrame() {
    const TViewState before = NoteView();
    Doc.InsertFrame();
    AfterCommand(before, Doc.Data().CurLayer, Doc.Data().CurLayer);
}

void TSheetView::DeleteFrames() {
    const TViewState before = NoteView();
    Doc.DeleteFrames();
    AfterCommand(before, before.Selection.Left, before.Selection.Right);
}

void TSheetView::CutSelection() {
    const TViewState before = NoteView();
    Doc.CutSelection();
    AfterCommand(before, before.Selection.Left, before.Selection.Right);
}

void TSheetView::PasteAtSelection() {
    const TViewState before = NoteView();
    Doc.PasteAtSelection();
    const TCellRect& now = Doc.Data().Selection;
    AfterCommand(before, std::min(before.Selection.Left, now.Left),
                 std::max(before.Selection.Right, now.Right));
}

void TSheetView::MoveCursor(TCursorDirection direction) {
    const TViewState before = NoteView();
    Doc.MoveCursor(direction);
    AfterCommand(before, 0, -1);
}

// Keyboard.

bool TSheetView::event(QEvent* event) {
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

void TSheetView::keyPressEvent(QKeyEvent* event) {
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

void TSheetView::contextMenuEvent(QContextMenuEvent* event) {
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

QRect TSheetView::EditorArea(TCellEditor::TMode mode, std::int32_t col, std::int32_t row) const {
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

void TSheetView::PlaceEditor() {
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

void TSheetView::EditCelName(std::int32_t layer, std::int32_t frame) {
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

void TSheetView::RenameCelImage(std::int32_t layer, std::int32_t frame) {
    if (!Doc.CelImageExists(layer, frame))
        return;
    const TCel* cel = Doc.CelAt(layer, frame);
    CloseEditor();
    EditorPart->Open(TCellEditor::emImageRename, layer - 1, cel->Row,
                     EditorArea(TCellEditor::emImageRename, layer - 1, cel->Row),
                     QString::fromStdString(cel->Name));
    PlaceEditor();
    HBar->raise();
    VBar->raise();
}

void TSheetView::EditLayerCaption(std::int32_t layer) {
    if (layer < 1 || layer > LayerCount())
        return;
    CloseEditor();
    EditorPart->Open(TCellEditor::emLayerCaption, layer - 1, 0,
                     EditorArea(TCellEditor::emLayerCaption, layer - 1, 0),
                     QString::fromStdString(LayerCaption(layer)));
    PlaceEditor();
}

void TSheetView::EditPhoneme(std::int32_t frame) {
    if (!Doc.AudioShown() || frame < 1 || frame > kMaxFrames)
        return;
    CloseEditor();
    EditorPart->Open(TCellEditor::emPhoneme, 0, frame - 1, EditorArea(TCellEditor::emPhoneme, 0, frame - 1),
                     QString::fromStdString(Phoneme(frame)));
    PlaceEditor();
    HBar->raise();
    VBar->raise();
}

void TSheetView::CloseEditor() {
    if (EditorPart->Editing)
        EditorPart->Close();
}

void TSheetView::CloseEditorUnlessOn(std::int32_t col, std::int32_t row) {
    if (EditorPart->Editing && !EditorPart->EditsCell(col, row))
        EditorPart->Close();
}

void TSheetView::EditorClosed() {
    setFocus(Qt::OtherFocusReason);
    if (LoadedOnce) {
        GridPart->DrawSelectionFrame();
        GridPart->update();
    }
}

void TSheetView::CommitEditor(TCellEditor& editor, const QString& text) {
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
