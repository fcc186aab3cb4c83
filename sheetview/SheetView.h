#pragma once

#include "document/SheetDocument.h"
#include "sheetview/CellEditor.h"
#include "sheetview/SheetScrollBar.h"

#include <QColor>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QMenu;
class TSoundLoader;
class TPicture;
class TAudioColumn;
class TSheetGrid;
class TLayerHeader;
class TFrameIndex;
class TSheetCorner;

// The exposure sheet as a window control: frame numbers on the left, layer headers on top, the
// cel grid, two scroll bars and an in-place editor, with room for the audio column between the
// frame numbers and the cels. It owns the document, forwards the document interface and the
// editing commands to it and repaints what the document reports changed; mouse and keys become
// document commands here.
//
// Besides the std::function events below it emits Qt signals, so any window can follow the sheet
// without the main window relaying.
//
// Layers and frames count from 1 in everything offered here, as in the document.
class TSheetView : public QWidget {
    Q_OBJECT

public:
    // Events pass the control as sender, except selections made with the mouse in the grid, whose
    // sender is the grid, and the scrub events, whose sender is the audio column.
    using TNotifyEvent = std::function<void(QObject& sender)>;
    using TSelectCelEvent = std::function<void(QObject& sender, std::int32_t layer, std::int32_t frame)>;
    using TScrubEvent = std::function<void(QObject& sender, std::int32_t pos)>;
    using TMessageEvent = std::function<void(QObject& sender, const std::string& text)>;

    explicit TSheetView(QWidget* parent = nullptr);
    ~TSheetView() override;

    TSelectCelEvent OnSelect;
    TNotifyEvent OnLayerChange;
    TNotifyEvent OnLayerAdded;
    TNotifyEvent OnLayerDeleted;
    TNotifyEvent OnCanPaste;
    // The four undo events are handed to the undo manager by Loaded: set them before.
    TNotifyEvent OnCanUndo;
    TNotifyEvent OnCantUndo;
    TNotifyEvent OnCanRedo;
    TNotifyEvent OnCantRedo;
    TNotifyEvent OnMaxFrameError;
    TNotifyEvent OnShowAudio;
    TNotifyEvent OnHideAudio;
    TNotifyEvent OnAudioLoaded;
    TScrubEvent OnScrubAudioStart;
    TScrubEvent OnScrubAudio;
    TNotifyEvent OnScrubAudioEnd;
    // With OnCanUndo: the document changed (see TSheetDocument::OnModified).
    TNotifyEvent OnModified;
    // A message for the user, such as the outcome of an image rename; the control shows none itself.
    TMessageEvent OnMessage;

    // Sizes in pixels.
    int IndexWidth() const { return IndexW; }
    int HeaderHeight() const { return HeaderH; }
    int GridWidth() const { return Doc.Data().CellWidth; }
    // Ignored below 55.
    void SetGridWidth(int width);
    int GridHeight() const { return Doc.Data().CellHeight; }
    // Ignored below 10.
    void SetGridHeight(int height);
    int AudioWidth() const { return AudioW; }
    int ScrollWidth() const { return ScrollW; }

    QColor GridColor() const { return GridBack; }
    QColor GridLineColor() const { return GridLines; }
    std::string DefaultLayerText() const { return Doc.DefaultLayerText; }
    void SetDefaultLayerText(const std::string& text) { Doc.DefaultLayerText = text; }
    QString AudioHeadText() const { return AudioHead; }
    // An empty text is ignored.
    void SetAudioHeadText(const QString& text);
    QString IndexHeadText() const { return IndexHead; }
    void SetIndexHeadText(const QString& text);

    // Context menus over the grid, a layer header and the audio column; none by default. The
    // control does not own them.
    QMenu* PopupMenu = nullptr;
    QMenu* PopupMenuHeader = nullptr;
    QMenu* PopupMenuAudio = nullptr;

    // Finishes setting up once the properties are in place: lays the parts out, hands the undo
    // events to the undo manager and draws everything. Runs by itself when the control is first
    // shown; calling it again applies changed cell sizes.
    void Loaded();

    // The document. Its commands repaint the control through their change reports.
    TSheetDocument& Document() { return Doc; }
    const TSheetDocument& Document() const { return Doc; }

    // Document queries.
    std::int32_t LayerCount() const { return Doc.LayerCount(); }
    std::int32_t FrameCount() const { return Doc.FrameCount(); }
    std::int32_t CurrentLayer() const { return Doc.CurrentLayer(); }
    std::int32_t CurrentFrame() const { return Doc.CurrentFrame(); }
    TCellRect SelectedCells() const { return Doc.SelectedCells(); }
    const TCel* CelAt(std::int32_t layer, std::int32_t frame) const { return Doc.CelAt(layer, frame); }
    std::string CelName(std::int32_t layer, std::int32_t frame) const { return Doc.CelName(layer, frame); }
    std::string LayerCaption(std::int32_t layer) const { return Doc.LayerCaption(layer); }
    std::string LayerFolder(std::int32_t layer) const { return Doc.LayerFolder(layer); }
    TLayerColors LayerColors(std::int32_t layer) const { return Doc.LayerColors(layer); }
    bool LayerVisible(std::int32_t layer) const { return Doc.LayerVisible(layer); }
    std::string Phoneme(std::int32_t frame) const { return Doc.Phoneme(frame); }
    std::string AudioFileName() const { return Doc.AudioFileName(); }
    bool HasAudio() const { return Doc.HasAudio(); }
    std::int32_t UsedFrameCount() const { return Doc.UsedFrameCount(); }
    std::int32_t VisibleUsedFrameCount() const { return Doc.VisibleUsedFrameCount(); }
    bool IsEmpty() const { return Doc.IsEmpty(); }
    std::int32_t Fps() const { return Doc.Fps(); }
    std::vector<std::string> CelList() const { return Doc.CelList(); }
    bool CelImageExists(std::int32_t layer, std::int32_t frame) const {
        return Doc.CelImageExists(layer, frame);
    }
    const TPicture* GetCelImage(std::int32_t layer, std::int32_t frame) {
        return Doc.GetCelImage(layer, frame);
    }
    void CelImagePaths(const TCellRect& cells, std::vector<std::string>& list) const {
        Doc.CelImagePaths(cells, list);
    }
    TSheetDocument::TUpdateMode UpdateMode() const { return Doc.UpdateMode(); }

    // Document commands; the control repaints what they report unless the update mode is bulk.
    void ClearSheet() { Doc.ClearSheet(); }
    void AddLayer(const std::string& caption, const std::string& folder, const TLayerColors& colors) {
        Doc.AddLayer(caption, folder, colors);
    }
    void PlaceCelAt(std::int32_t layer, std::int32_t frame, const std::string& name, std::int32_t duration) {
        Doc.PlaceCelAt(layer, frame, name, duration);
    }
    void SetLayerCaption(std::int32_t layer, const std::string& text) { Doc.SetLayerCaption(layer, text); }
    void SetLayerFolder(std::int32_t layer, const std::string& text) { Doc.SetLayerFolder(layer, text); }
    void SetLayerColors(std::int32_t layer, const TLayerColors& colors) { Doc.SetLayerColors(layer, colors); }
    void SetLayerVisible(std::int32_t layer, bool visible) { Doc.SetLayerVisible(layer, visible); }
    void SetPhoneme(std::int32_t frame, const std::string& text) { Doc.SetPhoneme(frame, text); }
    void SelectCell(std::int32_t layer, std::int32_t frame) { Doc.SelectCell(layer, frame); }
    void SetFps(std::int32_t fps) { Doc.SetFps(fps); }
    void SetUpdateMode(TSheetDocument::TUpdateMode mode) { Doc.SetUpdateMode(mode); }
    // Redraws every part from the document.
    void RefreshAll();
    void ShowAudio() { Doc.ShowAudio(); }
    void HideAudio() { Doc.HideAudio(); }
    // Shows the audio column and reads the file into it: at once for a PCM WAV file, after
    // conversion into TempFolder for any other. OnAudioLoaded follows once the sound is read; a
    // missing file leaves the column shown and empty, without a message.
    void LoadAudio(const std::string& file) { Doc.LoadAudio(file); }
    // Only while the audio column is shown: hides it and forgets the sound and its phonemes.
    void RemoveAudio() { Doc.RemoveAudio(); }

    void Undo();
    void Redo();

    // Editing commands, each one undo step (see the document).
    void AddFrames(std::int32_t count) { Doc.AddFrames(count); }
    void AppendLayer(const std::string& folder) { Doc.AppendLayer(folder); }
    void DeleteLayer(std::int32_t layer) { Doc.DeleteLayer(layer); }
    void ChangeLayerProperties(std::int32_t layer, const std::string& caption, const std::string& folder,
                               const TLayerColors& colors) {
        Doc.ChangeLayerProperties(layer, caption, folder, colors);
    }
    std::int32_t PlaceHeldCel(std::int32_t layer, std::int32_t frame, const std::string& name, std::int32_t hold) {
        return Doc.PlaceHeldCel(layer, frame, name, hold);
    }
    std::int32_t PlaceDroppedCels(std::int32_t layer, std::int32_t frame, const std::vector<std::string>& names,
                                  std::int32_t hold) {
        return Doc.PlaceDroppedCels(layer, frame, names, hold);
    }
    void ClearAudio() { Doc.ClearAudio(); }
    void ClearPhonemes() { Doc.ClearPhonemes(); }
    void ClearAudioAndPhonemes() { Doc.ClearAudioAndPhonemes(); }
    void ExtendHold(bool ripple) { Doc.ExtendHold(ripple); }
    void ShortenHold(bool ripple) { Doc.ShortenHold(ripple); }
    void SetHold(std::int32_t frames, bool ripple) { Doc.SetHold(frames, ripple); }
    void InsertFrame() { Doc.InsertFrame(); }
    void DeleteFrames() { Doc.DeleteFrames(); }
    void CopySelection() { Doc.CopySelection(); }
    void CutSelection() { Doc.CutSelection(); }
    void PasteAtSelection() { Doc.PasteAtSelection(); }
    void MoveCursor(TCursorDirection direction) { Doc.MoveCursor(direction); }

    // In-place editing. Each opens the editor over its cell or header; Enter commits, Esc closes.
    // A name for an empty cell or a cel's first frame.
    void EditCelName(std::int32_t layer, std::int32_t frame);
    // A new file name for the cel's drawing; only when the drawing exists.
    void RenameCelImage(std::int32_t layer, std::int32_t frame);
    void EditLayerCaption(std::int32_t layer);
    // A phoneme for the frame; only while the audio column is shown.
    void EditPhoneme(std::int32_t frame);

    // The cell under a point in the control's pixels: false when the point is not over the grid;
    // otherwise the layer and frame, which may lie outside the sheet.
    bool CellFromPoint(const QPoint& point, std::int32_t& layer, std::int32_t& frame) const;
    // A wheel turn of `delta` eighths of a degree (120 a notch): up for delta > 0, down for delta
    // < 0, QApplication::wheelScrollLines() rows a notch.
    void ScrollWheel(int delta);
    // Scrolls as little as needed to show the cell (1-based) whole; layer 0 scrolls only down the
    // frames.
    void ScrollIntoView(std::int32_t layer, std::int32_t frame);
    // Remembers the folder for converted sound files when it is a directory.
    void SetTempFolder(const std::string& path);
    const std::string& TempFolder() const { return TempDir; }

    // The parts.
    TSheetGrid& Grid() { return *GridPart; }
    TLayerHeader& Header() { return *HeaderPart; }
    TFrameIndex& Index() { return *IndexPart; }
    TSheetCorner& Corner() { return *CornerPart; }
    TAudioColumn& AudioDisplay() { return *AudioPart; }
    TSheetScrollBar& HorzBar() { return *HBar; }
    TSheetScrollBar& VertBar() { return *VBar; }
    TCellEditor& Editor() { return *EditorPart; }

    // Scroll positions truncated to whole pixels.
    int HorzPos() const;
    int VertPos() const;
    bool EditorShowing() const { return EditorPart->isVisible(); }
    bool EditingCelName() const {
        return EditorPart->Editing && EditorPart->Mode == TCellEditor::TMode::emCelName;
    }

    // The document changed since it was opened or saved: set by every change, cleared by its owner.
    bool IsModified() const { return Modified; }
    void SetModified(bool modified);

    // Used by the painted parts.
    void RaiseSelect(QObject& sender, std::int32_t layer, std::int32_t frame);
    void RaiseLayerChange();
    // Runs a document command given with the pointer in a part: the view stays where it is, the
    // pointer being on the cells the command changes.
    void RunPointerCommand(const std::function<void()>& command);
    // Closes the editor unless it edits this cel cell (0-based).
    void CloseEditorUnlessOn(std::int32_t col, std::int32_t row);
    void CloseEditor();

signals:
    // The selection or the cursor moved with it, to this layer and frame (as OnSelect).
    void SelectionChanged(int layer, int frame);
    // The current layer changed, or what it shows (as OnLayerChange).
    void CurrentLayerChanged(int layer);
    void LayerAdded();
    void LayerDeleted();
    void ModifiedChanged(bool modified);
    void UndoAvailable(bool available);
    void RedoAvailable(bool available);

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    // Brings the parts up to date with what a document command changed.
    void ShowChange(const TSheetChange& change);
    // The frame rows shown: the document's, and never fewer than the sheet's frames.
    std::int32_t ShownRows() const;
    void SyncRows();
    void UpdateScrollRanges();
    void DoLayout();
    // Lays the parts out again when the audio column was shown or hidden.
    void AudioColumnMoved();
    void HorzScrolled();
    void VertScrolled();
    // Moves the editor with its cell, hiding it while the cell is scrolled away.
    void PlaceEditor();
    QRect EditorArea(TCellEditor::TMode mode, std::int32_t col, std::int32_t row) const;
    void CommitEditor(TCellEditor& editor, const QString& text);
    void EditorClosed();
    void SetCellSize(int width, int height);
    // Widens or narrows the frame column to fit its heading and lays the parts out again.
    void FitIndexWidth();
    void WireDocumentEvents();
    // Hands the undo events, as they are set now, to the document, each followed by its signal.
    void WireUndoEvents();
    TSheetDocument::TNotifyEvent UndoEvent(const TNotifyEvent& handler, void (TSheetView::*signal)(bool),
                                           bool available);
    // Runs the audio loader on a file the document named; its errors are dropped with it.
    void StartAudioLoad(const std::string& file);
    // The loader has read the sound: the column, the frames and the frame numbers follow it.
    void AudioLoaded();
    bool Repaints() const { return LoadedOnce && Doc.UpdateMode() != TSheetDocument::TUpdateMode::Bulk; }

    TSheetDocument Doc;
    int IndexW = 40;
    int MinIndexW = 40;
    int HeaderH = 20;
    int AudioW = 50;
    int ScrollW = 16;
    QColor GridBack = QColor(0xFF, 0xFF, 0xFF);
    QColor GridLines = QColor(0xC0, 0xC0, 0xC0);
    QString AudioHead = "Audio";
    QString IndexHead = "Frame";
    std::string TempDir;
    bool LoadedOnce = false;
    bool Modified = false;
    bool FollowsCursor = true;     // commands scroll the cursor into view
    bool LaidOutWithAudio = false; // the layout leaves room for the audio column

    // Children, owned through Qt's parent; created in this order.
    TLayerHeader* HeaderPart = nullptr;
    TFrameIndex* IndexPart = nullptr;
    TSheetCorner* CornerPart = nullptr;
    TSheetGrid* GridPart = nullptr;
    TSheetScrollBar* HBar = nullptr;
    TSheetScrollBar* VBar = nullptr;
    TCellEditor* EditorPart = nullptr;
    TAudioColumn* AudioPart = nullptr;
    std::unique_ptr<TSoundLoader> Loader; // made on the first load
    TSoundTrack LoadedSound;              // what the loader reads, handed to the document when read
};
