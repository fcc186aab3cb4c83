#include "sheetview/CellEditor.h"

#include <QKeyEvent>

TCellEditor::TCellEditor(QWidget* parent) : QLineEdit(parent) {
    setFrame(false);
    hide();
}

void TCellEditor::Open(TMode mode, std::int32_t col, std::int32_t row, const QRect& area,
                       const QString& text) {
    Mode = mode;
    Col = col;
    Row = row;
    Editing = true;
    setGeometry(area);
    setText(text);
    selectAll();
    show();
    raise();
    setFocus();
}

void TCellEditor::Close() {
    Editing = false;
    hide();
    clear();
    if (OnClosed)
        OnClosed(*this);
}

bool TCellEditor::EditsCell(std::int32_t col, std::int32_t row) const {
    return Editing && (Mode == TMode::emCelName || Mode == TMode::emImageRename) && Col == col && Row == row;
}

void TCellEditor::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (OnCommit)
            OnCommit(*this, text());
        event->accept();
        return;
    case Qt::Key_Escape:
        Close();
        event->accept();
        return;
    default:
        QLineEdit::keyPressEvent(event);
    }
}
