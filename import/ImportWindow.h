#pragma once

#include "import/ImportFiles.h"
#include "import/InstructionWindow.h"

#include <QStringList>
#include <functional>

class QComboBox;
class QFileSystemModel;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTreeView;
class TImportWarningDialog;
class TSheetView;

// The image import window: the user browses folders, collects drawings into an import list,
// chooses a hold and a target layer, and imports. The drawings are placed one after another from
// the current frame, each held for the hold, as one undo step. Drawings from outside the layer's
// folder are first copied into it or linked from it, as the import warning asks.
class TImportWindow : public TInstructionWindow {
    Q_OBJECT
public:
    TImportWindow(TSheetView& sheet, QWidget* parent);

    // Shows the window without blocking its parent, 40 pixels right of and 150 below the parent's
    // top-left corner, browsing `startFolder` when it exists and `defaultFolder` otherwise.
    void Open(const QString& startFolder, const QString& defaultFolder);
    void Retranslate();

    // Told true when an import starts changing the sheet and false when it ends, also by an error.
    std::function<void(bool importing)> OnImporting;
    // Seams for tests: the question before a copy replaces a file, and the notice of a copy that
    // did not complete (with what failed, or empty when the user stopped it).
    std::function<TOverwriteAnswer(const QString& target)> AskOverwrite;
    std::function<void(const QString& error)> ShowCancelled;

    // The folder shown in the file list; ends with "/".
    QString BrowsedFolder() const { return Browsed; }
    // Lists `folder`'s drawings and selects it in the tree, brought into view.
    void BrowseFolder(const QString& folder);
    // The import list: full paths in list order.
    QStringList ImportList() const { return Entries; }

    // Button actions.
    void ButtonAddClick();
    void ButtonRemoveClick();
    void ButtonSortClick();
    void ButtonImportClick();

    QComboBox* LayerSelect;
    QTreeView* ShellTreeView1;
    QListWidget* ShellListView1;
    QPushButton* ButtonAdd;
    QPushButton* ButtonRemove;
    QPushButton* ButtonSort;
    QLabel* HoldLbl;
    QLineEdit* Edit1;
    QLabel* ListLbl;
    QListWidget* ListBox1;
    QPushButton* ButtonImport;
    QPushButton* ButtonCancel;
    TImportWarningDialog* ImportAlert;

protected:
    void PaintPanel() override;
    void hideEvent(QHideEvent* event) override;
    // Notices the user taking the folder tree in hand.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateControls();
    void FillLayerSelect();
    void ShowEntries();
    // Lists `folder`'s drawings in the file list; false when it was listed already.
    bool ListFolder(const QString& folder);
    // Selects the browsed folder in the tree and scrolls to it, also as the tree fills in.
    void ShowBrowsedInTree();
    // Copies or links the entries from outside the current layer's folder as the user chooses;
    // false when the user went back to the import window.
    bool BringIntoLayerFolder();
    void CopyIntoLayerFolder(const std::vector<std::string>& files, const std::string& folder);
    void Guard(const std::function<void()>& action);

    TSheetView& Sheet;
    QFileSystemModel* Folders;
    QString Browsed;
    bool FollowBrowsed = false; // keep the browsed folder in view while the tree fills in
    QStringList Entries;
};
