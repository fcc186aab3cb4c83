#pragma once

#include <QDialog>

class QPlainTextEdit;
class QPushButton;

// The import warning: some drawings of the import list lie outside the layer's folder, and the
// user chooses to copy them there, to link to them, or to go back to the import window.
class TImportWarningDialog : public QDialog {
    Q_OBJECT
public:
    enum class TChoice { Copy = 1, Link = 2, Cancel = 3 };

    explicit TImportWarningDialog(QWidget* parent = nullptr);

    // Shows the warning modally with its top-left corner at `topLeft`; closing it by its frame
    // or with Esc counts as Cancel.
    TChoice Ask(const QPoint& topLeft);
    void Retranslate();

    QPlainTextEdit* Memo1;
    QPushButton* CopyBtn;
    QPushButton* LinkBtn;
    QPushButton* CancelBtn;
};
