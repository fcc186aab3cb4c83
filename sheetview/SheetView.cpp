#include "sheetview/SheetView.h"

#include "base/Error.h"
#include "sheetview/AudioColumn.h"
#include "sheetview/FrameIndex.h"
#include "sheetview/LayerHeader.h"
#include "sheetview/SheetCorner.h"
#include "sheetview/SheetGrid.h"
#include "sheetview/SheetKeyMapping.h"
#include "sheetview/SoundLoader.h"

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
    WireDocumentEvents();
}

// The document outlives this body: nothing it raises while it is taken down may reach the control.
TSheetView::~TSheetView() {
    Loader.reset();
    Doc.OnChange = nullptr;
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

TSheetDocument::TNotifyEvent TSheetView::UndoEvent(const TNotifyEvent& handler,
                                                   void (TSheetView::*signal)(bool), bool available) {
    return [this, handler, signal, available](TSheetDocument&) {
        if (handler)
            handler(*this);
        if (available)
            SetModified(true);
        emit(this->*signal)(available);
    };
}

void TSheetView::WireUndoEvents() {
    Doc.OnCanUndo = UndoEvent(OnCanUndo, &TSheetView::UndoAvailable, true);
    Doc.OnCantUndo = UndoEvent(OnCantUndo, &TSheetView::UndoAvailable, false);
    Doc.OnCanRedo = UndoEvent(OnCanRedo, &TSheetView::RedoAvailable, true);
    Doc.OnCantRedo = UndoEvent(OnCantRedo, &TSheetView::RedoAvailable, false);
}

void TSheetView::WireDocumentEvents() {
    // These reach the handler in force when they are raised; the undo handlers are copied by
    // Loaded, the undo signals go out from the start.
    Doc.OnChange = [this](TSheetDocument&, const TSheetChange& change) { ShowChange(change); };
    WireUndoEvents();
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
        if (OnLayerAdded)
            OnLayerAdded(*this);
        emit LayerAdded();
    };
    Doc.OnLayerDeleted = [this](TSheetDocument&) {
        // An editor left open would commit into whatever layer took the place of its own.
        CloseEditor();
        if (OnLayerDeleted)
            OnLayerDeleted(*this);
        emit LayerDeleted();
    };
    Doc.OnSheetCleared = [this](TSheetDocument&) {
        CloseEditor();
        if (!LoadedOnce)
            return;
        HBar->SetPosition(0);
        VBar->SetPosition(0);
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
        SetModified(true);
        if (OnModified)
            OnModified(*this);
    };
}

void TSheetView::SetModified(bool modified) {
    if (Modified == modified)
        return;
    Modified = modified;
    emit ModifiedChanged(modified);
}

void TSheetView::ShowChange(const TSheetChange& change) {
    // The column scrubs at the sheet's rate, whether or not it is painted now.
    if (change.Sound) {
        AudioPart->SetFrameRate(Doc.Fps());
        // A slower rate makes room for the sound that was left out: read it again.
        if (Loader && Doc.Data().Audio.Shortened && LongestSoundMs(Doc.Fps()) > Loader->LengthLimitMs())
            StartAudioLoad(Doc.Data().Audio.FileName);
    }
    if (!Repaints())
        return;
    if (change.Everything) {
        RefreshAll();
        return;
    }
    SyncRows();
    if (change.LayerCount) {
        HeaderPart->Resize();
        HeaderPart->DrawHeaders(0, LayerCount() - 1);
        HeaderPart->update();
    } else if (change.LayerProperties) {
        HeaderPart->DrawHeaders(change.LayerProperties->First - 1, change.LayerProperties->Last - 1);
        HeaderPart->update();
    }
    if (change.Sound && Doc.AudioShown())
        AudioPart->Rebuild();
    const auto counted = [](const TCellRect& r) {
        return TCellRect{r.Left - 1, r.Top - 1, r.Right - 1, r.Bottom - 1};
    };
    if (change.Frames || change.LayerCount) {
        GridPart->RedrawVisible();
    } else if (change.Cells || change.OldSelection) {
        if (change.Cells)
            GridPart->RepaintCells(counted(*change.Cells));
        if (change.OldSelection)
            GridPart->RepaintCells(counted(*change.OldSelection));
        GridPart->DrawSelectionFrame();
    }
    GridPart->update();
    // The view follows the cursor wherever a command moved it.
    if (change.OldSelection && FollowsCursor)
        ScrollIntoView(CurrentLayer(), CurrentFrame());
}

void TSheetView::RunPointerCommand(const std::function<void()>& command) {
    FollowsCursor = false;
    try {
        command();
    } catch (...) {
        FollowsCursor = true;
        throw;
    }
    FollowsCursor = true;
}

void TSheetView::StartAudioLoad(const std::string& file) {
    if (!Loader) {
        Loader = std::make_unique<TSoundLoader>(&LoadedSound);
        Loader->OnLoaded = [this](TSoundLoader&) { AudioLoaded(); };
        Loader->OnError = [this](TSoundLoader&, const std::string& message) {
            if (OnMessage)
                OnMessage(*this, message);
        };
    }
    try {
        Loader->Load(file, TempDir, LongestSoundMs(Doc.Fps()));
    } catch (const ECwError&) {
        // A sheet whose sound file has gone opens without sound; the name stays for saving.
        Loader.reset();
    }
}

void TSheetView::AudioLoaded() {
    Doc.AudioLoaded(std::move(LoadedSound));
    if (OnAudioLoaded)
        OnAudioLoaded(*this);
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
    WireUndoEvents();
    SetCellSize(GridWidth(), GridHeight());
    DoLayout();
    RefreshAll();
}

void TSheetView::showEvent(QShowEvent* event) {
    if (!LoadedOnce)
        Loaded();
    QWidget::showEvent(event);
}

void TSheetView::SetCellSize(int width, int height) {
    // Cels keep their pixel bounds; they follow the new size at once so boxes and grips line up.
    Doc.SetCellSize(width, height);
}

void TSheetView::SetGridWidth(int width) {
    if (width < 55 || width == GridWidth())
        return;
    SetCellSize(width, GridHeight());
    if (LoadedOnce) {
        PlaceEditor();
        RefreshAll();
    }
}

void TSheetView::SetGridHeight(int height) {
    if (height < 10 || height == GridHeight())
        return;
    SetCellSize(GridWidth(), height);
    if (LoadedOnce) {
        PlaceEditor();
        RefreshAll();
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
    VBar->SetRange(static_cast<double>(ShownRows()) * GridHeight());
    HBar->SetPageSize(GridPart->width());
    HBar->SetRange(static_cast<double>(LayerCount()) * GridWidth());
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
    GridPart->BoundsChanged();
    HeaderPart->update();
    GridPart->update();
}

void TSheetView::HorzScrolled() {
    PlaceEditor();
    GridPart->Scrolled();
    HeaderPart->update();
}

void TSheetView::VertScrolled() {
    PlaceEditor();
    GridPart->Scrolled();
    IndexPart->update();
    AudioPart->update();
}

void TSheetView::ScrollWheel(int delta) {
    // A notch is 120; it moves as many rows as the desktop's wheel setting says.
    const double rows = QApplication::wheelScrollLines() * delta / 120.0;
    VBar->SetPosition(VBar->Position() - rows * GridHeight());
}

void TSheetView::ScrollIntoView(std::int32_t layer, std::int32_t frame) {
    auto follow = [](TSheetScrollBar& bar, double first, double length, double view) {
        if (first < bar.Position())
            bar.SetPosition(first);
        else if (first + length > bar.Position() + view)
            bar.SetPosition(first + length - view);
    };
    if (!LoadedOnce || layer < 0 || frame < 1)
        return;
    follow(*VBar, double(frame - 1) * GridHeight(), GridHeight(), GridPart->height());
    if (layer > 0)
        follow(*HBar, double(layer - 1) * GridWidth(), GridWidth(), GridPart->width());
}

void TSheetView::wheelEvent(QWheelEvent* event) {
    ScrollWheel(event->angleDelta().y());
    event->accept();
}

bool TSheetView::CellFromPoint(const QPoint& point, std::int32_t& layer, std::int32_t& frame) const {
    const QRect grid = GridPart->geometry();
    if (!grid.contains(point))
        return false;
    layer = (point.x() - grid.left() + HorzPos()) / GridWidth() + 1;
    frame = (point.y() - grid.top() + VertPos()) / GridHeight() + 1;
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
    emit SelectionChanged(layer, frame);
}

void TSheetView::RaiseLayerChange() {
    if (OnLayerChange)
        OnLayerChange(*this);
    emit CurrentLayerChanged(CurrentLayer());
}

// Commands.

void TSheetView::Undo() {
    CloseEditor();
    Doc.Undo();
}

void TSheetView::Redo() {
    CloseEditor();
    Doc.Redo();
}

// Keyboard.

bool TSheetView::event(QEvent* event) {
    // The cursor keys (arrows, Home, End, Page Up and Down) and the keypad keys belong to the sheet
    // while it has the focus, whatever shortcuts the window around it has.
    if (event->type() == QEvent::ShortcutOverride) {
        auto* key = static_cast<QKeyEvent*>(event);
        const bool cursorKey = key->key() >= Qt::Key_Home && key->key() <= Qt::Key_PageDown;
        if ((cursorKey || (key->modifiers() & Qt::KeypadModifier)) &&
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
    Doc.RunKeyCommand(SheetKeyCommand(virtualKey, ctrl, GridPart->height() / GridHeight()));
    event->accept();
}

// Context menus.

void TSheetView::contextMenuEvent(QContextMenuEvent* event) {
    event->accept();
    const QPoint at = event->pos();
    if (HeaderPart->geometry().contains(at)) {
        const int x = at.x() - HeaderPart->x() + HorzPos();
        if (x >= LayerCount() * GridWidth())
            return;
        SelectCell(x / GridWidth() + 1, 1);
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
    case TCellEditor::TMode::emCelName:
    case TCellEditor::TMode::emImageRename:
        return {col * GridWidth() + GridPart->x() - HorzPos() + 1, row * GridHeight() + HeaderH - VertPos(),
                GridWidth() - 1, GridHeight()};
    case TCellEditor::TMode::emLayerCaption:
        return {HeaderPart->x() + col * GridWidth() - HorzPos(), HeaderPart->y(), GridWidth(), GridHeight()};
    case TCellEditor::TMode::emPhoneme:
        return {IndexW, row * GridHeight() + HeaderH - VertPos(), AudioW - 1, GridHeight()};
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
    const bool scrollsDown = editor.Mode != TCellEditor::TMode::emLayerCaption;
    const bool scrollsAcross = editor.Mode != TCellEditor::TMode::emPhoneme;
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
    const QRect area = EditorArea(TCellEditor::TMode::emCelName, layer - 1, frame - 1);
    EditorPart->Open(TCellEditor::TMode::emCelName, layer - 1, frame - 1, area,
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
    EditorPart->Open(TCellEditor::TMode::emImageRename, layer - 1, cel->Row,
                     EditorArea(TCellEditor::TMode::emImageRename, layer - 1, cel->Row),
                     QString::fromStdString(cel->Name));
    PlaceEditor();
    HBar->raise();
    VBar->raise();
}

void TSheetView::EditLayerCaption(std::int32_t layer) {
    if (layer < 1 || layer > LayerCount())
        return;
    CloseEditor();
    EditorPart->Open(TCellEditor::TMode::emLayerCaption, layer - 1, 0,
                     EditorArea(TCellEditor::TMode::emLayerCaption, layer - 1, 0),
                     QString::fromStdString(LayerCaption(layer)));
    PlaceEditor();
}

void TSheetView::EditPhoneme(std::int32_t frame) {
    if (!Doc.AudioShown() || frame < 1 || frame > kMaxFrames)
        return;
    CloseEditor();
    EditorPart->Open(TCellEditor::TMode::emPhoneme, 0, frame - 1,
                     EditorArea(TCellEditor::TMode::emPhoneme, 0, frame - 1),
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
    std::string message;
    switch (mode) {
    case TCellEditor::TMode::emCelName:
        message = Doc.CommitCelName(col + 1, row + 1, typed);
        break;
    case TCellEditor::TMode::emImageRename:
        message = Doc.CommitImageRename(col + 1, row + 1, typed);
        break;
    case TCellEditor::TMode::emLayerCaption:
        Doc.CommitLayerCaption(col + 1, typed);
        break;
    case TCellEditor::TMode::emPhoneme:
        Doc.CommitPhoneme(row + 1, typed);
        break;
    }
    editor.Close();
    if (!message.empty() && OnMessage)
        OnMessage(*this, message);
}
