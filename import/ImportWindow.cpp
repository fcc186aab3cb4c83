#include "import/ImportWindow.h"
#include "ui/PlainText.h"

#include "ui/AppTexts.h"
#include "ui/ErrorBox.h"
#include "base/Error.h"
#include "base/TextUtil.h"
#include "document/SheetData.h"
#include "settings/PlacementRules.h"
#include "import/ImportWarningDialog.h"
#include "sheetview/SheetView.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileSystemModel>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QHideEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

namespace {
constexpr int kInfoWidth = 230;

std::vector<std::string> ToStd(const QStringList& list) {
    std::vector<std::string> result;
    for (const QString& entry : list)
        result.push_back(entry.toStdString());
    return result;
}

QString WithSlash(const QString& folder) {
    return folder.endsWith('/') ? folder : folder + "/";
}
} // namespace

TImportWindow::TImportWindow(TSheetView& sheet, QWidget* parent) : TInstructionWindow(parent), Sheet(sheet) {
    CreateControls();
    ImportAlert = new TImportWarningDialog(this);
    AskOverwrite = [this](const QString& target) {
        const QString text =
            Translate(LanguageKey("msgFileExists")).replace("\r\n", "\n").replace("%s", target);
        QMessageBox box(QMessageBox::Question, windowTitle(), text,
                        QMessageBox::Yes | QMessageBox::No | QMessageBox::YesToAll | QMessageBox::Cancel, this);
        ShowTextsPlain(box);
        switch (box.exec()) {
        case QMessageBox::Yes:
            return TOverwriteAnswer::Yes;
        case QMessageBox::No:
            return TOverwriteAnswer::No;
        case QMessageBox::YesToAll:
            return TOverwriteAnswer::YesToAll;
        default:
            return TOverwriteAnswer::Cancel;
        }
    };
    ShowCancelled = [this](const QString& error) {
        QMessageBox box(QMessageBox::Information, windowTitle(), Translate(LanguageKey("sCancelled")),
                        QMessageBox::Ok, this);
        box.setInformativeText(error);
        ShowTextsPlain(box);
        box.exec();
    };
    Retranslate();
    SetInfoWidth(kInfoWidth);
    resize(kInfoWidth + 3 + 620, 460);
    Collapse();
}

void TImportWindow::CreateControls() {
    LayerSelect = new QComboBox(MainPanel);
    Folders = new QFileSystemModel(this);
    Folders->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
    Folders->setRootPath("/");
    ShellTreeView1 = new QTreeView(MainPanel);
    ShellTreeView1->setModel(Folders);
    ShellTreeView1->setHeaderHidden(true);
    for (int column = 1; column < Folders->columnCount(); ++column)
        ShellTreeView1->hideColumn(column);
    // The tree fills in as folders are read, rows arriving above the browsed folder too: it is
    // kept in view until the user takes the tree in hand.
    auto follow = [this] {
        if (FollowBrowsed)
            ShowBrowsedInTree();
    };
    connect(Folders, &QFileSystemModel::directoryLoaded, this, follow);
    connect(Folders, &QFileSystemModel::rowsInserted, this, follow);
    connect(Folders, &QFileSystemModel::layoutChanged, this, follow);
    ShellTreeView1->installEventFilter(this);
    ShellTreeView1->viewport()->installEventFilter(this);
    // A folder picked in the tree is listed where it is: scrolling the tree under the pointer while
    // the view still handles the click would highlight another row than the one listed.
    connect(ShellTreeView1->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& index) { ListFolder(Folders->filePath(index)); });
    ShellListView1 = new QListWidget(MainPanel);
    ShellListView1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    connect(ShellListView1, &QListWidget::itemDoubleClicked, this,
            [this] { Guard([this] { ButtonAddClick(); }); });

    ButtonAdd = new QPushButton(MainPanel);
    ButtonRemove = new QPushButton(MainPanel);
    ButtonSort = new QPushButton(MainPanel);
    HoldLbl = new QLabel(MainPanel);
    Edit1 = new QLineEdit("2", MainPanel);
    Edit1->setMaximumWidth(60);
    ListLbl = new QLabel(MainPanel);
    ListBox1 = new QListWidget(MainPanel);
    ListBox1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ButtonImport = new QPushButton(MainPanel);
    ButtonCancel = new QPushButton(MainPanel);
    ButtonImport->setDefault(true);
    connect(ButtonAdd, &QPushButton::clicked, this, [this] { Guard([this] { ButtonAddClick(); }); });
    connect(ButtonRemove, &QPushButton::clicked, this, [this] { Guard([this] { ButtonRemoveClick(); }); });
    connect(ButtonSort, &QPushButton::clicked, this, [this] { Guard([this] { ButtonSortClick(); }); });
    connect(ButtonImport, &QPushButton::clicked, this, [this] { Guard([this] { ButtonImportClick(); }); });
    connect(ButtonCancel, &QPushButton::clicked, this, &QWidget::close);

    auto* browse = new QVBoxLayout;
    browse->addWidget(ShellTreeView1, 1);
    browse->addWidget(ShellListView1, 1);
    auto* middle = new QVBoxLayout;
    middle->addStretch();
    middle->addWidget(ButtonAdd);
    middle->addWidget(ButtonRemove);
    middle->addSpacing(12);
    middle->addWidget(ButtonSort);
    middle->addSpacing(24);
    middle->addWidget(HoldLbl);
    middle->addWidget(Edit1);
    middle->addStretch();
    auto* list = new QVBoxLayout;
    list->addWidget(ListLbl);
    list->addWidget(ListBox1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ButtonImport);
    buttons->addWidget(ButtonCancel);
    auto* layout = new QGridLayout(MainPanel);
    layout->addWidget(LayerSelect, 0, 0);
    layout->addLayout(browse, 1, 0);
    layout->addLayout(middle, 1, 1);
    layout->addLayout(list, 1, 2);
    layout->addLayout(buttons, 2, 0, 1, 3);
    layout->setColumnStretch(0, 3);
    layout->setColumnStretch(2, 2);
}

void TImportWindow::Retranslate() {
    setWindowTitle(Translate(LanguageKey("sImportImage")));
    ButtonAdd->setText(Translate(LanguageKey("sAddFiles")) + " >>");
    ButtonRemove->setText(Translate(LanguageKey("sRemove")) + " <<");
    ButtonSort->setText(Translate(LanguageKey("sSort")));
    HoldLbl->setText(Translate(LanguageKey("sHold")));
    ListLbl->setText(Translate(LanguageKey("sImportList")));
    ButtonImport->setText(Translate(LanguageKey("sImport")));
    ButtonCancel->setText(Translate(LanguageKey("sCancel")));
    InfoText->setText(Translate(LanguageKey("msgImportInstruct")).replace("\r\n", "\n"));
    FillLayerSelect();
    ImportAlert->Retranslate();
}

void TImportWindow::FillLayerSelect() {
    LayerSelect->clear();
    if (Sheet.LayerCount() > 0)
        LayerSelect->addItem(Translate(LanguageKey("msgImportSelLayer")));
    LayerSelect->addItem(Translate(LanguageKey("sImportToNewLayer")));
    LayerSelect->setCurrentIndex(0);
}

void TImportWindow::PaintPanel() {
    QPalette palette = InfoPanel->palette();
    palette.setColor(QPalette::Window, Expanded() ? QColor(Qt::white) : palette.color(QPalette::Button));
    InfoPanel->setPalette(palette);
}

void TImportWindow::Open(const QString& startFolder, const QString& defaultFolder) {
    FillLayerSelect();
    BrowseFolder(QDir(startFolder).exists() && !startFolder.isEmpty() ? startFolder : defaultFolder);
    FollowBrowsed = true;
    show();
    raise();
    activateWindow();
    // Once shown, the tree has its size and can bring the folder into view.
    QTimer::singleShot(0, this, [this] { ShowBrowsedInTree(); });
}

void TImportWindow::BrowseFolder(const QString& folder) {
    if (ListFolder(folder))
        ShowBrowsedInTree();
}

bool TImportWindow::ListFolder(const QString& folder) {
    const QString shown = WithSlash(QDir(folder).absolutePath());
    if (shown == Browsed)
        return false;
    Browsed = shown;
    ShellListView1->clear();
    const QFileInfoList files = QDir(Browsed).entryInfoList(QDir::Files, QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo& file : files) {
        if (!IsImportableImage(file.fileName().toStdString()))
            continue;
        auto* item = new QListWidgetItem(file.fileName(), ShellListView1);
        item->setData(Qt::UserRole, Browsed + file.fileName());
    }
    return true;
}

void TImportWindow::ShowBrowsedInTree() {
    const QModelIndex index = Folders->index(QDir(Browsed).absolutePath());
    if (!index.isValid()) {
        // Not in the tree (a hidden folder): no other folder stays highlighted.
        ShellTreeView1->selectionModel()->clearSelection();
        return;
    }
    for (QModelIndex parent = index.parent(); parent.isValid(); parent = parent.parent())
        ShellTreeView1->expand(parent);
    ShellTreeView1->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    ShellTreeView1->scrollTo(index, QAbstractItemView::PositionAtCenter);
}

void TImportWindow::ShowEntries() {
    ListBox1->clear();
    for (const QString& entry : Entries) {
        auto* item = new QListWidgetItem(QString::fromStdString(FileNameOf(entry.toStdString())), ListBox1);
        item->setToolTip(PlainToolTip(entry));
    }
}

void TImportWindow::ButtonAddClick() {
    // In the file list's order, not the order they were picked in.
    for (int row = 0; row < ShellListView1->count(); ++row) {
        if (ShellListView1->item(row)->isSelected())
            Entries.append(ShellListView1->item(row)->data(Qt::UserRole).toString());
    }
    ShowEntries();
}

void TImportWindow::ButtonRemoveClick() {
    for (int row = ListBox1->count() - 1; row >= 0; --row) {
        if (ListBox1->item(row)->isSelected())
            Entries.removeAt(row);
    }
    ShowEntries();
}

void TImportWindow::ButtonSortClick() {
    std::vector<std::string> paths = ToStd(Entries);
    SortImportList(paths);
    Entries.clear();
    for (const std::string& path : paths)
        Entries.append(QString::fromStdString(path));
    ShowEntries();
}

void TImportWindow::ButtonImportClick() {
    if (Entries.isEmpty())
        return;
    // The hold is checked before anything changes, so a mistyped hold leaves the sheet, the
    // layer folder and the window as they were.
    const std::int32_t hold = StrToInt(Edit1->text().trimmed().toStdString());
    if (hold < 1)
        throw ECwError("The hold must be at least 1 frame.");
    if (OnImporting)
        OnImporting(true);
    struct TImportEnd {
        std::function<void(bool)>& Event;
        ~TImportEnd() {
            if (Event)
                Event(false);
        }
    } importEnd{OnImporting};

    const bool newLayer = LayerSelect->currentText() != Translate(LanguageKey("msgImportSelLayer"));
    if (!newLayer && !BringIntoLayerFolder())
        return;
    // One undo step takes back the whole import, the new layer with it.
    QStringList leftOut;
    Sheet.Document().RunAsOneStep([&] {
        if (newLayer)
            Sheet.AppendLayer(FolderOf(Entries.first().toStdString()));
        const std::int32_t layer = Sheet.CurrentLayer();
        std::int64_t start = Sheet.CurrentFrame(); // may run far past the sheet with a long hold
        for (const QString& entry : Entries) {
            const std::string name = FileNameOf(entry.toStdString());
            const auto leaveOut = [&](const QString& reason) {
                leftOut.append(Fill(Translate(LanguageKey("msgLeftOutCel")),
                                    {QString::fromStdString(name), QString::number(layer), QString::number(start), reason}));
            };
            if (start > kMaxFrames) {
                leaveOut(Translate(LanguageKey("sPastLastFrame")));
            } else {
                const std::int32_t frame = static_cast<std::int32_t>(start);
                const std::int32_t fits = HoldThatFits(frame, hold);
                Sheet.PlaceCelAt(layer, frame, name, fits);
                if (fits < hold)
                    leaveOut(Fill(Translate(LanguageKey("sHoldCut")), {QString::number(fits), QString::number(hold)}));
            }
            start += hold;
        }
    });
    close();
    if (leftOut.isEmpty())
        return;
    // File names are shown as they are, never as markup.
    QMessageBox box(QMessageBox::Information, windowTitle(),
                    Translate(LanguageKey("msgImportLeftOut")) + "\n" + leftOut.join("\n"), QMessageBox::Ok,
                    parentWidget());
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

bool TImportWindow::BringIntoLayerFolder() {
    const std::string folder = Sheet.LayerFolder(Sheet.CurrentLayer());
    std::vector<std::string> outside;
    for (const QString& entry : Entries) {
        if (FolderOf(entry.toStdString()) != folder)
            outside.push_back(entry.toStdString());
    }
    if (outside.empty())
        return true;
    switch (ImportAlert->Ask(pos() + QPoint(40, 40))) {
    case TImportWarningDialog::TChoice::Copy:
        CopyIntoLayerFolder(outside, folder);
        return true;
    case TImportWarningDialog::TChoice::Link:
        LinkFilesInto(outside, folder);
        return true;
    default:
        return false;
    }
}

void TImportWindow::CopyIntoLayerFolder(const std::vector<std::string>& files, const std::string& folder) {
    QProgressDialog progress(this);
    auto* fileLabel = new QLabel; // names the file being copied
    fileLabel->setTextFormat(Qt::PlainText);
    progress.setLabel(fileLabel);
    progress.setWindowTitle(windowTitle());
    progress.setCancelButtonText(Translate(LanguageKey("sCancel")));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(0);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    const TCopyOutcome outcome = CopyFilesInto(
        files, folder,
        [this](const std::string& target) { return AskOverwrite(QString::fromStdString(target)); },
        [&](std::size_t done, std::size_t total) {
            progress.setMaximum(static_cast<int>(total));
            progress.setValue(static_cast<int>(done));
            if (done < total)
                progress.setLabelText(QString::fromStdString(FileNameOf(files[done])));
            QCoreApplication::processEvents();
            return !progress.wasCanceled();
        });
    progress.close();
    if (!outcome.Completed)
        ShowCancelled(QString::fromStdString(outcome.Error));
}

bool TImportWindow::eventFilter(QObject* watched, QEvent* event) {
    const auto type = event->type();
    if (type == QEvent::MouseButtonPress || type == QEvent::Wheel || type == QEvent::KeyPress)
        FollowBrowsed = false;
    return TInstructionWindow::eventFilter(watched, event);
}

void TImportWindow::hideEvent(QHideEvent* event) {
    // Closing empties the list; the window going with a minimised main window keeps it.
    if (!event->spontaneous()) {
        Entries.clear();
        ShowEntries();
    }
    TInstructionWindow::hideEvent(event);
}

void TImportWindow::Guard(const std::function<void()>& action) {
    GuardCommand(this, action);
}
