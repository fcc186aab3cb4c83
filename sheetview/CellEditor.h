#pragma once

#include <QLineEdit>
#include <cstdint>
#include <functional>

// The in-place text editor of the sheet: cel names, image renames, layer captions and phonemes.
// Enter hands the text to OnCommit; Esc closes without a change. Losing the focus neither commits
// nor closes it.
class TCellEditor : public QLineEdit {
public:
    enum class TMode : std::int32_t {
        emPhoneme = 0,
        emCelName = 1,
        emImageRename = 2,
        emLayerCaption = 3,
    };

    explicit TCellEditor(QWidget* parent);

    bool Editing = false;
    std::int32_t Col = 0; // layer being edited, 0-based
    std::int32_t Row = 0; // frame being edited, 0-based
    TMode Mode = TMode::emCelName;

    std::function<void(TCellEditor& sender, const QString& text)> OnCommit;
    // Raised when the editor closes, to hand the focus back.
    std::function<void(TCellEditor& sender)> OnClosed;

    // Shows the editor over `area` (in its parent's pixels) with `text`, and focuses it.
    void Open(TMode mode, std::int32_t col, std::int32_t row, const QRect& area, const QString& text);
    // Ends editing: hidden, emptied, the focus handed back.
    void Close();
    // True while editing a cel name or renaming a cel's image at (col, row), 0-based.
    bool EditsCell(std::int32_t col, std::int32_t row) const;

protected:
    void keyPressEvent(QKeyEvent* event) override;
};
