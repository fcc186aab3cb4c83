#include "ui/ErrorBox.h"
#include "import/ImportWindow.h"
#include "import/ImportWarningDialog.h"
#include "sheetview/SheetView.h"
#include "testsupport/ModalAnswer.h"
#include "testsupport/TempFolder.h"

#include <QApplication>
#include <QComboBox>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {
// An import window over a sheet with one layer whose folder holds drawings a, b and c; another
// folder holds x, y and z.
class ImportWindowTest : public ::testing::Test {
protected:
    ImportWindowTest() {
        ErrorBoxOverride() = [this](const QString& text) { Errors.append(text); };
        fs::create_directories(Files.Path() / "layer");
        fs::create_directories(Files.Path() / "other");
        for (const char* name : {"a.png", "b.PNG", "c.jpg", "notes.txt"})
            WriteText(Files.Path() / "layer" / name, name);
        for (const char* name : {"x.png", "y.bmp", "z.jpeg"})
            WriteText(Files.Path() / "other" / name, name);
        Sheet.Loaded();
        Sheet.AddLayer("Walk", LayerFolder(), Sheet.Document().DefaultColors);
        Sheet.OnMaxFrameError = [this](QObject&) { ++MaxFrameErrors; };
        Window.ShowCancelled = [this](const QString& error) { Cancelled.append(error); };
        Window.Open({}, {});
    }
    ~ImportWindowTest() override { ErrorBoxOverride() = nullptr; }

    std::string LayerFolder() const { return Files / "layer/"; }

    // Browses a folder of the test and adds the named files of its file list.
    void Add(const char* folder, const QStringList& names) {
        Window.BrowseFolder(QString::fromStdString(Files / folder));
        ShellSelect(names);
        Window.ButtonAdd->click();
    }

    void ShellSelect(const QStringList& names) {
        Window.ShellListView1->clearSelection();
        for (const QString& name : names) {
            const auto items = Window.ShellListView1->findItems(name, Qt::MatchExactly);
            ASSERT_EQ(items.size(), 1) << name.toStdString();
            items.first()->setSelected(true);
        }
    }

    // Answers the import warning, when it opens, with one of its buttons (null: its frame).
    void AnswerWarning(QPushButton* TImportWarningDialog::*button) {
        QTimer::singleShot(0, &Window, [this, button] {
            WarningShown = Window.ImportAlert->isVisible();
            if (button)
                (Window.ImportAlert->*button)->click();
            else
                Window.ImportAlert->close();
        });
    }

    // The cels of layer 1 as "frame:hold:name".
    std::vector<std::string> Cels(std::int32_t layer = 1) const {
        std::vector<std::string> cels;
        for (std::int32_t frame = 1; frame <= Sheet.FrameCount(); ++frame) {
            const TCel* cel = Sheet.CelAt(layer, frame);
            if (cel && cel->Row == frame - 1)
                cels.push_back(std::to_string(frame) + ":" + std::to_string(cel->Duration) + ":" + cel->Name);
        }
        return cels;
    }

    TTempFolder Files;
    TSheetView Sheet;
    TImportWindow Window{Sheet, nullptr};
    QStringList Errors;
    QStringList Cancelled;
    int MaxFrameErrors = 0;
    bool WarningShown = false;
};
} // namespace

TEST_F(ImportWindowTest, ListsOnlyDrawingsSortedByName) {
    Window.BrowseFolder(QString::fromStdString(Files / "layer"));
    QStringList shown;
    for (int row = 0; row < Window.ShellListView1->count(); ++row)
        shown.append(Window.ShellListView1->item(row)->text());
    EXPECT_EQ(shown, (QStringList{"a.png", "b.PNG", "c.jpg"}));
    EXPECT_EQ(Window.BrowsedFolder().toStdString(), LayerFolder());
}

// A folder clicked in the tree is the one highlighted and the one listed, a few rows from the
// browsed one as well as next to it; a folder the tree does not show (a hidden one) leaves no
// other folder highlighted.
TEST_F(ImportWindowTest, TheFolderHighlightedInTheTreeIsTheOneListed) {
    for (const char* folder : {"m1", "m2", "m3", ".hidden"})
        fs::create_directories(Files.Path() / folder);
    WriteText(Files.Path() / ".hidden/h.png", "h");
    QTreeView* tree = Window.ShellTreeView1;
    const auto* folders = static_cast<const QFileSystemModel*>(tree->model());
    const auto highlighted = [tree, folders] {
        const QModelIndexList rows = tree->selectionModel()->selectedRows();
        return rows.size() == 1 ? folders->filePath(rows.first()).toStdString() + "/" : std::string();
    };
    for (const char* clicked : {"other", "m1"}) {
        Window.BrowseFolder(QString::fromStdString(Files / "layer"));
        const QModelIndex parent = folders->index(QString::fromStdString(Files.Path().string()));
        ASSERT_TRUE(QTest::qWaitFor([&] { return folders->rowCount(parent) == 5; }));
        QTest::qWait(50); // the tree settles on the browsed folder
        const QModelIndex row = folders->index(QString::fromStdString(Files / clicked));
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualRect(row).center());
        EXPECT_EQ(Window.BrowsedFolder().toStdString(), Files / clicked + "/");
        EXPECT_EQ(highlighted(), Files / clicked + "/");
    }
    EXPECT_EQ(Window.ShellListView1->count(), 0);

    Window.BrowseFolder(QString::fromStdString(Files / ".hidden"));
    EXPECT_EQ(Window.ShellListView1->count(), 1);
    EXPECT_EQ(highlighted(), "");
}

TEST_F(ImportWindowTest, ThreeDrawingsFromTheLayersFolderAreHeldOneAfterAnother) {
    Sheet.SelectCell(1, 5);
    Add("layer", {"c.jpg", "a.png", "b.PNG"});
    AnswerWarning(&TImportWarningDialog::CancelBtn);
    Window.ButtonImport->click();
    EXPECT_FALSE(WarningShown);
    EXPECT_EQ(Cels(), (std::vector<std::string>{"5:2:a.png", "7:2:b.PNG", "9:2:c.jpg"}));
    EXPECT_FALSE(Window.isVisible());
    EXPECT_TRUE(Window.ImportList().isEmpty());
    EXPECT_EQ(Sheet.Document().UndoManager().UndoCount(), 1u);
    Sheet.Undo();
    EXPECT_TRUE(Cels().empty());
}

TEST_F(ImportWindowTest, NewLayerTakesTheFirstFilesFolderWithoutWarning) {
    Add("other", {"x.png"});
    Add("layer", {"a.png"});
    Window.LayerSelect->setCurrentIndex(1);
    Window.Edit1->setText("3");
    AnswerWarning(&TImportWarningDialog::CancelBtn);
    Window.ButtonImport->click();
    EXPECT_FALSE(WarningShown);
    ASSERT_EQ(Sheet.LayerCount(), 2);
    EXPECT_EQ(Sheet.LayerFolder(2), Files / "other/");
    EXPECT_EQ(Cels(2), (std::vector<std::string>{"1:3:x.png", "4:3:a.png"}));
    // One undo step takes the layer back with its cels.
    EXPECT_EQ(Sheet.Document().UndoManager().UndoCount(), 1u);
    Sheet.Undo();
    EXPECT_EQ(Sheet.LayerCount(), 1);
}

TEST_F(ImportWindowTest, ListEditingSortsByFullPathAndKeepsDuplicates) {
    Add("other", {"x.png"});
    Add("layer", {"a.png", "b.PNG"});
    Add("layer", {"a.png"});
    Window.ButtonSort->click();
    const QString layer = QString::fromStdString(LayerFolder());
    const QString other = QString::fromStdString(Files / "other/");
    EXPECT_EQ(Window.ImportList(),
              (QStringList{layer + "a.png", layer + "a.png", layer + "b.PNG", other + "x.png"}));
    Window.ListBox1->item(2)->setSelected(true);
    Window.ListBox1->item(3)->setSelected(true);
    Window.ButtonRemove->click();
    EXPECT_EQ(Window.ImportList(), (QStringList{layer + "a.png", layer + "a.png"}));
    EXPECT_EQ(Window.ListBox1->item(0)->text(), "a.png");
    // The same drawing twice joins into one cel held twice as long.
    Window.ButtonImport->click();
    EXPECT_EQ(Cels(), (std::vector<std::string>{"1:4:a.png"}));
}

TEST_F(ImportWindowTest, SheetWithoutLayersOffersOnlyANewLayer) {
    Sheet.DeleteLayer(1);
    Window.Open({}, {});
    ASSERT_EQ(Window.LayerSelect->count(), 1);
    EXPECT_EQ(Window.LayerSelect->itemText(0), "Import to New Layer");
    Add("other", {"y.bmp"});
    Window.ButtonImport->click();
    EXPECT_EQ(Sheet.LayerCount(), 1);
    EXPECT_EQ(Cels(), (std::vector<std::string>{"1:2:y.bmp"}));
}

TEST_F(ImportWindowTest, CopyBringsOutsideDrawingsIntoTheLayerFolder) {
    WriteText(Files.Path() / "layer" / "x.png", "older x");
    QStringList asked;
    Window.AskOverwrite = [&](const QString& target) {
        asked.append(target);
        return TOverwriteAnswer::Yes;
    };
    Add("layer", {"a.png"});
    Add("other", {"x.png", "y.bmp"});
    AnswerWarning(&TImportWarningDialog::CopyBtn);
    Window.ButtonImport->click();
    EXPECT_TRUE(WarningShown);
    EXPECT_EQ(asked, QStringList{QString::fromStdString(LayerFolder() + "x.png")});
    EXPECT_EQ(ReadText(Files.Path() / "layer" / "x.png"), "x.png");
    EXPECT_EQ(ReadText(Files.Path() / "layer" / "y.bmp"), "y.bmp");
    EXPECT_TRUE(Cancelled.isEmpty());
    EXPECT_EQ(Cels(), (std::vector<std::string>{"1:2:a.png", "3:2:x.png", "5:2:y.bmp"}));
}

TEST_F(ImportWindowTest, FailedCopySaysCancelledAndStillPlaces) {
    Sheet.SetLayerFolder(1, Files / "gone/");
    Add("other", {"x.png"});
    AnswerWarning(&TImportWarningDialog::CopyBtn);
    Window.ButtonImport->click();
    ASSERT_EQ(Cancelled.size(), 1);
    EXPECT_TRUE(Cancelled.first().contains("gone/")) << Cancelled.first().toStdString();
    EXPECT_EQ(Cels(), (std::vector<std::string>{"1:2:x.png"}));
}

TEST_F(ImportWindowTest, LinkMakesShortcutsTheSheetFollows) {
    Add("other", {"x.png", "z.jpeg"});
    AnswerWarning(&TImportWarningDialog::LinkBtn);
    Window.ButtonImport->click();
    EXPECT_TRUE(WarningShown);
    EXPECT_EQ(fs::read_symlink(Files.Path() / "layer" / "x.png.lnk"), Files.Path() / "other" / "x.png");
    EXPECT_EQ(Cels(), (std::vector<std::string>{"1:2:x.png", "3:2:z.jpeg"}));
    EXPECT_EQ(Sheet.Document().CelImageFile(1, 3), Files / "other/z.jpeg");
}

TEST_F(ImportWindowTest, CancellingTheWarningPlacesNothingAndKeepsTheWindow) {
    for (QPushButton* TImportWarningDialog::*answer :
         {&TImportWarningDialog::CancelBtn, static_cast<QPushButton * TImportWarningDialog::*>(nullptr)}) {
        Window.Open({}, {});
        Add("other", {"x.png"});
        AnswerWarning(answer);
        Window.ButtonImport->click();
        EXPECT_TRUE(WarningShown);
        EXPECT_TRUE(Cels().empty());
        EXPECT_FALSE(fs::exists(Files.Path() / "layer" / "x.png.lnk"));
        EXPECT_TRUE(Window.isVisible());
        EXPECT_EQ(Window.ImportList().size(), 1);
        Window.close();
    }
    EXPECT_EQ(Sheet.Document().UndoManager().UndoCount(), 0u);
}

TEST_F(ImportWindowTest, WhatFitsBeforeTheLastFrameIsPlacedAndTheRestNamedOnce) {
    struct TCase {
        const char* Hold;
        std::vector<std::string> Cels;
        QStringList LeftOut;
    };
    const TCase cases[] = {
        {"2", {"1634:2:a.png", "1636:2:b.PNG"}, {"c.jpg, layer 1, frame 1638: passes frame 1637"}},
        {"5",
         {"1634:4:a.png"},
         {"a.png, layer 1, frame 1634: held 4 frames instead of 5", "b.PNG, layer 1, frame 1639: passes frame 1637",
          "c.jpg, layer 1, frame 1644: passes frame 1637"}},
        {"1", {"1634:1:a.png", "1635:1:b.PNG", "1636:1:c.jpg"}, {}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Hold);
        Sheet.ClearSheet();
        Sheet.AddLayer("Walk", LayerFolder(), Sheet.Document().DefaultColors);
        Sheet.AddFrames(kMaxFrames - Sheet.FrameCount());
        Sheet.SelectCell(1, kMaxFrames - 3);
        Window.Open({}, {});
        Add("layer", {"a.png", "b.PNG", "c.jpg"});
        Window.Edit1->setText(c.Hold);
        QStringList shown;
        if (!c.LeftOut.isEmpty())
            WhenShown<QMessageBox>([&](QMessageBox& box) {
                shown = box.text().split('\n');
                box.accept();
            });
        Window.ButtonImport->click();
        EXPECT_EQ(Cels(), c.Cels);
        EXPECT_EQ(shown, c.LeftOut.isEmpty() ? QStringList{}
                                             : QStringList{"Part of the import passes frame 1637 and was left out:"} +
                                                   c.LeftOut);
    }
    EXPECT_EQ(MaxFrameErrors, 0);
}

TEST_F(ImportWindowTest, HoldThatIsNoNumberChangesNothing) {
    Add("layer", {"a.png"});
    for (const QString& hold : {"two", "0"}) {
        Window.Edit1->setText(hold);
        Window.ButtonImport->click();
    }
    EXPECT_EQ(Errors,
              (QStringList{"'two' is not a valid integer value", "The hold must be at least 1 frame."}));
    EXPECT_TRUE(Cels().empty());
    EXPECT_TRUE(Window.isVisible());
}

TEST_F(ImportWindowTest, CopyQuestionAndCancelledNoticeAreRealMessageBoxes) {
    for (const char* name : {"x.png", "y.bmp"})
        WriteText(Files.Path() / "layer" / name, "older");
    TImportWindow window(Sheet, nullptr);
    window.Open({}, {});
    window.BrowseFolder(QString::fromStdString(Files / "other"));
    window.ShellListView1->selectAll();
    window.ButtonAdd->click();
    // Answers each window that opens: Copy in the warning, Cancel in the question, OK in the notice.
    QStringList seen;
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* warning = qobject_cast<TImportWarningDialog*>(modal)) {
            warning->CopyBtn->click();
        } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            seen.append(box->text());
            box->button(box->standardButtons() & QMessageBox::Cancel ? QMessageBox::Cancel : QMessageBox::Ok)
                ->click();
        }
    });
    answer.start(20);
    window.ButtonImport->click();
    answer.stop();
    ASSERT_EQ(seen.size(), 2);
    EXPECT_TRUE(seen[0].contains(QString::fromStdString(LayerFolder() + "x.png"))) << seen[0].toStdString();
    EXPECT_TRUE(seen[0].contains("already exists. Do you wish to overwrite the file?"));
    EXPECT_EQ(seen[1], "Cancelled");
    EXPECT_EQ(ReadText(Files.Path() / "layer" / "x.png"), "older");
    // The drawings are placed all the same.
    EXPECT_EQ(Cels(), (std::vector<std::string>{"1:2:x.png", "3:2:y.bmp", "5:2:z.jpeg"}));
}
